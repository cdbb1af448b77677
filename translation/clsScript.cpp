#include "translation/clsScript.h"

#include "com/AdoDispatch.h"
#include "core/Logging.h"
#include "core/modGlobal.h"

#include "vb/Clock.h"
#include "vb/DateTime.h"
#include "vb/Format.h"
#include "vb/TextFile.h"
#include "vb/VbError.h"

#include <cmath>

using vb::Variant;

namespace {

using namespace Qt::StringLiterals;

// The History text that names a field type when the record set refused a value.
QString typeEntry(int type)
{
    switch (type) {
    case ado::adSingle: return u"Type = R"_s;
    case ado::adDate: return u"Type = DT"_s;
    case ado::adNumeric: return u"Type = N"_s;
    case ado::adDBTime: return u"Type = TM"_s;
    case ado::adVarChar: return u"Type = ID"_s;
    default: return {};
    }
}

// A text property: Let takes the value as text, Get returns it. Null is
// empty text: a field with no value (a Null quantity or date of an import
// record) becomes an empty element, which the writer leaves out.
template <QString clsScript::*member>
void textProperty(com::DispatchTable<clsScript> &t, const QString &name)
{
    t.property(
        name, [](clsScript &s) { return Variant(s.*member); },
        [](clsScript &s, const Variant &v) { s.*member = v.isNull() ? QString() : v.toString(); });
}

} // namespace

com::DispatchTable<clsScript> clsScript::describe()
{
    using S = clsScript;
    com::DispatchTable<S> t(u"clsScript"_s);
    t.method(u"ElementToSegment"_s, 0, 0, [](S &s, com::Args &) { s.ElementToSegment(); return Variant(); });
    t.method(u"SegmentToSegments"_s, 0, 0, [](S &s, com::Args &) { s.SegmentToSegments(); return Variant(); });
    t.method(u"SegmentsToHead"_s, 0, 0, [](S &s, com::Args &) { s.SegmentsToHead(); return Variant(); });
    t.method(u"SegmentsToDetail"_s, 0, 0, [](S &s, com::Args &) { s.SegmentsToDetail(); return Variant(); });
    t.method(u"SegmentsToTail"_s, 0, 0, [](S &s, com::Args &) { s.SegmentsToTail(); return Variant(); });
    t.method(u"WriteToFile"_s, 2, 2, [](S &s, com::Args &a) {
        s.WriteToFile(a.required(0).toString(), a.required(1).toString());
        return Variant();
    });
    t.method(u"WriteToLines"_s, 0, 0, [](S &s, com::Args &) { s.WriteToLines(); return Variant(); });
    t.method(u"AppendToLines"_s, 0, 0, [](S &s, com::Args &) { s.AppendToLines(); return Variant(); });
    t.method(u"ReadLines"_s, 1, 1, [](S &s, com::Args &a) {
        return Variant(s.ReadLines(qint64(a.required(0).toLong())));
    });
    textProperty<&S::SubElementSeparator>(t, u"SubElementSeparator"_s);
    textProperty<&S::Segments>(t, u"Segments"_s);
    textProperty<&S::Segment>(t, u"Segment"_s);
    textProperty<&S::Tail>(t, u"Tail"_s);
    textProperty<&S::Detail>(t, u"Detail"_s);
    textProperty<&S::Head>(t, u"Head"_s);
    textProperty<&S::NextElement>(t, u"NextElement"_s);
    textProperty<&S::PreviousElement>(t, u"PreviousElement"_s);
    textProperty<&S::PreviousSegment>(t, u"PreviousSegment"_s);
    textProperty<&S::NextSegment>(t, u"NextSegment"_s);
    textProperty<&S::CurrentSegment>(t, u"CurrentSegment"_s);
    textProperty<&S::CurrentElement>(t, u"CurrentElement"_s);
    textProperty<&S::ElementDelimiter>(t, u"ElementDelimiter"_s);
    textProperty<&S::SegmentTerminator>(t, u"SegmentTerminator"_s);
    textProperty<&S::FileName>(t, u"FileName"_s);
    // Record is write-only and Lines read-only, as snippets know them.
    t.property(u"Record"_s, {}, [](S &s, const Variant &v) { s.setRecord(v); });
    t.property(u"Lines"_s, [](S &s) { return s.Lines(); });
    t.method(u"LinesToRecord"_s, 1, 1, [](S &s, com::Args &a) {
        ado::RecordsetPtr rs;
        try {
            rs = com::recordsetOf(a.required(0));
        } catch (const vb::VbError &) {
            // Not a record set: reported like any other failure of the write.
        }
        s.LinesToRecord(rs);
        return Variant();
    });
    return t;
}

void clsScript::ElementToSegment()
{
    Segment = Segment + CurrentElement + ElementDelimiter;
}

void clsScript::SegmentToSegments()
{
    Segments += Segment;
    Segment.clear();
}

void clsScript::SegmentsToHead()
{
    Head = Segments;
    Segments.clear();
    Segment.clear();
}

void clsScript::SegmentsToDetail()
{
    Detail = Segments;
    Segments.clear();
    Segment.clear();
}

void clsScript::SegmentsToTail()
{
    Tail = Segments;
    Segments.clear();
    Segment.clear();
}

void clsScript::WriteToFile(const QString &strFileName, const QString &Data)
{
    try {
        vb::writeWindows1252File(strFileName, Data);
    } catch (const std::exception &e) {
        // The snippet goes on, but the user learns that the file is missing.
        const auto *vbError = dynamic_cast<const vb::VbError *>(&e);
        const QString reason = vbError ? vbError->description : QString::fromLocal8Bit(e.what());
        try {
            modGlobal::LogHistory(u"Error"_s, u"Write To File Failed - "_s + strFileName + u" - "_s + reason);
        } catch (...) {
            core::recordCaught(lcTranslation(), "WriteToFile: its failure could not be written to History");
        }
    }
}

void clsScript::WriteToLines()
{
    // The buffer ends at the counter, whatever Record put there before.
    m_lines.resize(size_t(m_count) + 1);
    m_lines[size_t(m_count)] = Head + Detail + Tail + Segments;
    ++m_count;
    Segment.clear();
    Segments.clear();
}

void clsScript::AppendToLines()
{
    for (QString &line : m_lines)
        line += Segments;
    Segment.clear();
    Segments.clear();
}

QString clsScript::ReadLines(qint64 Index) const
{
    if (Index < 0 || Index >= qint64(m_lines.size()))
        vb::raise(9);
    return m_lines[size_t(Index)];
}

void clsScript::setRecord(const Variant &vData)
{
    if (!vData.isArray() || !vData.rawArray() || vData.rawArray()->dims() > 1)
        vb::raise(13);
    std::vector<QString> lines;
    lines.reserve(vData.rawArray()->data.size());
    for (const Variant &item : vData.rawArray()->data) {
        if (item.isString())
            lines.push_back(item.rawString());
        else if (item.isEmpty())
            lines.emplace_back(); // an element never assigned is empty text
        else
            vb::raise(13);
    }
    m_lines = std::move(lines);
}

Variant clsScript::Lines() const
{
    auto array = std::make_shared<vb::SafeArray>();
    array->bounds.push_back({0, int32_t(m_lines.size())});
    array->data.reserve(m_lines.size());
    for (const QString &line : m_lines)
        array->data.emplace_back(line);
    return Variant(array);
}

void clsScript::LinesToRecord(const ado::RecordsetPtr &rsRecord)
{
    ado::Field *field = nullptr;
    QString value;
    try {
        if (!rsRecord)
            vb::raise(91);
        if (m_lines.empty())
            vb::raise(9);
        const bool silent = modGlobal::blnSilentMode;
        const int fieldCount = rsRecord->Fields().Count();
        for (size_t i = 0; i < m_lines.size(); ++i) {
            rsRecord->AddNew();
            QString line = ReadLines(qint64(i));
            for (int f = 0; f < fieldCount; ++f) {
                field = &rsRecord->Fields(f);
                const qsizetype cut = ElementDelimiter.isEmpty() ? -1 : line.indexOf(ElementDelimiter);
                value = cut < 0 ? line : line.left(cut);
                Variant stored(value);
                if (value == SubElementSeparator) {
                    switch (field->Type()) {
                    case ado::adDate:
                        value = vb::Format(vb::Now(), u"MM/DD/YYYY"_s);
                        stored = Variant(value);
                        break;
                    case ado::adDBTime: {
                        // "HHMM" is what the trace shows; the field takes the
                        // time of day itself, since no time field reads "1305".
                        const Variant now = vb::Now();
                        value = vb::Format(now, u"HHMM"_s);
                        const double ole = now.toDate();
                        const double minutes = std::floor((ole - std::floor(ole)) * 1440.0 + 1e-7);
                        stored = Variant::fromDate(minutes / 1440.0);
                        break;
                    }
                    case ado::adSingle:
                    case ado::adNumeric:
                        value = u"0"_s;
                        stored = Variant(value);
                        break;
                    case ado::adVarChar:
                        value.clear();
                        stored = Variant(value);
                        break;
                    default:
                        break;
                    }
                }
                field->setValue(stored);
                if (!silent && m_immediate)
                    m_immediate(field->Name() + u" = "_s + value + u"\r\n"_s);
                if (cut >= 0)
                    line.remove(0, cut + ElementDelimiter.size());
            }
            field = nullptr;
            rsRecord->Update();
            rsRecord->MoveFirst();
            if (m_yield)
                m_yield();
        }
    } catch (const vb::VbError &e) {
        m_recordFailed = true;
        // The half-filled row never joins the rows of the set.
        try {
            if (rsRecord && rsRecord->EditMode() == ado::adEditAdd)
                rsRecord->CancelUpdate();
        } catch (...) {
            core::recordCaught(lcTranslation(), "LinesToRecord: the half-filled row was not cancelled");
        }
        try {
            if (e.number == ado::adErrMultipleStep && field) {
                const QString type = typeEntry(field->Type());
                if (!type.isEmpty())
                    modGlobal::LogHistory(u"Error"_s, type);
                modGlobal::LogHistory(u"Error"_s, u"Name = "_s + field->Name());
                modGlobal::LogHistory(u"Error"_s, u"Value = "_s + value);
            } else if (e.number == 9) {
                modGlobal::LogHistory(u"Error"_s, u"Report Record is Empty"_s);
            } else {
                modGlobal::LogHistory(u"Error"_s, u"Error - "_s + e.description + u" - Element = "_s + CurrentSegment
                                                      + u" Verify Mapping"_s);
            }
        } catch (...) {
            core::recordCaught(lcTranslation(), "LinesToRecord: its failure could not be written to History");
        }
    } catch (const std::exception &e) {
        m_recordFailed = true;
        try {
            if (rsRecord && rsRecord->EditMode() == ado::adEditAdd)
                rsRecord->CancelUpdate();
            modGlobal::LogHistory(u"Error"_s, u"Error - "_s + QString::fromLocal8Bit(e.what()) + u" - Element = "_s
                                                  + CurrentSegment + u" Verify Mapping"_s);
        } catch (...) {
            core::recordCaught(lcTranslation(),
                               "LinesToRecord: the half-filled row was not cancelled or its failure not written");
        }
    }
}
