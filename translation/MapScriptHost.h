#pragma once
// What the translation runs need of the window that hosts them: the script
// control, the immediate and transaction panes, and the editing controls
// that are disabled while a run works. The map designer implements it; until
// it is loaded the engine runs on HiddenMapHost, a small object that owns the
// script control and keeps the panes' texts.

#include <QString>

#include <memory>

namespace vbs {
class ScriptControl;
struct ScriptError;
}

namespace translation {

class MapScriptHost {
public:
    virtual ~MapScriptHost() = default;

    // scScript: the script control the map snippets run in.
    virtual vbs::ScriptControl &scScript() = 0;

    // txtImmediate: cleared at the start of a run, one trace line appended
    // per written value while the run is not silent.
    virtual void clearImmediate() {}
    virtual void appendImmediate([[maybe_unused]] const QString &text) {}

    // txtTransaction: the set being translated (terminators made line
    // breaks), shown while the run is not silent, and its find operation
    // (selects the hit; -1 when there is none).
    virtual void setTransactionText([[maybe_unused]] const QString &text) {}
    virtual int findInTransaction([[maybe_unused]] const QString &text, [[maybe_unused]] int start,
                                  [[maybe_unused]] bool wholeWord)
    {
        return -1;
    }

    // fraSegment, fraElement, sstControls, tvwTSets and lvwTSets: the map
    // cannot be edited under a running walk.
    virtual void setEditingEnabled([[maybe_unused]] bool enabled) {}

    // Set by the script control's Timeout event; the walks read it. Every run
    // clears it at its start.
    bool blnScriptTimeout = false;
};

// The script control's Error event: with the silent flag five History
// entries, otherwise one "Script Error" box. Never raises.
void scScript_Error(const vbs::ScriptError &error);

// Connects the control's Error and Timeout events to their handlers for
// `host` (the Timeout event sets host.blnScriptTimeout). The connections end
// with the control.
void connectScriptEvents(vbs::ScriptControl &control, MapScriptHost &host);

// The host that stands in for the map designer: owns the script control
// (VBScript, time-out 60000 ms) and keeps the two panes as plain text.
class HiddenMapHost final : public MapScriptHost {
public:
    HiddenMapHost();
    ~HiddenMapHost() override;

    vbs::ScriptControl &scScript() override { return *m_control; }
    void clearImmediate() override { m_immediate.clear(); }
    void appendImmediate(const QString &text) override { m_immediate += text; }
    void setTransactionText(const QString &text) override { m_transaction = text; }
    int findInTransaction(const QString &text, int start, bool wholeWord) override;
    void setEditingEnabled(bool enabled) override { m_editingEnabled = enabled; }

    const QString &immediateText() const { return m_immediate; }
    const QString &transactionText() const { return m_transaction; }
    bool editingEnabled() const { return m_editingEnabled; }

private:
    std::unique_ptr<vbs::ScriptControl> m_control;
    QString m_immediate;
    QString m_transaction;
    bool m_editingEnabled = true;
};

// The host of the program's translation runs: the map designer once it has
// registered itself, otherwise one HiddenMapHost made on first use.
MapScriptHost &mapScriptHost();
void setMapScriptHost(MapScriptHost *host); // nullptr returns to the hidden host

} // namespace translation
