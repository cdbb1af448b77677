#include "partners/SetFiles.h"

#include "core/SettingsSections.h"

#include "vb/AppInfo.h"
#include "vb/AtomicFile.h"
#include "vb/Settings.h"
#include "vb/VbError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <utility>

namespace partners {

QString setKey(const QString &partner, const QString &transaction, const QString &version,
               const QString &direction)
{
    const QString key = core::SetKey{partner, transaction, version, direction}.fileStem();
    bool bad = key == QLatin1String(".") || key == QLatin1String("..");
    for (QChar c : key)
        bad = bad || c == QLatin1Char('/') || c.unicode() < 32 || c.unicode() == 127;
    if (bad)
        vb::raise(52, QStringLiteral("Bad file name or number: ") + key);
    return key;
}

QString folderSetting(const QString &key)
{
    return vb::GetSetting(QStringLiteral("Corvantis"), QStringLiteral("Folders"), key, vb::AppInfo::path());
}

void createEmptyFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        vb::raise(75, QStringLiteral("Path/File access error: ") + path);
    file.close();
}

void refuseUnwritable(const QString &path)
{
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    const bool fits = file.exists() ? file.isFile() && file.isWritable() : folder.isDir() && folder.isWritable();
    if (!fits)
        vb::raise(75, QStringLiteral("Path/File access error: ") + path);
}

namespace {

// The working folders and the folders right below them, each once.
QStringList workingFolders()
{
    QStringList folders;
    QSet<QString> seen;
    auto add = [&](const QString &path) {
        const QFileInfo info(path);
        const QString canonical = info.canonicalFilePath();
        if (!info.isDir() || canonical.isEmpty() || seen.contains(canonical))
            return;
        seen.insert(canonical);
        folders << info.absoluteFilePath();
    };
    // A working folder may lie below another one (Reports below the program
    // folder): its own subfolders are still looked at.
    for (const char *key : sections::folderKeys()) {
        const QString folder = folderSetting(QString::fromLatin1(key));
        add(folder);
        for (const QFileInfo &sub : QDir(folder).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
            add(sub.absoluteFilePath());
    }
    return folders;
}

} // namespace

std::vector<SetFileMove> setFileMoves(const std::vector<core::SetKey> &sets, const QString &newPartner)
{
    // Each folder is listed once, however many sets look in it.
    std::vector<std::pair<QDir, QStringList>> listed;
    for (const QString &folder : workingFolders()) {
        const QDir dir(folder);
        listed.emplace_back(dir, dir.entryList(QDir::Files | QDir::Hidden, QDir::Name));
    }
    std::vector<SetFileMove> moves;
    for (const core::SetKey &from : sets) {
        QString oldKey;
        try {
            oldKey = setKey(from.partner, from.transaction, from.version, from.direction);
        } catch (const vb::VbError &) {
            continue; // no file can bear it
        }
        const QString newKey = setKey(newPartner, from.transaction, from.version, from.direction);
        const QString prefix = oldKey + QLatin1Char('.');
        for (const auto &[dir, names] : listed) {
            for (const QString &name : names) {
                if (!name.startsWith(prefix, Qt::CaseInsensitive))
                    continue;
                const QString to = newKey + name.mid(oldKey.size());
                if (to != name)
                    moves.push_back({dir.filePath(name), dir.filePath(to), from});
            }
        }
    }
    return moves;
}

void refuseTakenNames(const std::vector<SetFileMove> &moves)
{
    QSet<QString> taken;
    for (const SetFileMove &move : moves) {
        const QFileInfo target(move.to);
        if (target.exists() || target.isSymLink() || taken.contains(move.to))
            vb::raise(58, QStringLiteral("File already exists: ") + move.to);
        taken.insert(move.to);
    }
}

void moveSetFiles(const std::vector<SetFileMove> &moves)
{
    std::vector<SetFileMove> done;
    try {
        for (const SetFileMove &move : moves) {
            if (!vb::AtomicFile::renameNew(move.from, move.to))
                vb::raise(58, QStringLiteral("File already exists: ") + move.to);
            done.push_back(move);
        }
    } catch (const vb::VbError &error) {
        const QStringList stuck = moveSetFilesBack(done);
        if (stuck.isEmpty())
            throw;
        // The user must learn which files now bear the new name alone.
        vb::VbError whole(error.number, error.description + QStringLiteral("\r\n") + stuck.join(QStringLiteral("\r\n")),
                          error.source);
        throw whole;
    }
}

QStringList moveSetFilesBack(const std::vector<SetFileMove> &moves)
{
    QStringList problems;
    for (auto move = moves.rbegin(); move != moves.rend(); ++move) {
        bool back = false;
        try {
            back = vb::AtomicFile::renameNew(move->to, move->from);
        } catch (const vb::VbError &) {
        }
        if (!back)
            problems << QStringLiteral("%1 could not be renamed back to %2.").arg(move->to, move->from);
    }
    return problems;
}

} // namespace partners
