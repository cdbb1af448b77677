#include "report/ReportFile.h"

#include "vb/AtomicFile.h"
#include "vb/DateTime.h"
#include "vb/TextFile.h"
#include "vb/VbError.h"
#include "ado/Recordset.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace report {

namespace {

const char *kFormatName = "Corvantis report";
constexpr int kFormatVersion = 1;

[[noreturn]] void fileError(const QString &path, const QString &why)
{
    vb::raise(ErrReportFile, QStringLiteral("Report file %1: %2").arg(path, why), QStringLiteral("Report"));
}

QString alignName(Align a)
{
    switch (a) {
    case Align::Center: return QStringLiteral("center");
    case Align::Right: return QStringLiteral("right");
    default: return QStringLiteral("left");
    }
}

QString kindName(ObjectKind k)
{
    switch (k) {
    case ObjectKind::Field: return QStringLiteral("field");
    case ObjectKind::Special: return QStringLiteral("special");
    default: return QStringLiteral("text");
    }
}

QJsonObject fieldToJson(const FieldDef &f)
{
    return QJsonObject{{"name", f.name}, {"type", f.type}, {"size", double(f.size)},
                       {"precision", f.precision}, {"scale", f.scale}};
}

QJsonValue valueToJson(const vb::Variant &v, const FieldDef &f)
{
    if (v.isNull() || v.isEmpty())
        return QJsonValue::Null;
    if (isBooleanType(f.type))
        return v.toBool();
    if (isNumericType(f.type))
        return v.toDouble();
    if (isDateType(f.type))
        return vb::oleToQDateTime(v.toDate()).toString(Qt::ISODate);
    return v.toString();
}

vb::Variant valueFromJson(const QJsonValue &j, const FieldDef &f, const QString &path)
{
    if (j.isNull())
        return vb::Variant::null();
    vb::Variant v;
    if (isDateType(f.type)) {
        const QDateTime at = QDateTime::fromString(j.toString(), Qt::ISODate);
        if (!at.isValid())
            fileError(path, QStringLiteral("the date \"%1\" of field %2 cannot be read").arg(j.toString(), f.name));
        v = vb::Variant::fromDate(vb::toOleDate(at));
    } else if (j.isBool()) {
        v = vb::Variant(j.toBool());
    } else if (j.isDouble()) {
        v = vb::Variant(j.toDouble());
    } else if (j.isString()) {
        v = vb::Variant(j.toString());
    } else {
        fileError(path, QStringLiteral("a value of field %1 cannot be read").arg(f.name));
    }
    try {
        return ado::convertToFieldType(v, f.type, f.size, f.precision, f.scale, true);
    } catch (const vb::VbError &) {
        fileError(path, QStringLiteral("a value of field %1 does not fit the field").arg(f.name));
    }
}

QJsonObject objectToJson(const ReportObject &o)
{
    QJsonObject j{{"kind", kindName(o.kind)}, {"name", o.name},
                  {"left", o.left}, {"top", o.top}, {"width", o.width}, {"height", o.height},
                  {"font", QJsonObject{{"family", o.font.family}, {"size", o.font.size},
                                       {"bold", o.font.bold}, {"italic", o.font.italic},
                                       {"underline", o.font.underline}}},
                  {"color", o.color.name()}, {"align", alignName(o.align)}};
    if (o.borderStyle != 0) {
        j["borderStyle"] = o.borderStyle;
        j["borderColor"] = o.borderColor.name();
    }
    switch (o.kind) {
    case ObjectKind::Text: j["text"] = o.text; break;
    case ObjectKind::Field:
        j["field"] = o.field;
        if (!o.format.isEmpty())
            j["format"] = o.format;
        break;
    case ObjectKind::Special: j["special"] = specialKindName(o.special); break;
    }
    return j;
}

int intOf(const QJsonObject &j, const char *key, const QString &path, int fallback = 0)
{
    const QJsonValue v = j.value(QLatin1String(key));
    if (v.isUndefined())
        return fallback;
    if (!v.isDouble())
        fileError(path, QStringLiteral("\"%1\" is not a number").arg(QLatin1String(key)));
    return v.toInt();
}

QColor colorOf(const QJsonObject &j, const char *key, const QString &path)
{
    const QJsonValue v = j.value(QLatin1String(key));
    if (v.isUndefined())
        return Qt::black;
    QColor c = QColor::fromString(v.toString());
    if (!c.isValid())
        fileError(path, QStringLiteral("\"%1\" is not a colour").arg(v.toString()));
    return c;
}

ReportObject objectFromJson(const QJsonObject &j, const QString &path)
{
    ReportObject o;
    const QString kind = j.value("kind").toString();
    if (kind == "text")
        o.kind = ObjectKind::Text;
    else if (kind == "field")
        o.kind = ObjectKind::Field;
    else if (kind == "special")
        o.kind = ObjectKind::Special;
    else
        fileError(path, QStringLiteral("unknown object kind \"%1\"").arg(kind));
    o.name = j.value("name").toString();
    o.left = intOf(j, "left", path);
    o.top = intOf(j, "top", path);
    o.width = intOf(j, "width", path);
    o.height = intOf(j, "height", path);
    if (o.width < 0 || o.height < 0)
        fileError(path, QStringLiteral("object %1 has a negative size").arg(o.name));
    const QJsonObject font = j.value("font").toObject();
    if (font.contains("family"))
        o.font.family = font.value("family").toString();
    if (font.contains("size"))
        o.font.size = font.value("size").toDouble();
    if (o.font.size <= 0 || o.font.size > 1000)
        fileError(path, QStringLiteral("object %1 has a font size out of range").arg(o.name));
    o.font.bold = font.value("bold").toBool();
    o.font.italic = font.value("italic").toBool();
    o.font.underline = font.value("underline").toBool();
    o.color = colorOf(j, "color", path);
    const QString align = j.value("align").toString(QStringLiteral("left"));
    o.align = align == "center" ? Align::Center : align == "right" ? Align::Right : Align::Left;
    o.borderStyle = intOf(j, "borderStyle", path);
    o.borderColor = colorOf(j, "borderColor", path);
    o.text = j.value("text").toString();
    o.field = j.value("field").toString();
    o.format = j.value("format").toString();
    if (o.kind == ObjectKind::Special) {
        const QString special = j.value("special").toString();
        bool found = false;
        for (int k = 0; k <= static_cast<int>(SpecialKind::ReportTitle); ++k) {
            if (specialKindName(SpecialKind(k)) == special) {
                o.special = SpecialKind(k);
                found = true;
            }
        }
        if (!found)
            fileError(path, QStringLiteral("unknown special field \"%1\"").arg(special));
    }
    return o;
}

FieldDef fieldFromJson(const QJsonObject &j, const QString &path)
{
    FieldDef f;
    f.name = j.value("name").toString();
    if (f.name.isEmpty())
        fileError(path, QStringLiteral("a field has no name"));
    f.type = intOf(j, "type", path, 200);
    f.size = intOf(j, "size", path);
    f.precision = intOf(j, "precision", path);
    f.scale = intOf(j, "scale", path);
    return f;
}

} // namespace

void writeFileAtomically(const QString &path, const std::function<void(QIODevice &)> &write, int errorNumber)
{
    vb::writeFileAtomically(path, write, errorNumber, QStringLiteral("Report"));
}

QByteArray reportToJson(const Report &report)
{
    QJsonObject root{{"format", QLatin1String(kFormatName)}, {"version", kFormatVersion}, {"title", report.title}};
    root["page"] = QJsonObject{{"width", report.page.width}, {"height", report.page.height},
                               {"marginLeft", report.page.marginLeft}, {"marginTop", report.page.marginTop},
                               {"marginRight", report.page.marginRight},
                               {"marginBottom", report.page.marginBottom}};
    QJsonArray fields;
    for (const FieldDef &f : report.fields)
        fields.append(fieldToJson(f));
    root["fields"] = fields;
    QJsonArray sections;
    for (int s = 0; s < SectionCount; ++s) {
        QJsonArray objects;
        for (const ReportObject &o : report.sections[s].objects)
            objects.append(objectToJson(o));
        sections.append(QJsonObject{{"kind", sectionKindName(SectionKind(s))},
                                    {"height", report.sections[s].height},
                                    {"objects", objects}});
    }
    root["sections"] = sections;
    if (report.savedData) {
        QJsonArray dataFields, rows;
        for (const FieldDef &f : report.savedData->fields)
            dataFields.append(fieldToJson(f));
        for (const auto &row : report.savedData->rows) {
            QJsonArray r;
            for (size_t c = 0; c < report.savedData->fields.size(); ++c)
                r.append(valueToJson(c < row.size() ? row[c] : vb::Variant::null(), report.savedData->fields[c]));
            rows.append(r);
        }
        root["data"] = QJsonObject{{"fields", dataFields}, {"rows", rows}};
    }
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

Report reportFromJson(const QByteArray &json, const QString &path)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (doc.isNull())
        fileError(path, QStringLiteral("not a report file (%1 at offset %2)").arg(error.errorString()).arg(error.offset));
    const QJsonObject root = doc.object();
    if (root.value("format").toString() != QLatin1String(kFormatName))
        fileError(path, QStringLiteral("not a report file"));
    if (root.value("version").toInt() != kFormatVersion)
        fileError(path, QStringLiteral("report file version %1 is not supported").arg(root.value("version").toInt()));
    Report report;
    report.title = root.value("title").toString();
    const QJsonObject page = root.value("page").toObject();
    report.page.width = intOf(page, "width", path, report.page.width);
    report.page.height = intOf(page, "height", path, report.page.height);
    report.page.marginLeft = intOf(page, "marginLeft", path, report.page.marginLeft);
    report.page.marginTop = intOf(page, "marginTop", path, report.page.marginTop);
    report.page.marginRight = intOf(page, "marginRight", path, report.page.marginRight);
    report.page.marginBottom = intOf(page, "marginBottom", path, report.page.marginBottom);
    const PageSetup &p = report.page;
    if (p.width < 1440 || p.height < 1440 || p.width > 1440 * 200 || p.height > 1440 * 200 || p.marginLeft < 0
        || p.marginTop < 0 || p.marginRight < 0 || p.marginBottom < 0
        || p.marginLeft + p.marginRight >= p.width || p.marginTop + p.marginBottom >= p.height)
        fileError(path, QStringLiteral("the page size or margins are out of range"));
    for (const QJsonValue &f : root.value("fields").toArray())
        report.fields.push_back(fieldFromJson(f.toObject(), path));
    const QJsonArray sections = root.value("sections").toArray();
    for (const QJsonValue &sv : sections) {
        const QJsonObject s = sv.toObject();
        int index = -1;
        for (int k = 0; k < SectionCount; ++k) {
            if (sectionKindName(SectionKind(k)) == s.value("kind").toString())
                index = k;
        }
        if (index < 0)
            fileError(path, QStringLiteral("unknown section \"%1\"").arg(s.value("kind").toString()));
        Section &section = report.sections[index];
        section.height = intOf(s, "height", path);
        if (section.height < 0)
            fileError(path, QStringLiteral("a section has a negative height"));
        for (const QJsonValue &o : s.value("objects").toArray())
            section.objects.push_back(objectFromJson(o.toObject(), path));
    }
    if (root.contains("data")) {
        const QJsonObject data = root.value("data").toObject();
        SavedData saved;
        for (const QJsonValue &f : data.value("fields").toArray())
            saved.fields.push_back(fieldFromJson(f.toObject(), path));
        for (const QJsonValue &rv : data.value("rows").toArray()) {
            const QJsonArray r = rv.toArray();
            if (r.size() != static_cast<qsizetype>(saved.fields.size()))
                fileError(path, QStringLiteral("row %1 of the saved data does not have %2 values")
                                    .arg(saved.rows.size() + 1).arg(saved.fields.size()));
            std::vector<vb::Variant> row;
            row.reserve(r.size());
            for (qsizetype c = 0; c < r.size(); ++c)
                row.push_back(valueFromJson(r.at(c), saved.fields[c], path));
            saved.rows.push_back(std::move(row));
        }
        report.savedData = std::move(saved);
    }
    return report;
}

void saveReport(const Report &report, const QString &path)
{
    const QByteArray json = reportToJson(report);
    writeFileAtomically(path, [&](QIODevice &out) { out.write(json); });
}

Report loadReport(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fileError(path, file.errorString());
    return reportFromJson(file.readAll(), path);
}

QString findReportFile(const QString &folder, const QString &fileName)
{
    const QDir dir(folder);
    if (QFileInfo(dir.filePath(fileName)).isFile())
        return dir.filePath(fileName);
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString &name : names) {
        if (name.compare(fileName, Qt::CaseInsensitive) == 0)
            return dir.filePath(name);
    }
    return {};
}

QString fieldTypeWord(int t)
{
    if (isBooleanType(t))
        return QStringLiteral("Boolean");
    if (isCurrencyType(t))
        return QStringLiteral("Currency");
    if (isNumericType(t))
        return QStringLiteral("Number");
    switch (t) {
    case 7: case 133: return QStringLiteral("Date");
    case 134: return QStringLiteral("Time");
    case 135: return QStringLiteral("DateTime");
    case 201: case 203: return QStringLiteral("Memo");
    default: return QStringLiteral("String");
    }
}

int adoTypeOfWord(const QString &word)
{
    static const std::pair<const char *, int> words[] = {
        {"Boolean", 11}, {"Currency", 6}, {"Number", 5}, {"Date", 7}, {"Time", 134},
        {"DateTime", 135}, {"Memo", 201}, {"String", 200}};
    for (const auto &[w, t] : words) {
        if (word.compare(QLatin1String(w), Qt::CaseInsensitive) == 0)
            return t;
    }
    return -1;
}

QByteArray fieldDefinitionText(const std::vector<FieldDef> &fields)
{
    QByteArray out;
    for (const FieldDef &f : fields) {
        if (f.name.contains(QLatin1Char('\t')) || f.name.contains(QLatin1Char('\r')) || f.name.contains(QLatin1Char('\n')))
            vb::raise(ErrReportFile, QStringLiteral("The field name \"%1\" holds a tab or line break").arg(f.name),
                      QStringLiteral("Report"));
        if (const qsizetype bad = vb::appendWindows1252(out, f.name); bad >= 0)
            vb::raise(ErrReportFile,
                      QStringLiteral("The field name \"%1\" holds %2").arg(f.name, vb::notInWindows1252(f.name[bad].unicode())),
                      QStringLiteral("Report"));
        out += '\t';
        out += fieldTypeWord(f.type).toLatin1();
        out += '\t';
        out += QByteArray::number(qint64(f.size));
        out += "\r\n";
    }
    return out;
}

void writeFieldDefinitionFile(const std::vector<FieldDef> &fields, const QString &path)
{
    const QByteArray text = fieldDefinitionText(fields);
    writeFileAtomically(path, [&](QIODevice &out) { out.write(text); });
}

std::vector<FieldDef> readFieldDefinitionFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fileError(path, file.errorString());
    std::vector<FieldDef> fields;
    int lineNumber = 0;
    while (!file.atEnd()) {
        QByteArray line = file.readLine();
        ++lineNumber;
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            break;
        const QList<QByteArray> cols = line.split('\t');
        bool ok = false;
        const long size = cols.size() == 3 ? cols[2].toLong(&ok) : 0;
        const int type = cols.size() == 3 ? adoTypeOfWord(QString::fromLatin1(cols[1])) : -1;
        if (cols.size() != 3 || !ok || size < 0 || type < 0 || cols[0].isEmpty())
            fileError(path, QStringLiteral("line %1 is not a field definition").arg(lineNumber));
        fields.push_back({vb::fromWindows1252(cols[0]), type, size, 0, 0});
    }
    return fields;
}

} // namespace report
