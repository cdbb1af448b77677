#pragma once
// Unzipping and zipping for the network scripts. Extraction never writes
// outside its destination: entries with an absolute path, a ".." component,
// a backslash, a NUL or control character in their name, or a symbolic link
// are refused and named in the last message while the safe entries are
// written. An archive that would unpack beyond the size limits (an entry
// declaring more than `maxEntrySize` bytes, or a larger entry packed more
// tightly than `maxRatio` to 1, or an entry holding more than it declares; all
// entries together beyond `maxTotalSize`, `maxEntries` or `maxRatio`, or
// leaving less than `minFreeSpace` on the disk) is refused whole, from the
// central directory, before anything is written; the message names the limit.
// Every file is written through the atomic writer (vb::AtomicFile), and all of
// them are renamed into place only when the whole archive was read, all or
// none: a refused or failed archive leaves the destination as it was.

#include <QString>
#include <QtGlobal>
#include <QStringList>

namespace zipfile {

// Result codes of Unzipper::run. 0 is success; every other code comes with a
// last message that says what went wrong and names the entries concerned.
enum UnzipCode : int {
    UnzipOk = 0,
    UnzipEntriesSkipped = 1,   // some entries refused or kept; the others were written
    UnzipBadArchive = 3,       // the archive or an entry is damaged (CRC, format)
    UnzipBadArguments = 10,    // no archive name or no destination folder
    UnzipCannotOpen = 9,       // the archive is missing or not a zip archive
    UnzipNothingMatched = 11,  // the patterns selected no entry
    UnzipTooLarge = 12,        // an entry or the archive is beyond the limits; nothing was written
    UnzipWriteFailed = 50,     // a file could not be written; nothing was written
};

// The limits' defaults: 1 GiB declared per entry, 1000 to 1. The ratio is
// judged only for entries above 1 MiB, since small files of blanks pack far
// tighter than that and can do no harm. The whole archive: 4 GiB in all,
// 10,000 entries, the same ratio over all entries, and 64 MiB left free on the
// destination's disk once it is unpacked.
constexpr qint64 kDefaultMaxEntrySize = qint64(1) << 30;
constexpr double kDefaultMaxRatio = 1000.0;
constexpr qint64 kRatioFloor = qint64(1) << 20;
constexpr qint64 kDefaultMaxTotalSize = qint64(4) << 30;
constexpr qint64 kDefaultMaxEntries = 10000;
constexpr qint64 kDefaultMinFreeSpace = qint64(64) << 20;

class Unzipper {
public:
    QString archive;       // the zip file to read
    QString destination;   // the folder the entries are written below (must exist)
    // First setting: drop the folder part of entry names and write every file
    // straight into the destination.
    bool junkPaths = false;
    // Second setting: replace files that already exist. When false an existing
    // file is kept, the entry is skipped and named.
    bool overwrite = true;
    // Size limits (a caller may raise them for partners known to send large
    // archives). maxRatio bounds each entry and the archive as a whole; the
    // total is never below maxEntrySize. minFreeSpace is the room the
    // destination's disk must keep after the archive is unpacked.
    qint64 maxEntrySize = kDefaultMaxEntrySize;
    double maxRatio = kDefaultMaxRatio;
    qint64 maxTotalSize = kDefaultMaxTotalSize;
    qint64 maxEntries = kDefaultMaxEntries;
    qint64 minFreeSpace = kDefaultMinFreeSpace;

    // Extracts the entries whose name matches one of the blank- or
    // semicolon-separated wildcard patterns of `include` (empty: every entry)
    // and none of `exclude`. Returns an UnzipCode.
    int run(const QString &include = {}, const QString &exclude = {});

    QString lastMessage() const { return m_message; }
    QStringList extracted() const { return m_extracted; } // destination paths of the files written
    QStringList refused() const { return m_refused; }     // entry names refused as unsafe

private:
    QString m_message;
    QStringList m_extracted;
    QStringList m_refused;
};

class Zipper {
public:
    // Packs the one file `fileName` into `fileName` + ".zip" beside it (an
    // existing archive of that name is replaced only when the new one is
    // complete). The entry is the file's own name. Returns 0 on success,
    // otherwise a non-zero code with the reason in lastMessage().
    int zipFile(const QString &fileName);

    QString archivePath() const { return m_archive; }
    QString lastMessage() const { return m_message; }

private:
    QString m_archive;
    QString m_message;
};

// Why an entry name may not be written below a destination folder, or an empty
// text when it is safe. Exposed for the tests of the rule itself.
QString unsafeEntryReason(const QByteArray &rawName);

} // namespace zipfile
