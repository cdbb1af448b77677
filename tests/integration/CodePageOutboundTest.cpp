// An outside data source's text (the SQLite ODBC driver on a fixture
// database) through the import files and the outbound run into the
// interchange: the characters of the code page 1252 come out as its bytes,
// byte for byte.
#include "integration/ImportFiles.h"

#include "OdbcTestSupport.h"
#include "TestEnvironment.h"
#include "TranslationTestSupport.h"

#include "translation/OutboundTranslation.h"

#include "odbc/Odbc.h"
#include "vb/Settings.h"
#include "vb/TextFile.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

namespace {

using coretest::bytesOf;

class OdbcToInterchange : public translationtest::TranslationTest {
protected:
    void SetUp() override
    {
        TranslationTest::SetUp();
        key.direction = u"O"_s;
        for (const char *folder : {"Import", "Outbound"}) {
            const QString path = corvantis::test::tempDir() + u'/' + QString::fromLatin1(folder);
            QDir().mkpath(path);
            vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, QString::fromLatin1(folder), path);
        }
        connection.open(u"DRIVER="_s + integrationtest::sqliteDriverLibrary() + u";Database="_s
                        + corvantis::test::tempDir() + u"/source.db;"_s);
    }
    void TearDown() override
    {
        connection.close();
        TranslationTest::TearDown();
    }
    odbc::Connection connection;
};

TEST_F(OdbcToInterchange, TheQuerysTextReachesTheInterchangeByteForByte)
{
    // NW“4711” € as typed, then all of 0x80-0x9F as the characters they stand for.
    const std::vector<QByteArray> values = translationtest::windows1252Values();
    connection.execute(u"CREATE TABLE orders (n INTEGER, po VARCHAR(10), note VARCHAR(40))"_s);
    for (size_t i = 0; i < values.size(); ++i)
        connection.execute(u"INSERT INTO orders VALUES ("_s + QString::number(i) + u", 'A', '"_s
                           + vb::fromWindows1252(values[i]) + u"')"_s);

    addPartner(key.partner);
    addRow(u"Transactions"_s, {{"Partner", key.partner}, {"Transaction", key.transaction}, {"Version", key.version},
                               {"Direction", key.direction}, {"Group", u"SS"_s}, {"Versionoverride", u"004010"_s}});
    addMap(translationtest::parseMap(u"S 1 BSN Level=H\n"
                                     "E 1\n"
                                     "| objScript.CurrentElement = Record(\"po\")\n"
                                     "S 2 LIN Level=D\n"
                                     "E 1 Max=40\n"
                                     "| objScript.CurrentElement = Record(\"note\")\n"_s));
    integration::WriteImportFiles(integration::RunQuery(connection, u"SELECT po, note FROM orders ORDER BY n"_s),
                                  integration::ImportFileStem(key.partner, key.transaction, key.version, key.direction));

    translation::OutboundTranslation run(*host, &progress);
    const QString file = run.ProcessOutbound(translation::OutboundSet::forKey(key), true);
    ASSERT_FALSE(file.isEmpty()) << historyEntries().join(u" | "_s).toStdString();
    QByteArray set = "ST*830*000000001~BSN*A~";
    for (const QByteArray &value : values)
        set += "LIN*" + value + '~';
    set += "SE*" + QByteArray::number(qsizetype(values.size()) + 3) + "*000000001~";
    EXPECT_TRUE(bytesOf(file).contains(set)) << bytesOf(file).toHex(' ').toStdString();
    EXPECT_EQ(count(u"Outbox"_s), 1);
}

} // namespace
