// Worksheet exports in the Lotus 1-2-3 formats: WKS (release 1A), WK1
// (release 2) and WK3 (release 3), a header row of the field names and one
// row per record.
#include "report/Export.h"
#include "report/ExportSupport.h"
#include "report/ReportFile.h"

#include <QtEndian>
#include <cmath>

namespace report {

using namespace detail;

namespace {

class Records {
public:
    QByteArray &bytes() { return m_b; }
    void u8(quint8 v) { m_b.append(char(v)); }
    void u16(quint16 v) { char t[2]; qToLittleEndian(v, t); m_b.append(t, 2); }
    void u32(quint32 v) { char t[4]; qToLittleEndian(v, t); m_b.append(t, 4); }
    void u64(quint64 v) { char t[8]; qToLittleEndian(v, t); m_b.append(t, 8); }
    void f64(double v) { char t[8]; qToLittleEndian(v, t); m_b.append(t, 8); }
    void head(quint16 type, quint16 length) { u16(type); u16(length); }
    // The 80-bit extended real of release 3: 64-bit mantissa with its leading
    // one, then sign and a 15-bit exponent biased by 16383.
    void f80(double v)
    {
        if (v == 0 || !std::isfinite(v)) {
            u64(0);
            u16(0);
            return;
        }
        int exponent = 0;
        const double mantissa = std::frexp(std::fabs(v), &exponent); // [0.5, 1)
        u64(quint64(std::ldexp(mantissa, 64)));
        u16(quint16((v < 0 ? 0x8000 : 0) | ((exponent - 1 + 16383) & 0x7FFF)));
    }
private:
    QByteArray m_b;
};

constexpr quint8 kGeneral = 0x71;   // unprotected, special: general
constexpr quint8 kDate = 0x72;      // unprotected, special: day-month-year
constexpr int kMaxLabel = 239;

} // namespace

void writeLotus(RowSource &rows, LotusVersion version, const QString &path)
{
    const bool wk3 = version == LotusVersion::Wk3;
    const QString format = version == LotusVersion::Wk3   ? QStringLiteral("Lotus 1-2-3 (WK3)")
                           : version == LotusVersion::Wk1 ? QStringLiteral("Lotus 1-2-3 (WK1)")
                                                          : QStringLiteral("Lotus 1-2-3 (WKS)");
    const auto &fields = rows.fields();
    const long n = rows.rowCount();
    const long maxRows = version == LotusVersion::Wks ? 2048 : 8192;
    if (n + 1 > maxRows)
        refuseExport(QStringLiteral("%1 holds at most %2 rows below its header row; the data has %3 rows. "
                                    "Nothing was exported: choose \"Excel 8.0 (XLS)\" or \"Comma-separated values (CSV)\" "
                                    "for larger data.").arg(format).arg(maxRows - 1).arg(n));
    if (fields.size() > 256)
        refuseExport(QStringLiteral("%1 holds at most 256 columns; the data has %2 fields. Nothing was exported.")
                         .arg(format).arg(fields.size()));
    Records w;
    if (wk3) {
        w.head(0x0000, 26);
        w.u16(0x1000); w.u16(0x0004); w.u32(0);
        w.u16(quint16(n)); w.u8(1); w.u8(quint8(fields.empty() ? 0 : fields.size() - 1));
        w.u16(0); w.u16(0); w.u8(1); w.u8(2); w.u32(0); w.u32(0);
    } else {
        w.head(0x0000, 2);
        w.u16(version == LotusVersion::Wk1 ? 0x0406 : 0x0404);
        w.head(0x0006, 8);
        w.u16(0); w.u16(0);
        w.u16(quint16(fields.empty() ? 0 : fields.size() - 1)); w.u16(quint16(n));
    }

    auto label = [&](quint16 row, quint16 col, const QString &text, long recordRow, const QString &field) {
        if (text.size() > kMaxLabel)
            refuseValue(format, recordRow, field,
                        QStringLiteral("it is %1 characters long, a label of the format %2").arg(text.size()).arg(kMaxLabel));
        QByteArray bytes("'");
        for (QChar c : text) {
            // Release 3 files carry the Windows Latin-1 code page; the older
            // readers disagree about the upper half, so only ASCII is sure there.
            const ushort u = c.unicode();
            const bool fits = u >= 0x20 && (u <= 0x7E || (wk3 && u >= 0xA0 && u <= 0xFF));
            if (!fits)
                refuseValue(format, recordRow, field,
                            QStringLiteral("the character U+%1 has no sure place in the worksheet's character set")
                                .arg(hexCode(u)));
            bytes += char(u);
        }
        bytes += '\0';
        if (wk3) {
            w.head(0x0016, quint16(4 + bytes.size()));
            w.u16(row); w.u8(0); w.u8(quint8(col));
        } else {
            w.head(0x000F, quint16(5 + bytes.size()));
            w.u8(kGeneral); w.u16(col); w.u16(row);
        }
        w.bytes() += bytes;
    };
    auto number = [&](quint16 row, quint16 col, quint8 fmt, double value) {
        if (wk3) {
            w.head(0x0017, 14);
            w.u16(row); w.u8(0); w.u8(quint8(col)); w.f80(value);
        } else {
            w.head(0x000E, 13);
            w.u8(fmt); w.u16(col); w.u16(row); w.f64(value);
        }
    };
    for (size_t c = 0; c < fields.size(); ++c)
        label(0, quint16(c), fields[c].name, 0, fields[c].name);
    std::vector<vb::Variant> values;
    for (long r = 0; r < n; ++r) {
        rows.readRow(r, values);
        for (size_t c = 0; c < fields.size(); ++c) {
            const vb::Variant &v = values[c];
            const FieldDef &f = fields[c];
            if (v.isNull() || v.isEmpty())
                continue;
            if (isBooleanType(f.type))
                number(quint16(r + 1), quint16(c), kGeneral, v.toBool() ? 1 : 0);
            else if (isNumericType(f.type))
                number(quint16(r + 1), quint16(c), kGeneral, v.toDouble());
            else if (!wk3 && (f.type == 7 || f.type == 133) && v.toDate() >= 61 && v.toDate() == std::floor(v.toDate()))
                number(quint16(r + 1), quint16(c), kDate, v.toDate()); // release 3 keeps formats apart: text there
            else
                label(quint16(r + 1), quint16(c), valueText(v), r + 1, f.name);
        }
    }
    w.head(0x0001, 0);
    writeFileAtomically(path, [&](QIODevice &out) {
        if (out.write(w.bytes()) != w.bytes().size())
            refuseExport(QStringLiteral("The export file cannot be written: %1").arg(out.errorString()));
    }, ErrExportRefused);
}

} // namespace report
