PONumber	200	22
PODate	200	8
Line	200	6
Qty	3	4
Unit	200	2
Price	131	10	2
Item	200	48

