#include "TranslationTestSupport.h"

#include "TestEnvironment.h"

#include "ado/Recordset.h"
#include "vb/Dialogs.h"
#include "vb/Settings.h"

#include <QDir>

namespace translationtest {

std::vector<QByteArray> windows1252Values()
{
    std::vector<QByteArray> values{QByteArray::fromHex("4E5793343731319420" "80")};
    for (int from = 0x80; from < 0xA0; from += 8) {
        QByteArray v;
        for (int b = from; b < from + 8; ++b)
            v += char(b);
        values.push_back(v);
    }
    return values;
}

using namespace Qt::StringLiterals;

std::vector<SegmentSpec> parseMap(const QString &text)
{
    std::vector<SegmentSpec> segments;
    QString *script = nullptr;
    for (const QString &raw : text.split(u'\n')) {
        QString line = raw;
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.startsWith(u"| "_s) || line == u"|"_s) {
            if (!script)
                throw std::runtime_error("script line outside a map row");
            if (!script->isEmpty())
                *script += u"\n"_s;
            *script += line.mid(2);
            continue;
        }
        const QStringList words = line.split(u' ', Qt::SkipEmptyParts);
        if (words.isEmpty() || words[0].startsWith(u'#'))
            continue;
        QMap<QString, QString> options;
        for (int i = 1; i < words.size(); ++i) {
            const qsizetype eq = words[i].indexOf(u'=');
            if (eq > 0)
                options[words[i].left(eq)] = words[i].mid(eq + 1);
        }
        if (words[0] == u"S"_s) {
            SegmentSpec s;
            s.index = words.value(1).toInt();
            s.id = words.value(2);
            s.node = options.value(u"Node"_s, u"1"_s).toInt();
            s.exclude = options.value(u"Exclude"_s) == u"1"_s;
            s.placeholders = options.value(u"Placeholders"_s, u"1"_s).toInt();
            s.direction = options.value(u"Direction"_s);
            s.level = options.value(u"Level"_s);
            segments.push_back(s);
            script = &segments.back().script;
        } else if (words[0] == u"E"_s) {
            if (segments.empty())
                throw std::runtime_error("element before its segment");
            ElementSpec e;
            e.index = words.value(1).toInt();
            e.type = options.contains(u"Type"_s) ? options.value(u"Type"_s) : u"AN"_s;
            e.maximum = options.value(u"Max"_s, u"10"_s).toInt();
            e.exclude = options.value(u"Exclude"_s) == u"1"_s;
            e.format = options.value(u"Format"_s);
            segments.back().elements.push_back(e);
            script = &segments.back().elements.back().script;
        } else {
            throw std::runtime_error("unknown map line: " + line.toStdString());
        }
    }
    return segments;
}

void TranslationTest::SetUp()
{
    CoreTest::SetUp();
    host = std::make_unique<translation::HiddenMapHost>();
    vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, u"ActiveX"_s, corvantis::test::tempDir());
}

void TranslationTest::TearDown()
{
    modGlobal::blnSilentMode = false;
    host.reset();
    CoreTest::TearDown();
}

void TranslationTest::addMap(const std::vector<SegmentSpec> &segments)
{
    for (const SegmentSpec &s : segments) {
        const QString direction = s.direction.isEmpty() ? key.direction : s.direction;
        addRow(u"Segment"_s, {{"Partner", key.partner},
                              {"Version", key.version},
                              {"Transaction", key.transaction},
                              {"Direction", direction},
                              {"Segment", s.id},
                              {"SegmentIndex", vb::Variant::fromLong(s.index)},
                              {"Node", vb::Variant::fromLong(s.node)},
                              {"Exclude", vb::Variant(s.exclude)},
                              {"Placeholders", vb::Variant::fromLong(s.placeholders)},
                              {"SegmentScript", s.script}});
        if (!s.level.isEmpty())
            modGlobal::cnDatabase->Execute(u"UPDATE Segment SET Level = '"_s + s.level
                                           + u"' WHERE rowid = (SELECT max(rowid) FROM Segment)"_s);
        for (const ElementSpec &e : s.elements) {
            addRow(u"Element"_s, {{"Partner", key.partner},
                                  {"Version", key.version},
                                  {"Transaction", key.transaction},
                                  {"Direction", direction},
                                  {"Segment", s.id},
                                  {"SegmentIndex", vb::Variant::fromLong(s.index)},
                                  {"ElementIndex", vb::Variant::fromLong(e.index)},
                                  {"Exclude", vb::Variant(e.exclude)},
                                  {"Type", e.type},
                                  {"Maximum", vb::Variant::fromLong(e.maximum)},
                                  {"Format", e.format},
                                  {"ElementScript", e.script}});
        }
    }
}

qint64 TranslationTest::addInboxRow(const QString &tset)
{
    ++inboxRows;
    addRow(u"Inbox"_s, {{"Partner", key.partner},
                        {"Transaction", key.transaction},
                        {"Version", key.version},
                        {"Direction", key.direction},
                        {"Time", QStringLiteral("%1").arg(inboxRows, 4, 10, QLatin1Char('0'))},
                        {"Status", u"Closed"_s},
                        {"TSet", tset}});
    return inboxRows;
}

core::MailboxSelection TranslationTest::listOf(const QString &table, const std::vector<bool> &selected)
{
    core::MailboxSelection list;
    list.table = table;
    list.statement = modGlobal::BuildSortedSelect(modGlobal::ListQuery{table, {u"Time"_s}, 0, 0});
    ado::Recordset rs;
    rs.Open(list.statement, modGlobal::cnDatabase, ado::adOpenKeyset, ado::adLockReadOnly);
    for (; !rs.Eof(); rs.MoveNext()) {
        const size_t position = size_t(list.order.size());
        list.order << rs.rowid();
        if (position < selected.size() && selected[position])
            list.rowids << rs.rowid();
    }
    rs.Close();
    list.hasCurrentItem = !list.order.isEmpty();
    return list;
}

void TranslationTest::fillInbox(const std::vector<bool> &selected)
{
    inbox = listOf(u"Inbox"_s, selected);
}

QStringList TranslationTest::statuses()
{
    return column(u"SELECT * FROM Inbox ORDER BY Time"_s, u"Status"_s);
}

QStringList TranslationTest::historyEntries()
{
    QStringList entries;
    for (const auto &row : rows(u"SELECT * FROM History ORDER BY [Index]"_s))
        entries << row.at(u"Type"_s) + u": "_s + row.at(u"Description"_s);
    return entries;
}

QStringList TranslationTest::recordTexts(const ado::RecordsetPtr &rs)
{
    if (!rs)
        return {u"<no record set>"_s};
    QStringList names;
    for (const auto &field : rs->Fields())
        names << field.Name();
    QStringList lines{names.join(u'|')};
    if (rs->RecordCount() == 0)
        return lines;
    rs->MoveFirst();
    while (!rs->Eof()) {
        QStringList values;
        for (const auto &field : rs->Fields()) {
            const vb::Variant v = field.Value();
            values << (v.isNull() ? u"<Null>"_s : v.toString());
        }
        lines << values.join(u'|');
        rs->MoveNext();
    }
    return lines;
}

} // namespace translationtest
