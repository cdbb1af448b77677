// The record exports (CHR, CSV, TSV, TTX, DIF, REC, XML, HTML) and the
// report file saved with its data.
#include "report/Export.h"
#include "report/ExportSupport.h"
#include "report/ReportFile.h"

#include <QXmlStreamWriter>

namespace report {

using namespace detail;

namespace {

// Every row in order, `values` holding its values.
template <typename F>
void forEachRow(RowSource &rows, F &&f)
{
    std::vector<vb::Variant> values;
    const long n = rows.rowCount();
    for (long r = 0; r < n; ++r) {
        rows.readRow(r, values);
        f(r + 1, values);
    }
}

void appendQuoted(QByteArray &out, const QString &text, const QString &format, long row, const QString &field)
{
    out += '"';
    QString doubled = text;
    doubled.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    appendAnsi(out, doubled, format, row, field);
    out += '"';
}

// CHR and TTX: text values quoted, numbers and Booleans bare, no header.
void writeDelimited(RowSource &rows, const QString &path, char separator, const QString &format)
{
    const auto &fields = rows.fields();
    writeFileAtomically(path, [&](QIODevice &dev) {
        Buffered out(dev);
        forEachRow(rows, [&](long row, const std::vector<vb::Variant> &values) {
            for (size_t c = 0; c < fields.size(); ++c) {
                if (c > 0)
                    out.buf() += separator;
                const vb::Variant &v = values[c];
                if (v.isNull() || v.isEmpty())
                    continue;
                if (isBareType(fields[c].type))
                    appendAnsi(out.buf(), valueText(v), format, row, fields[c].name);
                else
                    appendQuoted(out.buf(), valueText(v), format, row, fields[c].name);
            }
            out.buf() += "\r\n";
            out.flushIfLarge();
        });
        out.flush();
    }, ErrExportRefused);
}

bool csvNeedsQuotes(const QString &s)
{
    for (QChar c : s) {
        if (c == QLatin1Char(',') || c == QLatin1Char('"') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            return true;
    }
    return false;
}

void appendCsvCell(QByteArray &out, const QString &text, long row, const QString &field)
{
    static const QString format = QStringLiteral("Comma-separated values (CSV)");
    if (csvNeedsQuotes(text))
        appendQuoted(out, text, format, row, field);
    else
        appendAnsi(out, text, format, row, field);
}

void checkTsvText(const QString &text, long row, const QString &field)
{
    for (QChar c : text) {
        if (c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            refuseValue(QStringLiteral("Tab-separated values (TSV)"), row, field,
                        QStringLiteral("it holds a tab or a line break, which the format has no way to write"));
    }
}

QString difString(const QString &s, long row, const QString &field)
{
    if (s.contains(QLatin1Char('\r')) || s.contains(QLatin1Char('\n')))
        refuseValue(QStringLiteral("Data Interchange Format (DIF)"), row, field,
                    QStringLiteral("it holds a line break, which the format has no way to write"));
    QString q = s;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

// Width of a field in the record style: the defined length for text, the
// widest text form for the other types.
int recordWidth(const FieldDef &f)
{
    switch (f.type) {
    case 2: return 6;
    case 3: return 11;
    case 4: return 15;
    case 5: return 24;
    case 6: return 21;
    case 11: return 5;
    case 14: case 131: return std::max(1, f.precision) + 2;
    case 16: case 17: return 4;
    case 18: return 6;
    case 19: return 11;
    case 20: return 20;
    case 7: case 135: return 22;
    case 133: return 10;
    case 134: return 11;
    default: return std::max<long>(1, f.size) > 65535 ? 65535 : int(std::max<long>(1, f.size));
    }
}

bool xmlCharAllowed(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
           || (c >= 0x10000 && c <= 0x10FFFF);
}

void checkXmlText(const QString &s, long row, const QString &field)
{
    for (char32_t c : s.toUcs4()) {
        if (!xmlCharAllowed(c))
            refuseValue(QStringLiteral("XML (XML)"), row, field,
                        QStringLiteral("it holds the character U+%1, which XML cannot carry").arg(hexCode(uint(c))));
    }
}

void appendHtml(QByteArray &out, const QString &s)
{
    for (QChar c : s) {
        switch (c.unicode()) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default:
            if (c.unicode() > 0xFF || (c.unicode() >= 0x80 && c.unicode() < 0xA0) || c.isSurrogate()) {
                out += "&#" + QByteArray::number(c.isSurrogate() ? 0xFFFD : c.unicode()) + ';';
            } else {
                out += char(c.unicode());
            }
        }
    }
}

QString titleOf(const Report &report)
{
    return report.title.isEmpty() ? QStringLiteral("Report") : report.title;
}

} // namespace

void writeCharSeparated(RowSource &rows, const QString &path)
{
    writeDelimited(rows, path, ',', QStringLiteral("Character-separated values (CHR)"));
}

void writeTabText(RowSource &rows, const QString &path)
{
    writeDelimited(rows, path, '\t', QStringLiteral("Tab-separated text (TTX)"));
}

void writeCsv(RowSource &rows, const QString &path)
{
    const auto &fields = rows.fields();
    writeFileAtomically(path, [&](QIODevice &dev) {
        Buffered out(dev);
        for (size_t c = 0; c < fields.size(); ++c) {
            if (c > 0)
                out.buf() += ',';
            appendCsvCell(out.buf(), fields[c].name, 0, fields[c].name);
        }
        out.buf() += "\r\n";
        forEachRow(rows, [&](long row, const std::vector<vb::Variant> &values) {
            for (size_t c = 0; c < fields.size(); ++c) {
                if (c > 0)
                    out.buf() += ',';
                appendCsvCell(out.buf(), valueText(values[c]), row, fields[c].name);
            }
            out.buf() += "\r\n";
            out.flushIfLarge();
        });
        out.flush();
    }, ErrExportRefused);
}

void writeTsv(RowSource &rows, const QString &path)
{
    static const QString format = QStringLiteral("Tab-separated values (TSV)");
    const auto &fields = rows.fields();
    writeFileAtomically(path, [&](QIODevice &dev) {
        Buffered out(dev);
        for (size_t c = 0; c < fields.size(); ++c) {
            if (c > 0)
                out.buf() += '\t';
            checkTsvText(fields[c].name, 0, fields[c].name);
            appendAnsi(out.buf(), fields[c].name, format, 0, fields[c].name);
        }
        out.buf() += "\r\n";
        forEachRow(rows, [&](long row, const std::vector<vb::Variant> &values) {
            for (size_t c = 0; c < fields.size(); ++c) {
                if (c > 0)
                    out.buf() += '\t';
                const QString text = valueText(values[c]);
                checkTsvText(text, row, fields[c].name);
                appendAnsi(out.buf(), text, format, row, fields[c].name);
            }
            out.buf() += "\r\n";
            out.flushIfLarge();
        });
        out.flush();
    }, ErrExportRefused);
}

void writeDif(const Report &report, RowSource &rows, const QString &path)
{
    static const QString format = QStringLiteral("Data Interchange Format (DIF)");
    const auto &fields = rows.fields();
    const long n = rows.rowCount();
    writeFileAtomically(path, [&](QIODevice &dev) {
        Buffered out(dev);
        auto line = [&](const QString &text, long row, const QString &field) {
            appendAnsi(out.buf(), text, format, row, field);
            out.buf() += "\r\n";
        };
        line(QStringLiteral("TABLE"), 0, {});
        line(QStringLiteral("0,1"), 0, {});
        {
            const QString title = titleOf(report);
            if (title.contains(QLatin1Char('\r')) || title.contains(QLatin1Char('\n')))
                refuseTitle(format, QStringLiteral("it holds a line break, which the format has no way to write"));
            QString quoted = title;
            quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
            appendAnsiTitle(out.buf(), QLatin1Char('"') + quoted + QLatin1Char('"'), format);
            out.buf() += "\r\n";
        }
        line(QStringLiteral("VECTORS"), 0, {});
        line(QStringLiteral("0,%1").arg(fields.size()), 0, {});
        line(QStringLiteral("\"\""), 0, {});
        line(QStringLiteral("TUPLES"), 0, {});
        line(QStringLiteral("0,%1").arg(n + 1), 0, {});
        line(QStringLiteral("\"\""), 0, {});
        line(QStringLiteral("DATA"), 0, {});
        line(QStringLiteral("0,0"), 0, {});
        line(QStringLiteral("\"\""), 0, {});
        line(QStringLiteral("-1,0"), 0, {});
        line(QStringLiteral("BOT"), 0, {});
        for (const FieldDef &f : fields) {
            line(QStringLiteral("1,0"), 0, f.name);
            line(difString(f.name, 0, f.name), 0, f.name);
        }
        forEachRow(rows, [&](long row, const std::vector<vb::Variant> &values) {
            line(QStringLiteral("-1,0"), row, {});
            line(QStringLiteral("BOT"), row, {});
            for (size_t c = 0; c < fields.size(); ++c) {
                const vb::Variant &v = values[c];
                const QString &name = fields[c].name;
                if (v.isNull() || v.isEmpty()) {
                    line(QStringLiteral("1,0"), row, name);
                    line(QStringLiteral("\"\""), row, name);
                } else if (isBooleanType(fields[c].type)) {
                    line(v.toBool() ? QStringLiteral("0,1") : QStringLiteral("0,0"), row, name);
                    line(v.toBool() ? QStringLiteral("TRUE") : QStringLiteral("FALSE"), row, name);
                } else if (isNumericType(fields[c].type)) {
                    line(QStringLiteral("0,") + valueText(v), row, name);
                    line(QStringLiteral("V"), row, name);
                } else {
                    line(QStringLiteral("1,0"), row, name);
                    line(difString(valueText(v), row, name), row, name);
                }
            }
            out.flushIfLarge();
        });
        line(QStringLiteral("-1,0"), 0, {});
        line(QStringLiteral("EOD"), 0, {});
        out.flush();
    }, ErrExportRefused);
}

void writeRecordStyle(RowSource &rows, const QString &path)
{
    static const QString format = QStringLiteral("Record style (REC)");
    const auto &fields = rows.fields();
    std::vector<int> widths;
    for (const FieldDef &f : fields)
        widths.push_back(recordWidth(f));
    writeFileAtomically(path, [&](QIODevice &dev) {
        Buffered out(dev);
        forEachRow(rows, [&](long row, const std::vector<vb::Variant> &values) {
            for (size_t c = 0; c < fields.size(); ++c) {
                const QString text = valueText(values[c]);
                if (text.size() > widths[c])
                    refuseValue(format, row, fields[c].name,
                                QStringLiteral("it is %1 characters long, the field %2").arg(text.size()).arg(widths[c]));
                if (text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n')))
                    refuseValue(format, row, fields[c].name, QStringLiteral("it holds a line break"));
                if (c > 0)
                    out.buf() += ' ';
                const QString padded = isNumericType(fields[c].type) ? text.rightJustified(widths[c])
                                                                     : text.leftJustified(widths[c]);
                appendAnsi(out.buf(), padded, format, row, fields[c].name);
            }
            out.buf() += "\r\n";
            out.flushIfLarge();
        });
        out.flush();
    }, ErrExportRefused);
}

void writeXml(const Report &report, RowSource &rows, const QString &path)
{
    const auto &fields = rows.fields();
    writeFileAtomically(path, [&](QIODevice &dev) {
        QXmlStreamWriter xml(&dev);
        xml.setAutoFormatting(true);
        xml.setAutoFormattingIndent(2);
        xml.writeStartDocument();
        xml.writeStartElement(QStringLiteral("Report"));
        checkXmlText(titleOf(report), 0, {});
        xml.writeAttribute(QStringLiteral("Title"), titleOf(report));
        xml.writeStartElement(QStringLiteral("Fields"));
        for (const FieldDef &f : fields) {
            checkXmlText(f.name, 0, f.name);
            xml.writeEmptyElement(QStringLiteral("Field"));
            xml.writeAttribute(QStringLiteral("Name"), f.name);
            xml.writeAttribute(QStringLiteral("Type"), fieldTypeWord(f.type));
            xml.writeAttribute(QStringLiteral("Size"), QString::number(f.size));
        }
        xml.writeEndElement();
        xml.writeStartElement(QStringLiteral("Records"));
        forEachRow(rows, [&](long row, const std::vector<vb::Variant> &values) {
            xml.writeStartElement(QStringLiteral("Record"));
            for (size_t c = 0; c < fields.size(); ++c) {
                const vb::Variant &v = values[c];
                if (v.isNull() || v.isEmpty()) {
                    xml.writeEmptyElement(QStringLiteral("Value"));
                    xml.writeAttribute(QStringLiteral("Field"), fields[c].name);
                    xml.writeAttribute(QStringLiteral("Null"), QStringLiteral("true"));
                    continue;
                }
                const QString text = valueText(v);
                checkXmlText(text, row, fields[c].name);
                xml.writeStartElement(QStringLiteral("Value"));
                xml.writeAttribute(QStringLiteral("Field"), fields[c].name);
                xml.writeCharacters(text);
                xml.writeEndElement();
            }
            xml.writeEndElement();
        });
        xml.writeEndElement();
        xml.writeEndElement();
        xml.writeEndDocument();
        if (xml.hasError())
            refuseExport(QStringLiteral("The export file %1 cannot be written: %2").arg(path, dev.errorString()));
    }, ErrExportRefused);
}

void writeHtml(const Report &report, RowSource &rows, bool html40, const QString &path)
{
    const auto &fields = rows.fields();
    writeFileAtomically(path, [&](QIODevice &dev) {
        Buffered out(dev);
        QByteArray &b = out.buf();
        if (html40) {
            b += "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\" \"http://www.w3.org/TR/html4/strict.dtd\">\r\n"
                 "<html>\r\n<head>\r\n"
                 "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-1\">\r\n<title>";
            appendHtml(b, titleOf(report));
            b += "</title>\r\n</head>\r\n<body>\r\n<table border=\"1\">\r\n<thead>\r\n<tr>";
            for (const FieldDef &f : fields) {
                b += "<th>";
                appendHtml(b, f.name);
                b += "</th>";
            }
            b += "</tr>\r\n</thead>\r\n<tbody>\r\n";
        } else {
            b += "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\">\r\n<HTML>\r\n<HEAD>\r\n"
                 "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=ISO-8859-1\">\r\n<TITLE>";
            appendHtml(b, titleOf(report));
            b += "</TITLE>\r\n</HEAD>\r\n<BODY>\r\n<TABLE BORDER=1>\r\n<TR>";
            for (const FieldDef &f : fields) {
                b += "<TH>";
                appendHtml(b, f.name);
                b += "</TH>";
            }
            b += "</TR>\r\n";
        }
        forEachRow(rows, [&](long, const std::vector<vb::Variant> &values) {
            b += html40 ? "<tr>" : "<TR>";
            for (size_t c = 0; c < fields.size(); ++c) {
                const bool right = isNumericType(fields[c].type);
                if (html40)
                    b += right ? "<td align=\"right\">" : "<td>";
                else
                    b += right ? "<TD ALIGN=RIGHT>" : "<TD>";
                appendHtml(b, valueText(values[c]));
                b += html40 ? "</td>" : "</TD>";
            }
            b += html40 ? "</tr>\r\n" : "</TR>\r\n";
            out.flushIfLarge();
        });
        b += html40 ? "</tbody>\r\n</table>\r\n</body>\r\n</html>\r\n" : "</TABLE>\r\n</BODY>\r\n</HTML>\r\n";
        out.flush();
    }, ErrExportRefused);
}

void writeReportWithData(const Report &report, RowSource &rows, const QString &path)
{
    Report copy = report;
    SavedData data;
    data.fields = rows.fields();
    forEachRow(rows, [&](long, const std::vector<vb::Variant> &values) { data.rows.push_back(values); });
    copy.savedData = std::move(data);
    const QByteArray json = reportToJson(copy);
    writeFileAtomically(path, [&](QIODevice &out) { out.write(json); }, ErrExportRefused);
}

} // namespace report
