// A file written whole is also named for good: after the rename the folder
// is synced, so the new name survives a power cut; and what killed writers
// leave behind is recognised and removed.
#include "TestEnvironment.h"

#include "vb/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <functional>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// What fsync was given, while a test listens: the path behind the
// descriptor and what the listener noted at that moment.
struct FsyncCall {
    QString path;
    QString note;
};
std::vector<FsyncCall> *g_fsyncs = nullptr;
std::function<QString()> g_noteAtFsync;

} // namespace

// Every fsync of this test program passes here first (the program's own code
// is linked in, so its calls find this one before the system's).
extern "C" int fsync(int fd)
{
    using Next = int (*)(int);
    static const Next next = reinterpret_cast<Next>(::dlsym(RTLD_NEXT, "fsync"));
    if (g_fsyncs) {
        char target[4096] = {};
        const ssize_t n = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), target, sizeof target - 1);
        g_fsyncs->push_back({n > 0 ? QString::fromLocal8Bit(target, n) : QString(),
                             g_noteAtFsync ? g_noteAtFsync() : QString()});
    }
    return next(fd);
}

namespace {

struct Listening {
    std::vector<FsyncCall> calls;
    explicit Listening(std::function<QString()> note)
    {
        g_noteAtFsync = std::move(note);
        g_fsyncs = &calls;
    }
    ~Listening()
    {
        g_fsyncs = nullptr;
        g_noteAtFsync = nullptr;
    }
    // The paths synced, with what was noted, as "path [note]".
    QStringList lines() const
    {
        QStringList out;
        for (const FsyncCall &call : calls)
            out << call.path + u" ["_s + call.note + u']';
        return out;
    }
};

void touch(const QString &path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write("x");
}

TEST(AtomicFileSync, EachRenameIsFollowedByASyncOfTheFoldersItChanged)
{
    struct Case {
        const char *name;
        std::function<void(const QString &a, const QString &b)> write; // folders a and b
        const char *target;                                              // in a
        bool syncsB;                                                     // the other folder changed too
    };
    const std::vector<Case> cases = {
        {"commit", [](const QString &a, const QString &) {
             vb::writeFileAtomically(a + u"/export.txt"_s, [](QIODevice &out) { out.write("text"); });
         }, "export.txt", false},
        {"commitNew", [](const QString &a, const QString &) {
             vb::AtomicFile file(a + u"/new.OC"_s);
             file.device().write("text");
             ASSERT_TRUE(file.commitNew(a + u"/new.OC"_s));
         }, "new.OC", false},
        {"renameNew to another folder", [](const QString &a, const QString &b) {
             touch(b + u"/moved.OC"_s);
             ASSERT_TRUE(vb::AtomicFile::renameNew(b + u"/moved.OC"_s, a + u"/moved.OC"_s));
         }, "moved.OC", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        // As the system names them (the descriptors' paths).
        const auto made = [&](const char *leaf) {
            const QString path = corvantis::test::tempDir() + u'/' + QString::fromLatin1(c.name) + u'/'
                + QString::fromLatin1(leaf);
            QDir().mkpath(path);
            return QFileInfo(path).canonicalFilePath();
        };
        const QString a = made("a"), b = made("b");
        const QString target = a + u'/' + QString::fromLatin1(c.target);
        Listening listening([&] { return QFileInfo::exists(target) ? u"named"_s : u"unnamed"_s; });
        c.write(a, b);
        const QStringList lines = listening.lines();
        const qsizetype folderSync = lines.indexOf(a + u" [named]"_s);
        ASSERT_GE(folderSync, 0) << "the folder is synced once the file has its name: "
                                 << lines.join(u" | "_s).toStdString();
        EXPECT_FALSE(lines.contains(a + u" [unnamed]"_s)) << lines.join(u" | "_s).toStdString();
        EXPECT_EQ(lines.contains(b + u" [named]"_s), c.syncsB) << lines.join(u" | "_s).toStdString();
        // The content before the name: the temporary file is synced before the folder.
        if (std::string(c.name) != "renameNew to another folder") {
            const auto file = std::find_if(lines.begin(), lines.end(), [](const QString &line) {
                return line.endsWith(u".part [unnamed]"_s);
            });
            ASSERT_NE(file, lines.end()) << lines.join(u" | "_s).toStdString();
            EXPECT_LT(file - lines.begin(), folderSync);
        }
    }
}

TEST(AtomicFileSync, AFolderThatCannotBeSyncedIsNamedWithTheReason)
{
    QString reason;
    EXPECT_FALSE(vb::syncFolder(corvantis::test::tempDir() + u"/missing"_s, &reason));
    EXPECT_TRUE(reason.startsWith(u"the folder "_s + corvantis::test::tempDir() + u"/missing could not be synced: "_s))
        << reason.toStdString();
    EXPECT_TRUE(vb::syncFolder(corvantis::test::tempDir()));
}

TEST(AtomicFileSync, LeftoversOfKilledWritersAreRemovedAndNothingElse)
{
    const QString folder = corvantis::test::tempDir() + u"/work"_s;
    QDir().mkpath(folder + u"/sub"_s);
    const QStringList names = {
        u".export.txt.Ab12Cd.part"_s,          // a writer's leftover: removed
        u".20261210-101010.outbound.Zz99Yy.part"_s, // finished by another step: kept
        u"export.txt"_s, u".hidden"_s, u"b.part"_s, u".c.txt.short.part"_s,
    };
    for (const QString &name : names)
        touch(folder + u'/' + name);
    touch(folder + u"/sub/.d.txt.Ab12Cd.part"_s);
    const QStringList removed = vb::AtomicFile::removeLeftovers(
        folder, [](const QString &target) { return target.endsWith(u".outbound"_s); });
    EXPECT_EQ(removed, QStringList{folder + u"/.export.txt.Ab12Cd.part"_s});
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              (QStringList{u".20261210-101010.outbound.Zz99Yy.part"_s, u".c.txt.short.part"_s, u".hidden"_s,
                           u"b.part"_s, u"export.txt"_s}));
    EXPECT_TRUE(QFileInfo::exists(folder + u"/sub/.d.txt.Ab12Cd.part"_s)) << "subfolders are not swept";
    EXPECT_TRUE(vb::AtomicFile::removeLeftovers(corvantis::test::tempDir() + u"/missing"_s).isEmpty());
}

} // namespace
