#include "Settings.h"

#include "VbError.h"

#include <QDir>
#include <QFileDevice>
#include <QIODevice>
#include <QMutex>
#include <QMutexLocker>
#include <QSettings>
#include <QStandardPaths>
#include <QStringDecoder>

namespace vb {

namespace {

QMutex g_rootMutex;
QString g_root;
// Why the last settings file could not be written, for the error raised.
thread_local QString g_lastWriteReason;

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

QString trimBlanks(const QString &s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b);
}

// QSettings' own INI format reads "a, b" as a list of two texts and escapes
// blanks in key names; the program stores plain text, so it reads and
// writes the file itself and leaves locking and atomic saving to QSettings.
bool readIni(QIODevice &device, QSettings::SettingsMap &map)
{
    const QByteArray bytes = device.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = QString::fromLatin1(bytes); // a file edited with an 8-bit editor
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    QString section;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = trimBlanks(line);
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('#')))
            continue;
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
            section = trimBlanks(trimmed.mid(1, trimmed.size() - 2));
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        const QString key = trimBlanks(line.left(eq));
        if (key.isEmpty())
            continue;
        const QString value = decodeSettingsValue(line.mid(eq + 1));
        map.insert(section.isEmpty() ? key : section + QLatin1Char('/') + key, value);
    }
    return true;
}

bool writeIni(QIODevice &device, const QSettings::SettingsMap &map)
{
    QString out;
    QString current;
    bool first = true;
    // Keys outside any section come first in the sorted map only by chance;
    // write them first explicitly so they stay outside.
    for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
        if (!it.key().contains(QLatin1Char('/')))
            out += it.key() + QLatin1Char('=') + encodeSettingsValue(it.value().toString()) + QLatin1Char('\n');
    }
    for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
        const qsizetype slash = it.key().lastIndexOf(QLatin1Char('/'));
        if (slash < 0)
            continue;
        const QString section = it.key().left(slash);
        if (first || section != current) {
            if (!out.isEmpty())
                out += QLatin1Char('\n');
            out += QLatin1Char('[') + section + QLatin1String("]\n");
            current = section;
            first = false;
        }
        out += it.key().mid(slash + 1) + QLatin1Char('=') + encodeSettingsValue(it.value().toString()) + QLatin1Char('\n');
    }
    // QSettings commits its temporary file when this returns true: a short
    // write (a full disk) must say false, or the cut file replaces the good one.
    const QByteArray bytes = out.toUtf8();
    // A piece the system takes only in part is continued: the next write
    // either completes it or fails with the system's reason.
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 n = device.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            break;
        done += n;
    }
    bool ok = done == bytes.size();
    auto *file = qobject_cast<QFileDevice *>(&device);
    if (ok && file)
        ok = file->flush();
    if (!ok)
        g_lastWriteReason = device.errorString();
    return ok;
}

QSettings::Format iniFormat()
{
    static const QSettings::Format format = QSettings::registerFormat(QStringLiteral("ini"), readIni, writeIni,
                                                                      Qt::CaseSensitive);
    return format;
}

// Names become INI section headers and key lines: they must be plain.
void checkName(const QString &name, const char *what)
{
    bool ok = !name.isEmpty() && trimBlanks(name) == name;
    for (QChar c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QLatin1Char('=') || c == QLatin1Char('[')
            || c == QLatin1Char(']') || c.unicode() < 0x20)
            ok = false;
    }
    if (!ok)
        raise(5, QStringLiteral("Invalid procedure call or argument: invalid settings %1 \"%2\"")
                     .arg(QLatin1String(what), name));
}

struct Store {
    QString file;
    QSettings settings;
    explicit Store(const QString &appName)
        : file(settingsFile(appName)), settings(file, iniFormat())
    {
    }
    void syncOrRaise()
    {
        g_lastWriteReason.clear();
        settings.sync();
        if (settings.status() != QSettings::NoError)
            raise(75, QStringLiteral("Path/File access error: %1%2")
                          .arg(file, g_lastWriteReason.isEmpty() ? QString() : QStringLiteral(": ") + g_lastWriteReason));
    }
};

} // namespace

QString settingsRoot()
{
    QMutexLocker lock(&g_rootMutex);
    if (!g_root.isEmpty())
        return g_root;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Corvantis");
}

void setSettingsRoot(const QString &folder)
{
    QMutexLocker lock(&g_rootMutex);
    g_root = folder;
}

QString settingsFile(const QString &appName)
{
    checkName(appName, "application");
    return settingsRoot() + QLatin1Char('/') + appName + QStringLiteral(".ini");
}

QString GetSetting(const QString &appName, const QString &section, const QString &key, const QString &defaultValue)
{
    checkName(section, "section");
    checkName(key, "key");
    Store store(appName);
    const QVariant v = store.settings.value(section + QLatin1Char('/') + key);
    return v.isValid() ? v.toString() : defaultValue;
}

void SaveSetting(const QString &appName, const QString &section, const QString &key, const QString &value)
{
    checkName(section, "section");
    checkName(key, "key");
    Store store(appName);
    if (!QDir().mkpath(settingsRoot()))
        raise(76, QStringLiteral("Path not found: %1").arg(settingsRoot()));
    store.settings.setValue(section + QLatin1Char('/') + key, value);
    store.syncOrRaise();
}

void DeleteSetting(const QString &appName, const QString &section)
{
    checkName(section, "section");
    Store store(appName);
    if (!store.settings.childGroups().contains(section))
        raise(5, QStringLiteral("Invalid procedure call or argument: no settings section \"%1\"").arg(section));
    store.settings.remove(section);
    store.syncOrRaise();
}

void DeleteSetting(const QString &appName, const QString &section, const QString &key)
{
    checkName(section, "section");
    checkName(key, "key");
    Store store(appName);
    const QString path = section + QLatin1Char('/') + key;
    if (!store.settings.contains(path))
        raise(5, QStringLiteral("Invalid procedure call or argument: no setting \"%1\" in section \"%2\"").arg(key, section));
    store.settings.remove(path);
    store.syncOrRaise();
}

std::vector<std::pair<QString, QString>> GetAllSettings(const QString &appName, const QString &section)
{
    checkName(section, "section");
    Store store(appName);
    std::vector<std::pair<QString, QString>> out;
    store.settings.beginGroup(section);
    for (const QString &key : store.settings.childKeys())
        out.emplace_back(key, store.settings.value(key).toString());
    store.settings.endGroup();
    return out;
}

QString encodeSettingsValue(const QString &value)
{
    bool quote = !value.isEmpty()
                 && (isBlank(value.front()) || isBlank(value.back()) || value.front() == QLatin1Char('"'));
    for (QChar c : value) {
        if (c.unicode() < 0x20 && c != QLatin1Char('\t'))
            quote = true;
    }
    if (!quote)
        return value;
    QString out = QStringLiteral("\"");
    for (QChar c : value) {
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case '"': out += QLatin1String("\\\""); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\r': out += QLatin1String("\\r"); break;
        case '\t': out += QLatin1String("\\t"); break;
        default:
            if (c.unicode() < 0x20)
                out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}

QString decodeSettingsValue(const QString &raw)
{
    const QString t = trimBlanks(raw);
    if (t.size() < 2 || t.front() != QLatin1Char('"') || t.back() != QLatin1Char('"'))
        return t;
    QString out;
    const QString inner = t.mid(1, t.size() - 2);
    for (qsizetype i = 0; i < inner.size(); ++i) {
        const QChar c = inner[i];
        if (c != QLatin1Char('\\') || i + 1 >= inner.size()) {
            out += c;
            continue;
        }
        const QChar n = inner[++i];
        switch (n.unicode()) {
        case 'n': out += QLatin1Char('\n'); break;
        case 'r': out += QLatin1Char('\r'); break;
        case 't': out += QLatin1Char('\t'); break;
        case '\\': out += QLatin1Char('\\'); break;
        case '"': out += QLatin1Char('"'); break;
        case 'x': {
            const auto hex = [](QChar h) { return h.isDigit() || (h.toLower() >= QLatin1Char('a') && h.toLower() <= QLatin1Char('f')); };
            if (i + 2 < inner.size() && hex(inner[i + 1]) && hex(inner[i + 2])) {
                const int code = inner.mid(i + 1, 2).toInt(nullptr, 16);
                out += QChar(code);
                i += 2;
            } else {
                out += QLatin1Char('\\');
                out += n;
            }
            break;
        }
        default: // not an escape of ours: kept as written
            out += QLatin1Char('\\');
            out += n;
        }
    }
    return out;
}

} // namespace vb
