#pragma once
// What the translation tests run on: the shared-module test base (a fresh
// database as cnDatabase, History list, status bar, RefreshBox recorder), a
// hidden map host, the Inbox list's selection over the Inbox table, and
// helpers that put maps and stored sets into the database.

#include "CoreTestSupport.h"

#include "translation/MapScriptHost.h"
#include "translation/OpenReport.h"
#include "translation/RecordLayout.h"

#include "core/loader/WorkProgress.h"

#include <QStringList>

#include <functional>
#include <memory>

namespace reports {
class ReportCommands;
}

namespace translationtest {

// The bytes 0x80-0x9F as a partner's Windows tool writes them, as element
// values: NW“4711” €, then all 32 of them, eight a value.
std::vector<QByteArray> windows1252Values();

// One map row as the fixtures and tests describe it.
struct ElementSpec {
    int index = 1;
    QString type = QStringLiteral("AN");
    int maximum = 10;
    bool exclude = false;
    QString format;
    QString script;
};
struct SegmentSpec {
    int index = 1;
    QString id;
    int node = 1;
    bool exclude = false;
    int placeholders = 1;
    QString direction; // empty: the key's
    QString level;     // "H", "D" or "S" (outbound maps); empty: not written
    QString script;
    std::vector<ElementSpec> elements;
};

// Parses a map text (see tests/fixtures/translation/README).
std::vector<SegmentSpec> parseMap(const QString &text);

// Counts yields and lets a test act inside one (the n-th, 1-based).
class RecordingProgress : public core::WorkProgress {
public:
    void yield() override
    {
        ++yields;
        if (onYield)
            onYield(yields);
    }
    void showPreview(const QString &text) override { previews << text; }
    void setPercentText(const QString &text) override { percent = text; }
    void setProgressValue(int value) override { progress = value; }
    void refreshList(const QString &table) override
    {
        if (onRefresh)
            onRefresh(table);
    }
    std::function<void(const QString &table)> onRefresh;
    int yields = 0;
    std::function<void(int)> onYield;
    QStringList previews;
    QString percent;
    int progress = 0;
};

class TranslationTest : public coretest::CoreTest {
protected:
    void SetUp() override;
    void TearDown() override;

    void addMap(const std::vector<SegmentSpec> &segments);
    // Adds an Inbox row of the key with the set's text; rows list in the
    // order they were added.
    qint64 addInboxRow(const QString &tset);
    // The selection of a mailbox list of `table` sorted by Time, as the
    // window would give it; `selected` flags by position (missing: not
    // selected). The list has a current row when it has rows.
    static core::MailboxSelection listOf(const QString &table, const std::vector<bool> &selected);
    // Refills the Inbox list's selection from its query.
    void fillInbox(const std::vector<bool> &selected);
    QStringList statuses();
    // "Type: Description" of every History row, in order.
    QStringList historyEntries();
    // The header line and one line per row ("a|b|c"), or "<no record set>".
    static QStringList recordTexts(const ado::RecordsetPtr &rs);

    translation::MapKey key{QStringLiteral("ACME01"), QStringLiteral("830"), QStringLiteral("004010"),
                            QStringLiteral("I")};
    std::unique_ptr<translation::HiddenMapHost> host;
    core::MailboxSelection inbox{QStringLiteral("Inbox"), {}, {}, false};
    RecordingProgress progress;
    int inboxRows = 0;
};

// Records what report commands ask of the viewer and designer windows, with
// the report each was given.
class RecordingWindows final : public translation::ReportWindows {
public:
    void showViewer() override { viewed.push_back(translation::crxReport); }
    bool showDesigner() override
    {
        designed.push_back(translation::crxReport);
        return true;
    }
    std::vector<report::ReportDocumentPtr> viewed, designed;
};

// Translation runs that end in a report: the Reports folder (with its Export
// and ActiveX places) and the Export folder in the test's folder, recording
// windows, the Recycled list's selection, and the printer writing a PDF file
// there.
class ReportRunTest : public TranslationTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // The report commands over this fixture: its selection key, translation and Recycled list.
    reports::ReportCommands commands();

    // The key's map writing BSN as one record, its partner, its Transactions
    // row with `exportFormat` and its record definition.
    void addReportKey(int exportFormat);
    // The main window's unique-selection answer, from the stored rows: the
    // selected rows' "P,T,V,D" when they all have it, else empty text.
    QString selectionKey(const core::MailboxSelection &list);

    QString reportsFolder, exportFolder;
    RecordingWindows windows;
    core::MailboxSelection recycled{QStringLiteral("Recycled"), {}, {}, false};
};

} // namespace translationtest
