#pragma once
// The query of an integration job and the two import files it writes for the
// outbound run: the record definition P_T_V_D.ADO (one line per column:
// name, type, size or precision and scale) and the records P_T_V_D.IMP (one
// line per record, values separated by TAB).
//
// Both files are written under temporary names and replace the previous pair
// only when the last record was read, so a failed query never leaves a half
// pair behind. A Null is an empty value; a TAB, CR or LF inside a value is
// written as one blank (counted, so the caller can say so).

#include "vb/Variant.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace odbc {
class Connection;
struct Column;
}

namespace integration {

struct ImportColumn {
    QString name;   // "_ID" columns numbered: "_ID1", "_ID2" ...
    int type = 0;
    qint64 definedSize = 0;
    int precision = 0;
    int numericScale = 0;
};

// A query's result as the grid shows it and the files hold it.
struct QueryResult {
    bool hasRowset = false;
    std::vector<ImportColumn> columns;
    std::vector<std::vector<vb::Variant>> rows;
    qint64 changedValues = 0; // values whose TAB, CR or LF became blanks
};

// Each given date, as 'mm/dd/yyyy', replaces the first "?" still in the statement.
QString WithDateParameters(QString statement, const std::optional<QDate> &start, const std::optional<QDate> &end);

// Runs the statement and reads its whole result; raises the driver's errors.
QueryResult RunQuery(odbc::Connection &connection, const QString &statement);

// A value's text in the data file: Null is empty text; TAB, CR and LF become blanks.
QString ImportValueText(const vb::Variant &value, bool *changed = nullptr);

// The file texts. A text column's defined size is the larger of the driver's
// size and the longest value (drivers that do not enforce sizes).
QString ImportDefinitionText(const QueryResult &result);
// `tabAfterEach`: the grid's Save ends every value, the last one too, with a TAB.
QString ImportDataText(const QueryResult &result, bool tabAfterEach = false);

// "<folder>/P_T_V_D" without extension, in the Import folder.
QString ImportFileStem(const QString &partner, const QString &transaction, const QString &version,
                       const QString &direction);

// Writes both files for the stem (temporary names, then both replaced).
void WriteImportFiles(const QueryResult &result, const QString &stem, bool tabAfterEach = false);

// What the job's query records: "Info" "<n> record(s) returned from statement."
// (or "No rowset returned"), and one "Warning" naming how many values were changed.
void LogQueryOutcome(const QueryResult &result);
// The one "Warning" naming how many values had a TAB, CR or LF made blanks (none for 0).
void LogChangedValues(qint64 changedValues);

} // namespace integration
