#pragma once
// The map-script object: what map snippets reach as `objScript`. It carries
// the partner's delimiters, the segment and element context the run keeps up
// to date, text accumulators from which snippets build output lines, the
// buffer of those lines, and two services (the lines into a record set, a
// text file). One instance serves one inbound set or one outbound run.

#include "ado/Recordset.h"
#include "com/HostObject.h"

#include <QString>

#include <functional>
#include <vector>

class clsScript : public com::HostClass<clsScript> {
public:
    static com::DispatchTable<clsScript> describe();

    // Text state, read and written by snippets under the same names.
    QString ElementDelimiter;
    QString SegmentTerminator;
    QString SubElementSeparator; // also the value-absent marker of LinesToRecord
    QString CurrentSegment;
    QString PreviousSegment;
    QString NextSegment;
    QString CurrentElement;
    QString PreviousElement;
    QString NextElement;
    QString Segment;
    QString Segments;
    QString Head;
    QString Detail;
    QString Tail;
    QString FileName;

    void ElementToSegment();
    void SegmentToSegments();
    void SegmentsToHead();
    void SegmentsToDetail();
    void SegmentsToTail();
    // Writes Data unchanged into a new file (overwritten). A failure is
    // recorded in the History log and the snippet goes on.
    void WriteToFile(const QString &strFileName, const QString &Data);
    void WriteToLines();
    void AppendToLines();
    // 9 for an index outside the buffer.
    QString ReadLines(qint64 Index) const;
    // Record (Let): replaces the buffer by an array of text (13 otherwise).
    void setRecord(const vb::Variant &vData);
    // Lines (Get): a copy of the buffer as an array of text.
    vb::Variant Lines() const;
    // Writes every line of the buffer as a new row of rsRecord. Errors are
    // recorded in the History log, never raised to the snippet; the failure
    // is kept (recordFailed) so the run can end the set as failed.
    void LinesToRecord(const ado::RecordsetPtr &rsRecord);

    qint64 lineCount() const { return m_count; }
    size_t bufferSize() const { return m_lines.size(); }

    // Set when LinesToRecord stopped at an error during this set.
    bool recordFailed() const { return m_recordFailed; }

    // Where LinesToRecord traces the values it writes when the run is not
    // silent (the designer's immediate pane), and how it lets pending
    // window messages run after each row.
    void setImmediateSink(std::function<void(const QString &)> sink) { m_immediate = std::move(sink); }
    void setYield(std::function<void()> yield) { m_yield = std::move(yield); }

private:
    std::vector<QString> m_lines;
    qint64 m_count = 0; // lines written by WriteToLines; never capped
    bool m_recordFailed = false;
    std::function<void(const QString &)> m_immediate;
    std::function<void()> m_yield;
};
