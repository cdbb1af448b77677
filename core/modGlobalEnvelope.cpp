// Envelope builders: the ISA and GS headers of an outgoing interchange for one
// partner, from the values kept on its Partner row, advancing its counters.
#include "core/modGlobal.h"
#include "core/modGlobalDetail.h"

#include "vb/Clock.h"
#include "vb/Conversions.h"
#include "vb/Format.h"

namespace modGlobal {

using detail::fieldText;
using detail::openRecordset;

namespace {

constexpr int64_t kLastControlNumber = 999999999;

// Advances a control-number column and stores it; returns the new number.
// A counter never set yet (a partner registered by the loader) counts as 0.
int32_t advanceCounter(ado::Recordset &rs, const QString &column)
{
    const vb::Variant stored = rs.Fields(column).Value();
    int64_t next = (stored.isNull() || stored.isEmpty() || (stored.type() == vb::VarType::String && stored.toString().trimmed().isEmpty()))
        ? 1
        : int64_t(vb::CLng(stored)) + 1;
    if (next > kLastControlNumber)
        next = 1;
    rs.Fields(column) = vb::Variant::fromLong(static_cast<int32_t>(next));
    rs.Update();
    return static_cast<int32_t>(next);
}

QString partnerStatement(const QString &strPartner)
{
    return QStringLiteral("SELECT * FROM Partner")
        + QStringLiteral(" WHERE Partner.Partner = '") + ado::SqlEscape(strPartner) + QStringLiteral("'");
}

bool usesLongGroupDateOrRaise(const QString &strVersion)
{
    const std::optional<bool> longForms = UsesLongGroupDate(strVersion);
    if (!longForms)
        vb::raise(13, QStringLiteral("Invalid version: ") + strVersion);
    return *longForms;
}

} // namespace

std::optional<bool> UsesLongGroupDate(const QString &strVersion)
{
    // The third character carries the version digit: 004010 and later need
    // the eight-digit group date.
    if (strVersion.size() < 3 || strVersion.at(2).unicode() > 127 || !strVersion.at(2).isDigit())
        return std::nullopt;
    return strVersion.at(2).digitValue() >= 4;
}

QString GroupDatePattern(bool blnLong)
{
    return blnLong ? QStringLiteral("yyyymmdd") : QStringLiteral("yymmdd");
}

QString GroupTimePattern(bool blnLong)
{
    return blnLong ? QStringLiteral("hhmmss") : QStringLiteral("hhnn");
}

QString BuildISA(const QString &strPartner)
{
    try {
        const QString t = GetSegmentTerminator(strPartner);
        const QString e = GetElementSeparator(strPartner);
        const QString s = GetSubElementSeparator(strPartner);

        auto rs = openRecordset(partnerStatement(strPartner), ado::adOpenKeyset, ado::adLockOptimistic);
        if (rs->Eof()) {
            rs->Close();
            return {};
        }
        // A look-up that failed has reported already; an envelope without its
        // delimiters would only be refused by the partner.
        if (t.isEmpty() || e.isEmpty() || s.isEmpty()) {
            rs->Close();
            return {};
        }
        const int32_t controlNumber = advanceCounter(*rs, QStringLiteral("ISA13"));
        const vb::Variant now = vb::Now();

        auto col = [&](const char *name) { return fieldText(rs->Fields(QString::fromLatin1(name))); };
        const QString isa = QStringLiteral("ISA") + e + col("ISA01") + e + col("ISA02") + e + col("ISA03") + e
            + col("ISA04") + e + col("ISA05") + e + col("ISA06") + e + col("ISA07") + e + col("ISA08") + e
            + vb::Format(now, QStringLiteral("yymmdd")) + e + vb::Format(now, QStringLiteral("hhnn")) + e
            + col("ISA11") + e + col("ISA12") + e
            + vb::Format(vb::Variant::fromLong(controlNumber), QStringLiteral("000000000")) + e
            + col("ISA14") + e + col("ISA15") + e + s + t;
        rs->Close();
        return isa;
    } catch (const std::exception &e) {
        ReportError(e);
        return {};
    }
}

QString BuildGS(const QString &strPartner, const QString &strFunctionalID, const QString &strVersion)
{
    try {
        const QString t = GetSegmentTerminator(strPartner);
        const QString e = GetElementSeparator(strPartner);

        auto rs = openRecordset(partnerStatement(strPartner), ado::adOpenKeyset, ado::adLockOptimistic);
        if (rs->Eof()) {
            rs->Close();
            return {};
        }
        if (t.isEmpty() || e.isEmpty()) {
            rs->Close();
            return {};
        }
        // Checked before the counter moves, so a bad version costs no number.
        const bool longForms = usesLongGroupDateOrRaise(strVersion);
        const int32_t controlNumber = advanceCounter(*rs, QStringLiteral("GS06"));
        const vb::Variant now = vb::Now();

        auto col = [&](const char *name) { return fieldText(rs->Fields(QString::fromLatin1(name))); };
        const QString gs = QStringLiteral("GS") + e + strFunctionalID + e + col("GS02") + e + col("GS03") + e
            + vb::Format(now, GroupDatePattern(longForms)) + e
            + vb::Format(now, GroupTimePattern(longForms)) + e
            + vb::Format(vb::Variant::fromLong(controlNumber), QStringLiteral("000000000")) + e
            + col("GS07") + e + strVersion + t;
        rs->Close();
        return gs;
    } catch (const std::exception &e) {
        ReportError(e);
        return {};
    }
}

} // namespace modGlobal
