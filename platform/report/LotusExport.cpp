// Worksheet exports in the Lotus 1-2-3 formats: WKS (release 1A) and WK1
// (release 2), a header row of the field names and one row per record.
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
    void f64(double v) { char t[8]; qToLittleEndian(v, t); m_b.append(t, 8); }
    void head(quint16 type, quint16 length) { u16(type); u16(length); }
private:
    QByteArray m_b;
};

constexpr quint8 kGeneral = 0x71;   // unprotected, special: general
constexpr quint8 kDate = 0x72;      // unprotected, special: day-month-year
constexpr int kMaxLabel = 239;

} // namespace

void writeLotus(RowSource &rows, LotusVersion version, const QString &path)
{
    const bool wk1 = version == LotusVersion::Wk1;
    const QString format = wk1 ? QStringLiteral("Lotus 1-2-3 (WK1)") : QStringLiteral("Lotus 1-2-3 (WKS)");
    const auto &fields = rows.fields();
    const long n = rows.rowCount();
    const long maxRows = wk1 ? 8192 : 2048;
    if (n + 1 > maxRows)
        refuseExport(QStringLiteral("%1 holds at most %2 rows below its header row; the data has %3 rows. "
                                    "Nothing was exported: choose \"Excel 8.0 (XLS)\" or \"Comma-separated values (CSV)\" "
                                    "for larger data.").arg(format).arg(maxRows - 1).arg(n));
    if (fields.size() > 256)
        refuseExport(QStringLiteral("%1 holds at most 256 columns; the data has %2 fields. Nothing was exported.")
                         .arg(format).arg(fields.size()));
    Records w;
    w.head(0x0000, 2);
    w.u16(wk1 ? 0x0406 : 0x0404);
    w.head(0x0006, 8);
    w.u16(0); w.u16(0);
    w.u16(quint16(fields.empty() ? 0 : fields.size() - 1)); w.u16(quint16(n));

    auto label = [&](quint16 row, quint16 col, const QString &text, long recordRow, const QString &field) {
        if (text.size() > kMaxLabel)
            refuseValue(format, recordRow, field,
                        QStringLiteral("it is %1 characters long, a label of the format %2").arg(text.size()).arg(kMaxLabel));
        QByteArray bytes("'");
        for (QChar c : text) {
            if (c.unicode() < 0x20 || c.unicode() > 0x7E)
                refuseValue(format, recordRow, field,
                            QStringLiteral("the character U+%1 has no sure place in the worksheet's character set").arg(hexCode(c.unicode())));
            bytes += char(c.unicode());
        }
        bytes += '\0';
        w.head(0x000F, quint16(5 + bytes.size()));
        w.u8(kGeneral); w.u16(col); w.u16(row);
        w.bytes() += bytes;
    };
    auto number = [&](quint16 row, quint16 col, quint8 fmt, double value) {
        w.head(0x000E, 13);
        w.u8(fmt); w.u16(col); w.u16(row); w.f64(value);
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
            else if ((f.type == 7 || f.type == 133) && v.toDate() >= 61 && v.toDate() == std::floor(v.toDate()))
                number(quint16(r + 1), quint16(c), kDate, v.toDate());
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
