#include "zip/Archive.h"

#include "SmallFileSystem.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <gtest/gtest.h>
#include <zip.h>

#include <sys/stat.h>

#include <dlfcn.h>
#include <unistd.h>

#include <functional>
#include <string>


using corvantis::test::tempDir;

namespace {

struct Entry {
    QByteArray name;
    QByteArray content;
    bool symlink = false;
};

// Writes an archive with exactly the given entry names (libzip stores them
// as they are). A NUL cannot be given through libzip, so a name holding '\x01'
// is patched to NUL afterwards in both of its places in the file.
void writeArchive(const QString &path, const QList<Entry> &entries)
{
    int err = 0;
    zip_t *za = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    ASSERT_NE(za, nullptr);
    bool patchNul = false;
    for (const Entry &e : entries) {
        zip_source_t *src = zip_source_buffer(za, e.content.constData(), zip_uint64_t(e.content.size()), 0);
        const zip_int64_t idx = zip_file_add(za, e.name.constData(), src, ZIP_FL_ENC_RAW);
        ASSERT_GE(idx, 0) << e.name.constData();
        if (e.symlink)
            zip_file_set_external_attributes(za, zip_uint64_t(idx), 0, ZIP_OPSYS_UNIX, (S_IFLNK | 0777u) << 16);
        patchNul = patchNul || e.name.contains('\x01');
    }
    ASSERT_EQ(zip_close(za), 0);
    if (patchNul) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        QByteArray bytes = f.readAll();
        for (const Entry &e : entries) {
            if (!e.name.contains('\x01'))
                continue;
            QByteArray patched = e.name;
            patched.replace('\x01', '\0');
            bytes.replace(e.name, patched);
        }
        f.seek(0);
        f.write(bytes);
    }
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// While set, an fsync of this folder fails as a failing disk would.
QString g_unsyncableFolder;

} // namespace

// Every fsync of this test program passes here first (the program's own code
// is linked in, so its calls find this one before the system's).
extern "C" int fsync(int fd)
{
    using Next = int (*)(int);
    static const Next next = reinterpret_cast<Next>(::dlsym(RTLD_NEXT, "fsync"));
    if (!g_unsyncableFolder.isEmpty()) {
        char target[4096] = {};
        const ssize_t n = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), target, sizeof target - 1);
        if (n > 0 && QString::fromLocal8Bit(target, n) == g_unsyncableFolder) {
            errno = EIO;
            return -1;
        }
    }
    return next(fd);
}

// Each hostile entry is refused and named in the message, while the safe
// entries around it are still written, and nothing lands outside the folder.
TEST(Unzip, HostileEntriesAreRefusedAndNamedWhileSafeOnesAreWritten)
{
    struct Case {
        QByteArray name;
        bool symlink;
        QString shownAs;
    };
    const QList<Case> cases = {
        {"/tmp/absolute-evil.txt", false, "/tmp/absolute-evil.txt"},
        {"../escape.txt", false, "../escape.txt"},
        {"sub/../../escape2.txt", false, "sub/../../escape2.txt"},
        {"..\\windows-escape.txt", false, "..\\windows-escape.txt"},
        {"sub\\inner.txt", false, "sub\\inner.txt"},
        {"C:evil.txt", false, "C:evil.txt"},
        {"good.txt\x01../../nul-escape", false, "good.txt\\0../../nul-escape"},
        {"link-to-etc", true, "link-to-etc"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.shownAs.toStdString());
        const QString work = tempDir() + "/" + QString::number(qHash(c.name));
        const QString dest = work + "/inbound";
        ASSERT_TRUE(QDir().mkpath(dest));
        const QString archive = work + "/hostile.zip";
        writeArchive(archive, {{"before.edi", "ISA*first"}, {c.name, c.symlink ? "/etc" : "evil", c.symlink}, {"dir/after.edi", "ISA*second"}});

        zipfile::Unzipper u;
        u.archive = archive;
        u.destination = dest;
        EXPECT_EQ(u.run(), zipfile::UnzipEntriesSkipped);
        EXPECT_TRUE(u.lastMessage().contains("\"" + c.shownAs + "\"")) << u.lastMessage().toStdString();
        EXPECT_EQ(u.refused(), QStringList{c.shownAs});
        EXPECT_EQ(readFile(dest + "/before.edi"), "ISA*first");
        EXPECT_EQ(readFile(dest + "/dir/after.edi"), "ISA*second");
        // Nothing but the two safe files anywhere below the work folder or beside it.
        QStringList found;
        for (const QFileInfo &fi : QDir(work).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System))
            found << fi.fileName();
        EXPECT_EQ(found, (QStringList{"hostile.zip", "inbound"}));
        QStringList inside;
        for (const QFileInfo &fi : QDir(dest).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System))
            inside << fi.fileName();
        EXPECT_EQ(inside, (QStringList{"before.edi", "dir"}));
        EXPECT_FALSE(QFileInfo::exists("/tmp/absolute-evil.txt"));
    }
}

TEST(Unzip, EntryThroughALinkLeftInTheDestinationIsRefused)
{
    const QString dest = tempDir() + "/in";
    const QString outside = tempDir() + "/outside";
    ASSERT_TRUE(QDir().mkpath(dest));
    ASSERT_TRUE(QDir().mkpath(outside));
    ASSERT_TRUE(QFile::link(outside, dest + "/sub"));
    writeArchive(tempDir() + "/a.zip", {{"sub/x.edi", "evil"}, {"ok.edi", "fine"}});
    zipfile::Unzipper u;
    u.archive = tempDir() + "/a.zip";
    u.destination = dest;
    EXPECT_EQ(u.run(), zipfile::UnzipEntriesSkipped);
    EXPECT_TRUE(u.lastMessage().contains("\"sub/x.edi\"")) << u.lastMessage().toStdString();
    EXPECT_FALSE(QFileInfo::exists(outside + "/x.edi"));
    EXPECT_EQ(readFile(dest + "/ok.edi"), "fine");
}

TEST(Unzip, PatternsSettingsAndFailures)
{
    const QString dest = tempDir() + "/in";
    ASSERT_TRUE(QDir().mkpath(dest));
    const QString archive = tempDir() + "/set.zip";
    writeArchive(archive, {{"a.edi", "A"}, {"b.txt", "B"}, {"deep/c.EDI", "C"}});

    zipfile::Unzipper u;
    u.archive = archive;
    u.destination = dest;
    u.junkPaths = true;
    EXPECT_EQ(u.run("*.edi", ""), zipfile::UnzipOk) << u.lastMessage().toStdString();
    EXPECT_EQ(readFile(dest + "/a.edi"), "A");
    EXPECT_EQ(readFile(dest + "/c.EDI"), "C"); // folder dropped, pattern ignores letter case
    EXPECT_FALSE(QFileInfo::exists(dest + "/b.txt"));

    // An existing file is kept when replacing is off, and named.
    writeArchive(archive, {{"a.edi", "NEW"}});
    u.overwrite = false;
    EXPECT_EQ(u.run(), zipfile::UnzipEntriesSkipped);
    EXPECT_EQ(readFile(dest + "/a.edi"), "A");
    EXPECT_TRUE(u.lastMessage().contains("\"a.edi\"")) << u.lastMessage().toStdString();
    u.overwrite = true;
    EXPECT_EQ(u.run("", "a.*"), zipfile::UnzipNothingMatched);
    EXPECT_EQ(u.run(), zipfile::UnzipOk);
    EXPECT_EQ(readFile(dest + "/a.edi"), "NEW");

    u.archive.clear();
    EXPECT_EQ(u.run(), zipfile::UnzipBadArguments);
    EXPECT_FALSE(u.lastMessage().isEmpty());
    u.archive = tempDir() + "/missing.zip";
    EXPECT_EQ(u.run(), zipfile::UnzipCannotOpen);
    EXPECT_TRUE(u.lastMessage().contains("missing.zip")) << u.lastMessage().toStdString();
    QFile notZip(tempDir() + "/not.zip");
    ASSERT_TRUE(notZip.open(QIODevice::WriteOnly));
    notZip.write("ISA*00*this is no archive");
    notZip.close();
    u.archive = notZip.fileName();
    EXPECT_EQ(u.run(), zipfile::UnzipCannotOpen);
}

TEST(Unzip, WriteErrorStopsAndLeavesNothingOfTheArchive)
{
    // A folder where the second file should go: its write fails whatever the
    // rights of the user running the test.
    const QString dest = tempDir() + "/in";
    ASSERT_TRUE(QDir().mkpath(dest + "/two.edi"));
    writeArchive(tempDir() + "/w.zip", {{"one.edi", "1"}, {"two.edi", "2"}, {"three.edi", "3"}});
    zipfile::Unzipper u;
    u.archive = tempDir() + "/w.zip";
    u.destination = dest;
    EXPECT_EQ(u.run(), zipfile::UnzipWriteFailed);
    EXPECT_TRUE(u.lastMessage().contains("two.edi")) << u.lastMessage().toStdString();
    EXPECT_EQ(u.extracted(), QStringList());
    EXPECT_EQ(QDir(dest).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), (QStringList{"two.edi"}));
}

// The message of a failed write gives the system's own cause: here a file
// size limit makes the write fail with "File too large".
TEST(Unzip, AWriteFailureSaysItsRealCause)
{
    const QString dest = tempDir() + "/in";
    ASSERT_TRUE(QDir().mkpath(dest));
    QByteArray content(2 << 20, '\0');
    for (int i = 0; i < content.size(); ++i)
        content[i] = char((i * 7919) >> 3); // packs poorly, so no ratio limit is near
    writeArchive(tempDir() + "/big.zip", {{"sub/big.edi", content}});

    zipfile::Unzipper u;
    u.archive = tempDir() + "/big.zip";
    u.destination = dest;
    const int code = [&] {
        corvantis::test::FileSizeLimit limit(1 << 20);
        return u.run();
    }();

    EXPECT_EQ(code, zipfile::UnzipWriteFailed);
    EXPECT_TRUE(u.lastMessage().contains("File too large")) << u.lastMessage().toStdString();
    EXPECT_FALSE(u.lastMessage().contains("cancel", Qt::CaseInsensitive)) << u.lastMessage().toStdString();
    EXPECT_EQ(QDir(dest).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList())
        << "neither the partial file nor the folder made for it stays";
}

namespace {

// Sets the uncompressed size of one entry, in its local header and in the
// central directory alike, as a crafted archive would.
void patchDeclaredSize(const QString &archive, const QByteArray &entry, quint32 size)
{
    QFile f(archive);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    const auto put = [&](qsizetype at) {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = char((size >> (8 * i)) & 0xff);
    };
    // The name follows a local header of 30 bytes, then a central one of 46.
    const qsizetype local = bytes.indexOf(entry) - 30;
    const qsizetype central = bytes.indexOf(entry, local + 31) - 46;
    ASSERT_GE(local, 0);
    ASSERT_GT(central, local);
    ASSERT_EQ(bytes.mid(local, 4), QByteArray("PK\x03\x04", 4));
    ASSERT_EQ(bytes.mid(central, 4), QByteArray("PK\x01\x02", 4));
    put(local + 22);
    put(central + 24);
    f.seek(0);
    f.write(bytes);
}

// The destination folder of one case of a table, made below a folder of its own.
QString caseInbound(const char *caseName)
{
    const QString dest = tempDir() + "/" + QString::number(qHash(QByteArray(caseName))) + "/inbound";
    EXPECT_TRUE(QDir().mkpath(dest));
    return dest;
}

// A refused archive: the message says so and not a byte of it stays.
void expectNothingExtracted(const zipfile::Unzipper &u, const QString &dest)
{
    EXPECT_TRUE(u.lastMessage().endsWith("; nothing was extracted.")) << u.lastMessage().toStdString();
    EXPECT_EQ(u.extracted(), QStringList());
    EXPECT_EQ(QDir(dest).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
}

} // namespace

// An archive that would unpack beyond the limits is refused whole, naming the
// entry; not a byte of it stays on disk, the entries before it included.
TEST(Unzip, ArchivesBeyondTheSizeLimitsAreRefusedWhole)
{
    struct Case {
        const char *name;
        QByteArray content;
        qint64 maxEntrySize;
        double maxRatio;
        qint64 declared; // patched into the headers when not 0
    };
    QByteArray noise(2 << 20, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 7919) >> 3);
    const std::vector<Case> cases = {
        {"declares more than the default 1 GiB", "ISA*tiny", zipfile::kDefaultMaxEntrySize, zipfile::kDefaultMaxRatio,
         0x40000001},
        {"larger than a lowered size limit", noise, 1 << 20, zipfile::kDefaultMaxRatio, 0},
        {"packed tighter than the ratio limit", QByteArray(4 << 20, '\0'), zipfile::kDefaultMaxEntrySize, 100, 0},
        {"holds more than it declares", QByteArray(256 << 10, 'x'), zipfile::kDefaultMaxEntrySize,
         zipfile::kDefaultMaxRatio, 1000},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString dest = caseInbound(c.name);
        const QString archive = QFileInfo(dest).path() + "/bomb.zip";
        writeArchive(archive, {{"a-first.edi", "ISA*first"}, {"deep/bomb.edi", c.content}});
        if (c.declared)
            patchDeclaredSize(archive, "deep/bomb.edi", quint32(c.declared));
        zipfile::Unzipper u;
        u.archive = archive;
        u.destination = dest;
        u.maxEntrySize = c.maxEntrySize;
        u.maxRatio = c.maxRatio;
        const int code = u.run();
        if (std::string(c.name) == "holds more than it declares") {
            // Our own count or libzip's check, whichever sees it first.
            EXPECT_TRUE(code == zipfile::UnzipTooLarge || code == zipfile::UnzipBadArchive) << code;
        } else {
            EXPECT_EQ(code, zipfile::UnzipTooLarge);
        }
        EXPECT_TRUE(u.lastMessage().contains("\"deep/bomb.edi\"")) << u.lastMessage().toStdString();
        expectNothingExtracted(u, dest);
    }

    // The same archive unpacks once a caller raises the limits (the ratio holds
    // for each entry and the whole archive; two entries are all it may hold here).
    const QString dest = tempDir() + "/raised";
    ASSERT_TRUE(QDir().mkpath(dest));
    writeArchive(tempDir() + "/zeros.zip",
                 {{"zeros.bin", QByteArray(4 << 20, '\0')}, {"more.bin", QByteArray(1 << 20, '\0')}});
    zipfile::Unzipper u;
    u.archive = tempDir() + "/zeros.zip";
    u.destination = dest;
    u.maxEntries = 2;
    u.maxRatio = 100;
    EXPECT_EQ(u.run(), zipfile::UnzipTooLarge);
    u.maxRatio = 1e6;
    EXPECT_EQ(u.run(), zipfile::UnzipOk) << u.lastMessage().toStdString();
    EXPECT_EQ(QFileInfo(dest + "/zeros.bin").size(), 4 << 20);
    EXPECT_EQ(QFileInfo(dest + "/more.bin").size(), 1 << 20);
}

// Entries each within the limits that together would fill the disk: the
// archive is refused from its central directory, the message names the limit,
// and nothing is written.
TEST(Unzip, ArchivesBeyondTheWholeArchiveLimitsAreRefusedBeforeWriting)
{
    struct Case {
        const char *name;
        QList<Entry> entries;
        std::function<void(zipfile::Unzipper &)> limits;
        QString limitText;   // the limit as the message names it
        QByteArray declared; // entry name prefix whose declared sizes are patched to just under 1 GiB
    };
    QByteArray noise(600 << 10, '\0');
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 7919) >> 3);
    QList<Entry> tenThousandAndOne;
    for (int i = 0; i <= 10000; ++i)
        tenThousandAndOne.append({"e" + QByteArray::number(i) + ".edi", {}});
    QList<Entry> fiveDeclaringAGiB;
    for (int i = 1; i <= 5; ++i)
        fiveDeclaringAGiB.append({"huge" + QByteArray::number(i) + ".edi", "ISA*tiny"});
    const QByteArray mebibyteOfZeros(1 << 20, '\0');
    const QString disk = tempDir();
    const std::vector<Case> cases = {
        {"more entries than the default 10000", tenThousandAndOne, [](zipfile::Unzipper &) {},
         "more than 10000 entries, the limit for one archive", {}},
        {"more entries than a lowered limit", {{"a.edi", "A"}, {"b/", {}}, {"b/c.edi", "C"}},
         [](zipfile::Unzipper &u) { u.maxEntries = 2; }, "more than 2 entries, the limit for one archive", {}},
        {"declares more than the default 4 GiB in all", fiveDeclaringAGiB,
         [](zipfile::Unzipper &u) { u.maxRatio = 1e12; }, "more than the limit of 4294967296 bytes for one archive",
         "huge"},
        {"more than a lowered total", {{"n1.edi", noise}, {"n2.edi", noise}},
         [](zipfile::Unzipper &u) {
             u.maxEntrySize = 1 << 20;
             u.maxTotalSize = 1 << 20;
         },
         "more than the limit of 1048576 bytes for one archive", {}},
        {"packed tighter than the ratio as a whole",
         {{"z1.edi", mebibyteOfZeros}, {"z2.edi", mebibyteOfZeros}, {"z3.edi", mebibyteOfZeros}},
         [](zipfile::Unzipper &u) { u.maxRatio = 100; }, "more than 100 to 1 for one archive", {}},
        {"leaves less than the margin free", {{"a.edi", "A"}},
         [disk](zipfile::Unzipper &u) { u.minFreeSpace = QStorageInfo(disk).bytesAvailable() + (qint64(1) << 40); },
         "leave less than the margin of ", {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString dest = caseInbound(c.name);
        const QString archive = QFileInfo(dest).path() + "/many.zip";
        writeArchive(archive, c.entries);
        if (!c.declared.isEmpty())
            for (const Entry &e : c.entries)
                if (e.name.startsWith(c.declared))
                    patchDeclaredSize(archive, e.name, 0x3fffffff);
        zipfile::Unzipper u;
        u.archive = archive;
        u.destination = dest;
        c.limits(u);
        EXPECT_EQ(u.run(), zipfile::UnzipTooLarge) << u.lastMessage().toStdString();
        EXPECT_TRUE(u.lastMessage().startsWith("The archive \"" + archive + "\" is refused: "))
            << u.lastMessage().toStdString();
        EXPECT_TRUE(u.lastMessage().contains(c.limitText)) << u.lastMessage().toStdString();
        expectNothingExtracted(u, dest);
    }
}

// Placing the files is all or nothing: when one cannot take its name (here a
// folder the archive itself makes stands where a file of it should go, or
// its folder cannot be synced after the rename), the files placed before it
// are taken back and a file they replaced is given back; no temporary file or
// folder stays.
TEST(Unzip, PlacingTheFilesIsAllOrNothing)
{
    const QString dest = tempDir() + "/in";
    ASSERT_TRUE(QDir().mkpath(dest));
    {
        QFile old(dest + "/one.edi");
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("ISA*old");
    }
    const QString archive = tempDir() + "/clash.zip";
    writeArchive(archive, {{"one.edi", "ISA*new"}, {"two.edi", "ISA*two"}, {"dup", "x"}, {"dup/inner.edi", "y"}});
    zipfile::Unzipper u;
    u.archive = archive;
    u.destination = dest;
    const auto expectAsItWas = [&](const QString &cause) {
        EXPECT_TRUE(u.lastMessage().contains(cause)) << u.lastMessage().toStdString();
        EXPECT_TRUE(u.lastMessage().endsWith("; nothing was extracted.")) << u.lastMessage().toStdString();
        EXPECT_EQ(u.extracted(), QStringList());
        EXPECT_EQ(readFile(dest + "/one.edi"), "ISA*old");
        EXPECT_EQ(QDir(dest).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"one.edi"});
    };
    EXPECT_EQ(u.run(), zipfile::UnzipWriteFailed);
    expectAsItWas("\"" + dest + "/dup\"");

    // The folder sync after a rename fails once the file has taken its name:
    // that file is taken back too, and the one it replaced given back.
    writeArchive(archive, {{"one.edi", "ISA*new"}, {"two.edi", "ISA*two"}});
    g_unsyncableFolder = QFileInfo(dest).canonicalFilePath();
    const int unsynced = u.run();
    g_unsyncableFolder.clear();
    EXPECT_EQ(unsynced, zipfile::UnzipWriteFailed) << u.lastMessage().toStdString();
    expectAsItWas(QStringLiteral("could not be synced"));

    // Without the clash every file is placed and nothing else stays beside them.
    writeArchive(archive, {{"one.edi", "ISA*new"}, {"two.edi", "ISA*two"}});
    EXPECT_EQ(u.run(), zipfile::UnzipOk) << u.lastMessage().toStdString();
    EXPECT_EQ(readFile(dest + "/one.edi"), "ISA*new");
    EXPECT_EQ(QDir(dest).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{"one.edi", "two.edi"}));
}

TEST(Unzip, DamagedEntryIsReportedAndNotKept)
{
    const QString archive = tempDir() + "/crc.zip";
    writeArchive(archive, {{"data.edi", QByteArray(4000, 'x')}});
    // Flip a byte of the stored data so the checksum no longer matches.
    QFile f(archive);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    const qsizetype at = bytes.indexOf("data.edi") + 8 + 10;
    bytes[at] = char(bytes[at] ^ 0x55);
    f.seek(0);
    f.write(bytes);
    f.close();
    const QString dest = tempDir() + "/in";
    ASSERT_TRUE(QDir().mkpath(dest));
    zipfile::Unzipper u;
    u.archive = archive;
    u.destination = dest;
    EXPECT_EQ(u.run(), zipfile::UnzipBadArchive) << u.lastMessage().toStdString();
    EXPECT_TRUE(u.lastMessage().contains("data.edi")) << u.lastMessage().toStdString();
    EXPECT_TRUE(QDir(dest).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST(Zip, RoundTripOfOneFile)
{
    const QString file = tempDir() + "/121026130509";
    QByteArray payload;
    for (int i = 0; i < 5000; ++i)
        payload += "ISA*00*          *00*          *ZZ*SENDER~" + QByteArray::number(i) + "\r\n";
    payload += QByteArray("\x00\xff\x80", 3);
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(payload);
    }
    zipfile::Zipper z;
    ASSERT_EQ(z.zipFile(file), 0) << z.lastMessage().toStdString();
    EXPECT_EQ(z.archivePath(), file + ".zip");
    EXPECT_LT(QFileInfo(file + ".zip").size(), payload.size() / 4); // really compressed
    EXPECT_FALSE(QFileInfo::exists(file + ".zip.part"));

    const QString dest = tempDir() + "/back";
    ASSERT_TRUE(QDir().mkpath(dest));
    zipfile::Unzipper u;
    u.archive = z.archivePath();
    u.destination = dest;
    ASSERT_EQ(u.run(), zipfile::UnzipOk) << u.lastMessage().toStdString();
    EXPECT_EQ(readFile(dest + "/121026130509"), payload);

    EXPECT_NE(z.zipFile(tempDir() + "/absent.edi"), 0);
    EXPECT_TRUE(z.lastMessage().contains("absent.edi"));
    EXPECT_NE(z.zipFile(""), 0);
}

TEST(Unzip, EntryNameRule)
{
    const QList<std::pair<QByteArray, bool>> cases = {
        {"a.edi", true}, {"dir/sub/a.edi", true}, {"dir/", true}, {"a..b.edi", true}, {"./a.edi", true},
        {"..", false}, {"../a", false}, {"a/../../b", false}, {"/a", false}, {"a\\b", false},
        {QByteArray("a\0b", 3), false}, {"a\nb", false}, {"D:/x", false}, {"", false},
    };
    for (const auto &[name, safe] : cases)
        EXPECT_EQ(zipfile::unsafeEntryReason(name).isEmpty(), safe) << name.toStdString();
}

TEST(Unzip, NamesWithoutTheUtf8MarkAreReadAsTheDosCodePage)
{
    const QString dest = tempDir() + "/in";
    ASSERT_TRUE(QDir().mkpath(dest));
    writeArchive(tempDir() + "/dos.zip", {{"caf\x82.edi", "X"}}); // 0x82 is "é" there
    zipfile::Unzipper u;
    u.archive = tempDir() + "/dos.zip";
    u.destination = dest;
    ASSERT_EQ(u.run(), zipfile::UnzipOk) << u.lastMessage().toStdString();
    EXPECT_EQ(readFile(dest + QString::fromUtf8("/caf\xc3\xa9.edi")), "X");
}
