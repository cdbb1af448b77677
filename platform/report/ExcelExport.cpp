// Spreadsheet exports in the classic binary workbook formats: BIFF5 (Excel
// 5.0 and 7.0) and BIFF8 (Excel 8.0), one worksheet with a header row of the
// field names and one row per record, inside a compound document. "Extended"
// adds column widths and number and date formats; without it dates are text.
#include "report/CompoundFile.h"
#include "report/Export.h"
#include "report/ExportSupport.h"
#include "report/ReportFile.h"

#include <QtEndian>
#include <cmath>
#include <cstring>

namespace report {

using namespace detail;

namespace {

// Cell formats (XF records 15 onwards follow the 15 style formats).
enum CellXf : quint16 { XfGeneral = 15, XfDate = 16, XfDateTime = 17, XfTime = 18, XfCurrency = 19, XfHeader = 20 };
constexpr int kXfCount = 21;

class Biff {
public:
    explicit Biff(bool biff8) : m_biff8(biff8) {}
    QByteArray &bytes() { return m_b; }

    void u8(quint8 v) { m_b.append(char(v)); }
    void u16(quint16 v) { char t[2]; qToLittleEndian(v, t); m_b.append(t, 2); }
    void u32(quint32 v) { char t[4]; qToLittleEndian(v, t); m_b.append(t, 4); }
    void f64(double v) { char t[8]; qToLittleEndian(v, t); m_b.append(t, 8); }

    qsizetype begin(quint16 type)
    {
        u16(type);
        u16(0);
        return m_b.size();
    }
    void end(qsizetype start) { qToLittleEndian(quint16(m_b.size() - start), m_b.data() + start - 2); }

    // Text in the cell string form: BIFF8 a 16-bit length, an option byte and
    // Latin-1 or UTF-16 characters; BIFF5 a 16-bit length and code-page bytes.
    void string16(const QString &s)
    {
        u16(quint16(s.size()));
        stringBody(s);
    }
    // Sheet and font names: an 8-bit length.
    void string8(const QString &s)
    {
        u8(quint8(s.size()));
        stringBody(s);
    }

    void bof(quint16 kind)
    {
        const auto at = begin(0x0809);
        if (m_biff8) {
            u16(0x0600); u16(kind); u16(0x0DBB); u16(0x07CC); u32(0); u32(0x06);
        } else {
            u16(0x0500); u16(kind); u16(0x096C); u16(0x07C9);
        }
        end(at);
    }
    void eof() { end(begin(0x000A)); }

private:
    void stringBody(const QString &s)
    {
        if (!m_biff8) {
            for (QChar c : s)
                u8(quint8(c.unicode()));
            return;
        }
        const char16_t *src = reinterpret_cast<const char16_t *>(s.utf16());
        const qsizetype n = s.size();
        bool wide = false;
        for (qsizetype i = 0; i < n && !wide; ++i)
            wide = src[i] > 0xFF;
        u8(wide ? 1 : 0);
        const qsizetype at = m_b.size();
        m_b.resize(at + (wide ? 2 * n : n));
        char *dst = m_b.data() + at;
        for (qsizetype i = 0; i < n; ++i) {
            if (wide)
                qToLittleEndian(quint16(src[i]), dst + 2 * i);
            else
                dst[i] = char(src[i]);
        }
    }

    bool m_biff8;
    QByteArray m_b;
};

void writeFont(Biff &b, bool biff8, bool bold)
{
    const auto at = b.begin(0x0031);
    b.u16(200);               // 10 points in twips
    b.u16(0);                 // no italic, strike-out ...
    b.u16(0x7FFF);            // automatic colour
    b.u16(bold ? 700 : 400);
    b.u16(0);                 // no super- or subscript
    b.u8(0);                  // no underline
    b.u8(2);                  // swiss family
    b.u8(0);                  // ANSI character set
    b.u8(0);
    b.string8(QStringLiteral("Arial"));
    (void)biff8;
    b.end(at);
}

void writeXf(Biff &b, bool biff8, quint16 font, quint16 format, bool style)
{
    const auto at = b.begin(0x00E0);
    b.u16(font);
    b.u16(format);
    b.u16(style ? 0xFFF5 : 0x0001); // locked; a style has no parent, a cell format has style 0
    if (biff8) {
        b.u8(0x20);                  // bottom aligned, general
        b.u8(0);
        b.u8(0);
        b.u8(style ? 0 : 0xF8);      // which attributes a cell format sets itself
        b.u32(0);
        b.u32(0);
        b.u16(0x20C0);               // automatic pattern colours
    } else {
        b.u16(quint16(0x0020 | (style ? 0 : 0xF800)));
        b.u32(0x000020C0);
        b.u32(0);
    }
    b.end(at);
}

// The workbook globals; `sheetOffset` is the offset of the sheet's BOF.
QByteArray globals(bool biff8, quint32 sheetOffset)
{
    Biff b(biff8);
    b.bof(0x0005);
    auto at = b.begin(0x0042);
    b.u16(biff8 ? 1200 : 1252);
    b.end(at);
    at = b.begin(0x003D);            // window
    b.u16(0); b.u16(0); b.u16(0x25BC); b.u16(0x1572); b.u16(0x0038); b.u16(0); b.u16(0); b.u16(1); b.u16(0x0258);
    b.end(at);
    for (int i = 0; i < 5; ++i)      // font 4 is never referred to, as the format wants
        writeFont(b, biff8, i == 1);
    for (int i = 0; i < 15; ++i)
        writeXf(b, biff8, 0, 0, true);
    writeXf(b, biff8, 0, 0, false);    // general
    writeXf(b, biff8, 0, 14, false);   // m/d/yy
    writeXf(b, biff8, 0, 22, false);   // m/d/yy h:mm
    writeXf(b, biff8, 0, 21, false);   // h:mm:ss
    writeXf(b, biff8, 0, 4, false);    // #,##0.00
    writeXf(b, biff8, 1, 0, false);    // header: bold
    at = b.begin(0x0293);            // the Normal style
    b.u16(0x8000); b.u8(0); b.u8(0xFF);
    b.end(at);
    at = b.begin(0x0085);            // the sheet
    b.u32(sheetOffset);
    b.u16(0);
    b.string8(QStringLiteral("Sheet1"));
    b.end(at);
    b.eof();
    return b.bytes();
}

int columnWidth(const FieldDef &f)
{
    int chars = int(f.name.size());
    if (isDateType(f.type))
        chars = std::max(chars, 18);
    else if (isNumericType(f.type))
        chars = std::max(chars, 12);
    else
        chars = std::max<int>(chars, int(std::min<long>(f.size, 50)));
    return std::min(chars + 2, 255) * 256;
}

} // namespace

void writeExcel(const Report &, RowSource &rows, ExcelVersion version, bool extended, const QString &path)
{
    const bool biff8 = version == ExcelVersion::Biff8;
    const QString format = biff8 ? (extended ? QStringLiteral("Excel 8.0 (Extended) (XLS)") : QStringLiteral("Excel 8.0 (XLS)"))
                                 : (extended ? QStringLiteral("Excel 5.0 (Extended) (XLS)") : QStringLiteral("Excel 5.0 (XLS)"));
    const auto &fields = rows.fields();
    const long n = rows.rowCount();
    const long maxRows = biff8 ? 65536 : 16384;
    if (n + 1 > maxRows)
        refuseExport(QStringLiteral("%1 holds at most %2 rows below its header row; the data has %3 rows. "
                                    "Nothing was exported: choose \"Comma-separated values (CSV)\" for larger data.")
                         .arg(format).arg(maxRows - 1).arg(n));
    if (fields.size() > 256)
        refuseExport(QStringLiteral("%1 holds at most 256 columns; the data has %2 fields. Nothing was exported.")
                         .arg(format).arg(fields.size()));

    auto checkText = [&](const QString &s, long row, const QString &field) {
        if (s.size() > 255)
            refuseValue(format, row, field, QStringLiteral("it is %1 characters long, a cell of the format 255").arg(s.size()));
        if (!biff8) {
            for (QChar c : s) {
                if (c.unicode() > 0xFF || (c.unicode() >= 0x80 && c.unicode() < 0xA0))
                    refuseValue(format, row, field, QStringLiteral("the character U+%1 is not in the workbook's character set").arg(hexCode(c.unicode())));
            }
        }
    };

    Biff sheet(biff8);
    sheet.bytes().reserve(qsizetype(n + 1) * qsizetype(fields.size()) * 24 + 4096);
    sheet.bof(0x0010);
    auto at = sheet.begin(0x0200);   // dimensions
    if (biff8) {
        sheet.u32(0); sheet.u32(quint32(n + 1));
    } else {
        sheet.u16(0); sheet.u16(quint16(n + 1));
    }
    sheet.u16(0); sheet.u16(quint16(fields.size())); sheet.u16(0);
    sheet.end(at);
    if (extended) {
        for (size_t c = 0; c < fields.size(); ++c) {
            at = sheet.begin(0x007D);
            sheet.u16(quint16(c)); sheet.u16(quint16(c)); sheet.u16(quint16(columnWidth(fields[c])));
            sheet.u16(XfGeneral); sheet.u16(0); sheet.u16(0);
            sheet.end(at);
        }
    }
    at = sheet.begin(0x023E);        // window
    sheet.u16(0x06B6); sheet.u16(0); sheet.u16(0); sheet.u32(0x40);
    if (biff8) {
        sheet.u16(0); sheet.u16(0); sheet.u32(0);
    }
    sheet.end(at);

    auto label = [&](quint16 row, quint16 col, quint16 xf, const QString &s) {
        const auto a = sheet.begin(0x0204);
        sheet.u16(row); sheet.u16(col); sheet.u16(xf);
        sheet.string16(s);
        sheet.end(a);
    };
    for (size_t c = 0; c < fields.size(); ++c) {
        checkText(fields[c].name, 0, fields[c].name);
        label(0, quint16(c), XfHeader, fields[c].name);
    }
    std::vector<vb::Variant> values;
    for (long r = 0; r < n; ++r) {
        rows.readRow(r, values);
        const quint16 row = quint16(r + 1);
        for (size_t c = 0; c < fields.size(); ++c) {
            const vb::Variant &v = values[c];
            if (v.isNull() || v.isEmpty())
                continue;
            const FieldDef &f = fields[c];
            if (isBooleanType(f.type)) {
                const auto a = sheet.begin(0x0205);
                sheet.u16(row); sheet.u16(quint16(c)); sheet.u16(XfGeneral);
                sheet.u8(v.toBool() ? 1 : 0); sheet.u8(0);
                sheet.end(a);
            } else if (isNumericType(f.type) || (extended && isDateType(f.type) && v.toDate() >= 61)) {
                // (Serial numbers before March 1900 mean other days in a workbook: those stay text.)
                quint16 xf = XfGeneral;
                if (extended && isCurrencyType(f.type))
                    xf = XfCurrency;
                else if (isDateType(f.type))
                    xf = f.type == 134 ? XfTime : f.type == 133 ? XfDate
                                                                 : (v.toDate() == std::floor(v.toDate()) ? XfDate : XfDateTime);
                const auto a = sheet.begin(0x0203);
                sheet.u16(row); sheet.u16(quint16(c)); sheet.u16(xf);
                sheet.f64(isDateType(f.type) ? v.toDate() : v.toDouble());
                sheet.end(a);
            } else {
                const QString text = valueText(v);
                checkText(text, r + 1, f.name);
                label(row, quint16(c), XfGeneral, text);
            }
        }
    }
    sheet.eof();

    const QByteArray head = globals(biff8, 0);
    QByteArray stream = globals(biff8, quint32(head.size()));
    stream += sheet.bytes();
    sheet.bytes().clear();
    writeFileAtomically(path, [&](QIODevice &out) {
        writeCompoundFile(out, biff8 ? QStringLiteral("Workbook") : QStringLiteral("Book"), std::move(stream));
    }, ErrExportRefused);
}

} // namespace report
