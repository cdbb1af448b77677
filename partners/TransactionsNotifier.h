#pragma once
// Every change of table Transactions made by the partner window (a set added,
// deleted, saved or bound to a plug-in class, a partner renamed or removed)
// is announced here, so that windows listing the sets (the map designer, the
// integration window) refill their lists without the partner window knowing
// them.

#include <QObject>

namespace partners {

class TransactionsNotifier : public QObject {
    Q_OBJECT
signals:
    void TransactionsChanged();
};

TransactionsNotifier &transactionsNotifier();
void notifyTransactionsChanged();

} // namespace partners
