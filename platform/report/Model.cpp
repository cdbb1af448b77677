#include "report/Model.h"

#include "vb/Format.h"
#include "vb/VbError.h"

namespace report {

SpecialKind specialKindFromEngineCode(int code)
{
    switch (code) {
    case 5: return SpecialKind::PrintDate;
    case 17: return SpecialKind::PageNofM;
    default: break;
    }
    vb::raise(5, QStringLiteral("Unknown special field kind %1").arg(code));
}

bool Report::operator==(const Report &other) const
{
    if (title != other.title || page != other.page || fields != other.fields || sections != other.sections)
        return false;
    if (savedData.has_value() != other.savedData.has_value())
        return false;
    if (!savedData)
        return true;
    if (savedData->fields != other.savedData->fields || savedData->rows.size() != other.savedData->rows.size())
        return false;
    for (size_t r = 0; r < savedData->rows.size(); ++r) {
        const auto &a = savedData->rows[r];
        const auto &b = other.savedData->rows[r];
        if (a.size() != b.size())
            return false;
        for (size_t c = 0; c < a.size(); ++c) {
            if (a[c].type() != b[c].type() || !a[c].sameAs(b[c]))
                return false;
        }
    }
    return true;
}

QColor fromOleColor(long bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

bool isNumericType(int t)
{
    switch (t) {
    case 2: case 3: case 4: case 5: case 6: case 14: case 16: case 17: case 18: case 19: case 20: case 131:
        return true;
    default:
        return false;
    }
}

bool isDateType(int t) { return t == 7 || t == 133 || t == 134 || t == 135; }
bool isBooleanType(int t) { return t == 11; }
bool isCurrencyType(int t) { return t == 6; }

QString displayText(const vb::Variant &value, const QString &format)
{
    if (value.isNull() || value.isEmpty())
        return {};
    if (!format.isEmpty())
        return vb::Format(value, format);
    return value.toString();
}

QString sectionKindName(SectionKind kind)
{
    static const char *names[] = {"ReportHeader", "PageHeader", "Detail", "PageFooter", "ReportFooter"};
    return QString::fromLatin1(names[static_cast<int>(kind)]);
}

QString specialKindName(SpecialKind kind)
{
    static const char *names[] = {"PrintDate", "PrintTime", "PageNumber", "PageCount", "PageNofM",
                                  "RecordNumber", "ReportTitle"};
    return QString::fromLatin1(names[static_cast<int>(kind)]);
}

} // namespace report
