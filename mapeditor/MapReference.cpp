#include "mapeditor/MapReference.h"

#include "core/ScriptKeywords.h"

#include "ado/Recordset.h"
#include "vb/Conversions.h"
#include "vb/TextFile.h"
#include "vb/VbError.h"
#include "vb/Variant.h"

#include <QFile>
#include <QStringList>

#include <algorithm>

namespace mapeditor {

using namespace Qt::StringLiterals;

void readResultFields(const QString &path, const ReferenceSink &add)
{
    QFile file(path);
    if (!file.exists())
        return; // no definition yet: an empty branch
    if (!file.open(QIODevice::ReadOnly))
        vb::raise(75, u"Path/File access error: "_s + path);
    if (file.size() == 0)
        vb::raise(62, u"Input past end of file: "_s + path);
    // Read as the outbound run reads it: code page 1252, lines ending at LF
    // with a CR before it dropped, so a definition saved by any editor works.
    QStringList lines = vb::fromWindows1252(file.readAll()).split(u'\n');
    for (QString &line : lines)
        if (line.endsWith(u'\r'))
            line.chop(1);
    ado::Recordset check; // proves the definition usable, as the outbound run will read it
    for (const QString &line : lines) {
        if (line.isEmpty())
            break;
        const QStringList c = line.split(u'\t');
        if (c.size() < 3)
            vb::raise(9, u"The import definition line \""_s + line + u"\" has fewer than three columns ("_s + path + u")."_s);
        const int type = vb::CLng(vb::Variant(c.at(1)));
        check.Fields().Append(c.at(0), type, vb::CLng(vb::Variant(c.at(2))));
        if (type == 131 || type == 14) {
            if (c.size() < 4)
                vb::raise(9, u"The import definition line \""_s + line + u"\" has no scale ("_s + path + u")."_s);
            check.Fields().Item(c.at(0)).setPrecision(uint8_t(vb::CLng(vb::Variant(c.at(2)))));
            check.Fields().Item(c.at(0)).setNumericScale(uint8_t(vb::CLng(vb::Variant(c.at(3)))));
        }
        add({u"Results"_s, c.at(0), u"Record.Fields.Item(\""_s + c.at(0) + u"\")"_s, u"Results"_s});
    }
    check.Open();
}

std::vector<ReferenceNode> scriptReferenceNodes(bool outbound)
{
    std::vector<ReferenceNode> nodes;
    auto root = [&](const QString &name) { nodes.push_back({{}, name, name, name}); };
    auto child = [&](const QString &rootName, const QString &key, const QString &text) {
        nodes.push_back({rootName, key, text, rootName});
    };
    const QString member = u"objScript."_s;
    root(u"Methods"_s);
    for (const char *m : {"ElementToSegment", "SegmentToSegments", "SegmentsToHead", "SegmentsToDetail",
                          "SegmentsToTail", "WriteToLines", "AppendToLines"})
        child(u"Methods"_s, member + QLatin1String(m), member + QLatin1String(m));
    const QString linesToRecord = u"objScript.LinesToRecord Record"_s;
    if (outbound) {
        child(u"Methods"_s, linesToRecord, linesToRecord);
        root(u"Properties"_s);
        for (const char *p : {"CurrentElement", "CurrentSegment"})
            child(u"Properties"_s, member + QLatin1String(p), member + QLatin1String(p));
    } else {
        // The inbound text ends with a blank; its key does not.
        child(u"Methods"_s, linesToRecord, linesToRecord + u' ');
        child(u"Methods"_s, u"objScript.WriteToFile FileName, Data"_s, u"objScript.WriteToFile FileName, Data"_s);
        root(u"Properties"_s);
        for (const char *p : {"ElementDelimiter", "SegmentTerminator", "SubElementSeparator", "CurrentElement",
                              "PreviousElement", "NextElement", "CurrentSegment", "PreviousSegment", "NextSegment",
                              "Segment", "Segments", "Head", "Detail", "Tail", "Lines"})
            child(u"Properties"_s, member + QLatin1String(p), member + QLatin1String(p));
    }
    const std::pair<QString, const QStringList *> lists[] = {{u"Functions"_s, &core::varFunctionNames()},
                                                             {u"Statements"_s, &core::varStatementNames()},
                                                             {u"Operators"_s, &core::varOperatorNames()}};
    for (const auto &[name, list] : lists) {
        root(name);
        for (const QString &entry : *list)
            child(name, entry, entry);
    }
    return nodes;
}

std::vector<ReferenceNode> recordReferenceNodes(const std::vector<translation::RecordField> &fields)
{
    std::vector<ReferenceNode> nodes;
    nodes.reserve(fields.size());
    for (const translation::RecordField &f : fields) {
        const QString expression = QStringLiteral("Record.Fields.Item(\"") + f.name + QStringLiteral("\")");
        nodes.push_back({QStringLiteral("Record"), expression, expression, QStringLiteral("Record")});
    }
    return nodes;
}

std::optional<std::vector<ReferenceNode>> withRecordNodes(const std::vector<ReferenceNode> &tree,
                                                          const std::vector<ReferenceNode> &fields)
{
    const QString record = QStringLiteral("Record");
    auto isRoot = [&](const ReferenceNode &n) { return n.parentKey.isEmpty() && n.key == record; };
    auto same = [](const ReferenceNode &a, const ReferenceNode &b) {
        return a.parentKey == b.parentKey && a.key == b.key && a.text == b.text && a.image == b.image;
    };
    if (std::none_of(tree.begin(), tree.end(), isRoot))
        return std::nullopt;
    std::vector<ReferenceNode> before;
    for (const ReferenceNode &n : tree)
        if (n.parentKey == record)
            before.push_back(n);
    if (std::equal(before.begin(), before.end(), fields.begin(), fields.end(), same))
        return std::nullopt;
    std::vector<ReferenceNode> out;
    out.reserve(tree.size() - before.size() + fields.size());
    for (const ReferenceNode &n : tree) {
        if (n.parentKey == record)
            continue;
        out.push_back(n);
        if (isRoot(n))
            out.insert(out.end(), fields.begin(), fields.end());
    }
    return out;
}

} // namespace mapeditor
