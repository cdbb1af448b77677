#pragma once
// Shared pieces of the export writers: refusals that name the row and field,
// output in the Windows code page that refuses what it cannot hold, buffered writing.

#include "report/Model.h"
#include "report/RowSource.h"

#include "vb/TextFile.h"
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

[[noreturn]] inline void refuseTitle(const QString &format, const QString &why)
{
    vb::raise(ErrExportRefused,
              QStringLiteral("%1 cannot hold the report title: %2. Nothing was exported.").arg(format, why),
              QStringLiteral("Report"));
}

inline QString notInCodePage(char16_t c) { return vb::notInWindows1252(c); }

// Appends `text` in the Windows code page 1252; a character beyond it refuses
// the export, naming `row` (1-based, 0 for the header) and `field`.
inline void appendAnsi(QByteArray &out, const QString &text, const QString &format, long row, const QString &field)
{
    if (const qsizetype bad = vb::appendWindows1252(out, text); bad >= 0)
        refuseValue(format, row, field, notInCodePage(text[bad].unicode()));
}

// The same for the report title.
inline void appendAnsiTitle(QByteArray &out, const QString &text, const QString &format)
{
    if (const qsizetype bad = vb::appendWindows1252(out, text); bad >= 0)
        refuseTitle(format, notInCodePage(text[bad].unicode()));
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
