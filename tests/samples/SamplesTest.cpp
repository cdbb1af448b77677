// The sample files the README's first steps hand to the program: each is read
// by the part of the program that reads it in those steps, and the network
// scripts run against a real FTP server.
#include "communications/NetworkRun.h"

#include "CoreTestSupport.h"
#include "LoopbackServers.h"
#include "OdbcTestSupport.h"
#include "TestEnvironment.h"

#include "core/loader/InterchangeLoader.h"
#include "integration/ImportFiles.h"
#include "mapeditor/MapReference.h"
#include "odbc/Odbc.h"
#include "translation/OutboundTranslation.h"
#include "vb/Settings.h"
#include "vbscript/ScriptControl.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

QString sample(const QString &relative)
{
    return QStringLiteral(CORVANTIS_SAMPLES "/") + relative;
}

QString textOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : u"<missing "_s + path + u'>';
}

// The lines of a sample text file, without their line ends.
QStringList linesOf(const QString &path)
{
    QStringList lines = textOf(path).split(u'\n', Qt::SkipEmptyParts);
    for (QString &line : lines)
        if (line.endsWith(u'\r'))
            line.chop(1);
    lines.removeAll(QString());
    return lines;
}

QStringList filesIn(const QString &folder, const QString &pattern)
{
    return QDir(sample(folder)).entryList({pattern}, QDir::Files, QDir::Name);
}

// The partner the sample interchange registers, and the outbound set the
// sample import files belong to.
const QString kPartner = u"NORDWINDNWCORVANTISCV"_s;

class SamplesTest : public coretest::CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        for (const char *folder : {"outbound", "inbound", "sent", "server", "import"})
            QDir().mkpath(dir(folder));
        vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, u"Outbound"_s, dir("outbound"));
        vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, u"Inbound"_s, dir("inbound"));
        vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, u"Sent"_s, dir("sent"));
        vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, u"Import"_s, dir("import"));
        modGlobal::blnSilentMode = true;
    }
    void TearDown() override
    {
        modGlobal::blnSilentMode = false;
        CoreTest::TearDown();
    }
    static QString dir(const char *name) { return corvantis::test::tempDir() + u'/' + QString::fromLatin1(name); }
    QStringList exchangeLog()
    {
        return column(u"SELECT Type || ': ' || Description AS Entry FROM Exchange ORDER BY [Index]"_s, u"Entry"_s);
    }
};

TEST_F(SamplesTest, EachInterchangeLoadsIntoTheInbox)
{
    struct Case {
        const char *file;
        QStringList references; // the sets' purchase order numbers, in file order
    };
    const std::vector<Case> cases{{"nordwind-850.IC", {u"NW-4711"_s, u"NW-4712"_s}}};
    QStringList listed;
    for (const Case &c : cases)
        listed << QString::fromLatin1(c.file);
    ASSERT_EQ(filesIn(u"inbound"_s, u"*"_s), listed) << "every sample interchange has its case";

    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        modGlobal::cnDatabase->Execute(u"DELETE FROM Inbox"_s);
        const QString copy = dir("inbound") + u'/' + QString::fromLatin1(c.file);
        ASSERT_TRUE(QFile::copy(sample(u"inbound/"_s + QString::fromLatin1(c.file)), copy));
        EXPECT_EQ(core::InterchangeLoader().LoadBox(copy, u"I"_s), QString());
        const auto loaded = rows(u"SELECT Partner, [Transaction], Version, TSet FROM Inbox ORDER BY rowid"_s);
        ASSERT_EQ(loaded.size(), std::size_t(c.references.size()));
        for (std::size_t i = 0; i < loaded.size(); ++i) {
            EXPECT_EQ(loaded[i].at(u"Partner"_s), kPartner);
            EXPECT_EQ(loaded[i].at(u"Transaction"_s), u"850"_s);
            EXPECT_EQ(loaded[i].at(u"Version"_s), u"004010"_s);
            EXPECT_TRUE(loaded[i].at(u"TSet"_s).contains(u"BEG*00*SA*"_s + c.references[qsizetype(i)]))
                << loaded[i].at(u"TSet"_s).toStdString();
        }
    }
}

TEST_F(SamplesTest, EachImportFileReadsThroughTheOutboundReader)
{
    const QStringList definitions = filesIn(u"import"_s, u"*.ADO"_s);
    ASSERT_EQ(definitions, QStringList{kPartner + u"_855_004010_O.ADO"_s});
    for (const QString &definition : definitions) {
        SCOPED_TRACE(definition.toStdString());
        const QString stem = sample(u"import/"_s + QFileInfo(definition).completeBaseName());
        const ado::RecordsetPtr rs =
            translation::OutboundTranslation::ReadImportRecords(stem + u".ADO"_s, stem + u".IMP"_s);
        ASSERT_TRUE(rs);
        // Every value of every line arrives in its field.
        const QStringList lines = linesOf(stem + u".IMP"_s);
        ASSERT_EQ(rs->RecordCount(), lines.size());
        rs->MoveFirst();
        for (const QString &line : lines) {
            const QStringList values = line.split(u'\t');
            ASSERT_EQ(values.size(), rs->Fields().Count()) << line.toStdString();
            for (int f = 0; f < rs->Fields().Count(); ++f) {
                const ado::Field &field = rs->Fields(f);
                if (field.Type() == ado::adVarChar)
                    EXPECT_EQ(field.Value().toString(), values[f]) << field.Name().toStdString();
                else
                    EXPECT_DOUBLE_EQ(field.Value().toDouble(), values[f].toDouble()) << field.Name().toStdString();
            }
            rs->MoveNext();
        }
        EXPECT_EQ(rs->Fields(u"Price"_s).Type(), ado::adNumeric);
        EXPECT_EQ(rs->Fields(u"Price"_s).NumericScale(), 2);

        // The Map Designer lists the same fields for the outbound map's scripts.
        QStringList designerFields;
        EXPECT_NO_THROW(mapeditor::readResultFields(stem + u".ADO"_s, [&](const mapeditor::ReferenceNode &node) {
            designerFields << node.key;
        }));
        QStringList definitionFields;
        for (int f = 0; f < rs->Fields().Count(); ++f)
            definitionFields << rs->Fields(f).Name();
        EXPECT_EQ(designerFields, definitionFields);
    }
}

TEST_F(SamplesTest, EachNetworkScriptCompiles)
{
    const QStringList scripts = filesIn(u"network"_s, u"*.vbs"_s);
    ASSERT_EQ(scripts, (QStringList{u"ftp-receive.vbs"_s, u"ftp-send.vbs"_s}));
    for (const QString &name : scripts) {
        SCOPED_TRACE(name.toStdString());
        vbs::ScriptControl sc;
        // Inside a procedure that is never called: compiled, not run.
        EXPECT_NO_THROW(sc.AddCode(u"Sub CheckSample()\n"_s + textOf(sample(u"network/"_s + name)) + u"\nEnd Sub\n"_s));
        EXPECT_EQ(sc.Error().Number, 0) << sc.Error().Description.toStdString();
    }
    // A compile error is seen by this check.
    vbs::ScriptControl sc;
    EXPECT_ANY_THROW(sc.AddCode(u"Sub CheckSample()\nIf x Then\nEnd Sub\n"_s));
}

TEST_F(SamplesTest, TheFtpScriptsSendTheOutboxAndReceiveIntoTheInbox)
{
    corvantis::test::FtpServer ftp;
    QString error;
    ASSERT_TRUE(ftp.start(dir("server"), &error)) << error.toStdString();
    communications::NetworkPage page;
    page.name = u"Nordwind FTP"_s;
    page.url = u"ftp://127.0.0.1:"_s + QString::number(ftp.port()) + u'/';
    page.userName = QString::fromLatin1(corvantis::test::FtpServer::kFullUser);
    page.password = QString::fromLatin1(corvantis::test::FtpServer::kFullPassword);
    page.remotePort = QString::number(ftp.port());
    page.timeout = u"10"_s;
    page.accessType = 1; // direct: never a proxy for the loopback server
    page.sendScript = textOf(sample(u"network/ftp-send.vbs"_s));
    page.receiveScript = textOf(sample(u"network/ftp-receive.vbs"_s));

    // The sample interchange in the Outbox is what the send script uploads.
    const QString copy = corvantis::test::tempDir() + u"/nordwind-850.OC"_s;
    ASSERT_TRUE(QFile::copy(sample(u"inbound/nordwind-850.IC"_s), copy));
    ASSERT_EQ(core::InterchangeLoader().LoadBox(copy, u"O"_s), QString());
    ASSERT_EQ(count(u"Outbox"_s), 2);
    EXPECT_TRUE(communications::RunSendScript(page)) << exchangeLog().join(u" | "_s).toStdString();
    EXPECT_EQ(count(u"Outbox"_s), 0);
    EXPECT_EQ(count(u"Sent"_s), 2);
    const QStringList uploaded = QDir(dir("server")).entryList(QDir::Files);
    ASSERT_EQ(uploaded.size(), 1);
    EXPECT_TRUE(QRegularExpression(u"^CORVANTIS-\\d{12}\\.edi$"_s).match(uploaded[0]).hasMatch()) << uploaded[0].toStdString();
    EXPECT_TRUE(textOf(dir("server") + u'/' + uploaded[0]).startsWith(u"ISA*"_s));
    EXPECT_TRUE(exchangeLog().contains(u"Info: Sent "_s + uploaded[0]));

    // An empty Outbox sends nothing and says so.
    EXPECT_TRUE(communications::RunSendScript(page));
    EXPECT_EQ(QDir(dir("server")).entryList(QDir::Files).size(), 1);
    EXPECT_TRUE(exchangeLog().contains(u"Info: The Outbox is empty: nothing to send"_s));

    // The partner's next interchange waits beside our upload: the receive
    // script fetches both, loads the partner's two sets and passes over the
    // interchange that is already stored.
    QFile next(dir("server") + u"/nordwind-850-2.IC"_s);
    ASSERT_TRUE(next.open(QIODevice::WriteOnly));
    next.write(textOf(sample(u"inbound/nordwind-850.IC"_s)).replace(u"000000001"_s, u"000000002"_s).toLatin1());
    next.close();
    EXPECT_TRUE(communications::RunReceiveScript(page)) << exchangeLog().join(u" | "_s).toStdString();
    EXPECT_EQ(count(u"Inbox"_s), 2);
    EXPECT_EQ(column(u"SELECT DISTINCT InterchangeControlNumber FROM Inbox"_s, u"InterchangeControlNumber"_s),
              QStringList{u"000000002"_s});
    EXPECT_EQ(count(u"Sent"_s), 2);
    for (const QString &name : {uploaded[0], u"nordwind-850-2.IC"_s}) {
        EXPECT_TRUE(QFile::exists(dir("inbound") + u'/' + name)) << name.toStdString();
        EXPECT_TRUE(exchangeLog().contains(u"Info: Received "_s + name)) << name.toStdString();
    }
    EXPECT_EQ(exchangeLog().filter(u"Error: "_s), QStringList());
}

TEST_F(SamplesTest, TheOrdersScriptMakesTheDatabaseTheJobsQueryReads)
{
    const QString script = textOf(sample(u"integration/orders.sql"_s));
    // The query the README gives the job, as the script's comment shows it.
    const QRegularExpressionMatch query = QRegularExpression(u"--\\s+(SELECT [^\\n]*)"_s).match(script);
    ASSERT_TRUE(query.hasMatch());

    const QString database = corvantis::test::tempDir() + u"/orders.db"_s;
    QProcess sqlite;
    sqlite.setStandardInputFile(sample(u"integration/orders.sql"_s));
    sqlite.start(u"sqlite3"_s, {database});
    ASSERT_TRUE(sqlite.waitForFinished(30000)) << "sqlite3 did not finish within 30 seconds";
    ASSERT_EQ(sqlite.exitCode(), 0) << sqlite.readAllStandardError().toStdString();

    odbc::Connection connection;
    connection.open(u"DRIVER="_s + integrationtest::sqliteDriverLibrary() + u";Database="_s + database + u';');
    const integration::QueryResult result = integration::RunQuery(connection, query.captured(1).trimmed());
    connection.close();
    ASSERT_TRUE(result.hasRowset);

    // The job's result has the sample import file's fields and records.
    const QString stem = sample(u"import/"_s + kPartner + u"_855_004010_O"_s);
    QStringList names;
    for (const integration::ImportColumn &c : result.columns)
        names << c.name;
    QStringList definitionNames;
    for (const QString &line : linesOf(stem + u".ADO"_s))
        definitionNames << line.section(u'\t', 0, 0);
    EXPECT_EQ(names, definitionNames);
    const QStringList lines = linesOf(stem + u".IMP"_s);
    ASSERT_EQ(result.rows.size(), std::size_t(lines.size()));
    for (std::size_t r = 0; r < result.rows.size(); ++r) {
        const QStringList values = lines[qsizetype(r)].split(u'\t');
        ASSERT_EQ(result.rows[r].size(), std::size_t(values.size()));
        for (std::size_t f = 0; f < std::size_t(values.size()); ++f) {
            const QString text = integration::ImportValueText(result.rows[r][f]);
            bool number = false;
            const double expected = values[qsizetype(f)].toDouble(&number);
            if (number && result.columns[f].type != ado::adVarChar)
                EXPECT_DOUBLE_EQ(text.toDouble(), expected) << names[qsizetype(f)].toStdString();
            else
                EXPECT_EQ(text, values[qsizetype(f)]) << names[qsizetype(f)].toStdString();
        }
    }
}

} // namespace
