// The record-definition reader: a ".ADO" file (name, type, size or precision,
// and scale for the numeric types, TAB-separated, one field per line) becomes
// an empty disconnected record set laid out by it.
#include "core/modGlobal.h"
#include "core/modGlobalDetail.h"

#include "vb/Conversions.h"
#include "vb/TextFile.h"
#include "vb/VbError.h"

#include <QFile>
#include <QFileInfo>

namespace modGlobal {

using detail::part;

namespace {

// The lines of the file as the text stream gives them: code page 1252, each line
// ending at LF with a CR before it dropped. A last line without a line break
// still counts; the empty piece after a final line break does not.
QStringList readLines(const QString &strPath)
{
    QFile file(strPath);
    if (!QFileInfo(strPath).isFile())
        vb::raise(53, QStringLiteral("File not found: ") + strPath);
    if (!file.open(QIODevice::ReadOnly))
        vb::raise(75, QStringLiteral("Path/File access error: ") + strPath);
    const QString text = vb::fromWindows1252(file.readAll());
    if (text.isEmpty())
        vb::raise(62); // input past end of file: nothing to read
    QStringList lines = text.split(QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n')))
        lines.removeLast();
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    return lines;
}

} // namespace

std::shared_ptr<ado::Recordset> ReadRecordsetDefinition(const QString &strPath, long attributes)
{
    {
        const QStringList lines = readLines(strPath);
        auto rs = std::make_shared<ado::Recordset>();
        int lineNumber = 0;
        for (const QString &line : lines) {
            ++lineNumber;
            if (line.isEmpty())
                break;
            const QStringList columns = line.split(QLatin1Char('\t'));
            const QString name = part(columns, 0);
            // A bad line is named with its file, line and field: a bare "Type
            // mismatch" leaves the user to guess which of the files is wrong.
            try {
                const int32_t type = vb::CLng(part(columns, 1));
                const int32_t size = vb::CLng(part(columns, 2));
                rs->Fields().Append(name, type, size, attributes);
                if (type == ado::adNumeric || type == ado::adDecimal) {
                    ado::Field &field = rs->Fields(name);
                    field.setNumericScale(vb::CByte(part(columns, 3)));
                    field.setPrecision(vb::CByte(part(columns, 2)));
                }
            } catch (const vb::VbError &error) {
                vb::raise(error.number,
                          QStringLiteral("%1 (record definition %2, line %3, field \"%4\"; expected name, type and "
                                         "size separated by TAB)")
                              .arg(error.description, strPath)
                              .arg(lineNumber)
                              .arg(name),
                          error.source);
            }
        }
        rs->setCursorType(ado::adOpenKeyset);
        rs->setLockType(ado::adLockOptimistic);
        rs->Open();
        return rs;
    }
}

std::shared_ptr<ado::Recordset> OpenRecordsetDefinition(const QString &strPath)
{
    try {
        return ReadRecordsetDefinition(strPath);
    } catch (const std::exception &e) {
        ReportError(e);
        return nullptr;
    }
}

} // namespace modGlobal
