#include "core/loader/InterchangeFile.h"

#include "core/loader/X12Text.h"

#include "vb/AppInfo.h"
#include "vb/Settings.h"
#include "vb/TextFile.h"
#include "vb/VbError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace core {

namespace {

QString nameFor(const QString &folder, const QString &stem, int sequence)
{
    return QDir(folder).filePath(sequence == 1 ? stem + QStringLiteral(".OC")
                                               : stem + QStringLiteral("-%1.OC").arg(sequence));
}

// A clock second holds few files; the bound only stops a folder that
// refuses every name from looping forever.
constexpr int kLastSequence = 100000;

} // namespace

PendingInterchangeFile::PendingInterchangeFile(const QString &folder, const QString &stem, const QString &text,
                                               const QString &kind)
try : m_file(QDir(folder).filePath(stem + QLatin1Char('.') + kind), 75), m_folder(folder), m_stem(stem) {
    QByteArray bytes;
    bytes.reserve(text.size());
    if (const qsizetype bad = vb::appendWindows1252(bytes, text); bad >= 0)
        vb::raise(5, QStringLiteral("Invalid procedure call or argument: ") + nameFor(folder, stem, 1)
                         + QStringLiteral(", ") + x12::placeInInterchange(text, bad) + QStringLiteral(": ")
                         + vb::notInWindows1252(text[bad].unicode()));
    m_file.device().write(bytes);
    m_file.finish();
} catch (vb::VbError &error) {
    // Named by the name it was to take, not by its kind's mark (rethrown).
    error.description.replace(QDir(folder).filePath(stem + QLatin1Char('.') + kind), nameFor(folder, stem, 1));
}

QString PendingInterchangeFile::expectedPath() const
{
    for (int sequence = 1; sequence <= kLastSequence; ++sequence) {
        const QString path = nameFor(m_folder, m_stem, sequence);
        if (!QFileInfo::exists(path))
            return path;
    }
    return nameFor(m_folder, m_stem, 1);
}

QString PendingInterchangeFile::publish()
{
    for (int sequence = 1; sequence <= kLastSequence; ++sequence) {
        const QString path = nameFor(m_folder, m_stem, sequence);
        if (m_file.commitNew(path))
            return path;
    }
    vb::raise(75, QStringLiteral("Path/File access error: ") + nameFor(m_folder, m_stem, 1));
}

QString WriteNewInterchangeFile(const QString &folder, const QString &stem, const QString &text)
{
    PendingInterchangeFile file(folder, stem, text);
    return file.publish();
}

std::vector<UnnamedInterchangeFile> UnnamedInterchangeFiles(const QString &folder, const QString &kind)
{
    const QString suffix = QLatin1Char('.') + kind;
    std::vector<UnnamedInterchangeFile> files;
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden, QDir::Name)) {
        const QString target = vb::AtomicFile::targetNameOf(name);
        if (target.size() > suffix.size() && target.endsWith(suffix))
            files.push_back({dir.filePath(name), target.chopped(suffix.size())});
    }
    return files;
}

QString NameInterchangeFile(const UnnamedInterchangeFile &file, const QString &folder)
{
    for (int sequence = 1; sequence <= kLastSequence; ++sequence) {
        const QString path = nameFor(folder, file.stem, sequence);
        if (vb::AtomicFile::renameNew(file.path, path))
            return path;
    }
    vb::raise(75, QStringLiteral("Path/File access error: ") + nameFor(folder, file.stem, 1));
}

QString OutboundFolder()
{
    return vb::GetSetting(QStringLiteral("Corvantis"), QStringLiteral("Folders"), QStringLiteral("Outbound"),
                          vb::AppInfo::path());
}

} // namespace core
