#include "AtomicFile.h"

#include "VbError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vb {

namespace {

QString systemReason(int error)
{
    // A write that wrote nothing and set no error still left the disk without the bytes.
    return QString::fromLocal8Bit(std::strerror(error ? error : ENOSPC));
}

// The descriptor of the temporary file behind a QIODevice. Writes gather in a
// buffer and go out in large pieces; a piece the system takes only in part
// is continued until it is whole or the system says why it cannot be.
class FileSink final : public QIODevice {
public:
    int fd = -1;
    int error = 0; // errno of the first failure; 0 while none
    bool broken = false;

    bool isSequential() const override { return true; }

    bool drain()
    {
        qsizetype done = 0;
        while (!broken && done < m_buffer.size()) {
            const ssize_t n = ::write(fd, m_buffer.constData() + done, size_t(m_buffer.size() - done));
            if (n > 0) {
                done += n;
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else {
                fail(n == 0 ? ENOSPC : errno);
            }
        }
        m_buffer.clear();
        return !broken;
    }

    void fail(int number)
    {
        if (!broken) {
            broken = true;
            error = number;
            setErrorString(systemReason(number));
        }
    }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 len) override
    {
        if (broken)
            return -1;
        m_buffer.append(data, qsizetype(len));
        if (m_buffer.size() >= kChunk && !drain())
            return -1;
        return len;
    }

private:
    static constexpr qsizetype kChunk = 256 * 1024;
    QByteArray m_buffer;
};

// The runtime's own file error keeps its classic text in front.
QString failureText(int errorNumber, const QString &path, const QString &reason)
{
    return (errorNumber == 75 ? QStringLiteral("Path/File access error: %1: %2") : QStringLiteral("Cannot write %1: %2"))
        .arg(path, reason);
}

QString randomLetters()
{
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString out;
    for (int i = 0; i < 6; ++i)
        out += QLatin1Char(kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters - 1))]);
    return out;
}

const QRegularExpression &temporaryPattern()
{
    static const QRegularExpression pattern(QStringLiteral("^\\.(.+)\\.[A-Za-z0-9]{6}\\.part$"),
                                            QRegularExpression::DotMatchesEverythingOption);
    return pattern;
}

// The folder `path` is in, synced; a failure is raised as the writer's own.
void syncFolderOf(const QString &path, int errorNumber, const QString &source)
{
    QString reason;
    if (!syncFolder(QFileInfo(path).absolutePath(), &reason))
        raise(errorNumber, failureText(errorNumber, path, reason), source);
}

} // namespace

bool syncFolder(const QString &folder, QString *reason)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int error = fd < 0 ? errno : 0;
    if (fd >= 0) {
        if (::fsync(fd) != 0)
            error = errno;
        ::close(fd);
    }
    // EINVAL: a file system that has nothing to sync for a folder.
    if (error == 0 || error == EINVAL)
        return true;
    if (reason)
        *reason = QStringLiteral("the folder %1 could not be synced: %2").arg(folder, systemReason(error));
    return false;
}

struct AtomicFile::Private {
    QString path;
    QString temporary;
    int errorNumber = 75;
    QString source;
    FileSink sink;
    bool finished = false;
    bool done = false; // renamed or dropped
};

AtomicFile::AtomicFile(const QString &path, int errorNumber, const QString &source)
    : d(std::make_unique<Private>())
{
    d->path = path;
    d->errorNumber = errorNumber;
    d->source = source;
    const QFileInfo target(path);
    const QString folder = target.absolutePath();
    // A long name keeps its start; the pattern only needs the dot and the suffix.
    const QString base = target.fileName().left(200);
    struct stat existing {};
    const bool replaces = ::stat(QFile::encodeName(path).constData(), &existing) == 0;
    for (int attempt = 0;; ++attempt) {
        d->temporary = folder + QLatin1String("/.") + base + QLatin1Char('.') + randomLetters() + QLatin1String(".part");
        d->sink.fd = ::open(QFile::encodeName(d->temporary).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (d->sink.fd >= 0)
            break;
        if (errno != EEXIST || attempt > 100) {
            const int error = errno;
            d->done = true;
            raise(errorNumber, failureText(errorNumber, path, systemReason(error)), source);
        }
    }
    // The new file keeps the permissions of the one it replaces.
    if (replaces)
        ::fchmod(d->sink.fd, existing.st_mode & 07777);
    d->sink.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

AtomicFile::~AtomicFile()
{
    if (!d->done)
        cancel();
}

QIODevice &AtomicFile::device()
{
    return d->sink;
}

const QString &AtomicFile::path() const
{
    return d->path;
}

QString AtomicFile::temporaryPath() const
{
    return d->temporary;
}

bool AtomicFile::failed() const
{
    return d->sink.broken;
}

void AtomicFile::raiseFailure(const QString &reason) const
{
    raise(d->errorNumber, failureText(d->errorNumber, d->path, reason.isEmpty() ? systemReason(d->sink.error) : reason),
          d->source);
}

void AtomicFile::finish()
{
    if (d->finished)
        return;
    if (d->done)
        raiseFailure(QStringLiteral("the file was dropped"));
    d->sink.drain();
    if (!d->sink.broken && ::fsync(d->sink.fd) != 0)
        d->sink.fail(errno);
    if (::close(d->sink.fd) != 0 && !d->sink.broken)
        d->sink.fail(errno);
    d->sink.fd = -1;
    d->sink.close();
    if (d->sink.broken) {
        // The reason is read before the file goes: removing it may change errno.
        const QString reason = systemReason(d->sink.error);
        cancel();
        raiseFailure(reason);
    }
    d->finished = true;
}

void AtomicFile::commit()
{
    finish();
    if (::rename(QFile::encodeName(d->temporary).constData(), QFile::encodeName(d->path).constData()) != 0) {
        const QString reason = systemReason(errno);
        cancel();
        raiseFailure(reason);
    }
    d->done = true;
    syncFolderOf(d->path, d->errorNumber, d->source);
}

bool AtomicFile::commitNew(const QString &target)
{
    finish();
    try {
        if (!renameNew(d->temporary, target, d->errorNumber, d->source))
            return false;
    } catch (...) {
        cancel();
        throw;
    }
    d->done = true;
    d->path = target;
    return true;
}

bool AtomicFile::renameNew(const QString &from, const QString &to, int errorNumber, const QString &source)
{
    const QByteArray f = QFile::encodeName(from);
    const QByteArray t = QFile::encodeName(to);
    const auto synced = [&] {
        syncFolderOf(to, errorNumber, source);
        if (QFileInfo(from).absolutePath() != QFileInfo(to).absolutePath())
            syncFolderOf(from, errorNumber, source);
        return true;
    };
    if (::renameat2(AT_FDCWD, f.constData(), AT_FDCWD, t.constData(), RENAME_NOREPLACE) == 0)
        return synced();
    if (errno == EEXIST)
        return false;
    // A file system without the exclusive rename: a hard link is exclusive too.
    if (errno == EINVAL || errno == ENOSYS) {
        if (::link(f.constData(), t.constData()) == 0) {
            ::unlink(f.constData());
            return synced();
        }
        if (errno == EEXIST)
            return false;
    }
    const int error = errno;
    raise(errorNumber, failureText(errorNumber, to, systemReason(error)), source);
}

void AtomicFile::cancel()
{
    if (d->sink.fd >= 0) {
        ::close(d->sink.fd);
        d->sink.fd = -1;
    }
    if (d->sink.isOpen())
        d->sink.close();
    if (!d->done)
        ::unlink(QFile::encodeName(d->temporary).constData());
    d->done = true;
}

bool AtomicFile::isTemporaryName(const QString &fileName)
{
    return temporaryPattern().match(fileName).hasMatch();
}

QString AtomicFile::targetNameOf(const QString &temporaryFileName)
{
    const QRegularExpressionMatch match = temporaryPattern().match(temporaryFileName);
    return match.hasMatch() ? match.captured(1) : QString();
}

QStringList AtomicFile::removeLeftovers(const QString &folder, const std::function<bool(const QString &)> &keep)
{
    QStringList removed;
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name)) {
        const QString target = targetNameOf(name);
        if (target.isEmpty() || (keep && keep(target)))
            continue;
        if (QFile::remove(dir.filePath(name)))
            removed << dir.filePath(name);
    }
    return removed;
}

void writeFileAtomically(const QString &path, const std::function<void(QIODevice &)> &write, int errorNumber,
                         const QString &source)
{
    AtomicFile file(path, errorNumber, source);
    try {
        write(file.device());
    } catch (...) {
        // The writer's own refusal of a short write says less than the system does.
        if (file.failed()) {
            const QString reason = file.device().errorString();
            file.cancel();
            file.raiseFailure(reason);
        }
        throw; // `file` drops the temporary file
    }
    if (file.failed()) {
        const QString reason = file.device().errorString();
        file.cancel();
        file.raiseFailure(reason);
    }
    file.commit();
}

} // namespace vb
