#include "translation/RecordLayout.h"
#include "translation/ReportDefinition.h"

#include "core/MapRows.h"
#include "core/SetFileName.h"
#include "core/modGlobal.h"

#include "ado/Recordset.h"
#include "ado/Sql.h"
#include "vb/AppInfo.h"
#include "vb/Conversions.h"
#include "vb/Settings.h"
#include "vb/TextFile.h"
#include "vb/VbError.h"

#include <QSet>

#include <map>

namespace translation {

using namespace Qt::StringLiterals;

namespace {

// The field a kept element gives, by its Type.
RecordField fieldFor(const QString &name, const QString &type, long maximum)
{
    RecordField f;
    f.name = name;
    f.elementType = type;
    f.definedSize = maximum;
    if (type == u"ID"_s || type == u"AN"_s) {
        f.type = ado::adVarChar;
    } else if (type == u"DT"_s) {
        f.type = ado::adDate;
    } else if (type == u"TM"_s) {
        f.type = ado::adDBTime;
    } else if (type == u"R"_s) {
        f.type = ado::adSingle;
    } else if (type.size() == 2 && type[0] == u'N' && type[1] >= u'0' && type[1] <= u'9') {
        f.type = ado::adNumeric;
        f.precision = int(maximum);
        f.numericScale = type[1].digitValue();
    } else {
        // A new map's seed element has no type yet; as text it still
        // translates, where a line without a type would stop the reader.
        f.type = ado::adVarChar;
        f.definedSize = maximum < 1 ? 1 : maximum;
        f.typed = false;
    }
    return f;
}

} // namespace

std::vector<RecordField> RecordLayout(const MapKey &key)
{
    std::vector<RecordField> fields;
    QSet<QString> names;

    const core::MapRows map = core::ReadMapRows(modGlobal::cnDatabase, key);
    if (map.segments.empty())
        vb::raise(3021, u"The map "_s + key.fileStem() + u" has no segment rows"_s);
    // The element rows by their SegmentIndex, read once: a map of a hundred
    // segments would otherwise go through all its elements for each one.
    std::map<double, std::vector<const core::MapElementRow *>> bySegmentIndex;
    for (const core::MapElementRow &element : map.elements)
        bySegmentIndex[vb::CDbl(element.segmentIndex)].push_back(&element);
    qint32 running = 1;
    for (const core::MapSegmentRow &segment : map.segments) {
        if (vb::CBool(segment.exclude))
            continue;
        const QString id = core::textOf(segment.segment);
        const double index = vb::CDbl(segment.segmentIndex);
        const qint64 placeholders = vb::CLng(segment.placeholders);
        // The segment's own element rows, in ElementIndex order.
        std::vector<const core::MapElementRow *> elements;
        if (const auto at = bySegmentIndex.find(index); at != bySegmentIndex.end()) {
            for (const core::MapElementRow *element : at->second) {
                if (core::sameIdentifier(core::textOf(element->segment), id))
                    elements.push_back(element);
            }
        }
        for (qint64 pass = 1; pass <= placeholders; ++pass) {
            for (const core::MapElementRow *element : elements) {
                if (vb::CBool(element->exclude))
                    continue;
                const QString name = QString::number(running) + id
                    + QStringLiteral("%1").arg(vb::CInt(element->elementIndex), 2, 10, QLatin1Char('0'));
                if (names.contains(name.toLower()))
                    vb::raise(457, u"This key is already associated with an element of this collection: "_s + name);
                names.insert(name.toLower());
                fields.push_back(fieldFor(name, core::textOf(element->type), long(vb::CLng(element->maximum))));
            }
            // The running number is a 16-bit counter.
            if (running == 32767)
                vb::raise(6);
            ++running;
        }
    }
    return fields;
}

QString RecordDefinitionText(const std::vector<RecordField> &fields)
{
    QString buffer;
    for (const RecordField &f : fields) {
        buffer += f.name + u"\t"_s + QString::number(f.type) + u"\t"_s;
        if (f.type == ado::adNumeric || f.type == ado::adDecimal)
            buffer += QString::number(f.precision) + u"\t"_s + QString::number(f.numericScale);
        else
            buffer += QString::number(f.definedSize);
        buffer += u"\r\n"_s;
    }
    return buffer + u"\r\n"_s;
}

QString RecordDefinitionPath(const MapKey &key)
{
    const QString folder = vb::GetSetting(u"Corvantis"_s, u"Folders"_s, u"ActiveX"_s, vb::AppInfo::path());
    return modGlobal::SetFilePath(folder, key.partner, key.transaction, key.version, key.direction, u"ADO"_s);
}

void CreateRecordDefinition(const MapKey &key, bool blnTree, const ReferenceNodeSink &addNode)
{
    try {
        const QString path = RecordDefinitionPath(key);
        if (blnTree && addNode)
            addNode(QString(), u"Record"_s, u"Record"_s, u"Record"_s);
        const std::vector<RecordField> fields = RecordLayout(key);
        if (blnTree && addNode) {
            for (const RecordField &f : fields) {
                const QString expression = u"Record.Fields.Item(\""_s + f.name + u"\")"_s;
                addNode(u"Record"_s, expression, expression, u"Record"_s);
            }
        }
        // Composed whole and then put in place of the old file, so a failure
        // leaves the previous definition readable.
        vb::writeWindows1252File(path, RecordDefinitionText(fields));
    } catch (const vb::VbError &e) {
        modGlobal::ReportError(e);
    } catch (const std::exception &e) {
        modGlobal::ReportError(e);
    }
}

} // namespace translation

namespace translation {

void SaveMapDefinitions(const MapKey &key)
{
    CreateRecordDefinition(key, false);
    CreateReportDefinition(key);
}

} // namespace translation
