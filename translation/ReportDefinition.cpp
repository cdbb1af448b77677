#include "translation/ReportDefinition.h"

#include "ado/Sql.h"

#include "core/SetFileName.h"
#include "core/modGlobal.h"

#include "report/DefaultReport.h"
#include "report/ReportFile.h"

#include "vb/AppInfo.h"
#include "vb/Settings.h"
#include "vb/VbError.h"

#include <QFile>
#include <QFileInfo>

#include <optional>

using namespace Qt::StringLiterals;

namespace translation {

std::vector<report::FieldDef> ReportFields(const std::vector<RecordField> &fields)
{
    std::vector<report::FieldDef> out;
    for (const RecordField &f : fields) {
        if (!f.typed)
            continue;
        // Numeric fields are described by their size alone, as the map's Maximum.
        out.push_back({f.name, f.type, f.definedSize, 0, 0});
    }
    return out;
}

report::Report DefaultMapReport(const MapKey &key, const std::vector<report::FieldDef> &fields)
{
    const QString title = key.partner + u"_"_s + key.transaction + u"_"_s + key.version;
    report::Report r = report::defaultReport(fields, title);
    report::Section &first = r.section(report::SectionKind::ReportHeader);
    report::ReportObject heading;
    heading.kind = report::ObjectKind::Text;
    heading.name = u"Title"_s;
    heading.text = title;
    heading.left = 0; heading.top = 0; heading.width = 8500; heading.height = 400;
    heading.font.size = 18;
    heading.font.bold = true;
    heading.color = report::fromOleColor(0x808000);
    report::addToSection(first, heading);
    report::ReportObject direction = heading;
    direction.name = u"Direction"_s;
    direction.text = key.direction == u"O"_s ? u"Outbound"_s : u"Inbound"_s;
    direction.top = 400;
    direction.borderStyle = 1;
    direction.borderColor = report::fromOleColor(0x100080);
    report::addToSection(first, direction);
    report::ReportObject date;
    date.kind = report::ObjectKind::Special;
    date.name = u"PrintDate"_s;
    date.special = report::specialKindFromEngineCode(5);
    date.left = 0; date.top = 900; date.width = 1800; date.height = 240;
    report::addToSection(first, date);
    report::ReportObject page = date;
    page.name = u"PageNofM"_s;
    page.special = report::specialKindFromEngineCode(17);
    page.left = 2000; page.width = 2880;
    report::addToSection(first, page);
    first.height += 240;
    return r;
}

namespace {

// The report at `path` when it is the default report of the map over its own
// fields, byte for byte; nullopt for a report the user changed (or none).
std::optional<report::Report> untouchedDefault(const MapKey &key, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    report::Report current;
    try {
        current = report::loadReport(path);
    } catch (const std::exception &) {
        return std::nullopt; // not ours to replace
    }
    if (bytes != report::reportToJson(DefaultMapReport(key, current.fields)))
        return std::nullopt;
    return current;
}

} // namespace

bool IsUntouchedDefaultReport(const MapKey &key, const QString &path, const std::vector<report::FieldDef> &fields)
{
    const std::optional<report::Report> current = untouchedDefault(key, path);
    // Fields that did not change leave nothing to follow.
    return current && current->fields != fields;
}

bool RetitleDefaultReport(const MapKey &from, const MapKey &to, const QString &path)
{
    const std::optional<report::Report> current = untouchedDefault(from, path);
    if (!current)
        return false;
    report::saveReport(DefaultMapReport(to, current->fields), path);
    return true;
}

QString GuidelineStatement(const QString &partner, const QString &version, const QString &transaction)
{
    return u"SELECT Transactions.Partner As Partner, Transactions.Version As Version, Transactions.Transaction As Transactions,"
           " Transactions.Description As Description, Segment.Segment As Segment, Segment.SegmentName As SegmentName,"
           " Element.SegmentIndex As SegmentIndex, Segment.SegmentUsage As SegmentUsage,"
           " Segment.MaxUsageLoop As MaxUsageLoop, Segment.Level As SegmentLevel,"
           " Segment.Looping As Looping, Segment.Node As Node,"
           " Element.ElementName As ElementName, Element.ElementIndex As ElementIndex,"
           " Element.Reference As Reference, Element.ElementUsage As ElementUsage,"
           " Element.Type As Type, Element.Minimum As Minimum, Element.Maximum As Maximum, Element.Exclude As Exclude"
           " FROM (Transactions INNER JOIN Segment ON (Transactions.Partner = Segment.Partner) AND (Transactions.Version = Segment.Version)"
           " AND (Transactions.Transaction = Segment.Transaction) AND (Transactions.Direction = Segment.Direction))"
           " INNER JOIN Element ON (Segment.Partner = Element.Partner) AND (Segment.Version = Element.Version)"
           " AND (Segment.Transaction = Element.Transaction) AND (Segment.Segment = Element.Segment)"
           " AND (Segment.SegmentIndex = Element.SegmentIndex) AND (Segment.Direction = Element.Direction)"
           " WHERE Element.Exclude = False AND Segment.Partner = "_s
        + ado::SqlText(partner) + u" AND Segment.Version = "_s + ado::SqlText(version)
        + u" AND Segment.Transaction = "_s + ado::SqlText(transaction);
}

report::Report GuidelineReport()
{
    using report::Align;
    report::Report r;
    r.title = u"Guideline"_s;
    r.page.width = 15840; // landscape: the element line is long
    r.page.height = 12240;
    struct Column { const char *field; const char *heading; int type; long size; int width; Align align; };
    const Column columns[] = {
        {"Segment", "Segment", 200, 3, 960, Align::Left},
        {"SegmentIndex", "Pos", 2, 2, 480, Align::Right},
        {"SegmentName", "Segment Name", 200, 40, 2280, Align::Left},
        {"SegmentUsage", "Usage", 200, 1, 720, Align::Left},
        {"MaxUsageLoop", "Max Use", 3, 4, 840, Align::Right},
        {"SegmentLevel", "Level", 200, 8, 720, Align::Left},
        {"Looping", "Loop", 11, 2, 600, Align::Left},
        {"Node", "Node", 2, 2, 600, Align::Right},
        {"ElementIndex", "Element", 2, 2, 840, Align::Right},
        {"ElementName", "Element Name", 200, 60, 2640, Align::Left},
        {"Reference", "Ref", 3, 4, 600, Align::Right},
        {"ElementUsage", "Usage", 200, 1, 720, Align::Left},
        {"Type", "Type", 200, 2, 600, Align::Left},
        {"Minimum", "Min", 3, 4, 480, Align::Right},
        {"Maximum", "Max", 3, 4, 480, Align::Right},
    };
    auto object = [](report::ObjectKind kind, const QString &name, int left, int top, int width) {
        report::ReportObject o;
        o.kind = kind;
        o.name = name;
        o.left = left; o.top = top; o.width = width; o.height = 240;
        return o;
    };
    report::ReportObject title = object(report::ObjectKind::Text, u"Title"_s, 0, 0, 8500);
    title.text = u"Guideline"_s;
    title.height = 400;
    title.font.size = 18;
    title.font.bold = true;
    title.color = report::fromOleColor(0x808000);
    report::addToSection(r.section(report::SectionKind::ReportHeader), title);
    r.section(report::SectionKind::ReportHeader).height += 120;

    // The map the page belongs to, then the column headings.
    report::Section &heads = r.section(report::SectionKind::PageHeader);
    // Side by side within the printable width (the page less its margins),
    // each label as wide as its bold text.
    const struct { const char *field; const char *label; int left; int labelWidth; int width; } keys[] = {
        {"Partner", "Partner:", 0, 960, 2400}, {"Transactions", "Transaction Set:", 3600, 1680, 720},
        {"Version", "Version:", 6240, 960, 960}, {"Description", "", 8400, 0, 6000}};
    for (const auto &k : keys) {
        if (*k.label) {
            report::ReportObject label = object(report::ObjectKind::Text, QString::fromLatin1(k.field) + u"Label"_s,
                                                k.left, 0, k.labelWidth);
            label.text = QString::fromLatin1(k.label);
            label.font.bold = true;
            report::addToSection(heads, label);
        }
        report::ReportObject value = object(report::ObjectKind::Field, QString::fromLatin1(k.field),
                                            k.left + k.labelWidth, 0, k.width);
        value.field = QString::fromLatin1(k.field);
        report::addToSection(heads, value);
    }
    for (const char *f : {"Partner", "Version", "Transactions", "Description"})
        r.fields.push_back({QString::fromLatin1(f), 200, 255, 0, 0});
    report::Section &detail = r.section(report::SectionKind::Detail);
    int x = 0;
    for (const Column &c : columns) {
        report::ReportObject heading = object(report::ObjectKind::Text, QString::fromLatin1(c.field) + u"Heading"_s,
                                              x, 360, c.width);
        heading.text = QString::fromLatin1(c.heading);
        heading.font.bold = true;
        heading.align = c.align;
        report::addToSection(heads, heading);
        report::ReportObject value = object(report::ObjectKind::Field, QString::fromLatin1(c.field), x, 0, c.width);
        value.field = QString::fromLatin1(c.field);
        value.align = c.align;
        if (QLatin1String(c.field) == "ElementIndex")
            value.format = u"00"_s;
        report::addToSection(detail, value);
        r.fields.push_back({QString::fromLatin1(c.field), c.type, c.size, 0, 0});
        x += c.width + 60;
    }
    r.fields.push_back({u"Exclude"_s, 11, 2, 0, 0});
    heads.height += 120;
    report::Section &footer = r.section(report::SectionKind::PageFooter);
    report::ReportObject date = object(report::ObjectKind::Special, u"PrintDate"_s, 0, 0, 1800);
    date.special = report::SpecialKind::PrintDate;
    report::addToSection(footer, date);
    report::ReportObject page = object(report::ObjectKind::Special, u"PageNofM"_s, 10800, 0, 3600);
    page.special = report::SpecialKind::PageNofM;
    page.align = Align::Right;
    report::addToSection(footer, page);
    return r;
}

QString ReportDefinitionPath(const MapKey &key, const QString &extension)
{
    const QString folder = vb::GetSetting(u"Corvantis"_s, u"Folders"_s, u"Reports"_s, vb::AppInfo::path());
    return modGlobal::SetFilePath(folder, key.partner, key.transaction, key.version, key.direction, extension);
}

void CreateReportDefinition(const MapKey &key, const std::vector<RecordField> &layout)
{
    try {
        const std::vector<report::FieldDef> fields = ReportFields(layout);
        report::writeFieldDefinitionFile(fields, ReportDefinitionPath(key, u"ttx"_s));
        const QFileInfo rpt(ReportDefinitionPath(key, u"rpt"_s));
        // A report the user copied in under another letter case is still theirs.
        const QString existing = report::findReportFile(rpt.absolutePath(), rpt.fileName());
        if (!existing.isEmpty()) {
            // The default report follows the map until the user changes it:
            // the first save of a new map has no elements yet, and a report
            // made then would never show a field.
            if (!IsUntouchedDefaultReport(key, existing, fields))
                return;
            report::saveReport(DefaultMapReport(key, fields), existing);
            return;
        }
        report::saveReport(DefaultMapReport(key, fields), rpt.filePath());
    } catch (const vb::VbError &e) {
        modGlobal::ReportError(e);
    } catch (const std::exception &e) {
        modGlobal::ReportError(e);
    }
}

void CreateReportDefinition(const MapKey &key)
{
    try {
        CreateReportDefinition(key, RecordLayout(key));
    } catch (const vb::VbError &e) {
        modGlobal::ReportError(e);
    } catch (const std::exception &e) {
        modGlobal::ReportError(e);
    }
}

} // namespace translation
