// Partner and transaction-set records: delimiters, partner look-up and
// registration, transaction-set registration and control numbers, the
// acknowledgement flag, the Sent marking of a received 997 and the plug-in class.
#include "core/modGlobal.h"
#include "core/modGlobalDetail.h"
#include "core/SetKey.h"

#include "vb/Conversions.h"
#include "vb/Dialogs.h"

namespace modGlobal {

using detail::fieldText;
using detail::openRecordset;
using detail::part;
using ado::SqlEscape;

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Reads one delimiter code of the partner; empty text when the partner has no row.
QString delimiterLookup(const QString &statement, const QString &column, bool zeroIsCrLf)
{
    try {
        auto rs = openRecordset(statement, ado::adOpenStatic, ado::adLockOptimistic);
        if (rs->Eof()) {
            rs->Close();
            return {};
        }
        const int32_t code = vb::CLng(rs->Fields(column).Value());
        rs->Close();
        if (zeroIsCrLf && code == 0)
            return kCrLf;
        return detail::codeToCharacter(code);
    } catch (const std::exception &e) {
        ReportError(e);
        return {};
    }
}

// The rows of `table` (Transactions, Segment or Element) of a set's key.
std::shared_ptr<ado::Recordset> openKeyRows(const QString &table, const core::SetKey &key, const QString &more,
                                            int cursorType, int lockType)
{
    return openRecordset(QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE ") + key.condition(table)
                             + more,
                         key.values(), cursorType, lockType);
}

int32_t characterCode(const QString &character)
{
    if (character.isEmpty())
        vb::raise(5);
    return character.at(0).unicode();
}

} // namespace

QString GetSegmentTerminator(const QString &strPartner)
{
    return delimiterLookup(QStringLiteral("SELECT Partner.Segment")
                               + QStringLiteral(" FROM Partner WHERE Partner.Partner = '")
                               + SqlEscape(strPartner) + QStringLiteral("'"),
                           QStringLiteral("Segment"), true);
}

QString GetElementSeparator(const QString &strPartner)
{
    return delimiterLookup(QStringLiteral("SELECT Partner.Element")
                               + QStringLiteral(" FROM Partner WHERE Partner.Partner = '")
                               + SqlEscape(strPartner) + QStringLiteral("'"),
                           QStringLiteral("element"), false);
}

QString GetSubElementSeparator(const QString &strPartner)
{
    return delimiterLookup(QStringLiteral("SELECT * FROM Partner")
                               + QStringLiteral(" WHERE Partner.Partner = '")
                               + SqlEscape(strPartner) + QStringLiteral("'"),
                           QStringLiteral("sub"), false);
}

QString FindPartnerByISA(const QString &strPartnerID, const QString &strOurID)
{
    try {
        auto rs = openRecordset(QStringLiteral("SELECT * FROM Partner")
                                    + QStringLiteral(" WHERE Partner.ISA06 = '") + SqlEscape(strOurID) + QStringLiteral("'")
                                    + QStringLiteral(" AND Partner.ISA08 = '") + SqlEscape(strPartnerID) + QStringLiteral("'"),
                                ado::adOpenKeyset, ado::adLockOptimistic);
        QString key;
        if (!(rs->Bof() && rs->Eof()))
            key = fieldText(rs->Fields(QStringLiteral("Partner")));
        rs->Close();
        return key;
    } catch (const std::exception &e) {
        ReportError(e);
        return {};
    }
}

QString RegisterPartner(const QString &strISA, const QString &strGS,
                        const QString &strSegmentTerminator, const QString &strElementSeparator,
                        const QString &strSubElementSeparator, const QString &strDirection)
{
    try {
        const bool inbound = strDirection == QLatin1String("I");
        if (!inbound && strDirection != QLatin1String("O"))
            vb::raise(5, QStringLiteral("Invalid direction: ") + strDirection);
        if (strElementSeparator.isEmpty())
            vb::raise(5);
        const QStringList isa = strISA.split(strElementSeparator);
        const QStringList gs = strGS.split(strElementSeparator);

        // Partner's id and application code first, then ours.
        QString key = inbound ? part(isa, 6) + part(gs, 2) + part(isa, 8) + part(gs, 3)
                              : part(isa, 8) + part(gs, 3) + part(isa, 6) + part(gs, 2);
        key = key.trimmed().remove(QLatin1Char(' '));

        auto rs = openRecordset(QStringLiteral("SELECT * FROM Partner"), ado::adOpenDynamic, ado::adLockOptimistic);
        rs->AddNew();
        rs->Fields(QStringLiteral("Partner")) = key;
        rs->Fields(QStringLiteral("Segment")) =
            vb::Variant::fromLong(strSegmentTerminator == kCrLf ? 0 : characterCode(strSegmentTerminator));
        rs->Fields(QStringLiteral("element")) = vb::Variant::fromLong(characterCode(strElementSeparator));
        rs->Fields(QStringLiteral("sub")) = vb::Variant::fromLong(characterCode(strSubElementSeparator));
        for (int n : {1, 2, 3, 4})
            rs->Fields(QStringLiteral("ISA%1").arg(n, 2, 10, QLatin1Char('0'))) = part(isa, n);
        // ISA06 always holds our id and ISA08 the partner's; each qualifier
        // travels with its id, so an inbound file swaps both pairs.
        rs->Fields(QStringLiteral("ISA05")) = part(isa, inbound ? 7 : 5);
        rs->Fields(QStringLiteral("ISA06")) = part(isa, inbound ? 8 : 6);
        rs->Fields(QStringLiteral("ISA07")) = part(isa, inbound ? 5 : 7);
        rs->Fields(QStringLiteral("ISA08")) = part(isa, inbound ? 6 : 8);
        rs->Fields(QStringLiteral("ISA11")) = part(isa, 11);
        rs->Fields(QStringLiteral("ISA12")) = part(isa, 12);
        rs->Fields(QStringLiteral("ISAVersion")) = part(isa, 12) + QStringLiteral("0");
        rs->Fields(QStringLiteral("ISA14")) = part(isa, 14);
        rs->Fields(QStringLiteral("ISA15")) = part(isa, 15);
        rs->Fields(QStringLiteral("GS02")) = part(gs, inbound ? 3 : 2);
        rs->Fields(QStringLiteral("GS03")) = part(gs, inbound ? 2 : 3);
        rs->Fields(QStringLiteral("GS07")) = part(gs, 7);
        rs->Update();
        rs->Close();
        return key;
    } catch (const std::exception &e) {
        ReportError(e);
        return {};
    }
}

bool SetControlNumber(const QString &strPartner, const QString &strTransaction,
                      const QString &strVersion, const QString &strDirection,
                      const QString &strControlNumber)
{
    try {
        auto rs = openKeyRows(QStringLiteral("Transactions"), {strPartner, strTransaction, strVersion, strDirection}, {},
                                ado::adOpenForwardOnly, ado::adLockOptimistic);
        if (rs->Bof() && rs->Eof()) {
            rs->Close();
            return false;
        }
        // Stored as given; the field converts the text to its number type and
        // refuses text that is no number.
        rs->Fields(QStringLiteral("ControlNumber")) = strControlNumber;
        rs->Update();
        rs->Close();
        return true;
    } catch (const std::exception &e) {
        ReportError(e);
        return false;
    }
}

bool RegisterTransaction(const QString &strPartner, const QString &strTransaction,
                         const QString &strGroup, const QString &strVersion,
                         const QString &strDirection)
{
    try {
        QString description;
        {
            auto rs = openRecordset(QStringLiteral("SELECT * FROM Standard")
                                        + QStringLiteral(" WHERE Transaction = '") + SqlEscape(strTransaction) + QStringLiteral("'"),
                                    ado::adOpenKeyset, ado::adLockOptimistic);
            rs->MoveFirst();
            description = fieldText(rs->Fields(QStringLiteral("Description")));
            rs->Close();
        }
        {
            auto rs = openKeyRows(QStringLiteral("Transactions"), {strPartner, strTransaction, strVersion, strDirection}, {},
                                  ado::adOpenKeyset, ado::adLockOptimistic);
            rs->AddNew();
            rs->Fields(QStringLiteral("Partner")) = strPartner;
            rs->Fields(QStringLiteral("Transaction")) = strTransaction;
            rs->Fields(QStringLiteral("Description")) = description;
            rs->Fields(QStringLiteral("Group")) = strGroup;
            rs->Fields(QStringLiteral("Version")) = strVersion;
            rs->Fields(QStringLiteral("Versionoverride")) = strVersion;
            rs->Fields(QStringLiteral("Direction")) = strDirection;
            rs->Update();
            rs->Close();
        }
        {
            auto rs = openRecordset(QStringLiteral("SELECT * FROM Segment")
                                        + QStringLiteral(" WHERE Segment.Partner = '") + SqlEscape(strPartner) + QStringLiteral("'")
                                        + QStringLiteral(" AND Segment.Version = '") + SqlEscape(strVersion) + QStringLiteral("'")
                                        + QStringLiteral(" AND Segment.Transaction = '") + SqlEscape(strTransaction) + QStringLiteral("'"),
                                    ado::adOpenDynamic, ado::adLockOptimistic);
            rs->AddNew();
            rs->Fields(QStringLiteral("Partner")) = strPartner;
            rs->Fields(QStringLiteral("Version")) = strVersion;
            rs->Fields(QStringLiteral("Transaction")) = strTransaction;
            rs->Fields(QStringLiteral("Segment")) = QStringLiteral("XX");
            rs->Fields(QStringLiteral("SegmentIndex")) = vb::Variant(int16_t(1));
            rs->Fields(QStringLiteral("Node")) = vb::Variant(int16_t(1));
            rs->Fields(QStringLiteral("Direction")) = strDirection;
            rs->Update();
            rs->Close();
        }
        {
            auto rs = openKeyRows(QStringLiteral("Element"), {strPartner, strTransaction, strVersion, strDirection},
                                  QStringLiteral(" AND Element.SegmentIndex = 1"), ado::adOpenDynamic,
                                  ado::adLockOptimistic);
            rs->AddNew();
            rs->Fields(QStringLiteral("Partner")) = strPartner;
            rs->Fields(QStringLiteral("Version")) = strVersion;
            rs->Fields(QStringLiteral("Transaction")) = strTransaction;
            rs->Fields(QStringLiteral("Segment")) = QStringLiteral("XX");
            rs->Fields(QStringLiteral("ElementIndex")) = vb::Variant(int16_t(1));
            rs->Fields(QStringLiteral("SegmentIndex")) = vb::Variant(int16_t(1));
            rs->Fields(QStringLiteral("Direction")) = strDirection;
            rs->Update();
            rs->Close();
        }
        return true;
    } catch (const std::exception &e) {
        ReportError(e);
        return false;
    }
}

bool IsAcknowledgeRequired(const QString &strPartner, const QString &strTransaction,
                           const QString &strVersion, const QString &strDirection)
{
    try {
        auto rs = openKeyRows(QStringLiteral("Transactions"), {strPartner, strTransaction, strVersion, strDirection}, {},
                                ado::adOpenKeyset, ado::adLockOptimistic);
        const vb::Variant flag = rs->Fields(QStringLiteral("Acknowledge")).Value();
        rs->Close();
        // Anything but a stored true (unset included) means no acknowledgement.
        return !flag.isNull() && !flag.isEmpty() && vb::CBool(flag);
    } catch (const std::exception &e) {
        ReportError(e);
        return false;
    }
}

bool MarkSentAcknowledged(const QString &strPartner, const QString &strTransactionSet,
                          const QString &strSegmentTerminator, const QString &strElementSeparator)
{
    try {
        if (strSegmentTerminator.isEmpty() || strElementSeparator.isEmpty())
            vb::raise(5);
        // The group answered is named by the AK1 segment; a segment that
        // stood before the 997's ST is stored at the front of its text.
        const QStringList segments = strTransactionSet.split(strSegmentTerminator);
        QString groupNumber;
        bool found = false;
        for (const QString &segment : segments) {
            const QStringList elements = segment.split(strElementSeparator);
            if (elements.front() == QLatin1String("AK1")) {
                groupNumber = part(elements, 2);
                found = true;
                break;
            }
        }
        // A 997 without AK1 names no group: refused like one without AK102.
        if (!found)
            vb::raise(9);

        // The group number is matched by value in code: a partner may answer
        // group "000000123" with "123", which no text comparison would match.
        auto rs = openRecordset(QStringLiteral("SELECT * FROM Sent")
                                    + QStringLiteral(" WHERE Partner = '") + SqlEscape(strPartner) + QStringLiteral("'"),
                                ado::adOpenKeyset, ado::adLockOptimistic);
        while (!rs->Eof()) {
            if (detail::sameControlNumber(fieldText(rs->Fields(QStringLiteral("GroupControlNumber"))), groupNumber)
                && fieldText(rs->Fields(QStringLiteral("Acknowledged"))) != QLatin1String("Void")) {
                rs->Fields(QStringLiteral("Acknowledged")) = QStringLiteral("Yes");
                rs->Update();
            }
            rs->MoveNext();
        }
        rs->Close();

        MainWindowLink &link = mainWindowLink();
        if (link.RefreshBox)
            link.RefreshBox(QStringLiteral("Sent"));
        return true;
    } catch (const std::exception &e) {
        ReportError(e);
        return false;
    }
}

QString TakeControlNumber(const QString &strPartner, const QString &strTransaction,
                          const QString &strVersion, const QString &strDirection)
{
    try {
        auto rs = openKeyRows(QStringLiteral("Transactions"), {strPartner, strTransaction, strVersion, strDirection}, {},
                                ado::adOpenForwardOnly, ado::adLockOptimistic);
        // A counter never used yet (0, or empty) starts the range at 1.
        const vb::Variant stored = rs->Fields(QStringLiteral("ControlNumber")).Value();
        int32_t number = stored.isNull() || stored.isEmpty() ? 0 : vb::CLng(stored);
        if (number < 1)
            number = 1;
        int64_t next = int64_t(number) + 1;
        if (next > 999999999)
            next = 1;
        rs->Fields(QStringLiteral("ControlNumber")) = vb::Variant::fromLong(static_cast<int32_t>(next));
        rs->Update();
        rs->Close();
        return QString::number(number);
    } catch (const std::exception &e) {
        ReportError(e);
        return {};
    }
}

QString GetActiveXClass(const QString &strPartner, const QString &strTransaction,
                        const QString &strVersion, const QString &strDirection, bool blnAnnounce)
{
    try {
        QString progId;
        auto rs = openKeyRows(QStringLiteral("Transactions"), {strPartner, strTransaction, strVersion, strDirection}, {},
                                ado::adOpenForwardOnly, ado::adLockOptimistic);
        // An unset column means no plug-in, like an empty one.
        if (!rs->Eof())
            progId = fieldText(rs->Fields(QStringLiteral("ActiveX")));
        rs->Close();
        if (progId.isEmpty() && blnAnnounce) {
            vb::MsgBox(QStringLiteral("ActiveX Not Found!") + kCrLf + kCrLf + strPartner + QStringLiteral("_")
                           + strTransaction + QStringLiteral("_") + strVersion + QStringLiteral("_") + strDirection
                           + QStringLiteral(".DLL"),
                       vb::vbInformation, AppTitle());
        }
        return progId;
    } catch (const std::exception &e) {
        ReportError(e);
        return {};
    }
}

} // namespace modGlobal
