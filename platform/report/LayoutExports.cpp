// The exports of the laid-out report: plain and paginated text, RTF, and the
// report definition as text. They read the same page layout the renderer paints.
#include "report/Export.h"
#include "report/ExportSupport.h"
#include "report/Paginator.h"
#include "report/ReportFile.h"

#include <algorithm>
#include <map>

namespace report {

using namespace detail;

namespace {

// Text pages: a character is 120 twips wide (12 to the inch) and a line 240 high.
constexpr int kCharTwips = 120;
constexpr int kLineTwips = 240;

struct TextLine {
    QString text;
    void place(const PlacedItem &item, int left)
    {
        if (item.text.isEmpty())
            return;
        const int x = item.rect.left() - left;
        const int len = int(item.text.size());
        int col = x / kCharTwips;
        if (item.align == Align::Right)
            col = (x + item.rect.width()) / kCharTwips - len;
        else if (item.align == Align::Center)
            col = (x + item.rect.width() / 2) / kCharTwips - len / 2;
        col = std::max(0, col);
        if (!text.isEmpty() && col <= text.size())
            col = int(text.size()) + 1; // never write over the text before
        text += QString(col - text.size(), QLatin1Char(' '));
        text += item.text;
    }
};

// Refuses the export when an item's text holds a character the code page
// cannot: a field names its row and field, any other object itself.
void checkItemText(const PlacedItem &item, const QString &format)
{
    const qsizetype bad = vb::firstOutsideWindows1252(item.text);
    if (bad < 0)
        return;
    const QString why = notInCodePage(item.text[bad].unicode());
    if (item.kind == ObjectKind::Field && item.row >= 0)
        refuseValue(format, item.row + 1, item.field, why);
    refuseExport(QStringLiteral("%1 cannot hold the text of the object \"%2\" in the %3 section: %4. Nothing was exported.")
                     .arg(format, item.name, sectionKindName(item.section), why));
}

// Items sorted into lines: items whose tops fall in the same text line share it.
std::map<int, TextLine> textLines(std::vector<PlacedItem> items, int originTop, int left, bool byPosition,
                                  const QString &format)
{
    std::stable_sort(items.begin(), items.end(), [](const PlacedItem &a, const PlacedItem &b) {
        return a.rect.top() != b.rect.top() ? a.rect.top() < b.rect.top() : a.rect.left() < b.rect.left();
    });
    std::map<int, TextLine> lines;
    for (const PlacedItem &item : items) {
        if (item.text.isEmpty())
            continue;
        checkItemText(item, format);
        const int key = byPosition ? std::max(0, item.rect.top() - originTop) / kLineTwips : item.rect.top();
        lines[key].place(item, left);
    }
    return lines;
}

void appendTextLine(QByteArray &out, const QString &line)
{
    QString text = line;
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    for (QChar &c : text) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c == QLatin1Char('\f'))
            c = QLatin1Char(' '); // a value's line break would break the layout
    }
    vb::appendWindows1252(out, text); // every item was checked before it was placed
    out += "\r\n";
}

QString rtfEscape(const QString &s)
{
    QString out;
    for (QChar c : s) {
        const ushort u = c.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out += QLatin1Char('\\');
            out += c;
        } else if (u == '\t') {
            out += QStringLiteral("\\tab ");
        } else if (u == '\r') {
            continue;
        } else if (u == '\n') {
            out += QStringLiteral("\\line ");
        } else if (u >= 0xA0 && u <= 0xFF) {
            out += QStringLiteral("\\'%1").arg(u, 2, 16, QLatin1Char('0'));
        } else if (u >= 0x80 || u < 0x20) {
            out += QStringLiteral("\\u%1?").arg(short(u));
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

void writeText(const Report &report, RowSource &rows, const QString &path)
{
    static const QString format = QStringLiteral("Text (TXT)");
    Paginator paginator(report, rows);
    const int left = report.page.marginLeft;
    writeFileAtomically(path, [&](QIODevice &dev) {
        Buffered out(dev);
        // One continuous listing: the headers once, every row, the report footer.
        auto band = [&](SectionKind kind, long row) {
            std::vector<PlacedItem> items;
            paginator.placeSection(kind, 0, row, 0, items);
            for (const auto &[key, line] : textLines(std::move(items), 0, left, false, format))
                appendTextLine(out.buf(), line.text);
        };
        const long n = paginator.rowCount();
        band(SectionKind::ReportHeader, n > 0 ? 0 : -1);
        band(SectionKind::PageHeader, n > 0 ? 0 : -1);
        if (report.section(SectionKind::Detail).height > 0) {
            for (long r = 0; r < n; ++r) {
                band(SectionKind::Detail, r);
                out.flushIfLarge();
            }
        }
        band(SectionKind::ReportFooter, n - 1);
        out.flush();
    }, ErrExportRefused);
}

void writePaginatedText(const Report &report, RowSource &rows, const QString &path)
{
    static const QString format = QStringLiteral("Paginated Text (TXT)");
    Paginator paginator(report, rows);
    writeFileAtomically(path, [&](QIODevice &dev) {
        Buffered out(dev);
        for (int p = 0; p < paginator.pageCount(); ++p) {
            if (p > 0)
                out.buf() += '\f';
            const auto lines = textLines(paginator.page(p).items, report.page.marginTop, report.page.marginLeft, true, format);
            int next = 0;
            for (const auto &[row, line] : lines) {
                for (; next < row; ++next)
                    out.buf() += "\r\n";
                appendTextLine(out.buf(), line.text);
                next = row + 1;
            }
            out.flushIfLarge();
        }
        out.flush();
    }, ErrExportRefused);
}

void writeRtf(const Report &report, RowSource &rows, const QString &path)
{
    Paginator paginator(report, rows);
    const PageSetup &p = report.page;
    // Font and colour tables of everything the report can show.
    QStringList fonts, colors;
    auto fontIndex = [&](const QString &family) {
        qsizetype i = fonts.indexOf(family);
        if (i < 0) { fonts << family; i = fonts.size() - 1; }
        return i;
    };
    auto colorIndex = [&](const QColor &c) {
        const QString spec = QStringLiteral("\\red%1\\green%2\\blue%3;").arg(c.red()).arg(c.green()).arg(c.blue());
        qsizetype i = colors.indexOf(spec);
        if (i < 0) { colors << spec; i = colors.size() - 1; }
        return i + 1;
    };
    fontIndex(QStringLiteral("Arial"));
    colorIndex(Qt::black);
    for (const Section &s : report.sections) {
        for (const ReportObject &o : s.objects) {
            fontIndex(o.font.family);
            colorIndex(o.color);
        }
    }
    QString body;
    for (int page = 0; page < paginator.pageCount(); ++page) {
        if (page > 0)
            body += QStringLiteral("\\page\r\n");
        std::vector<PlacedItem> items = paginator.page(page).items;
        std::stable_sort(items.begin(), items.end(), [](const PlacedItem &a, const PlacedItem &b) {
            return a.rect.top() != b.rect.top() ? a.rect.top() < b.rect.top() : a.rect.left() < b.rect.left();
        });
        int bottom = p.marginTop;
        for (size_t i = 0; i < items.size();) {
            size_t j = i;
            int height = 0;
            while (j < items.size() && items[j].rect.top() == items[i].rect.top()) {
                height = std::max(height, items[j].rect.height());
                ++j;
            }
            bool any = false;
            for (size_t k = i; k < j; ++k)
                any = any || !items[k].text.isEmpty();
            if (any) {
                const int top = items[i].rect.top();
                QString stops, texts;
                for (size_t k = i; k < j; ++k) {
                    const PlacedItem &item = items[k];
                    if (item.text.isEmpty())
                        continue;
                    const int x = item.rect.left() - p.marginLeft;
                    int stop = x;
                    QString kind;
                    if (item.align == Align::Right) { stop = x + item.rect.width(); kind = QStringLiteral("\\tqr"); }
                    else if (item.align == Align::Center) { stop = x + item.rect.width() / 2; kind = QStringLiteral("\\tqc"); }
                    if (stop > 0 || !kind.isEmpty()) {
                        stops += QStringLiteral("%1\\tx%2").arg(kind).arg(stop);
                        texts += QStringLiteral("\\tab");
                    }
                    texts += QStringLiteral("{\\f%1\\fs%2%3%4%5\\cf%6 %7}")
                                 .arg(fontIndex(item.font.family))
                                 .arg(qRound(item.font.size * 2))
                                 .arg(item.font.bold ? QStringLiteral("\\b") : QString())
                                 .arg(item.font.italic ? QStringLiteral("\\i") : QString())
                                 .arg(item.font.underline ? QStringLiteral("\\ul") : QString())
                                 .arg(colorIndex(item.color))
                                 .arg(rtfEscape(item.text));
                }
                body += QStringLiteral("\\pard\\plain\\sb%1\\sl-%2\\slmult0%3 %4\\par\r\n")
                            .arg(std::max(0, top - bottom)).arg(std::max(1, height)).arg(stops, texts);
                bottom = top + std::max(1, height);
            }
            i = j;
        }
    }
    QString doc = QStringLiteral("{\\rtf1\\ansi\\ansicpg1252\\deff0\r\n{\\fonttbl");
    for (int i = 0; i < fonts.size(); ++i)
        doc += QStringLiteral("{\\f%1\\fswiss %2;}").arg(i).arg(rtfEscape(fonts[i]));
    doc += QStringLiteral("}\r\n{\\colortbl;") + colors.join(QString()) + QStringLiteral("}\r\n");
    doc += QStringLiteral("\\paperw%1\\paperh%2\\margl%3\\margr%4\\margt%5\\margb%6\r\n")
               .arg(p.width).arg(p.height).arg(p.marginLeft).arg(p.marginRight).arg(p.marginTop).arg(p.marginBottom);
    doc += body + QStringLiteral("}\r\n");
    const QByteArray bytes = doc.toLatin1(); // every character beyond ASCII is escaped above
    writeFileAtomically(path, [&](QIODevice &out) { out.write(bytes); }, ErrExportRefused);
}

QByteArray reportDefinitionText(const Report &report)
{
    QString t;
    const PageSetup &p = report.page;
    t += QStringLiteral("Report: ") + report.title + QStringLiteral("\r\n");
    t += QStringLiteral("Page: %1 x %2 twips, margins left %3, top %4, right %5, bottom %6\r\n")
             .arg(p.width).arg(p.height).arg(p.marginLeft).arg(p.marginTop).arg(p.marginRight).arg(p.marginBottom);
    t += QStringLiteral("\r\nFields:\r\n");
    for (const FieldDef &f : report.fields)
        t += QStringLiteral("  ") + f.name + QLatin1Char('\t') + fieldTypeWord(f.type) + QLatin1Char('\t')
             + QString::number(f.size) + QStringLiteral("\r\n");
    for (int s = 0; s < SectionCount; ++s) {
        const Section &section = report.sections[s];
        t += QStringLiteral("\r\nSection %1: height %2\r\n").arg(sectionKindName(SectionKind(s))).arg(section.height);
        for (const ReportObject &o : section.objects) {
            QString what;
            switch (o.kind) {
            case ObjectKind::Text: what = QStringLiteral("Text \"%1\"").arg(o.text); break;
            case ObjectKind::Field:
                what = QStringLiteral("Field %1").arg(o.field);
                if (!o.format.isEmpty())
                    what += QStringLiteral(" format \"%1\"").arg(o.format);
                break;
            case ObjectKind::Special: what = QStringLiteral("Special %1").arg(specialKindName(o.special)); break;
            }
            static const char *aligns[] = {"left", "center", "right"};
            // Built by joining: a designer's text may hold "%1" itself.
            t += QStringLiteral("  ") + what + QStringLiteral(" at %1, %2 size %3 x %4; font ")
                     .arg(o.left).arg(o.top).arg(o.width).arg(o.height)
                 + o.font.family + QLatin1Char(' ') + QString::number(o.font.size)
                 + (o.font.bold ? QStringLiteral(" bold") : QString())
                 + (o.font.italic ? QStringLiteral(" italic") : QString())
                 + (o.font.underline ? QStringLiteral(" underline") : QString())
                 + QStringLiteral("; colour ") + o.color.name() + QStringLiteral("; ")
                 + QLatin1String(aligns[static_cast<int>(o.align)]);
            if (o.borderStyle != 0)
                t += QStringLiteral("; border %1 %2").arg(o.borderStyle).arg(o.borderColor.name());
            t += QStringLiteral("\r\n");
        }
    }
    // Name what cannot be written: the title, a field, or an object.
    const QString format = QStringLiteral("Report definition (TXT)");
    auto firstBad = [](const QString &text) -> int {
        QByteArray scratch;
        const qsizetype bad = vb::appendWindows1252(scratch, text);
        return bad < 0 ? -1 : int(text[bad].unicode());
    };
    if (const int c = firstBad(report.title); c >= 0)
        refuseTitle(format, notInCodePage(char16_t(c)));
    for (const FieldDef &f : report.fields) {
        if (const int c = firstBad(f.name); c >= 0)
            refuseExport(QStringLiteral("%1 cannot hold the name of the field \"%2\": %3. Nothing was exported.")
                             .arg(format, f.name, notInCodePage(char16_t(c))));
    }
    for (int s = 0; s < SectionCount; ++s) {
        for (const ReportObject &o : report.sections[s].objects) {
            for (const QString &piece : {o.name, o.text, o.field, o.format, o.font.family}) {
                if (const int c = firstBad(piece); c >= 0)
                    refuseExport(QStringLiteral("%1 cannot hold the object \"%2\" in the %3 section: %4. Nothing was exported.")
                                     .arg(format, o.name, sectionKindName(SectionKind(s)), notInCodePage(char16_t(c))));
            }
        }
    }
    QByteArray out;
    if (const qsizetype bad = vb::appendWindows1252(out, t); bad >= 0)
        refuseExport(QStringLiteral("%1 cannot hold the report definition: %2. Nothing was exported.")
                         .arg(format, notInCodePage(t[bad].unicode())));
    return out;
}

void writeReportDefinitionText(const Report &report, const QString &path)
{
    const QByteArray text = reportDefinitionText(report);
    writeFileAtomically(path, [&](QIODevice &out) { out.write(text); }, ErrExportRefused);
}

} // namespace report
