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

    // BIFF8 characters: one byte each when all are Latin-1, else UTF-16.
    static bool isWide(QStringView s)
    {
        for (QChar c : s) {
            if (c.unicode() > 0xFF)
                return true;
        }
        return false;
    }
    void chars(QStringView s, bool wide)
    {
        const qsizetype n = s.size();
        const qsizetype at = m_b.size();
        m_b.resize(at + (wide ? 2 * n : n));
        char *dst = m_b.data() + at;
        for (qsizetype i = 0; i < n; ++i) {
            if (wide)
                qToLittleEndian(quint16(s[i].unicode()), dst + 2 * i);
            else
                dst[i] = char(s[i].unicode());
        }
    }

private:
    void stringBody(const QString &s)
    {
        if (!m_biff8) {
            // The workbook's code page, 1252; the caller refused what it cannot hold.
            vb::appendWindows1252(m_b, s);
            return;
        }
        const bool wide = isWide(s);
        u8(wide ? 1 : 0);
        chars(s, wide);
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

// Largest record body the format allows.
constexpr qsizetype kRecordMax = 8224;

// BIFF8 shared strings: the texts too long for a cell record of their own,
// carried on in CONTINUE records; a text cut there goes on with its option byte.
QByteArray sharedStrings(const std::vector<QString> &strings)
{
    Biff b(true);
    qsizetype at = b.begin(0x00FC);
    b.u32(quint32(strings.size()));
    b.u32(quint32(strings.size()));
    auto room = [&] { return kRecordMax - (b.bytes().size() - at); };
    auto next = [&] {
        b.end(at);
        at = b.begin(0x003C);
    };
    for (const QString &s : strings) {
        const bool wide = Biff::isWide(s);
        const int size = wide ? 2 : 1;
        if (room() < 3 + size)
            next();
        b.u16(quint16(s.size()));
        b.u8(wide ? 1 : 0);
        for (qsizetype i = 0; i < s.size();) {
            const qsizetype fit = std::min<qsizetype>(room() / size, s.size() - i);
            if (fit <= 0) {
                next();
                b.u8(wide ? 1 : 0);
                continue;
            }
            b.chars(QStringView(s).mid(i, fit), wide);
            i += fit;
        }
    }
    b.end(at);
    return b.bytes();
}

// The workbook globals; `sheetOffset` is the offset of the sheet's BOF.
QByteArray globals(bool biff8, quint32 sheetOffset, const QByteArray &sst)
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
    b.bytes() += sst;
    b.eof();
    return b.bytes();
}

// Whether a date value is written as a serial number: a time of day (a serial
// below 1, as every time value is), or a day from March 1900 on (serial numbers
// before it mean other days in a workbook: those stay text).
bool isSerialCell(int type, double serial)
{
    if (serial >= 0 && serial < 1)
        return true;
    return type != 134 && serial >= 61;
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

void writeExcel(const Report &, RowSource &rows, ExcelVersion version, bool extended, const QString &format,
                const QString &path)
{
    const bool biff8 = version == ExcelVersion::Biff8;
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

    // A BIFF8 cell takes 32,767 characters, a BIFF5 cell 255 in the code page 1252.
    const qsizetype maxText = biff8 ? 32767 : 255;
    auto checkText = [&](const QString &s, long row, const QString &field) {
        if (s.size() > maxText)
            refuseValue(format, row, field, QStringLiteral("it is %1 characters long, a cell of the format %2")
                                                .arg(s.size()).arg(maxText));
        if (!biff8) {
            if (const qsizetype bad = vb::firstOutsideWindows1252(s); bad >= 0)
                refuseValue(format, row, field, notInCodePage(s[bad].unicode()));
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

    std::vector<QString> shared;
    auto label = [&](quint16 row, quint16 col, quint16 xf, const QString &s) {
        if (biff8 && s.size() > 255) {
            // A text cell record holds 255 characters: a longer text goes to the shared strings.
            const auto a = sheet.begin(0x00FD);
            sheet.u16(row); sheet.u16(col); sheet.u16(xf);
            sheet.u32(quint32(shared.size()));
            sheet.end(a);
            shared.push_back(s);
            return;
        }
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
            } else if (isNumericType(f.type) || (extended && isDateType(f.type) && isSerialCell(f.type, v.toDate()))) {
                quint16 xf = XfGeneral;
                if (extended && isCurrencyType(f.type))
                    xf = XfCurrency;
                else if (isDateType(f.type))
                    xf = f.type == 134 || v.toDate() < 1 ? XfTime
                         : f.type == 133                 ? XfDate
                                                         : (v.toDate() == std::floor(v.toDate()) ? XfDate : XfDateTime);
                const auto a = sheet.begin(0x0203);
                sheet.u16(row); sheet.u16(quint16(c)); sheet.u16(xf);
                sheet.f64(isDateType(f.type) ? v.toDate() : v.toDouble());
                sheet.end(a);
            } else {
                // A BIFF8 cell holds characters, not bytes: text of earlier
                // versions goes in as the characters its bytes stand for.
                const QString text = biff8 ? vb::shownAsWindows1252(valueText(v)) : valueText(v);
                checkText(text, r + 1, f.name);
                label(row, quint16(c), XfGeneral, text);
            }
        }
    }
    sheet.eof();

    const QByteArray sst = shared.empty() ? QByteArray() : sharedStrings(shared);
    const QByteArray head = globals(biff8, 0, sst);
    QByteArray stream = globals(biff8, quint32(head.size()), sst);
    stream += sheet.bytes();
    sheet.bytes().clear();
    writeFileAtomically(path, [&](QIODevice &out) {
        writeCompoundFile(out, biff8 ? QStringLiteral("Workbook") : QStringLiteral("Book"), std::move(stream));
    }, ErrExportRefused);
}

} // namespace report
