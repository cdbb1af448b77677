// The plain file functions: 8-bit text streams, line ends, the classic
// errors, file and folder operations and the path texts.
#include "fso/FileSystem.h"
#include "TestEnvironment.h"
#include "ErrorOf.h"
#include "vb/VbError.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace fso;

namespace {

using corvantis::test::errorOf;

QString tmp(const QString &name) { return corvantis::test::tempDir() + '/' + name; }

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

void putBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST(TextStream, EveryByteRoundTrips)
{
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    putBytes(tmp("in.bin"), all);
    const QString text = readAllText(tmp("in.bin"));
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(text.at(0xE9), QChar(0xE9));
    EXPECT_EQ(text.at(0x93), QChar(0x201C)) << "read in the code page 1252";
    EXPECT_EQ(text.at(0x81), QChar(0x81)) << "an undefined byte stands for itself";
    writeTextFile(tmp("out.bin"), text);
    EXPECT_EQ(bytesOf(tmp("out.bin")), all);
}

TEST(TextStream, WritesLinesWithCarriageReturnLineFeed)
{
    auto s = TextStream::create(tmp("w.txt"));
    s->write("ISA*00");
    s->writeLine("~");
    s->writeBlankLines(2);
    s->writeLine();
    s->write(QString("caf") + QChar(0xE9) + QChar(0x20AC) + QChar(0x93));
    // A character without a byte is refused naming the file, and nothing of that text is written.
    try {
        s->writeLine(QString("x") + QChar(0x4E2D));
        ADD_FAILURE() << "U+4E2D has no byte";
    } catch (const vb::VbError &e) {
        EXPECT_EQ(e.number, 5);
        EXPECT_TRUE(e.description.contains(tmp("w.txt") + ": the character U+4E2D is not in the Windows code page 1252"))
            << e.description.toStdString();
    }
    EXPECT_EQ(s->line(), 5);
    s->close();
    s->close(); // a second Close does nothing
    EXPECT_EQ(bytesOf(tmp("w.txt")), QByteArray("ISA*00~\r\n\r\n\r\n\r\ncaf\xE9\x80\x93"));
}

TEST(TextStream, ReadsLinesEndingInCrLfOrLf)
{
    putBytes(tmp("r.txt"), "one\r\ntwo\nthree\r\n\nlast\rpart");
    auto s = TextStream::open(tmp("r.txt"));
    const QStringList expected{"one", "two", "three", "", "last\rpart"};
    for (int i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(s->line(), i + 1);
        EXPECT_FALSE(s->atEndOfStream());
        EXPECT_EQ(s->readLine(), expected[i]);
    }
    EXPECT_TRUE(s->atEndOfStream());
    EXPECT_EQ(errorOf([&] { s->readLine(); }), 62);
    EXPECT_EQ(errorOf([&] { s->readAll(); }), 62);
    EXPECT_EQ(errorOf([&] { s->read(1); }), 62);
}

TEST(TextStream, ReadAndReadAllCountLines)
{
    putBytes(tmp("r.txt"), "ab\ncd\r\nef");
    auto s = TextStream::open(tmp("r.txt"), ForReading);
    EXPECT_EQ(s->read(4), "ab\nc");
    EXPECT_EQ(s->line(), 2);
    EXPECT_EQ(s->read(0), "");
    EXPECT_EQ(s->readAll(), "d\r\nef");
    EXPECT_EQ(s->line(), 3);
    EXPECT_EQ(errorOf([&] { s->read(-1); }), 5);
}

TEST(TextStream, EmptyFile)
{
    putBytes(tmp("empty.txt"), "");
    auto s = TextStream::open(tmp("empty.txt"));
    EXPECT_TRUE(s->atEndOfStream());
    EXPECT_EQ(errorOf([&] { s->readAll(); }), 62); // as the classic object does
    EXPECT_EQ(readAllText(tmp("empty.txt")), "");
}

TEST(TextStream, ModesAndTheCreateFlag)
{
    writeTextFile(tmp("m.txt"), "first");
    TextStream::open(tmp("m.txt"), ForAppending)->write("+more");
    EXPECT_EQ(bytesOf(tmp("m.txt")), "first+more");
    TextStream::open(tmp("m.txt"), ForWriting)->write("new");
    EXPECT_EQ(bytesOf(tmp("m.txt")), "new");

    TextStream::open(tmp("made.txt"), ForAppending, true)->writeLine("x");
    EXPECT_EQ(bytesOf(tmp("made.txt")), "x\r\n");
    EXPECT_TRUE(TextStream::open(tmp("made-empty.txt"), ForReading, true)->atEndOfStream());
    EXPECT_TRUE(QFile::exists(tmp("made-empty.txt")));
}

TEST(TextStream, ClassicErrors)
{
    writeTextFile(tmp("exists.txt"), "x");
    QDir(corvantis::test::tempDir()).mkdir("folder");
    struct Case {
        const char *what;
        std::function<void()> f;
        int error;
    };
    const std::vector<Case> cases = {
        {"open missing", [] { TextStream::open(tmp("missing.txt")); }, 53},
        {"append missing, no create", [] { TextStream::open(tmp("missing.txt"), ForAppending); }, 53},
        {"missing folder", [] { TextStream::open(tmp("nofolder/a.txt"), ForWriting, true); }, 76},
        {"create in missing folder", [] { TextStream::create(tmp("nofolder/a.txt")); }, 76},
        {"create existing, no overwrite", [] { TextStream::create(tmp("exists.txt"), false); }, 58},
        {"open a folder", [] { TextStream::open(tmp("folder")); }, 70},
        {"unknown mode", [] { TextStream::open(tmp("exists.txt"), IOMode(3)); }, 5},
        {"read a writing stream", [] { TextStream::create(tmp("w.txt"))->readLine(); }, 54},
        {"end of a writing stream", [] { TextStream::create(tmp("w.txt"))->atEndOfStream(); }, 54},
        {"write a reading stream", [] { TextStream::open(tmp("exists.txt"))->write("x"); }, 54},
        {"negative blank lines", [] { TextStream::create(tmp("w.txt"))->writeBlankLines(-1); }, 5},
        {"read after close",
         [] {
             auto s = TextStream::open(tmp("exists.txt"));
             s->close();
             s->readLine();
         },
         52},
    };
    for (const Case &c : cases)
        EXPECT_EQ(errorOf(c.f), c.error) << c.what;
    EXPECT_EQ(bytesOf(tmp("exists.txt")), "x");
}

TEST(TextStream, PermissionDenied)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "file permissions do not bind the superuser";
    writeTextFile(tmp("locked.txt"), "x");
    QFile::setPermissions(tmp("locked.txt"), QFileDevice::Permissions());
    EXPECT_EQ(errorOf([] { TextStream::open(tmp("locked.txt")); }), 70);
    EXPECT_EQ(errorOf([] { TextStream::create(tmp("locked.txt")); }), 70);
    QFile::setPermissions(tmp("locked.txt"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

TEST(TextStream, ReleasedWithoutCloseKeepsWhatWasWritten)
{
    {
        auto s = TextStream::create(tmp("kept.txt"));
        s->writeLine("kept");
    }
    EXPECT_EQ(bytesOf(tmp("kept.txt")), "kept\r\n");
}

TEST(Files, ExistsCreateDelete)
{
    writeTextFile(tmp("a.txt"), "a");
    EXPECT_TRUE(fileExists(tmp("a.txt")));
    EXPECT_FALSE(fileExists(corvantis::test::tempDir()));
    EXPECT_FALSE(fileExists(""));
    EXPECT_TRUE(folderExists(corvantis::test::tempDir()));
    EXPECT_FALSE(folderExists(tmp("a.txt")));

    createFolder(tmp("sub"));
    EXPECT_TRUE(folderExists(tmp("sub")));
    EXPECT_EQ(errorOf([] { createFolder(tmp("sub")); }), 58);
    EXPECT_EQ(errorOf([] { createFolder(tmp("no/sub")); }), 76);

    deleteFile(tmp("a.txt"));
    EXPECT_FALSE(fileExists(tmp("a.txt")));
    EXPECT_EQ(errorOf([] { deleteFile(tmp("a.txt")); }), 53);
    EXPECT_EQ(errorOf([] { deleteFile(tmp("no/a.txt")); }), 76);
    EXPECT_EQ(errorOf([] { deleteFile(tmp("sub")); }), 53);
}

TEST(Files, DeleteReadOnlyNeedsForce)
{
    writeTextFile(tmp("ro.txt"), "x");
    QFile::setPermissions(tmp("ro.txt"), QFileDevice::ReadOwner);
    EXPECT_EQ(errorOf([] { deleteFile(tmp("ro.txt")); }), 70);
    EXPECT_TRUE(fileExists(tmp("ro.txt")));
    deleteFile(tmp("ro.txt"), true);
    EXPECT_FALSE(fileExists(tmp("ro.txt")));
}

TEST(Files, WildcardsInTheLastPart)
{
    for (const char *n : {"x1.tmp", "x2.tmp", "keep.txt"})
        writeTextFile(tmp(n), n);
    createFolder(tmp("dest"));
    copyFile(tmp("x*.tmp"), tmp("dest"));
    EXPECT_TRUE(fileExists(tmp("dest/x1.tmp")));
    EXPECT_TRUE(fileExists(tmp("dest/x2.tmp")));
    deleteFile(tmp("x?.tmp"));
    EXPECT_FALSE(fileExists(tmp("x1.tmp")));
    EXPECT_TRUE(fileExists(tmp("keep.txt")));
    EXPECT_EQ(errorOf([] { deleteFile(tmp("*.none")); }), 53);
    EXPECT_EQ(errorOf([] { deleteFile(tmp("nofolder/*.tmp")); }), 76);
}

TEST(Files, MoveAndCopy)
{
    writeTextFile(tmp("a.txt"), "A");
    writeTextFile(tmp("b.txt"), "B");
    createFolder(tmp("sent"));

    EXPECT_EQ(errorOf([] { moveFile(tmp("a.txt"), tmp("b.txt")); }), 58);
    EXPECT_EQ(errorOf([] { moveFile(tmp("gone.txt"), tmp("c.txt")); }), 53);
    EXPECT_EQ(errorOf([] { moveFile(tmp("a.txt"), tmp("nofolder/a.txt")); }), 76);
    moveFile(tmp("a.txt"), tmp("sent/"));
    EXPECT_FALSE(fileExists(tmp("a.txt")));
    EXPECT_EQ(bytesOf(tmp("sent/a.txt")), "A");
    moveFile(tmp("sent/a.txt"), tmp("renamed.txt"));
    EXPECT_EQ(bytesOf(tmp("renamed.txt")), "A");

    EXPECT_EQ(errorOf([] { copyFile(tmp("renamed.txt"), tmp("b.txt"), false); }), 58);
    EXPECT_EQ(bytesOf(tmp("b.txt")), "B");
    copyFile(tmp("renamed.txt"), tmp("b.txt"));
    EXPECT_EQ(bytesOf(tmp("b.txt")), "A");
    copyFile(tmp("b.txt"), tmp("sent/"));
    EXPECT_EQ(bytesOf(tmp("sent/b.txt")), "A");
    EXPECT_EQ(errorOf([] { copyFile(tmp("b.txt"), tmp("sent")); }), 70);
    EXPECT_EQ(errorOf([] { copyFile(tmp("b.txt"), tmp("b.txt")); }), 70);
    EXPECT_EQ(bytesOf(tmp("b.txt")), "A");
    EXPECT_EQ(errorOf([] { copyFile(tmp("gone.txt"), tmp("c.txt")); }), 53);
    EXPECT_EQ(errorOf([] { copyFile(tmp("b.txt"), tmp("nofolder/")); }), 76);
}

TEST(PathTexts, AsTheClassicObjectCutsThem)
{
    struct Case {
        QString path, fileName, baseName, extension, parent;
    };
    const std::vector<Case> cases = {
        {"/data/in/file.edi", "file.edi", "file", "edi", "/data/in"},
        {"/data/in/", "in", "in", "", "/data"},
        {"/data/archive.tar.gz", "archive.tar.gz", "archive.tar", "gz", "/data"},
        {"file", "file", "file", "", ""},
        {".profile", ".profile", "", "profile", ""},
        {"/top", "top", "top", "", "/"},
        {"/", "", "", "", ""},
        {"", "", "", "", ""},
        {"rel/dir/x.", "x.", "x", "", "rel/dir"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(getFileName(c.path), c.fileName) << c.path.toStdString();
        EXPECT_EQ(getBaseName(c.path), c.baseName) << c.path.toStdString();
        EXPECT_EQ(getExtensionName(c.path), c.extension) << c.path.toStdString();
        EXPECT_EQ(getParentFolderName(c.path), c.parent) << c.path.toStdString();
    }
    EXPECT_EQ(buildPath("/a", "b.txt"), "/a/b.txt");
    EXPECT_EQ(buildPath("/a/", "b.txt"), "/a/b.txt");
    EXPECT_EQ(buildPath("/a/", "/b.txt"), "/a/b.txt");
    EXPECT_EQ(buildPath("", "b.txt"), "b.txt");
    EXPECT_EQ(buildPath("/a", ""), "/a");
}
