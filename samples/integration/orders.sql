-- The orders an integration job reads through the SQLite ODBC driver.
-- Make the database with:  sqlite3 ~/orders.db < samples/integration/orders.sql
-- The job's query (one row per order line, the order number first, as the
-- outbound run starts a new transaction set whenever the first field changes):
--   SELECT PONumber, PODate, Line, Qty, Unit, Price, Item FROM Orders ORDER BY PONumber, Line
CREATE TABLE Orders (
  PONumber VARCHAR(22) NOT NULL,
  PODate   VARCHAR(8)  NOT NULL,
  Line     VARCHAR(6)  NOT NULL,
  Qty      INTEGER     NOT NULL,
  Unit     VARCHAR(2)  NOT NULL,
  Price    NUMERIC(10,2) NOT NULL,
  Item     VARCHAR(48) NOT NULL,
  PRIMARY KEY (PONumber, Line)
);
INSERT INTO Orders VALUES ('NW-4711', '20261201', '1', 12, 'EA', 4.25, 'BOLT-M8');
INSERT INTO Orders VALUES ('NW-4711', '20261201', '2', 5, 'BX', 19.90, 'NUT-M8');
INSERT INTO Orders VALUES ('NW-4712', '20261202', '1', 100, 'EA', 0.35, 'WASHER-8');
