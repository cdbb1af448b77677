// The outbound run, one fixture folder per case under tests/fixtures/outbound/:
// the outbound map with its snippets (map.txt), the import record definition
// and data (import.ADO, import.IMP), options (case.txt), and the golden
// result (expected.txt: each written interchange, the History entries, the
// envelope and set counters, the Outbox rows and the files left in the
// Outbound folder). CORVANTIS_UPDATE_GOLDEN=1 rewrites expected.txt.
#include "TranslationTestSupport.h"

#include "TestEnvironment.h"

#include "translation/OutboundTranslation.h"

#include "com/ClassRegistry.h"
#include "vb/Settings.h"

#include <QDir>
#include <QFile>

using namespace translationtest;

namespace {

using namespace Qt::StringLiterals;

QString casesFolder()
{
    return QStringLiteral(CORVANTIS_FIXTURES "/outbound");
}

std::vector<std::string> caseNames()
{
    std::vector<std::string> names;
    for (const QString &name : QDir(casesFolder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        names.push_back(name.toStdString());
    return names;
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString escaped(QString text)
{
    text.replace(u"\r"_s, u"\\r"_s).replace(u"\n"_s, u"\\n"_s);
    return text;
}

class OutboundCase : public TranslationTest, public ::testing::WithParamInterface<std::string> {
protected:
    void SetUp() override
    {
        TranslationTest::SetUp();
        key.direction = u"O"_s;
    }
};

TEST_P(OutboundCase, MatchesItsGoldenFiles)
{
    const QString folder = casesFolder() + u'/' + QString::fromStdString(GetParam());
    QMap<QString, QString> options;
    for (QString line : QString::fromLatin1(readBytes(folder + u"/case.txt"_s)).split(u'\n')) {
        line = line.trimmed();
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0 && !line.startsWith(u'#'))
            options[line.left(eq)] = line.mid(eq + 1);
    }
    const QString delimiters = options.value(u"Delimiters"_s, u"~*>"_s);
    const int terminator = options.value(u"Terminator"_s) == u"CRLF"_s ? 0 : delimiters[0].unicode();
    addPartner(key.partner, terminator, delimiters[1].unicode(), delimiters[2].unicode());
    addRow(u"Transactions"_s, {{"Partner", key.partner}, {"Transaction", key.transaction}, {"Version", key.version},
                               {"Direction", key.direction}, {"Group", options.value(u"Group"_s, u"SS"_s)},
                               {"Versionoverride", options.value(u"Override"_s, u"004010"_s)},
                               {"ControlNumber", vb::Variant::fromLong(options.value(u"ControlNumber"_s, u"0"_s).toLong())}});
    if (options.contains(u"Plugin"_s)) {
        com::addClass(QStringLiteral(OUTBOUND_PLUGIN), options.value(u"Plugin"_s));
        modGlobal::cnDatabase->Execute(u"UPDATE Transactions SET ActiveX = 'OutboundPlugin."_s
                                       + options.value(u"Plugin"_s) + u"'"_s);
    }
    addMap(parseMap(QString::fromLatin1(readBytes(folder + u"/map.txt"_s))));

    const QString import = corvantis::test::tempDir() + u"/import"_s;
    const QString outbound = corvantis::test::tempDir() + u"/outbound"_s;
    QDir().mkpath(import);
    QDir().mkpath(outbound);
    vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, u"Import"_s, import);
    vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, u"Outbound"_s, outbound);
    QFile::copy(folder + u"/import.ADO"_s, translation::OutboundTranslation::ImportDefinitionPath(key));
    QFile::copy(folder + u"/import.IMP"_s, translation::OutboundTranslation::ImportDataPath(key));

    QStringList result;
    const int runs = options.value(u"Runs"_s, u"1"_s).toInt();
    for (int run = 1; run <= runs; ++run) {
        modGlobal::cnDatabase->Execute(u"DELETE FROM History"_s);
        translation::OutboundTranslation outboundRun(*host, &progress);
        const translation::OutboundSet set = translation::OutboundSet::forKey(key);
        const QString file = outboundRun.ProcessOutbound(set, true);
        result << u"== run "_s + QString::number(run);
        result << u"file: "_s + (file.isEmpty() ? u"<none>"_s : QFileInfo(file).fileName());
        if (!file.isEmpty())
            result << escaped(QString::fromLatin1(readBytes(file)));
        result << u"History:"_s;
        // The load names the written file by its path in the test's folder,
        // a refusal the import file, a plug-in failure the library by its
        // path in the build.
        for (const QString &entry : historyEntries())
            result << u"  "_s
                    + QString(entry)
                          .replace(outbound, u"<outbound>"_s)
                          .replace(import, u"<import>"_s)
                          .replace(QFileInfo(QStringLiteral(OUTBOUND_PLUGIN)).absoluteFilePath(), u"<plugin>"_s);
        const auto partner = rows(u"SELECT ISA13, GS06 FROM Partner"_s).at(0);
        result << u"ISA13="_s + partner.at(u"ISA13"_s) + u" GS06="_s + partner.at(u"GS06"_s) + u" ControlNumber="_s
                + column(u"SELECT ControlNumber FROM Transactions"_s, u"ControlNumber"_s).join(u',');
        result << u"Outbox rows: "_s + QString::number(count(u"Outbox"_s));
        EXPECT_TRUE(host->editingEnabled());
        EXPECT_EQ(progress.progress, 0);
        EXPECT_TRUE(progress.percent.isEmpty());
    }
    result << u"Outbound folder: "_s + QDir(outbound).entryList(QDir::Files | QDir::Hidden, QDir::Name).join(u", "_s);
    const QString actual = result.join(u'\n') + u'\n';

    const QString goldenPath = folder + u"/expected.txt"_s;
    if (qEnvironmentVariableIntValue("CORVANTIS_UPDATE_GOLDEN") == 1) {
        QFile golden(goldenPath);
        ASSERT_TRUE(golden.open(QIODevice::WriteOnly | QIODevice::Truncate));
        golden.write(actual.toLatin1());
    }
    EXPECT_EQ(actual.toStdString(), QString::fromLatin1(readBytes(goldenPath)).toStdString());
}

INSTANTIATE_TEST_SUITE_P(Fixtures, OutboundCase, ::testing::ValuesIn(caseNames()),
                         [](const ::testing::TestParamInfo<std::string> &info) { return info.param; });

} // namespace
