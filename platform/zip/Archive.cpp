#include "zip/Archive.h"

#include "vb/AtomicFile.h"
#include "vb/VbError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStorageInfo>

#include <zip.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <memory>
#include <vector>

#include <unistd.h>

namespace zipfile {

namespace {

struct ArchiveCloser {
    void operator()(zip_t *z) const { zip_discard(z); }
};
using ArchiveHandle = std::unique_ptr<zip_t, ArchiveCloser>;

struct FileCloser {
    void operator()(zip_file_t *f) const { zip_fclose(f); }
};

uint32_t le32(const uchar *p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint16_t le16(const uchar *p) { return uint16_t(p[0] | p[1] << 8); }
uint64_t le64(const uchar *p) { return uint64_t(le32(p)) | uint64_t(le32(p + 4)) << 32; }

// The entry names exactly as the central directory stores them. libzip turns
// a NUL inside a name into a blank, which would hide the trick, so the
// directory is read here as well. Empty when it cannot be read; the caller then
// falls back to libzip's names.
QList<QByteArray> rawCentralNames(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const qint64 size = f.size();
    const qint64 tailSize = std::min<qint64>(size, 65557);
    f.seek(size - tailSize);
    const QByteArray tail = f.read(tailSize);
    const qsizetype eocd = tail.lastIndexOf(QByteArray("PK\x05\x06", 4));
    if (eocd < 0 || eocd + 22 > tail.size())
        return {};
    const auto *e = reinterpret_cast<const uchar *>(tail.constData() + eocd);
    uint64_t count = le16(e + 10);
    uint64_t cdSize = le32(e + 12);
    uint64_t cdOffset = le32(e + 16);
    if (cdOffset == 0xFFFFFFFFu || count == 0xFFFF || cdSize == 0xFFFFFFFFu) {
        // Zip64: the locator stands right before the classic end record.
        if (eocd < 20)
            return {};
        const auto *loc = e - 20;
        if (le32(loc) != 0x07064b50)
            return {};
        f.seek(qint64(le64(loc + 8)));
        const QByteArray rec = f.read(56);
        if (rec.size() < 56 || le32(reinterpret_cast<const uchar *>(rec.constData())) != 0x06064b50)
            return {};
        const auto *r = reinterpret_cast<const uchar *>(rec.constData());
        count = le64(r + 32);
        cdSize = le64(r + 40);
        cdOffset = le64(r + 48);
    }
    if (cdOffset + cdSize > uint64_t(size) || cdSize > (uint64_t(1) << 31))
        return {};
    f.seek(qint64(cdOffset));
    const QByteArray cd = f.read(qint64(cdSize));
    QList<QByteArray> names;
    qsizetype pos = 0;
    while (uint64_t(names.size()) < count) {
        if (pos + 46 > cd.size())
            return {};
        const auto *h = reinterpret_cast<const uchar *>(cd.constData() + pos);
        if (le32(h) != 0x02014b50)
            return {};
        const int nameLen = le16(h + 28), extraLen = le16(h + 30), commentLen = le16(h + 32);
        if (pos + 46 + nameLen > cd.size())
            return {};
        names.append(cd.mid(pos + 46, nameLen));
        pos += 46 + nameLen + extraLen + commentLen;
    }
    return names;
}

struct Pattern {
    QRegularExpression re;
    bool wholePath; // the pattern names folders too
};

QList<Pattern> patterns(const QString &list)
{
    QList<Pattern> out;
    static const QRegularExpression sep(QStringLiteral("[\\s;]+"));
    for (const QString &p : list.split(sep, Qt::SkipEmptyParts))
        out.append({QRegularExpression(QRegularExpression::wildcardToRegularExpression(
                                           p, QRegularExpression::UnanchoredWildcardConversion),
                                       QRegularExpression::CaseInsensitiveOption),
                    p.contains(QLatin1Char('/'))});
    return out;
}

// A pattern without "/" is matched against the entry's own name, so "*.edi"
// selects such files in every folder; one with "/" against the whole path.
bool matchesAny(const QList<Pattern> &list, const QString &path)
{
    const QString base = path.endsWith(QLatin1Char('/')) ? path : path.section(QLatin1Char('/'), -1);
    for (const auto &[re, wholePath] : list) {
        const QString &name = wholePath ? path : base;
        const auto m = re.match(name);
        if (m.hasMatch() && m.capturedStart() == 0 && m.capturedLength() == name.size())
            return true;
    }
    return false;
}

bool isLink(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

QString joinNames(const QStringList &names)
{
    QStringList quoted;
    for (const QString &n : names)
        quoted.append(QLatin1Char('"') + n + QLatin1Char('"'));
    return quoted.join(QStringLiteral(", "));
}

} // namespace

QString unsafeEntryReason(const QByteArray &raw)
{
    if (raw.isEmpty())
        return QStringLiteral("empty name");
    for (char c : raw) {
        if (c == '\0')
            return QStringLiteral("NUL in name");
        if (uchar(c) < 0x20 || c == 0x7f)
            return QStringLiteral("control character in name");
        if (c == '\\')
            return QStringLiteral("backslash in name");
    }
    if (raw.startsWith('/'))
        return QStringLiteral("absolute path");
    if (raw.size() >= 2 && raw.at(1) == ':')
        return QStringLiteral("drive letter");
    for (const QByteArray &part : raw.split('/')) {
        if (part == "..")
            return QStringLiteral("\"..\" in path");
    }
    return {};
}

namespace {

// The text after "Cannot write <path>: " of the atomic writer's refusal: the
// system's reason alone.
QString writerReason(const vb::VbError &error, const QString &target)
{
    const QString prefix = QStringLiteral("Cannot write ") + target + QStringLiteral(": ");
    return error.description.startsWith(prefix) ? error.description.mid(prefix.size()) : error.description;
}

// A second name for the file `target` (a hard link, or a copy where the file
// system has none), so the file can be given back if the archive is not placed
// whole. Empty when neither can be made.
QString keepAside(const QString &target)
{
    const QFileInfo info(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        QString letters;
        for (int k = 0; k < 6; ++k)
            letters += QLatin1Char(char('a' + QRandomGenerator::global()->bounded(26)));
        const QString aside = info.absolutePath() + QStringLiteral("/.") + info.fileName().left(200)
            + QLatin1Char('.') + letters + QStringLiteral(".unzip-previous");
        if (::link(QFile::encodeName(target).constData(), QFile::encodeName(aside).constData()) == 0)
            return aside;
        if (errno == EEXIST)
            continue;
        return QFile::copy(target, aside) ? aside : QString();
    }
    return {};
}

// Files written through the atomic writer, and the folders made for them,
// until the whole archive has been read; then all renamed into place, or none.
class Staging {
public:
    ~Staging() { discard(); }
    void madeFolder(const QString &dir) { m_folders.append(dir); }
    void add(std::unique_ptr<vb::AtomicFile> file) { m_files.push_back(std::move(file)); }
    // Renames every file into place. When one fails, every file placed before
    // it is taken back (a file it replaced is given back), so the destination
    // is as it was; false with the reason.
    bool commit(QString *why, QStringList *placed)
    {
        struct Placed {
            QString target;
            QString previous; // the replaced file's second name; empty when none was replaced
        };
        std::vector<Placed> done;
        const auto undo = [&] {
            for (auto it = done.crbegin(); it != done.crend(); ++it) {
                const QByteArray target = QFile::encodeName(it->target);
                if (it->previous.isEmpty())
                    ::unlink(target.constData());
                else
                    ::rename(QFile::encodeName(it->previous).constData(), target.constData());
            }
            discard();
        };
        for (const std::unique_ptr<vb::AtomicFile> &file : m_files) {
            const QString target = file->path();
            QString previous;
            struct stat st;
            if (::lstat(QFile::encodeName(target).constData(), &st) == 0 && S_ISREG(st.st_mode)) {
                previous = keepAside(target);
                if (previous.isEmpty()) {
                    *why = QStringLiteral("Cannot write \"%1\": %2; nothing was extracted.")
                               .arg(target, QString::fromLocal8Bit(std::strerror(errno ? errno : EIO)));
                    undo();
                    return false;
                }
            }
            struct stat staged;
            const bool haveStaged = ::stat(QFile::encodeName(file->temporaryPath()).constData(), &staged) == 0;
            try {
                file->commit();
            } catch (const vb::VbError &error) {
                *why = QStringLiteral("Cannot write \"%1\": %2; nothing was extracted.")
                           .arg(target, writerReason(error, target));
                // A folder that could not be synced fails the commit after the
                // rename: the new file stands at the target and is taken back too.
                struct stat now;
                if (haveStaged && ::lstat(QFile::encodeName(target).constData(), &now) == 0
                    && now.st_dev == staged.st_dev && now.st_ino == staged.st_ino)
                    done.push_back({target, previous});
                else if (!previous.isEmpty())
                    ::unlink(QFile::encodeName(previous).constData());
                undo();
                return false;
            }
            done.push_back({target, previous});
        }
        for (const Placed &p : done) {
            if (!p.previous.isEmpty())
                ::unlink(QFile::encodeName(p.previous).constData());
            placed->append(p.target);
        }
        m_files.clear();
        m_folders.clear();
        return true;
    }
    void discard()
    {
        // Each temporary file not renamed is dropped by its writer.
        m_files.clear();
        // Made here, so empty unless someone wrote into them meanwhile.
        for (auto it = m_folders.crbegin(); it != m_folders.crend(); ++it)
            QDir().rmdir(*it);
        m_folders.clear();
    }

private:
    std::vector<std::unique_ptr<vb::AtomicFile>> m_files;
    QStringList m_folders;
};

// The atomic writer's refusals carry this number; its text is "Cannot write
// <path>: <reason>".
constexpr int kWriteErrorNumber = 57;

QString sizeText(qint64 bytes)
{
    return QStringLiteral("%1 bytes").arg(bytes);
}

} // namespace

int Unzipper::run(const QString &include, const QString &exclude)
{
    m_message.clear();
    m_extracted.clear();
    m_refused.clear();

    if (archive.isEmpty()) {
        m_message = QStringLiteral("No archive name was given.");
        return UnzipBadArguments;
    }
    const QFileInfo destInfo(destination);
    if (destination.isEmpty() || !destInfo.isDir()) {
        m_message = QStringLiteral("The destination folder \"%1\" does not exist.").arg(destination);
        return UnzipBadArguments;
    }
    const QString destRoot = QDir(destInfo.absoluteFilePath()).canonicalPath();

    int err = 0;
    ArchiveHandle za(zip_open(QFile::encodeName(archive).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &err));
    if (!za) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, err);
        m_message = QStringLiteral("Cannot open the archive \"%1\": %2.")
                        .arg(archive, QString::fromLocal8Bit(zip_error_strerror(&ze)));
        zip_error_fini(&ze);
        return UnzipCannotOpen;
    }

    const zip_int64_t count = zip_get_num_entries(za.get(), 0);
    QList<QByteArray> rawNames = rawCentralNames(archive);
    if (rawNames.size() != count)
        rawNames.clear();
    const auto includes = patterns(include);
    const auto excludes = patterns(exclude);
    const auto shownName = [&](zip_int64_t i, QString *name) {
        const char *rawName = zip_get_name(za.get(), zip_uint64_t(i), ZIP_FL_ENC_RAW);
        const QByteArray raw = rawNames.isEmpty() ? QByteArray(rawName ? rawName : "") : rawNames.at(i);
        // Names not marked as UTF-8 are read as the old DOS code page, as libzip guesses.
        const char *decoded = zip_get_name(za.get(), zip_uint64_t(i), 0);
        *name = QString::fromUtf8(decoded ? decoded : "");
        // Shown names: printable, with a NUL spelled out so the message names the real entry.
        QString shown = raw.contains('\0') ? QString::fromUtf8(raw) : *name;
        shown.replace(QChar(0), QStringLiteral("\\0"));
        return std::pair{raw, shown};
    };
    const auto selected = [&](const QString &name) {
        return (includes.isEmpty() || matchesAny(includes, name)) && !matchesAny(excludes, name);
    };

    // The sizes first, from the central directory: an archive that would
    // unpack beyond the limits is refused before a byte is written.
    const double ratioLimit = maxRatio > 0 ? maxRatio : kDefaultMaxRatio;
    const qint64 sizeLimit = maxEntrySize > 0 ? maxEntrySize : kDefaultMaxEntrySize;
    // The whole archive is bounded too: many entries each within the limits
    // must not fill the disk together. The total is never held below what
    // one entry may declare.
    const qint64 entriesLimit = maxEntries > 0 ? maxEntries : kDefaultMaxEntries;
    const qint64 totalLimit = std::max(maxTotalSize > 0 ? maxTotalSize : kDefaultMaxTotalSize, sizeLimit);
    qint64 entries = 0, totalSize = 0, totalPacked = 0;
    std::vector<qint64> declared(size_t(std::max<zip_int64_t>(count, 0)), -1);
    for (zip_int64_t i = 0; i < count; ++i) {
        QString name;
        const QString shown = shownName(i, &name).second;
        if (!selected(name))
            continue;
        if (++entries > entriesLimit) {
            m_message = QStringLiteral("The archive \"%1\" is refused: it holds more than %2 entries, the limit for "
                                       "one archive; nothing was extracted.")
                            .arg(archive)
                            .arg(entriesLimit);
            return UnzipTooLarge;
        }
        if (name.endsWith(QLatin1Char('/')))
            continue;
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(za.get(), zip_uint64_t(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)
            || !(st.valid & ZIP_STAT_COMP_SIZE)) {
            m_message = QStringLiteral("The entry \"%1\" of \"%2\" declares no size; nothing was extracted.")
                            .arg(shown, archive);
            return UnzipBadArchive;
        }
        const qint64 size = qint64(std::min<zip_uint64_t>(st.size, zip_uint64_t(INT64_MAX)));
        const qint64 packed = qint64(std::min<zip_uint64_t>(st.comp_size, zip_uint64_t(INT64_MAX)));
        declared[size_t(i)] = size;
        QString why;
        if (size > sizeLimit)
            why = QStringLiteral("it would unpack to %1, more than the limit of %2").arg(sizeText(size), sizeText(sizeLimit));
        else if (size > kRatioFloor && double(size) > ratioLimit * double(std::max<qint64>(packed, 1)))
            why = QStringLiteral("it would unpack from %1 to %2, more than %3 to 1")
                      .arg(sizeText(packed), sizeText(size))
                      .arg(ratioLimit, 0, 'g', 12);
        if (!why.isEmpty()) {
            m_message = QStringLiteral("The entry \"%1\" of \"%2\" is refused: %3; nothing was extracted.")
                            .arg(shown, archive, why);
            return UnzipTooLarge;
        }
        // Held at the largest value rather than overflow under raised limits.
        totalSize = size > INT64_MAX - totalSize ? INT64_MAX : totalSize + size;
        totalPacked = packed > INT64_MAX - totalPacked ? INT64_MAX : totalPacked + packed;
    }
    {
        QString why;
        if (totalSize > totalLimit)
            why = QStringLiteral("its entries would unpack to %1, more than the limit of %2 for one archive")
                      .arg(sizeText(totalSize), sizeText(totalLimit));
        else if (totalSize > kRatioFloor && double(totalSize) > ratioLimit * double(std::max<qint64>(totalPacked, 1)))
            why = QStringLiteral("its entries would unpack from %1 to %2, more than %3 to 1 for one archive")
                      .arg(sizeText(totalPacked), sizeText(totalSize))
                      .arg(ratioLimit, 0, 'g', 12);
        else if (const QStorageInfo disk(destRoot); disk.isValid() && disk.bytesAvailable() >= 0
                 && disk.bytesAvailable() - totalSize < std::max<qint64>(minFreeSpace, 0))
            why = QStringLiteral("its entries would unpack to %1 and leave less than the margin of %2 free on the "
                                 "disk of \"%3\" (%4 free)")
                      .arg(sizeText(totalSize), sizeText(std::max<qint64>(minFreeSpace, 0)), destRoot,
                           sizeText(disk.bytesAvailable()));
        if (!why.isEmpty()) {
            m_message = QStringLiteral("The archive \"%1\" is refused: %2; nothing was extracted.").arg(archive, why);
            return UnzipTooLarge;
        }
    }

    Staging staging;
    QStringList kept;          // existing files not replaced
    QStringList refusedWhy;    // "name" (reason)
    int matched = 0;
    QByteArray buffer(1 << 16, Qt::Uninitialized);

    for (zip_int64_t i = 0; i < count; ++i) {
        QString name;
        const auto [raw, shown] = shownName(i, &name);
        if (!selected(name))
            continue;
        ++matched;

        QString why = unsafeEntryReason(raw);
        zip_uint8_t opsys = 0;
        zip_uint32_t attributes = 0;
        if (why.isEmpty() && zip_file_get_external_attributes(za.get(), zip_uint64_t(i), 0, &opsys, &attributes) == 0
            && opsys == ZIP_OPSYS_UNIX && ((attributes >> 16) & S_IFMT) == S_IFLNK)
            why = QStringLiteral("symbolic link");
        const bool isDirectory = name.endsWith(QLatin1Char('/'));
        QString relative = name;
        if (why.isEmpty() && junkPaths) {
            if (isDirectory)
                continue;
            relative = name.section(QLatin1Char('/'), -1);
        }
        // Folders on the way must be real folders below the destination, not
        // links someone left there to lead the write elsewhere.
        QString target;
        if (why.isEmpty()) {
            QStringList parts = relative.split(QLatin1Char('/'), Qt::SkipEmptyParts);
            parts.removeAll(QStringLiteral("."));
            if (parts.isEmpty())
                continue;
            QString dir = destRoot;
            for (int p = 0; p + (isDirectory ? 0 : 1) < parts.size(); ++p) {
                dir += QLatin1Char('/') + parts.at(p);
                if (isLink(dir)) {
                    why = QStringLiteral("leads through a symbolic link");
                    break;
                }
                QFileInfo di(dir);
                if (di.exists() && !di.isDir()) {
                    why = QStringLiteral("a file stands where its folder should be");
                    break;
                }
                if (!di.exists()) {
                    if (!QDir().mkdir(dir)) {
                        m_message = QStringLiteral("Cannot create the folder \"%1\"; nothing was extracted.").arg(dir);
                        return UnzipWriteFailed;
                    }
                    staging.madeFolder(dir);
                }
            }
            if (why.isEmpty() && isDirectory)
                continue;
            target = destRoot + QLatin1Char('/') + parts.join(QLatin1Char('/'));
            if (why.isEmpty() && isLink(target))
                why = QStringLiteral("would replace a symbolic link");
        }
        if (!why.isEmpty()) {
            m_refused.append(shown);
            refusedWhy.append(QStringLiteral("\"%1\" (%2)").arg(shown, why));
            continue;
        }
        if (!overwrite && QFileInfo::exists(target)) {
            kept.append(name);
            continue;
        }

        std::unique_ptr<zip_file_t, FileCloser> zf(zip_fopen_index(za.get(), zip_uint64_t(i), 0));
        if (!zf) {
            m_message = QStringLiteral("Cannot read the entry \"%1\": %2; nothing was extracted.")
                            .arg(shown, QString::fromLocal8Bit(zip_strerror(za.get())));
            return UnzipBadArchive;
        }
        const QFileInfo targetInfo(target);
        if (targetInfo.isDir()) {
            m_message = QStringLiteral("Cannot write \"%1\": a folder of that name is in the way; nothing was extracted.")
                            .arg(target);
            return UnzipWriteFailed;
        }
        // Through the program's atomic writer, like every other file it
        // writes: synced before it takes its name.
        const qint64 limit = declared[size_t(i)];
        try {
            auto out = std::make_unique<vb::AtomicFile>(target, kWriteErrorNumber);
            QIODevice &device = out->device();
            qint64 total = 0;
            for (;;) {
                const zip_int64_t n = zip_fread(zf.get(), buffer.data(), zip_uint64_t(buffer.size()));
                if (n < 0) {
                    m_message = QStringLiteral("The entry \"%1\" is damaged: %2; nothing was extracted.")
                                    .arg(shown, QString::fromLocal8Bit(zip_file_strerror(zf.get())));
                    return UnzipBadArchive;
                }
                if (n == 0)
                    break;
                total += n;
                // An entry never gets more room than its header asked for.
                if (limit >= 0 && total > limit) {
                    m_message = QStringLiteral("The entry \"%1\" of \"%2\" is refused: it holds more than the %3 it "
                                               "declares; nothing was extracted.")
                                    .arg(shown, archive, sizeText(limit));
                    return UnzipTooLarge;
                }
                if (device.write(buffer.constData(), n) != n)
                    out->raiseFailure(device.errorString());
            }
            out->finish();
            staging.add(std::move(out));
        } catch (const vb::VbError &error) {
            m_message = QStringLiteral("Cannot write \"%1\": %2; nothing was extracted.").arg(target, writerReason(error, target));
            return UnzipWriteFailed;
        }
    }

    if (!staging.commit(&m_message, &m_extracted))
        return UnzipWriteFailed;

    if (!refusedWhy.isEmpty() || !kept.isEmpty()) {
        QStringList parts;
        if (!refusedWhy.isEmpty())
            parts.append(QStringLiteral("Unsafe entries not extracted: %1.").arg(refusedWhy.join(QStringLiteral(", "))));
        if (!kept.isEmpty())
            parts.append(QStringLiteral("Existing files kept: %1.").arg(joinNames(kept)));
        m_message = parts.join(QLatin1Char(' '));
        return UnzipEntriesSkipped;
    }
    if (matched == 0) {
        m_message = QStringLiteral("No entry of \"%1\" matched.").arg(archive);
        return UnzipNothingMatched;
    }
    m_message = QStringLiteral("%1 file(s) extracted from \"%2\".").arg(m_extracted.size()).arg(archive);
    return UnzipOk;
}

int Zipper::zipFile(const QString &fileName)
{
    m_message.clear();
    m_archive.clear();
    const QFileInfo source(fileName);
    if (fileName.isEmpty() || !source.isFile()) {
        m_message = QStringLiteral("The file \"%1\" does not exist.").arg(fileName);
        return 1;
    }
    m_archive = source.absoluteFilePath() + QStringLiteral(".zip");
    // Built under a temporary name, so a failure never leaves a cut archive
    // where a good one stood.
    const QString temp = m_archive + QStringLiteral(".part");
    QFile::remove(temp);
    int err = 0;
    zip_t *za = zip_open(QFile::encodeName(temp).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    if (!za) {
        m_message = QStringLiteral("Cannot create the archive \"%1\".").arg(m_archive);
        return 2;
    }
    zip_source_t *src = zip_source_file(za, QFile::encodeName(source.absoluteFilePath()).constData(), 0, -1);
    if (!src || zip_file_add(za, source.fileName().toUtf8().constData(), src, ZIP_FL_ENC_UTF_8) < 0) {
        if (src)
            zip_source_free(src);
        m_message = QStringLiteral("Cannot add \"%1\" to the archive: %2.").arg(fileName, QString::fromLocal8Bit(zip_strerror(za)));
        zip_discard(za);
        QFile::remove(temp);
        return 2;
    }
    if (zip_close(za) != 0) {
        m_message = QStringLiteral("Cannot write the archive \"%1\": %2.").arg(m_archive, QString::fromLocal8Bit(zip_strerror(za)));
        zip_discard(za);
        QFile::remove(temp);
        return 2;
    }
    if (::rename(QFile::encodeName(temp).constData(), QFile::encodeName(m_archive).constData()) != 0) {
        m_message = QStringLiteral("Cannot replace the archive \"%1\".").arg(m_archive);
        QFile::remove(temp);
        return 2;
    }
    m_message = QStringLiteral("\"%1\" packed into \"%2\".").arg(source.fileName(), m_archive);
    return 0;
}

} // namespace zipfile
