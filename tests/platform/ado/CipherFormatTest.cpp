// The keyed file's format is pinned, so the data layer on the cipher
// library's version 3 (this program) and on its version 4 (a tool built from
// the same sources, run as its own process) open each other's files; a file
// in another version's own format is named as such, not taken for a wrong
// password.
#include "AdoTestSupport.h"
#include "TestDatabase.h"
#include "TestEnvironment.h"
#include "ado/Connection.h"
#include "ado/Recordset.h"

#include <QDir>
#include <QProcess>
#include <gtest/gtest.h>

using namespace ado;

namespace {

const QString kPassword = QStringLiteral("quarrytone7");
const QString kAnotherVersion = QStringLiteral("was made by another version of the database library");
const QString kWrongPassword = QStringLiteral("Not a valid password");

struct ToolResult {
    int exitCode = -1;
    QString said;
};

// Runs the data layer on version 4; fails the test when it is not built.
ToolResult onVersion4(const QStringList &arguments)
{
    ToolResult result;
#ifdef CORVANTIS_SQLCIPHER4_TOOL
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    if (!adotest::runToEnd(tool, QStringLiteral(CORVANTIS_SQLCIPHER4_TOOL), arguments, "the version 4 tool"))
        return result;
    result.said = QString::fromUtf8(tool.readAll()).trimmed();
    result.exitCode = tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
#else
    ADD_FAILURE() << "the data layer was not built on the cipher library's version 4: " << CORVANTIS_SQLCIPHER4_MISSING;
    (void)arguments;
#endif
    return result;
}

QString connectionString(const QString &file, const QString &password = kPassword)
{
    return QStringLiteral("Data Source = %1;Jet OLEDB:Database Password = %2;").arg(file, password);
}

QString openError(const QString &file, const QString &password = kPassword)
{
    Connection cn;
    try {
        cn.Open(connectionString(file, password));
    } catch (const vb::VbError &e) {
        return e.description;
    }
    return QString();
}

} // namespace

TEST(CipherFormat, TheToolRunsOnVersion4)
{
    const ToolResult version = onVersion4({QStringLiteral("version")});
    ASSERT_EQ(version.exitCode, 0) << version.said.toStdString();
    EXPECT_TRUE(version.said.contains(QStringLiteral("\n4."))) << version.said.toStdString();
}

// The build's database and one of the old page size open on version 4; what
// version 4 writes and compacts opens here with every row.
TEST(CipherFormat, ProgramFilesGoBackAndForthBetweenTheMajors)
{
    for (const int pageSize : {kCipherPageSize, kLegacyCipherPageSize}) {
        SCOPED_TRACE(pageSize);
        const QString folder = corvantis::test::tempDir() + QStringLiteral("/%1").arg(pageSize);
        QDir().mkpath(folder);
        const QString path = corvantis::test::copyFreshDatabase(folder);
        if (pageSize != kCipherPageSize)
            CompactDatabase(path, kPassword, pageSize);
        long history = 0;
        {
            Connection cn;
            cn.Open(connectionString(path));
            history = adotest::countRows(cn, QStringLiteral("SELECT * FROM History"));
            cn.Close();
        }
        const ToolResult opened = onVersion4({QStringLiteral("open"), path, kPassword});
        ASSERT_EQ(opened.exitCode, 0) << opened.said.toStdString();
        EXPECT_EQ(opened.said, QStringLiteral("opened %1 %2").arg(pageSize).arg(history));

        const ToolResult written = onVersion4({QStringLiteral("write"), path, kPassword, QStringLiteral("written on version 4")});
        ASSERT_EQ(written.exitCode, 0) << written.said.toStdString();
        {
            Connection cn;
            cn.Open(connectionString(path));
            EXPECT_EQ(cn.cipherPageSize(), pageSize);
            EXPECT_EQ(adotest::countRows(cn, QStringLiteral("SELECT * FROM History WHERE Description = 'written on version 4'")), 1);
            cn.Close();
        }

        // Compaction on version 4 writes a new file (of today's page size).
        const ToolResult compacted = onVersion4({QStringLiteral("compact"), path, kPassword});
        ASSERT_EQ(compacted.exitCode, 0) << compacted.said.toStdString();
        Connection cn;
        cn.Open(connectionString(path));
        EXPECT_EQ(cn.cipherPageSize(), kCipherPageSize);
        EXPECT_EQ(adotest::countRows(cn, QStringLiteral("SELECT * FROM History")), history + 1);
        EXPECT_EQ(adotest::countRows(cn, QStringLiteral("SELECT * FROM Standard")), 326);
        cn.Close();
    }
}

// Version 4 told to write version 3's format: the file opens here.
TEST(CipherFormat, Version4FileInVersion3FormatOpensHere)
{
    const QString path = corvantis::test::tempDir() + QStringLiteral("/pinned.mdb");
    const ToolResult made = onVersion4({QStringLiteral("make"), path, kPassword, QStringLiteral("3")});
    ASSERT_EQ(made.exitCode, 0) << made.said.toStdString();
    Connection cn;
    cn.Open(connectionString(path));
    EXPECT_EQ(adotest::countRows(cn, QStringLiteral("SELECT * FROM t")), 3);
    cn.Close();
}

// A file in the own format of another version (version 4's defaults,
// version 2's) is named as that on either major; a wrong password stays a
// wrong password.
TEST(CipherFormat, OtherVersionsFormatIsNamedNotTakenForAWrongPassword)
{
    for (const char *format : {"default", "2"}) {
        SCOPED_TRACE(format);
        const QString path = corvantis::test::tempDir() + QStringLiteral("/%1.mdb").arg(QLatin1String(format));
        const ToolResult made = onVersion4({QStringLiteral("make"), path, kPassword, QLatin1String(format)});
        ASSERT_EQ(made.exitCode, 0) << made.said.toStdString();

        const QString here = openError(path);
        EXPECT_TRUE(here.contains(kAnotherVersion)) << here.toStdString();
        EXPECT_FALSE(here.contains(kWrongPassword)) << here.toStdString();
        const ToolResult there = onVersion4({QStringLiteral("open"), path, kPassword});
        EXPECT_EQ(there.exitCode, 1);
        EXPECT_TRUE(there.said.contains(kAnotherVersion)) << there.said.toStdString();

        const QString wrong = openError(path, QStringLiteral("not the password"));
        EXPECT_TRUE(wrong.contains(kWrongPassword)) << wrong.toStdString();
        EXPECT_FALSE(wrong.contains(kAnotherVersion)) << wrong.toStdString();
    }
    // The program's own file with a wrong password is a wrong password on
    // both majors.
    const QString folder = corvantis::test::tempDir() + QStringLiteral("/own");
    QDir().mkpath(folder);
    const QString own = corvantis::test::copyFreshDatabase(folder);
    EXPECT_TRUE(openError(own, QStringLiteral("not the password")).contains(kWrongPassword));
    const ToolResult there = onVersion4({QStringLiteral("open"), own, QStringLiteral("not the password")});
    EXPECT_EQ(there.exitCode, 1);
    EXPECT_TRUE(there.said.contains(kWrongPassword)) << there.said.toStdString();
}
