#include "integration/ImportFiles.h"

#include "core/SetKey.h"
#include "core/SettingsSections.h"
#include "core/modGlobal.h"
#include "odbc/Odbc.h"
#include "vb/AtomicFile.h"
#include "vb/TextFile.h"
#include "vb/VbError.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace integration {

namespace {

bool isTextType(int type)
{
    switch (type) {
    case 8: case 129: case 130: case 200: case 201: case 202: case 203:
        return true;
    default:
        return false;
    }
}

// The import files are in the Windows code page 1252, as the spreadsheets and
// partners' tools that read them expect: a curly quote or a euro sign typed
// into an order passes; a character the code page cannot hold is refused
// naming where it is.
QByteArray windows1252(const QString &text, const QString &path)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    if (vb::appendWindows1252(bytes, text) >= 0)
        vb::raise(5, u"The import file "_s + path + u" cannot hold a character of the result"_s);
    return bytes;
}

void checkWindows1252(const QueryResult &result, const QString &path)
{
    for (const ImportColumn &c : result.columns)
        if (vb::firstOutsideWindows1252(c.name) >= 0)
            vb::raise(5, u"The name of column \""_s + c.name
                             + u"\" holds a character that code page 1252 cannot hold"_s);
    for (std::size_t r = 0; r < result.rows.size(); ++r) {
        const auto &row = result.rows[r];
        for (std::size_t i = 0; i < row.size() && i < result.columns.size(); ++i) {
            const QString text = ImportValueText(row[i]);
            const qsizetype at = vb::firstOutsideWindows1252(text);
            if (at >= 0)
                vb::raise(5, u"Row "_s + QString::number(r + 1) + u", column \""_s + result.columns[i].name
                                 + u"\": the character U+"_s
                                 + QString::number(text[at].unicode(), 16).toUpper().rightJustified(4, u'0')
                                 + u" cannot be written to the import file "_s + path + u" (code page 1252)"_s);
        }
    }
}

} // namespace

QString WithDateParameters(QString statement, const std::optional<QDate> &start, const std::optional<QDate> &end)
{
    for (const std::optional<QDate> &date : {start, end}) {
        if (!date)
            continue;
        const qsizetype at = statement.indexOf(u'?');
        if (at < 0)
            break;
        statement.replace(at, 1, u'\'' + date->toString(u"MM/dd/yyyy"_s) + u'\'');
    }
    return statement;
}

QString ImportValueText(const vb::Variant &value, bool *changed)
{
    if (value.isNull() || value.isEmpty())
        return {};
    QString text = value.toString();
    bool any = false;
    for (QChar &c : text) {
        if (c == u'\t' || c == u'\r' || c == u'\n') {
            c = u' ';
            any = true;
        }
    }
    if (changed)
        *changed = any;
    return text;
}

QueryResult RunQuery(odbc::Connection &connection, const QString &statement)
{
    QueryResult result;
    const std::unique_ptr<odbc::Result> rows = connection.execute(statement);
    result.hasRowset = rows->hasRowset();
    if (!result.hasRowset)
        return result;
    int ids = 0;
    for (const odbc::Column &c : rows->columns()) {
        ImportColumn column{c.name, c.type, c.definedSize, c.precision, c.numericScale};
        if (c.name == u"_ID"_s)
            column.name = u"_ID"_s + QString::number(++ids);
        result.columns.push_back(column);
    }
    const int n = int(result.columns.size());
    while (rows->next()) {
        std::vector<vb::Variant> row;
        row.reserve(std::size_t(n));
        for (int i = 0; i < n; ++i) {
            vb::Variant value = rows->value(i);
            bool changed = false;
            if (!value.isNull()) {
                const QString text = ImportValueText(value, &changed);
                if (changed) {
                    value = vb::Variant(text);
                    ++result.changedValues;
                }
            }
            row.push_back(std::move(value));
        }
        result.rows.push_back(std::move(row));
    }
    return result;
}

QString ImportDefinitionText(const QueryResult &result)
{
    QString text;
    for (std::size_t i = 0; i < result.columns.size(); ++i) {
        const ImportColumn &c = result.columns[i];
        text += c.name + u'\t' + QString::number(c.type) + u'\t';
        if (c.type == 131 || c.type == 14) {
            // A driver may report fewer places than its values carry (an
            // unconstrained NUMERIC): the definition is widened to the
            // values, so the outbound run reads every digit back.
            int scale = c.numericScale, whole = c.precision - c.numericScale;
            for (const auto &row : result.rows) {
                const std::optional<vb::Variant> exact = vb::Variant::fromDecimalText(ImportValueText(row[i]));
                if (!exact)
                    continue;
                const QString &digits = exact->decimalText();
                const QStringView unsignedDigits = QStringView(digits).mid(digits.startsWith(u'-') ? 1 : 0);
                const qsizetype point = unsignedDigits.indexOf(u'.');
                if (point >= 0)
                    scale = std::max(scale, int(unsignedDigits.size() - point - 1));
                whole = std::max(whole, int(point < 0 ? unsignedDigits.size() : point));
            }
            text += QString::number(whole + scale) + u'\t' + QString::number(scale);
        } else {
            qint64 size = c.definedSize;
            if (isTextType(c.type))
                for (const auto &row : result.rows)
                    size = std::max<qint64>(size, ImportValueText(row[i]).size());
            text += QString::number(size);
        }
        text += u"\r\n"_s;
    }
    return text + u"\r\n"_s;
}

QString ImportDataText(const QueryResult &result, bool tabAfterEach)
{
    QString text;
    for (const auto &row : result.rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i > 0)
                text += u'\t';
            text += ImportValueText(row[i]);
        }
        if (tabAfterEach && !row.empty())
            text += u'\t';
        text += u"\r\n"_s;
    }
    return text;
}

QString ImportFileStem(const QString &partner, const QString &transaction, const QString &version,
                       const QString &direction)
{
    return sections::folder(u"Import"_s) + u'/' + core::SetKey{partner, transaction, version, direction}.fileStem();
}

void WriteImportFiles(const QueryResult &result, const QString &stem, bool tabAfterEach)
{
    QDir().mkpath(QFileInfo(stem).absolutePath());
    checkWindows1252(result, stem + u".IMP"_s);
    const QByteArray definitionBytes = windows1252(ImportDefinitionText(result), stem + u".ADO"_s);
    const QByteArray dataBytes = windows1252(ImportDataText(result, tabAfterEach), stem + u".IMP"_s);
    vb::AtomicFile definition(stem + u".ADO"_s, 75);
    vb::AtomicFile data(stem + u".IMP"_s, 75);
    // Both are complete, every byte on the disk, before either is replaced.
    definition.device().write(definitionBytes);
    definition.finish();
    data.device().write(dataBytes);
    data.finish();
    // The pair is replaced as one: the data file first, then its definition.
    // The previous data file stays reachable under a second name until the
    // definition is in place, so a failure of the second rename puts the old
    // pair back instead of leaving new data beside an old definition.
    const QString dataPath = stem + u".IMP"_s;
    const QString previous = dataPath + u".previous"_s;
    QFile::remove(previous);
    const bool hadData = QFileInfo::exists(dataPath);
    if (hadData && ::link(QFile::encodeName(dataPath).constData(), QFile::encodeName(previous).constData()) != 0
        && !QFile::copy(dataPath, previous))
        vb::raise(75, u"Path/File access error: "_s + previous + u": the previous data file could not be kept"_s);
    try {
        data.commit();
    } catch (...) {
        QFile::remove(previous);
        throw;
    }
    try {
        definition.commit();
    } catch (const vb::VbError &error) {
        if (hadData)
            ::rename(QFile::encodeName(previous).constData(), QFile::encodeName(dataPath).constData());
        else
            QFile::remove(dataPath);
        vb::raise(75, error.description + u" (the previous import files were kept)"_s);
    }
    QFile::remove(previous);
}

void LogQueryOutcome(const QueryResult &result)
{
    if (!result.hasRowset) {
        modGlobal::LogHistory(u"Info"_s, u"No rowset returned"_s);
        return;
    }
    const qint64 n = qint64(result.rows.size());
    modGlobal::LogHistory(u"Info"_s, QString::number(n) + u" record"_s + (n == 1 ? QString() : u"s"_s)
                                         + u" returned from statement."_s);
    LogChangedValues(result.changedValues);
}

void LogChangedValues(qint64 changedValues)
{
    if (changedValues > 0)
        modGlobal::LogHistory(u"Warning"_s, QString::number(changedValues)
                                                + (changedValues == 1 ? u" value held"_s : u" values held"_s)
                                                + u" a TAB, CR or LF; each was written as one blank"_s);
}

} // namespace integration
