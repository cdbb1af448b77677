#include "translation/OutboundTranslation.h"

#include "translation/InboundTranslation.h"
#include "translation/MapScriptHost.h"
#include "translation/TranslationBusy.h"
#include "translation/clsScript.h"

#include "com/AdoDispatch.h"
#include "com/ClassRegistry.h"
#include "core/SettingsSections.h"
#include "core/loader/InterchangeFile.h"
#include "core/loader/InterchangeLoader.h"
#include "core/loader/X12Text.h"
#include "core/modGlobal.h"
#include "ado/Connection.h"
#include "ado/Sql.h"
#include "ado/Transaction.h"
#include "vb/Clock.h"
#include "vb/Conversions.h"
#include "vb/CaughtError.h"
#include "vb/Dialogs.h"
#include "vb/Format.h"
#include "vb/TextFile.h"
#include "vb/VbError.h"
#include "vbscript/ScriptControl.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>

#include <array>
#include <optional>
#include <map>

using namespace Qt::StringLiterals;

namespace translation {

namespace {

bool isTextType(int type)
{
    switch (type) {
    case ado::adBSTR:
    case ado::adChar:
    case ado::adVarChar:
    case ado::adLongVarChar:
    case ado::adWChar:
    case ado::adVarWChar:
    case ado::adLongVarWChar:
        return true;
    default:
        return false;
    }
}

QString nineDigits(qint64 n)
{
    return QStringLiteral("%1").arg(n, 9, 10, QLatin1Char('0'));
}

QString describe(const std::exception &error)
{
    if (const auto *vbError = dynamic_cast<const vb::VbError *>(&error))
        return vbError->recordedText();
    return QString::fromUtf8(error.what());
}

// Yields and progress when the caller gave no progress.
core::WorkProgress &quietProgress()
{
    static core::WorkProgress none;
    return none;
}

// A run's refusal: its reason (if any), then "Process Failed - " and the key.
// `keyed`: the reason goes after the key; otherwise it is an entry of its own
// (the loader's message) before the key's.
struct RunFailed : std::runtime_error {
    explicit RunFailed(QString reason, bool keyed = true)
        : std::runtime_error("run failed"), reason(std::move(reason)), keyed(keyed)
    {
    }
    QString reason;
    bool keyed;
};

// The outbound set of the key's partner, set and version.
MapKey outboundKey(const MapKey &key)
{
    return {key.partner, key.transaction, key.version, u"O"_s};
}

// The key's stored set control number; nullopt without a Transactions row.
std::optional<qint64> storedControlNumber(ado::Connection &cn, const MapKey &key)
{
    const MapKey outbound = outboundKey(key);
    ado::Recordset set;
    set.Open(u"SELECT ControlNumber FROM Transactions WHERE "_s + outbound.condition(u"Transactions"_s),
             outbound.values(), cn, ado::adOpenForwardOnly, ado::adLockReadOnly);
    if (set.Eof())
        return std::nullopt;
    const vb::Variant v = set(u"ControlNumber"_s).Value();
    return v.isNull() || v.isEmpty() ? 0 : qint64(vb::CLng(v));
}

// The elements of the segment of `text` that starts at `from` and ends
// before the terminator; `end` receives the position after the terminator.
QStringList segmentAt(const QString &text, qsizetype from, const QString &separator, const QString &terminator,
                      qsizetype &end)
{
    const qsizetype stop = text.indexOf(terminator, from);
    if (stop < 0) {
        end = -1;
        return {};
    }
    end = stop + terminator.size();
    return text.mid(from, stop - from).split(separator);
}

} // namespace

bool OutboundTranslation::IsStoredInterchange(const QString &text)
{
    // The ISA is read by its own delimiters: the separator follows "ISA",
    // the terminator follows ISA16 (one character) up to the GS.
    if (text.size() < 4 || !text.startsWith(u"ISA"_s))
        return false;
    const QString separator = text.mid(3, 1);
    qsizetype at = 0;
    for (int n = 0; n < 16 && at >= 0; ++n)
        at = text.indexOf(separator, at + 1);
    if (at < 0 || at + 2 > text.size())
        return false;
    const qsizetype gsAt = text.indexOf(u"GS"_s + separator, at + 2);
    if (gsAt <= at + 2)
        return false;
    const QString terminator = text.mid(at + 2, gsAt - at - 2);
    qsizetype end = 0;
    const QStringList isa = segmentAt(text, 0, separator, terminator, end);
    const QStringList gs = segmentAt(text, gsAt, separator, terminator, end);
    if (isa.size() != 17 || gs.size() != 9)
        return false;
    // Whole: it ends with the IEA of its ISA13.
    if (!text.endsWith(u"IEA"_s + separator + u"1"_s + separator + isa[13] + terminator))
        return false;
    ado::Connection &cn = *modGlobal::cnDatabase;
    auto exists = [&](const QString &statement) {
        ado::Recordset rs;
        rs.Open(statement, cn, ado::adOpenForwardOnly, ado::adLockReadOnly);
        return !rs.Eof();
    };
    QString isaWhere = u"SELECT ISA13 FROM ISA WHERE Direction = 'O'"_s;
    for (int k = 1; k <= 16; ++k)
        isaWhere += QStringLiteral(" AND ISA%1 = ").arg(k, 2, 10, QLatin1Char('0')) + ado::SqlText(isa[k]);
    QString gsWhere = u"SELECT GS06 FROM GS WHERE Direction = 'O'"_s;
    for (int k = 1; k <= 8; ++k)
        gsWhere += QStringLiteral(" AND GS%1 = ").arg(k, 2, 10, QLatin1Char('0')) + ado::SqlText(gs[k]);
    return exists(isaWhere) && exists(gsWhere);
}

QStringList OutboundTranslation::UnplacedSegments(const MapKey &key)
{
    QStringList entries;
    ado::Recordset rs;
    const MapKey outbound = outboundKey(key);
    rs.Open(u"SELECT Segment, SegmentIndex, [Level], Exclude FROM Segment WHERE "_s + outbound.condition(u"Segment"_s)
                + u" ORDER BY Segment.SegmentIndex ASC"_s,
            outbound.values(), *modGlobal::cnDatabase, ado::adOpenForwardOnly, ado::adLockReadOnly);
    for (; !rs.Eof(); rs.MoveNext()) {
        // An excluded segment is left out on purpose.
        if (rs(u"Exclude"_s).Value().toBool())
            continue;
        const vb::Variant level = rs(u"Level"_s).Value();
        const QString code = level.isNull() ? QString() : level.toString();
        // The level queries compare without regard to letter case.
        if (code.compare(u"H"_s, Qt::CaseInsensitive) == 0 || code.compare(u"D"_s, Qt::CaseInsensitive) == 0
            || code.compare(u"S"_s, Qt::CaseInsensitive) == 0)
            continue;
        const vb::Variant id = rs(u"Segment"_s).Value();
        entries << (id.isNull() ? QString() : id.toString()) + u" - Segment "_s
                + QString::number(rs(u"SegmentIndex"_s).Value().toLong())
                + (code.isEmpty() ? u" Has No Level"_s : u" Level \""_s + code + u"\" Is Not H, D or S"_s)
                + u" - Verify Mapping"_s;
    }
    return entries;
}

void OutboundTranslation::CompleteInterruptedRuns()
{
    const QString folder = core::OutboundFolder();
    for (const core::UnnamedInterchangeFile &file : core::UnnamedInterchangeFiles(folder, QString::fromLatin1(kPendingKind))) {
        // Its Outbox rows are the record of truth: stored, the file takes its
        // name as the run would have given it; not stored, it never existed.
        bool stored = false;
        try {
            stored = IsStoredInterchange(vb::readWindows1252File(file.path));
        } catch (const vb::VbError &error) {
            // Unread, it cannot be told stored or not: it stays for the next start.
            modGlobal::LogHistory(u"Error"_s, u"The unfinished interchange file "_s + QFileInfo(file.path).fileName()
                                                  + u" of an interrupted outbound run could not be read and was left "_s
                                                    u"in place: "_s + error.description);
            continue;
        }
        if (stored) {
            try {
                const QString named = core::NameInterchangeFile(file, folder);
                modGlobal::LogHistory(u"Warning"_s, u"Interchange file "_s + QFileInfo(named).fileName()
                                                        + u" named after an interrupted outbound run"_s);
            } catch (const vb::VbError &error) {
                modGlobal::LogHistory(u"Error"_s, error.description);
            }
        } else {
            QFile::remove(file.path);
            modGlobal::LogHistory(u"Warning"_s, u"An unfinished interchange file of an interrupted outbound run "_s
                                                    u"was removed; nothing of it was stored"_s);
        }
    }
}

struct OutboundTranslation::LevelMap {
    struct ElementRow {
        int index = 0;
        bool exclude = false;
        QString script;
        QString format;
    };
    struct SegmentRow {
        QString id;
        QString script;
        std::vector<ElementRow> elements;
    };
    std::vector<SegmentRow> segments;
};

struct OutboundTranslation::Maps {
    std::map<QString, LevelMap> levels;
};

OutboundSet OutboundSet::forKey(const MapKey &key)
{
    if (!modGlobal::cnDatabase)
        vb::raise(3709);
    ado::Recordset rs;
    rs.Open(u"SELECT * FROM Transactions WHERE "_s + key.condition(u"Transactions"_s), key.values(),
            *modGlobal::cnDatabase, ado::adOpenForwardOnly, ado::adLockReadOnly);
    if (rs.Eof())
        vb::raise(3021, u"No transaction set "_s + key.fileStem());
    auto text = [&](const QString &name) {
        const vb::Variant v = rs(name).Value();
        return v.isNull() ? QString() : v.toString();
    };
    return {key, text(u"Group"_s), text(u"Versionoverride"_s)};
}

OutboundTranslation::OutboundTranslation(MapScriptHost &host, core::WorkProgress *progress,
                                         std::function<QString(const QString &, const QString &)> loadBox)
    : m_host(host), m_progress(progress ? progress : &quietProgress()), m_loadBox(std::move(loadBox)),
      m_maps(std::make_unique<Maps>())
{
    if (!m_loadBox)
        m_loadBox = [this](const QString &file, const QString &shownName) {
            core::InterchangeLoader loader(m_progress);
            loader.setShownFileName(shownName);
            return loader.LoadBox(file, u"O"_s);
        };
}

OutboundTranslation::~OutboundTranslation() = default;

QString OutboundTranslation::ProcessFailedText(const MapKey &key)
{
    return u"Process Failed - "_s + key.fileStem();
}

QString OutboundTranslation::ImportDefinitionPath(const MapKey &key)
{
    return sections::folder(u"Import"_s) + u'/' + key.partner + u'_' + key.transaction + u'_' + key.version
        + u"_O.ADO"_s;
}

QString OutboundTranslation::ImportDataPath(const MapKey &key)
{
    return sections::folder(u"Import"_s) + u'/' + key.fileStem() + u".IMP"_s;
}

namespace {

// A value of an import file, in the code page 1252; a value without a byte
// in 0x80-0x9F takes the quicker Latin-1 route, which reads it the same.
QString fromImportBytes(const char *bytes, qsizetype size)
{
    for (qsizetype i = 0; i < size; ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b >= 0x80 && b < 0xA0)
            return vb::fromWindows1252(QByteArrayView(bytes, size));
    }
    return QString::fromLatin1(bytes, size);
}

} // namespace

ado::RecordsetPtr OutboundTranslation::ReadImportRecords(const QString &definitionPath, const QString &dataPath,
                                                         core::WorkProgress *progress)
{
    core::WorkProgress &ui = progress ? *progress : quietProgress();
    // Every field takes Null: an empty number or date in the file is no value.
    ado::RecordsetPtr rs =
        modGlobal::ReadRecordsetDefinition(definitionPath, ado::adFldUpdatable | ado::adFldIsNullable | ado::adFldMayBeNull);
    QFile file(dataPath);
    if (!QFileInfo(dataPath).isFile())
        vb::raise(53, u"File not found: "_s + dataPath);
    if (!file.open(QIODevice::ReadOnly))
        vb::raise(75, u"Path/File access error: "_s + dataPath);
    const qint64 length = file.size();
    const int fieldCount = rs->Fields().Count();
    std::vector<bool> textField(static_cast<std::size_t>(fieldCount), false);
    // The places a numeric field holds: a value with more is refused, never rounded.
    std::vector<int> scaleOf(static_cast<std::size_t>(fieldCount), -1);
    for (int i = 0; i < fieldCount; ++i) {
        textField[std::size_t(i)] = isTextType(rs->Fields(i).Type());
        if (rs->Fields(i).Type() == ado::adNumeric || rs->Fields(i).Type() == ado::adDecimal)
            scaleOf[std::size_t(i)] = rs->Fields(i).NumericScale();
    }
    ui.setProgressMax(int(std::min<qint64>(length + 2, std::numeric_limits<int>::max())));
    // The file is read in place: each value becomes its text straight from
    // the file's bytes, without a copy of its line first.
    QByteArray whole;
    const char *begin = nullptr;
    if (length > 0) {
        if (uchar *mapped = file.map(0, length)) {
            begin = reinterpret_cast<const char *>(mapped);
        } else {
            whole = file.readAll();
            if (whole.size() != length)
                vb::raise(75, u"Path/File access error: "_s + dataPath);
            begin = whole.constData();
        }
    }
    const char *const end = begin + length;
    int lastPercent = -1;
    qint64 record = 0;
    for (const char *line = begin; line < end;) {
        ++record;
        const char *newline = static_cast<const char *>(std::memchr(line, '\n', std::size_t(end - line)));
        const char *next = newline ? newline + 1 : end;
        const char *stop = newline ? newline : end;
        while (stop > line && (stop[-1] == '\r' || stop[-1] == '\n'))
            --stop;
        // The percentage never passes 100, whatever the last line ends with;
        // the display changes only when the whole percent does.
        const qint64 shown = next - begin;
        const int percent = int(length ? (200 * shown + length) / (2 * length) : 100);
        if (percent != lastPercent) {
            lastPercent = percent;
            ui.setProgressValue(int(std::min<qint64>(shown, std::numeric_limits<int>::max())));
            ui.setPercentText(QString::number(percent) + u" % Complete"_s);
        }
        rs->AddNew();
        // A short line repeats its last value; values beyond the fields are ignored.
        const char *rest = line;
        for (int i = 0; i < fieldCount; ++i) {
            const char *valueEnd = stop;
            const char *after = rest;
            if (const void *tab = std::memchr(rest, '\t', std::size_t(stop - rest))) {
                valueEnd = static_cast<const char *>(tab);
                after = valueEnd + 1;
            }
            const qsizetype size = valueEnd - rest;
            // An empty value of a number or date is no value at all.
            try {
                if (size == 0 && !textField[std::size_t(i)]) {
                    rs->Fields(i).setValue(vb::Variant::null());
                } else {
                    vb::Variant value(fromImportBytes(rest, size));
                    const int scale = scaleOf[std::size_t(i)];
                    if (const std::optional<vb::Variant> exact =
                            scale >= 0 ? vb::Variant::fromDecimalText(QStringView(value.rawString()).trimmed())
                                       : std::nullopt) {
                        const qsizetype point = exact->decimalText().indexOf(u'.');
                        const qsizetype places = point < 0 ? 0 : exact->decimalText().size() - point - 1;
                        if (places > scale)
                            vb::raise(-2147217887, QStringLiteral("The value %1 has %2 decimal places where the "
                                                                  "record definition gives %3")
                                                       .arg(value.rawString())
                                                       .arg(places)
                                                       .arg(scale));
                    }
                    rs->Fields(i).setValue(value);
                }
            } catch (const vb::VbError &error) {
                // A value the definition cannot hold (a number too long, more
                // places than its scale) is never rounded: say where it is.
                vb::raise(error.number, QStringLiteral("%1 (import file %2, record %3, field \"%4\")")
                                            .arg(error.description, dataPath)
                                            .arg(record)
                                            .arg(rs->Fields(i).Name()),
                          error.source);
            }
            rest = after;
        }
        rs->Update();
        ui.yield();
        line = next;
    }
    ui.setProgressValue(0);
    ui.setPercentText(QString());
    if (rs->RecordCount() > 0)
        rs->MoveFirst();
    return rs;
}

const OutboundTranslation::LevelMap &OutboundTranslation::levelMap(const QString &level)
{
    const auto found = m_maps->levels.find(level);
    if (found != m_maps->levels.end())
        return found->second;
    LevelMap map;
    ado::Connection &cn = *modGlobal::cnDatabase;
    ado::Recordset segments;
    const MapKey outbound = outboundKey(m_key);
    ado::Parameters segmentValues = outbound.values();
    segmentValues.push_back(level);
    segments.Open(u"SELECT * FROM Segment WHERE "_s + outbound.condition(u"Segment"_s)
                      + u" AND Segment.Level = ? ORDER BY Segment.SegmentIndex ASC"_s,
                  segmentValues, cn, ado::adOpenForwardOnly, ado::adLockReadOnly);
    auto text = [](ado::Recordset &rs, const QString &name) {
        const vb::Variant v = rs(name).Value();
        return v.isNull() ? QString() : v.toString();
    };
    for (; !segments.Eof(); segments.MoveNext()) {
        if (segments(u"Exclude"_s).Value().toBool())
            continue;
        LevelMap::SegmentRow row;
        row.id = text(segments, u"Segment"_s);
        row.script = text(segments, u"SegmentScript"_s);
        ado::Recordset elements;
        ado::Parameters elementValues = outbound.values();
        elementValues.push_back(row.id);
        elements.Open(u"SELECT * FROM Element WHERE "_s + outbound.condition(u"Element"_s)
                          + u" AND Element.Segment = ? AND Element.SegmentIndex = "_s
                          + QString::number(segments(u"SegmentIndex"_s).Value().toLong())
                          + u" ORDER BY Element.ElementIndex ASC"_s,
                      elementValues, cn, ado::adOpenForwardOnly, ado::adLockReadOnly);
        for (; !elements.Eof(); elements.MoveNext())
            row.elements.push_back({int(elements(u"ElementIndex"_s).Value().toLong()),
                                    elements(u"Exclude"_s).Value().toBool(), text(elements, u"ElementScript"_s),
                                    text(elements, u"Format"_s)});
        map.segments.push_back(std::move(row));
    }
    return m_maps->levels.emplace(level, std::move(map)).first->second;
}

bool OutboundTranslation::MapOutboundLevel(::clsScript &script, const QString &level, QString &out)
{
    vbs::ScriptControl &sc = m_host.scScript();
    const LevelMap::SegmentRow *segment = nullptr;
    const LevelMap::ElementRow *element = nullptr;
    try {
        script.Segments.clear();
        script.CurrentSegment.clear();
        for (const LevelMap::SegmentRow &row : levelMap(level).segments) {
            segment = &row;
            script.CurrentSegment = row.id;
            for (const LevelMap::ElementRow &e : row.elements) {
                element = &e;
                if (!e.exclude) {
                    if (!e.script.isEmpty())
                        sc.AddCode(e.script);
                    if (!e.format.isEmpty())
                        script.CurrentElement = vb::Format(vb::Variant(script.CurrentElement), e.format);
                    script.CurrentSegment += script.ElementDelimiter + script.CurrentElement;
                    if (!modGlobal::blnSilentMode)
                        m_host.appendImmediate(row.id + QStringLiteral("%1").arg(e.index, 2, 10, QLatin1Char('0'))
                                               + u" = "_s + script.CurrentElement + u"\r\n"_s);
                } else {
                    script.CurrentSegment += script.ElementDelimiter;
                }
                script.CurrentElement.clear();
            }
            element = nullptr;
            if (!row.script.isEmpty())
                sc.AddCode(row.script);
            // A character the interchange cannot carry is refused here, where
            // its record and element are known, before anything is written.
            if (const qsizetype bad = vb::firstOutsideWindows1252(script.CurrentSegment); bad >= 0)
                vb::raise(5, u"Invalid procedure call or argument: record "_s + QString::number(m_recordNumber)
                                 + u" of "_s + ImportDataPath(m_key) + u", element "_s
                                 + core::x12::elementAt(script.CurrentSegment, script.ElementDelimiter, bad)
                                 + u": "_s + vb::notInWindows1252(script.CurrentSegment[bad].unicode()));
            if (!script.CurrentSegment.isEmpty()) {
                script.Segments += script.CurrentSegment + script.SegmentTerminator;
                ++m_segmentCount;
            }
        }
        out = script.Segments;
        return true;
    } catch (const std::exception &error) {
        const auto *vbError = dynamic_cast<const vb::VbError *>(&error);
        if (vbError && vbError->number == 3265 && element && segment)
            modGlobal::LogHistory(u"Error"_s, describe(error) + u'-' + element->script + u'-' + u"Element = "_s
                                                  + segment->id
                                                  + QStringLiteral("%1").arg(element->index, 2, 10, QLatin1Char('0')));
        else
            modGlobal::LogHistory(u"Error"_s, describe(error));
        return false;
    }
}

QString OutboundTranslation::MapOutbound(const ado::RecordsetPtr &rsRecord, const QString &strPartner,
                                         const QString &strTransaction, const QString &strVersion,
                                         const QString &strSegmentTerminator, const QString &strElementDelimiter,
                                         const QString &strSubElementSeparator)
{
    m_setCount = 0;
    const MapKey key{strPartner, strTransaction, strVersion, u"O"_s};
    if (!(key.partner == m_key.partner && key.transaction == m_key.transaction && key.version == m_key.version))
        m_maps->levels.clear();
    m_key = key;
    try {
        vbs::ScriptControl &sc = m_host.scScript();
        sc.Reset();
        auto script = std::make_shared<::clsScript>();
        script->ElementDelimiter = strElementDelimiter;
        script->SegmentTerminator = strSegmentTerminator;
        script->SubElementSeparator = strSubElementSeparator;
        script->setImmediateSink([this](const QString &line) { m_host.appendImmediate(line); });
        script->setYield([this] { m_progress->yield(); });
        sc.AddObject(u"objScript"_s, script);
        if (!rsRecord)
            vb::raise(91);
        sc.AddObject(u"Record"_s, com::toVariant(rsRecord).rawObject());

        // A segment no level takes would be left out of every set without a word.
        if (const QStringList unplaced = UnplacedSegments(key); !unplaced.isEmpty()) {
            for (const QString &entry : unplaced)
                modGlobal::LogHistory(u"Error"_s, entry);
            return {};
        }

        // The set numbers are taken in memory: the run stores them with its
        // file's Outbox rows, in one transaction, or not at all.
        const auto fail = [&](const QString &cause) {
            vb::VbError error(13, u"Type mismatch: the control number of "_s + key.fileStem() + u" could not be taken"_s);
            error.detail = cause;
            throw error;
        };
        std::optional<qint64> stored;
        try {
            stored = storedControlNumber(*modGlobal::cnDatabase, key);
        } catch (const vb::VbError &) {
            fail(vb::caughtErrorText());
        }
        if (!stored)
            fail({});
        m_storedControlNumber = *stored;
        // A counter never used yet (0, or less) starts the range at 1.
        qint64 nextNumber = std::max<qint64>(*stored, 1);

        // The run's text grows here: a level starts its own Segments afresh,
        // and copying the whole text back into it after every level made a
        // run quadratic in its length.
        QString all;
        auto runLevel = [&](const QString &level) {
            m_recordNumber = rsRecord->AbsolutePosition();
            QString out;
            if (!MapOutboundLevel(*script, level, out))
                throw RunFailed({});
            all += out;
        };
        auto groupKey = [&] {
            const vb::Variant v = rsRecord->Fields(0).Value();
            return v.isNull() ? QString() : v.toString();
        };

        if (rsRecord->RecordCount() > 0)
            rsRecord->MoveFirst();
        while (!rsRecord->Eof()) {
            m_segmentCount = 2;
            const qint64 n = nextNumber;
            nextNumber = n >= 999999999 ? 1 : n + 1;
            const long firstRecord = rsRecord->AbsolutePosition();
            all += u"ST"_s + strElementDelimiter + strTransaction + strElementDelimiter + nineDigits(n)
                + strSegmentTerminator;
            runLevel(u"H"_s);
            const QString group = groupKey();
            for (;;) {
                runLevel(u"D"_s);
                rsRecord->MoveNext();
                if (rsRecord->Eof() || groupKey() != group)
                    break;
                m_progress->yield();
            }
            // The summary sees the group's last record.
            rsRecord->MovePrevious();
            runLevel(u"S"_s);
            rsRecord->MoveNext();
            if (m_segmentCount > 9999999999LL)
                vb::raise(6, u"Overflow: a transaction set of more segments than SE01 can count"_s);
            // ST and SE alone are no transaction set.
            if (m_segmentCount == 2) {
                modGlobal::LogHistory(u"Error"_s, u"Record "_s + QString::number(firstRecord) + u" ("_s + group
                                                      + u") - No Segments Between ST and SE - Verify Mapping"_s);
                return {};
            }
            all += u"SE"_s + strElementDelimiter + QString::number(m_segmentCount) + strElementDelimiter
                + nineDigits(n) + strSegmentTerminator;
            ++m_setCount;
            if (m_setCount > 999999)
                vb::raise(6, u"Overflow: more transaction sets than GE01 can count"_s);
        }
        script->Segments = all;
        m_nextControlNumber = nextNumber;
        return all;
    } catch (const RunFailed &) {
        return {};
    } catch (const std::exception &error) {
        modGlobal::LogHistory(u"Error"_s, describe(error));
        return {};
    }
}

QString OutboundTranslation::ProcessOutbound(const OutboundSet &set, bool blnSilent)
{
    TranslationBusy busy;
    if (!busy.acquired()) {
        TranslationBusy::reportRefused(blnSilent);
        return {};
    }
    modGlobal::blnSilentMode = blnSilent;
    m_host.blnScriptTimeout = false;
    m_host.clearImmediate();
    m_host.setEditingEnabled(false);
    core::WorkProgress &ui = *m_progress;
    const MapKey &key = set.key;
    struct EndOfRun {
        OutboundTranslation &run;
        ~EndOfRun()
        {
            run.m_host.setEditingEnabled(true);
            run.m_progress->setProgressValue(0);
            run.m_progress->setPercentText(QString());
        }
    } end{*this};

    const ado::ConnectionPtr connection = modGlobal::cnDatabase;
    std::optional<ado::Transaction> transaction;
    std::optional<core::PendingInterchangeFile> file;
    // Nothing the run stored stays when it fails: the transaction goes back
    // and the unnamed file is dropped; then the failure is recorded.
    const auto undo = [&] {
        file.reset();
        if (transaction) {
            try {
                transaction->rollback();
            } catch (const std::exception &error) {
                modGlobal::LogHistory(u"Error"_s, describe(error));
            }
            transaction.reset();
        }
    };
    QString written;
    try {
        if (!connection)
            vb::raise(3709);
        CompleteInterruptedRuns();
        ado::RecordsetPtr rs = modGlobal::ReadRecordsetDefinition(ImportDefinitionPath(key));
        const QString dataPath = ImportDataPath(key);
        if (QFileInfo(dataPath).isFile() && QFileInfo(dataPath).size() == 0) {
            modGlobal::LogHistory(u"Info"_s, u"File length zero, No resutlts available for processing!"_s);
            return {};
        }
        rs = ReadImportRecords(ImportDefinitionPath(key), dataPath, &ui);

        const QString terminator = modGlobal::GetSegmentTerminator(key.partner);
        const QString separator = modGlobal::GetElementSeparator(key.partner);
        const QString subSeparator = modGlobal::GetSubElementSeparator(key.partner);
        // Checked before anything is built: an envelope without these would be sent wrong.
        if (terminator.isEmpty() || separator.isEmpty())
            throw RunFailed(u"the partner has no segment terminator or element separator"_s);
        if (set.group.trimmed().isEmpty())
            throw RunFailed(u"the transaction set has no functional group"_s);
        if (set.versionOverride.trimmed().isEmpty())
            throw RunFailed(u"the transaction set has no version override"_s);

        // The sets first, their numbers taken in memory; nothing is stored
        // while the scripts run and yield.
        QString text;
        qint64 sets = 0;
        bool setNumbersTaken = false;
        const QString progId = modGlobal::GetActiveXClass(key.partner, key.transaction, key.version, u"O"_s, false);
        if (!progId.isEmpty()) {
            const com::DispatchPtr plugin = com::CreateObject(progId);
            std::array<vb::Variant, 4> args{com::toVariant(rs), vb::Variant(terminator), vb::Variant(separator),
                                            vb::Variant(subSeparator)};
            const vb::Variant result = com::CallByName(plugin, u"Map"_s, com::Method, args);
            text = result.isNull() ? QString() : result.toString();
            if (!text.isEmpty() && text.size() < 10)
                vb::raise(5, u"Invalid procedure call or argument: the plug-in's text holds no transaction set"_s);
            // GE01 counts the sets the text holds, whatever the terminator;
            // ST and SE alone are no set.
            QString previous;
            for (const QString &piece : text.split(terminator, Qt::SkipEmptyParts)) {
                const QString segment = piece.trimmed();
                if (segment.startsWith(u"ST"_s + separator))
                    ++sets;
                if (segment.startsWith(u"SE"_s + separator) && previous.startsWith(u"ST"_s + separator)) {
                    modGlobal::LogHistory(u"Error"_s, u"Transaction Set "_s + previous.section(separator, 2, 2)
                                                          + u" - No Segments Between ST and SE - Verify Mapping"_s);
                    throw RunFailed({});
                }
                previous = segment;
            }
        } else {
            text = MapOutbound(rs, key.partner, key.transaction, key.version, terminator, separator, subSeparator);
            sets = m_setCount;
            setNumbersTaken = true;
        }
        if (text.isEmpty())
            throw RunFailed({});
        if (sets > 999999)
            throw RunFailed(u"more transaction sets than GE01 can count"_s);
        stage(RunStage::Mapped);

        // The envelope, the counters and the Outbox rows are stored in one
        // transaction, with the file written whole under a temporary name
        // before it; the file takes its name only after the commit. A kill
        // at any moment leaves either nothing or all of it (an unnamed file
        // whose rows are stored is named at the next run's start). The
        // commit is on the disk before the file takes its name: after a power
        // cut a named file never stands without its rows and numbers.
        transaction.emplace(*connection, ado::Durability::Synced);
        if (setNumbersTaken) {
            // Another window may have changed the counter while the scripts ran.
            const std::optional<qint64> now = storedControlNumber(*connection, key);
            if (!now || *now != m_storedControlNumber)
                throw RunFailed(u"the transaction set's control number changed during the run"_s);
            const MapKey outbound = outboundKey(key);
            connection->Execute(u"UPDATE Transactions SET ControlNumber = "_s + QString::number(m_nextControlNumber)
                                    + u" WHERE "_s + outbound.condition(u"Transactions"_s),
                                outbound.values());
        }
        const QString isa = modGlobal::BuildISA(key.partner);
        if (isa.isEmpty())
            throw RunFailed(u"the partner's interchange envelope could not be built"_s);
        const QString gs = modGlobal::BuildGS(key.partner, set.group, set.versionOverride);
        if (gs.isEmpty())
            throw RunFailed(u"the partner's group envelope could not be built"_s);

        const QStringList isaElements = isa.split(separator);
        const QStringList gsElements = gs.split(separator);
        if (isaElements.size() <= 13 || gsElements.size() <= 6)
            throw RunFailed(u"the envelope could not be read back"_s);
        const QString isa13 = isaElements[13];
        QString gs06 = gsElements[6];
        if (gs06.endsWith(terminator))
            gs06.chop(terminator.size());
        if (!blnSilent)
            m_host.setTransactionText(QString(text).replace(terminator, u"\r\n"_s));
        const QString fileText = isa + gs + text + u"GE"_s + separator + QString::number(sets) + separator + gs06
            + terminator + u"IEA"_s + separator + u"1"_s + separator + isa13 + terminator;
        file.emplace(core::OutboundFolder(), core::x12::interchangeFileStem(vb::currentDateTime()), fileText,
                     QString::fromLatin1(kPendingKind));
        stage(RunStage::FileWritten);

        const auto outboxRows = [&] {
            ado::Recordset rs;
            rs.Open(u"SELECT COUNT(*) AS n FROM Outbox"_s, *connection, ado::adOpenForwardOnly, ado::adLockReadOnly);
            return qint64(rs(u"n"_s).Value().toDouble());
        };
        const qint64 rowsBefore = outboxRows();
        // The load names the file by the name it takes once all is stored.
        const QString loaded = m_loadBox(file->temporaryPath(), file->expectedPath());
        if (!loaded.isEmpty())
            throw RunFailed(loaded, false);
        // A load that passed the interchange over (stored already) would leave a file without its rows.
        if (outboxRows() - rowsBefore != sets)
            throw RunFailed(u"the Outbox did not take every transaction set of the file"_s);
        stage(RunStage::Loaded);
        transaction->commit();
        transaction.reset();
        stage(RunStage::Committed);
        written = file->publish();
        file.reset();
        stage(RunStage::Named);
    } catch (const RunFailed &failure) {
        undo();
        if (!failure.keyed) {
            modGlobal::LogHistory(u"Error"_s, failure.reason);
            modGlobal::LogHistory(u"Error"_s, ProcessFailedText(key));
        } else {
            modGlobal::LogHistory(u"Error"_s, ProcessFailedText(key)
                                                  + (failure.reason.isEmpty() ? QString() : u": "_s + failure.reason));
        }
        return {};
    } catch (const std::exception &error) {
        undo();
        modGlobal::LogHistory(u"Error"_s, describe(error));
        modGlobal::LogHistory(u"Error"_s, ProcessFailedText(key));
        return {};
    }
    return written;
}

void OutboundTranslation::TestInbound(const core::MailboxSelection &inbox, const MapKey &key,
                                      const std::function<QString()> &isSelectionUnique,
                                      MapScriptHost &host, core::WorkProgress *progress)
{
    if (!inbox.hasCurrentItem) {
        vb::MsgBox(u"The Inbox is empty! "_s, vb::vbOKOnly | vb::vbExclamation, modGlobal::AppTitle());
        return;
    }
    const QString selection = isSelectionUnique ? isSelectionUnique() : QString();
    if (selection.isEmpty())
        return;
    const MapKey chosen = MapKey::fromSelection(selection);
    if (chosen != key) {
        vb::MsgBox(u"Selected Inbox Transaction does not match currently selected Transaction"_s,
                   vb::vbOKOnly | vb::vbExclamation, modGlobal::AppTitle());
        return;
    }
    InboundTranslation run(host, progress);
    run.TranslateAll(inbox, chosen.partner, chosen.transaction, chosen.version, chosen.direction, false, false);
}

} // namespace translation
