#pragma once
// The shared module: the state every window shares (the database connection,
// the current user, the silent flag ...) and the routines every window calls:
// the error reporter and History log, the partner and transaction-set records,
// control numbers and delimiters, the envelope builders, the record-definition
// reader and the export-format table.
//
// Error convention: the routines below trap their own errors, report them
// through ReportError (message box, status-bar panel 1, History "Error" entry)
// and return their neutral result (empty text, false, or a null pointer);
// the exceptions are named at each routine.

#include "core/MainWindowLink.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>

namespace vb {
class VbError;
}
namespace ado {
class Connection;
class Recordset;
}
namespace modGlobal {

// ---- Shared state ----------------------------------------------------------

// The one connection of the main program, opened by the main window's load and
// closed at exit; every record set of the main program uses it.
extern std::shared_ptr<ado::Connection> cnDatabase;
// Written as `User` into every History and Exchange entry ("System" while the
// main window loads, then the stored user name).
extern QString strCurrentUser;
// The stored account password, read by the login dialog.
extern QString strAccountPassword;
// Set by each translation run from its caller; while set, script errors are
// logged instead of shown.
extern bool blnSilentMode;
// The standard transaction-set picker's result: true when it was cancelled.
extern bool blnStandardCancelled;

// The application title used as caption of message boxes: "Corvantis".
QString AppTitle();

// The connection string of the application database in `folder`
// (Corvantis.mdb with the database password).
QString ConnectionString(const QString &folder);

// ---- Error reporter, History log, list query -------------------------------

// Reports the error being handled: its description on status-bar panel 1, a
// message box (critical icon, OK, application title), and a History "Error"
// entry "number description". Call it from a catch block. It has no error
// handling of its own: a failure inside it reaches the caller.
void ReportError(const vb::VbError &error);
// Any other exception reaching a handler: std::bad_alloc as 7 "Out of memory",
// anything else as 51 "Internal error" followed by its text.
void ReportError(const std::exception &error);

// Adds a History row (Type, Date "mm/d/yyyy", Time "hh:mm:ss AMPM",
// strCurrentUser, Description); once it is stored, hands it to the main
// window (mainWindowLink().historyStored: the History list's item and node
// count) and writes the text to status-bar panel 1. The cost does not grow
// with the table. A failure of its own shows a message box with that error
// and shows nothing of the entry. Made inside a yield of work whose
// transaction is open, the entry is written (and shown) right after that
// transaction ends, in its order, with the time it was made.
void LogHistory(const QString &strType, const QString &strDescription);
// Runs `work` (an entry of a log) now, or, made inside a yield of work whose
// transaction is open on cnDatabase, right after that transaction ends, so
// it is neither undone with it nor refused.
void WhenDatabaseFree(std::function<void()> work);

// What a list's query is built from: its table (the list's Tag), the field
// key of each column (1-based in columnKeys[0..]), the sort column (0-based)
// and order (0 ascending, any other descending).
struct ListQuery {
    QString table;
    QStringList columnKeys;
    int sortKey = 0;
    int sortOrder = 0;
};

// "SELECT * FROM " Tag " ORDER BY " key-of-sort-column " ASC"|" DESC".
// No error handling of its own: a sort key that names no column raises
// vb::VbError 380 ("Invalid property value").
QString BuildSortedSelect(const ListQuery &query);

// The statement the map designer's and the integration window's lists of
// transaction sets are filled with: a position in one names the same set in
// the other, so both take the rows in the order it returns them.
QString TransactionListStatement();

// The same for a list control (anything with the list view's Tag, SortKey,
// SortOrder and column keys), so the core needs no widget to know it.
template <class List>
QString BuildSortedSelect(const List &lvwBox)
{
    ListQuery query{lvwBox.tag(), {}, lvwBox.sortKey(), lvwBox.sortOrder()};
    for (int column = 1; column <= lvwBox.columnHeaderCount(); ++column)
        query.columnKeys << lvwBox.columnKey(column);
    return BuildSortedSelect(query);
}

// ---- Partner and transaction-set records -----------------------------------

// Delimiters of a partner: empty text when the partner has no row (without a
// report) or on error. A segment code 0 gives carriage return + line feed.
QString GetSegmentTerminator(const QString &strPartner);
QString GetElementSeparator(const QString &strPartner);
QString GetSubElementSeparator(const QString &strPartner);

// The first partner whose ISA08 is the partner's id and ISA06 ours, compared
// exactly (blanks included); empty text when none or on error.
QString FindPartnerByISA(const QString &strPartnerID, const QString &strOurID);

// Registers the partner of an interchange from its ISA and GS segment texts
// (direction "I" or "O" of the file); returns the new key, empty on error.
QString RegisterPartner(const QString &strISA, const QString &strGS,
                        const QString &strSegmentTerminator, const QString &strElementSeparator,
                        const QString &strSubElementSeparator, const QString &strDirection);

// Stores a loaded set's control number (ST02) on its Transactions row; false
// when the row does not exist or on error.
bool SetControlNumber(const QString &strPartner, const QString &strTransaction,
                      const QString &strVersion, const QString &strDirection,
                      const QString &strControlNumber);

// Adds the Transactions row of a key and the seed Segment and Element rows of
// its map; false on error (e.g. no Standard row for the transaction set).
bool RegisterTransaction(const QString &strPartner, const QString &strTransaction,
                         const QString &strGroup, const QString &strVersion,
                         const QString &strDirection);

// The key's Acknowledge flag; false when not set, when the row is missing or on error.
bool IsAcknowledgeRequired(const QString &strPartner, const QString &strTransaction,
                           const QString &strVersion, const QString &strDirection);

// Marks the partner's Sent rows of the group acknowledged by a received 997
// (AK102, compared as a number) "Yes", leaving "Void" rows alone, then
// refreshes the Sent list. False on error.
bool MarkSentAcknowledged(const QString &strPartner, const QString &strTransactionSet,
                          const QString &strSegmentTerminator, const QString &strElementSeparator);

// Hands out the key's next transaction-set control number (decimal text, no
// leading zeros) and advances the counter (999999999 wraps to 1); empty on error.
QString TakeControlNumber(const QString &strPartner, const QString &strTransaction,
                          const QString &strVersion, const QString &strDirection);

// The key's plug-in ProgID, or empty text; with blnAnnounce an empty result is
// announced in an information box. Empty on error.
QString GetActiveXClass(const QString &strPartner, const QString &strTransaction,
                        const QString &strVersion, const QString &strDirection, bool blnAnnounce);

// ---- Envelope builders -----------------------------------------------------

// The forms of the group date and time (GS04, GS05) that a standards version
// asks for: from version digit 4 on (004010) an eight-digit date and a time
// with seconds. nullopt when the version's third character is no digit (or
// the text is shorter): the builder refuses such a version, the partner
// window's clock shows the short forms for it.
std::optional<bool> UsesLongGroupDate(const QString &strVersion);
// "yyyymmdd" and "hhmmss" for the long forms, "yymmdd" and "hhnn" otherwise.
QString GroupDatePattern(bool blnLong);
QString GroupTimePattern(bool blnLong);

// The next ISA segment for the partner (advancing Partner.ISA13), ending with
// the partner's segment terminator; empty when the partner has no row or on error.
QString BuildISA(const QString &strPartner);
// The next GS segment for the partner (advancing Partner.GS06); empty when the
// partner has no row or on error.
QString BuildGS(const QString &strPartner, const QString &strFunctionalID, const QString &strVersion);

// ---- Record definitions and export formats ---------------------------------

// Reads a record definition file (".ADO") into an open, empty, disconnected
// record set with one field per line; null on error (reported).
std::shared_ptr<ado::Recordset> OpenRecordsetDefinition(const QString &strPath);
// The same, raising its error instead of reporting it (callers that record
// errors their own way), with `attributes` on every field.
std::shared_ptr<ado::Recordset> ReadRecordsetDefinition(const QString &strPath, long attributes = -1 /* unspecified */);

struct ExportFormat {
    const char *name;      // as the integration window lists it
    const char *extension; // appended after a point to the P_T_V_D file name
    int16_t type;          // the report engine's export format type
};
// The report engine's own types for the two formats that have no type in the
// classic numbering used by the other rows.
constexpr int16_t kExportTypePortableDocument = 31;
constexpr int16_t kExportTypeRecordStyle = 3;

// The 28 export formats, by index (Transactions.ExportFormat).
const std::array<ExportFormat, 28> &ExportFormats();
// Extension and type of an index; outside 0..27: "" and 0.
QString GetExportExtension(int16_t intIndex);
int16_t GetExportFormatType(int16_t intIndex);

} // namespace modGlobal
