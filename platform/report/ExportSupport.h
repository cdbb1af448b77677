#pragma once
// Shared pieces of the export writers: refusals that name the row and field,
// Latin-1 output that refuses what Latin-1 cannot hold, buffered writing.

#include "report/Model.h"
#include "report/RowSource.h"

#include "vb/VbError.h"

#include <QByteArray>
#include <QIODevice>

namespace report::detail {

// "00E4" for U+00E4.
inline QString hexCode(uint c)
{
    return QString::number(c, 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

[[noreturn]] inline void refuseValue(const QString &format, long row, const QString &field, const QString &why)
{
    vb::raise(ErrExportRefused,
              QStringLiteral("%1 cannot hold the value of row %2, field \"%3\": %4. Nothing was exported.")
                  .arg(format).arg(row).arg(field, why),
              QStringLiteral("Report"));
}

[[noreturn]] inline void refuseExport(const QString &text)
{
    vb::raise(ErrExportRefused, text, QStringLiteral("Report"));
}

// Appends `text` as Latin-1; a character beyond it refuses the export, naming
// `row` (1-based, 0 for the header) and `field`.
inline void appendLatin1(QByteArray &out, const QString &text, const QString &format, long row, const QString &field)
{
    const qsizetype n = text.size();
    const char16_t *src = reinterpret_cast<const char16_t *>(text.utf16());
    const qsizetype at = out.size();
    out.resize(at + n);
    char *dst = out.data() + at;
    for (qsizetype i = 0; i < n; ++i) {
        if (src[i] > 0xFF) {
            out.resize(at);
            refuseValue(format, row, field,
                        QStringLiteral("the character U+%1 is not in the Latin-1 character set").arg(hexCode(src[i])));
        }
        dst[i] = char(src[i]);
    }
}

// Collects output and hands it to the device in large pieces.
class Buffered {
public:
    explicit Buffered(QIODevice &out) : m_out(out) { m_buf.reserve(1 << 20); }
    ~Buffered() = default;
    QByteArray &buf() { return m_buf; }
    void flushIfLarge() { if (m_buf.size() >= (1 << 20)) flush(); }
    void flush()
    {
        if (!m_buf.isEmpty() && m_out.write(m_buf) != m_buf.size())
            refuseExport(QStringLiteral("The export file cannot be written: %1").arg(m_out.errorString()));
        m_buf.clear();
    }
private:
    QIODevice &m_out;
    QByteArray m_buf;
};

// The text form of a value in record exports.
inline QString valueText(const vb::Variant &v) { return displayText(v); }

// True for a field whose values are written bare (not quoted) by the
// character-separated formats.
inline bool isBareType(int adoType) { return isNumericType(adoType) || isBooleanType(adoType); }

} // namespace report::detail
