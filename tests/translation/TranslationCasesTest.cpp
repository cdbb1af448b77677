// The inbound translation, one fixture folder per case under
// tests/fixtures/translation/: the map with its snippets, the partner's
// delimiters and options, the stored sets, and the golden results (the
// record definition written from the map, the reference nodes, the
// translated rows of each run, the statuses, the History entries and the
// message boxes). CORVANTIS_UPDATE_GOLDEN=1 rewrites the golden files.
#include "TranslationTestSupport.h"

#include "TestEnvironment.h"

#include "translation/InboundTranslation.h"
#include "translation/RecordLayout.h"

#include "ado/Recordset.h"
#include "vb/TextFile.h"
#include "vbscript/ScriptControl.h"

#include <QDir>
#include <QFile>

using namespace translationtest;
using corvantis::test::dialogs;

namespace {

using namespace Qt::StringLiterals;

QString casesFolder()
{
    return QStringLiteral(CORVANTIS_FIXTURES "/translation");
}

std::vector<std::string> caseNames()
{
    std::vector<std::string> names;
    for (const QString &name : QDir(casesFolder()).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        names.push_back(name.toStdString());
    return names;
}

QString readText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readAll());
}

bool updating()
{
    return qEnvironmentVariableIntValue("CORVANTIS_UPDATE_GOLDEN") == 1;
}

QString escaped(QString text)
{
    text.replace(u"\r\n"_s, u"\\r\\n"_s);
    return text;
}

class TranslationCase : public TranslationTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(TranslationCase, MatchesItsGoldenFiles)
{
    const QString folder = casesFolder() + u"/"_s + QString::fromStdString(GetParam());

    QMap<QString, QString> options;
    for (QString line : readText(folder + u"/case.txt"_s).split(u'\n')) {
        line = line.trimmed();
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0 && !line.startsWith(u'#'))
            options[line.left(eq)] = line.mid(eq + 1);
    }
    const QString delimiters = options.value(u"Delimiters"_s, u"~*>"_s);
    ASSERT_EQ(delimiters.size(), 3);
    addPartner(key.partner, delimiters[0].unicode(), delimiters[1].unicode(), delimiters[2].unicode());
    addMap(parseMap(readText(folder + u"/map.txt"_s)));

    // The record definition from the map, and the reference nodes.
    QStringList nodes;
    if (options.value(u"Definition"_s) != u"none"_s) {
        translation::CreateRecordDefinition(key, true, [&](const QString &parent, const QString &nodeKey,
                                                          const QString &text, const QString &image) {
            nodes << (parent.isEmpty() ? QString() : u"  "_s) + nodeKey
                    + (text == nodeKey ? QString() : u" text "_s + text) + u" image "_s + image;
        });
        const QString written = translation::RecordDefinitionPath(key);
        ASSERT_TRUE(QFile::exists(written)) << historyEntries().join(u"\n"_s).toStdString();
        if (updating())
            QFile::remove(folder + u"/expected.ADO"_s), QFile::copy(written, folder + u"/expected.ADO"_s);
        QFile actual(written), expected(folder + u"/expected.ADO"_s);
        ASSERT_TRUE(actual.open(QIODevice::ReadOnly));
        ASSERT_TRUE(expected.open(QIODevice::ReadOnly)) << "no expected.ADO";
        EXPECT_EQ(actual.readAll(), expected.readAll()) << "record definition";

        // The reader reads back exactly the fields of the layout.
        const std::vector<translation::RecordField> layout = translation::RecordLayout(key);
        ado::RecordsetPtr back = modGlobal::OpenRecordsetDefinition(written);
        ASSERT_TRUE(back);
        ASSERT_EQ(back->Fields().Count(), int(layout.size()));
        for (size_t i = 0; i < layout.size(); ++i) {
            const ado::Field &field = back->Fields(int(i));
            EXPECT_EQ(field.Name(), layout[i].name);
            EXPECT_EQ(field.Type(), layout[i].type);
            if (layout[i].type == ado::adNumeric) {
                EXPECT_EQ(field.Precision(), layout[i].precision);
                EXPECT_EQ(field.NumericScale(), layout[i].numericScale);
            } else {
                EXPECT_EQ(field.DefinedSize(), layout[i].definedSize);
            }
        }
    }

    // The stored sets; the flags say in which runs each row is selected.
    std::vector<QString> flags;
    for (const QString &line : readText(folder + u"/inbox.txt"_s).split(u'\n')) {
        if (line.trimmed().isEmpty() || line.startsWith(u'#'))
            continue;
        const qsizetype space = line.indexOf(u' ');
        flags.push_back(line.left(space));
        QString tset = line.mid(space + 1);
        if (tset.endsWith(u'\r'))
            tset.chop(1);
        tset.replace(u"\\r\\n"_s, u"\r\n"_s);
        addInboxRow(tset);
    }

    if (options.contains(u"Timeout"_s))
        host->scScript().setTimeout(options.value(u"Timeout"_s).toInt());
    for (const QString &answer : options.value(u"Answers"_s).split(u',', Qt::SkipEmptyParts))
        dialogs().answer(answer.toInt());

    const bool silent = options.value(u"Silent"_s, u"1"_s) == u"1"_s;
    const bool exportRows = options.value(u"Export"_s) == u"1"_s;
    const int runs = options.value(u"Runs"_s, u"1"_s).toInt();

    QStringList actual;
    actual << u"== reference nodes"_s << nodes;
    for (int run = 0; run < runs; ++run) {
        std::vector<bool> selected;
        for (const QString &f : flags)
            selected.push_back(run < f.size() && f[run] == u'1');
        fillInbox(selected);
        translation::InboundTranslation translation(*host, &progress);
        const ado::RecordsetPtr rs = translation.TranslateAll(inbox, key.partner, key.transaction, key.version,
                                                              key.direction, exportRows, silent);
        actual << u"== run %1 records"_s.arg(run + 1) << recordTexts(rs);
        EXPECT_TRUE(host->editingEnabled());
        EXPECT_EQ(progress.progress, 0);
        EXPECT_TRUE(progress.percent.isEmpty());
        EXPECT_EQ(modGlobal::blnSilentMode, silent);
    }
    actual << u"== statuses"_s << statuses();
    actual << u"== history"_s << historyEntries();
    actual << u"== boxes"_s;
    for (const auto &box : dialogs().boxes())
        actual << box.caption + u" | icon "_s + QString::number(box.icon) + u" | "_s + escaped(box.text);
    if (!host->immediateText().isEmpty())
        actual << u"== immediate"_s << escaped(host->immediateText());
    const QString actualText = actual.join(u"\n"_s) + u"\n"_s;

    if (updating())
        vb::writeWindows1252File(folder + u"/expected.txt"_s, actualText);
    EXPECT_EQ(actualText, readText(folder + u"/expected.txt"_s));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, TranslationCase, ::testing::ValuesIn(caseNames()),
                         [](const auto &info) { return info.param; });

} // namespace
