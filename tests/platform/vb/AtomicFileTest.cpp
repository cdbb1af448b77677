// Files written whole or not at all: the temporary file, the short write
// (under a file-size limit, which every machine allows), the exclusive name.
#include "SmallFileSystem.h"
#include "TestEnvironment.h"

#include "vb/AtomicFile.h"
#include "vb/VbError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

void put(const QString &path, const QByteArray &bytes)
{
    vb::writeFileAtomically(path, [&](QIODevice &out) { out.write(bytes); });
}

TEST(AtomicFile, ReplacesTheFileOnlyWhenTheWriterEnds)
{
    const QString path = corvantis::test::tempDir() + u"/report.rpt"_s;
    put(path, "first");
    ::chmod(QFile::encodeName(path).constData(), 0640);
    put(path, "second, longer");
    EXPECT_EQ(bytesOf(path), "second, longer");
    struct stat info {};
    ::stat(QFile::encodeName(path).constData(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0640u) << "the permissions of the file it replaced";

    // An error of the writer leaves the file and no temporary one.
    EXPECT_THROW(vb::writeFileAtomically(path,
                                         [](QIODevice &out) {
                                             out.write("half");
                                             vb::raise(13);
                                         }),
                 vb::VbError);
    EXPECT_EQ(bytesOf(path), "second, longer");
    EXPECT_EQ(filesIn(corvantis::test::tempDir()), QStringList{u"report.rpt"_s});

    // No folder: the file and the system's reason are named.
    try {
        put(corvantis::test::tempDir() + u"/none/x.txt"_s, "x");
        ADD_FAILURE() << "a file in a missing folder was written";
    } catch (const vb::VbError &error) {
        EXPECT_EQ(error.number, 75);
        EXPECT_EQ(error.description, u"Path/File access error: "_s + corvantis::test::tempDir()
                                         + u"/none/x.txt: No such file or directory"_s);
    }
}

TEST(AtomicFile, AShortWriteIsAnErrorAndKeepsThePreviousFile)
{
    // Whatever the machine allows, a file-size limit stands for the full disk here.
    qputenv("CORVANTIS_TEST_NO_MOUNT", "1");
    corvantis::test::SmallFileSystem disk(corvantis::test::tempDir() + u"/disk"_s, 64 * 1024);
    qunsetenv("CORVANTIS_TEST_NO_MOUNT");
    const QString path = disk.folder() + u"/fields.ttx"_s;
    put(path, "Name\tText\t10\n");
    // Small writes that only together pass the limit, and one large write.
    const std::vector<std::function<void(QIODevice &)>> writers = {
        [](QIODevice &out) {
            for (int i = 0; i < 20000; ++i)
                out.write("Field\tText\t10\n");
        },
        [](QIODevice &out) { out.write(QByteArray(1024 * 1024, 'x')); },
    };
    for (const auto &writer : writers) {
        std::optional<vb::VbError> error;
        {
            const auto full = disk.full();
            try {
                vb::writeFileAtomically(path, writer, 32755, u"Report"_s);
            } catch (const vb::VbError &e) {
                error = e;
            }
        }
        ASSERT_TRUE(error) << "a short write was taken for success";
        EXPECT_EQ(error->number, 32755);
        EXPECT_EQ(error->source, u"Report"_s);
        EXPECT_EQ(error->description, u"Cannot write "_s + path + u": File too large"_s);
        EXPECT_EQ(bytesOf(path), "Name\tText\t10\n");
        EXPECT_EQ(filesIn(disk.folder()), QStringList{u"fields.ttx"_s});
    }
}

TEST(AtomicFile, ANewFileNeverReplacesAnother)
{
    const QString folder = corvantis::test::tempDir();
    put(folder + u"/a.OC"_s, "older");
    {
        vb::AtomicFile file(folder + u"/a.OC"_s);
        file.device().write("newer");
        file.finish();
        const QString temporary = QFileInfo(file.temporaryPath()).fileName();
        EXPECT_TRUE(vb::AtomicFile::isTemporaryName(temporary)) << temporary.toStdString();
        EXPECT_EQ(vb::AtomicFile::targetNameOf(temporary), u"a.OC"_s);
        EXPECT_FALSE(file.commitNew(folder + u"/a.OC"_s));
        EXPECT_TRUE(file.commitNew(folder + u"/a-2.OC"_s));
    }
    EXPECT_EQ(bytesOf(folder + u"/a.OC"_s), "older");
    EXPECT_EQ(bytesOf(folder + u"/a-2.OC"_s), "newer");
    EXPECT_EQ(filesIn(folder), (QStringList{u"a-2.OC"_s, u"a.OC"_s}));
    // Unnamed at its end: dropped.
    {
        vb::AtomicFile file(folder + u"/b.OC"_s);
        file.device().write("dropped");
        file.finish();
    }
    EXPECT_EQ(filesIn(folder), (QStringList{u"a-2.OC"_s, u"a.OC"_s}));
    EXPECT_FALSE(vb::AtomicFile::isTemporaryName(u".a.OC"_s));
    EXPECT_EQ(vb::AtomicFile::targetNameOf(u"a.OC.abcdef.part"_s), QString());
}

} // namespace
