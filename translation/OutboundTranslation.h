#pragma once
// The outbound translation: the records of a transaction set's import file
// become X12 transaction sets through the outbound map and its scripts (or
// the partner's plug-in), wrapped in the partner's envelopes, written as a
// new interchange file in the Outbound folder and loaded into the Outbox.
//
// A run is all or nothing: the control numbers it takes are kept only with
// the written file and its Outbox rows; a failing level, a refused envelope,
// a failed write or load, or a kill at any moment leaves no file, no Outbox
// row and every counter where it was, or else all of them.
//
//   translation::OutboundTranslation run(translation::mapScriptHost(), &progress);
//   run.ProcessOutbound(key, false);

#include "translation/RecordLayout.h"

#include "ado/Recordset.h"
#include "core/loader/WorkProgress.h"

#include <QString>
#include <QStringList>

#include <functional>

class clsScript;

namespace translation {

class MapScriptHost;


// A transaction set as the run needs it: the key and, from its Transactions
// row, the functional identifier (GS01) and the version override (GS08).
struct OutboundSet {
    MapKey key;
    QString group;
    QString versionOverride;
    // Reads group and override from the key's Transactions row; raises 3021 without one.
    static OutboundSet forKey(const MapKey &key);
};

class OutboundTranslation {
public:
    // `loadBox` loads the written file (still under its temporary name) into
    // the Outbox inside the run's transaction, its messages naming the file
    // by `shownName` (empty text when stored, else the loader's message); by
    // default the interchange loader.
    explicit OutboundTranslation(
        MapScriptHost &host, core::WorkProgress *progress = nullptr,
        std::function<QString(const QString &file, const QString &shownName)> loadBox = {});
    ~OutboundTranslation();

    // The whole run for one outbound set. Returns the written file, or empty
    // text when nothing was written (every cause is in the History log).
    QString ProcessOutbound(const OutboundSet &set, bool blnSilent);

    // The mapping alone: the text of every transaction set built from
    // rsRecord, or empty text when the mapping failed (recorded). `setCount`
    // receives the number of sets built.
    QString MapOutbound(const ado::RecordsetPtr &rsRecord, const QString &strPartner,
                        const QString &strTransaction, const QString &strVersion,
                        const QString &strSegmentTerminator, const QString &strElementDelimiter,
                        const QString &strSubElementSeparator);
    qint32 setCount() const { return m_setCount; }

    // The import record set: the layout from the .ADO file, the records from
    // the .IMP file (TAB-separated, one record a line; a short line repeats
    // its last value, extra values are ignored, an empty value of a field
    // that is not text is Null). Raises on any failure.
    static ado::RecordsetPtr ReadImportRecords(const QString &definitionPath, const QString &dataPath,
                                               core::WorkProgress *progress = nullptr);
    static QString ImportDefinitionPath(const MapKey &key);
    static QString ImportDataPath(const MapKey &key);

    // The inbound trial run: translates the Inbox rows selected, when they
    // are of `key`, with the boxes "The Inbox is empty! " and "Selected Inbox
    // Transaction does not match currently selected Transaction".
    // `isSelectionUnique` gives the key of the selected rows ("P,T,V,D") or
    // empty text (it has told the user why).
    static void TestInbound(const core::MailboxSelection &inbox, const MapKey &key,
                            const std::function<QString()> &isSelectionUnique,
                            MapScriptHost &host, core::WorkProgress *progress = nullptr);

    // "Process Failed - P_T_V_D"
    static QString ProcessFailedText(const MapKey &key);

    // The History entries for the key's outbound segments that no level
    // takes (Level not H, D or S), in map order; empty when there are none.
    static QStringList UnplacedSegments(const MapKey &key);

    // Finishes what runs killed after their commit left: an unnamed
    // interchange file in the Outbound folder whose Outbox rows are stored
    // takes its name; one whose rows are not is removed. Each is recorded
    // (History "Warning"). Every run does this first.
    static void CompleteInterruptedRuns();
    // True when `text` is a whole interchange whose ISA and GS rows are stored
    // (outbound): the load of its file was committed.
    static bool IsStoredInterchange(const QString &text);
    // The mark of the run's unnamed files (core::UnnamedInterchangeFiles).
    static constexpr const char *kPendingKind = "outbound";

    // The moments of a run that tests (of a kill at each) observe.
    enum class RunStage { Mapped, FileWritten, Loaded, Committed, Named };
    void setStageObserver(std::function<void(RunStage)> observer) { m_stageObserver = std::move(observer); }

private:
    // One level ("H", "D", "S") of the map for the record the scripts see;
    // false when it failed (recorded).
    bool MapOutboundLevel(::clsScript &script, const QString &level, QString &out);
    struct LevelMap;
    const LevelMap &levelMap(const QString &level);

    MapScriptHost &m_host;
    core::WorkProgress *m_progress;
    std::function<QString(const QString &, const QString &)> m_loadBox;
    void stage(RunStage reached)
    {
        if (m_stageObserver)
            m_stageObserver(reached);
    }

    MapKey m_key;
    std::function<void(RunStage)> m_stageObserver;
    qint64 m_storedControlNumber = 0; // as the mapping found it
    qint64 m_nextControlNumber = 0;   // to be stored with the file
    qint32 m_setCount = 0;
    qint64 m_segmentCount = 0;
    long m_recordNumber = 0; // the import file's record the level is mapped for
    struct Maps;
    std::unique_ptr<Maps> m_maps;
};

} // namespace translation
