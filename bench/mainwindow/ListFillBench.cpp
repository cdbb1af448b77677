// Filling the Inbox list from 100,000 mailbox rows, as RefreshBox does it
// (statement, row rule, images, rowids, selection restore).
#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "controls/Forms.h"
#include "controls/ListView.h"
#include "controls/TreeView.h"
#include "core/MainWindowParts.h"
#include "core/modGlobal.h"
#include "mainwindow/frmMain.h"
#include "vb/Dialogs.h"
#include "vb/Settings.h"

#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kRows = 100000;

// Nobody answers boxes in a benchmark: any box ends it with its text.
class NoDialogs final : public vb::DialogService {
    [[noreturn]] static void fail(const QString &text)
    {
        fprintf(stderr, "unexpected dialog: %s\n", qPrintable(text));
        std::exit(2);
    }

public:
    int messageBox(const vb::MessageBoxRequest &r) override { fail(r.prompt); }
    std::optional<QString> inputBox(const vb::InputBoxRequest &r) override { fail(r.prompt); }
    vb::OpenFileResult openFile(const vb::OpenFileRequest &r) override { fail(r.title); }
    std::optional<QString> browseFolder(const vb::BrowseFolderRequest &r) override { fail(r.title); }
    bool printerSetup(const vb::PrinterSetupRequest &r) override { fail(r.title); }
};

struct Setup {
    QTemporaryDir dir;
    Setup()
    {
        vb::setSettingsRoot(dir.path() + QStringLiteral("/settings"));
        QFile::copy(QStringLiteral(CORVANTIS_DATABASE_FILE), dir.path() + QStringLiteral("/Corvantis.mdb"));
        vb::SaveSetting(QStringLiteral("Corvantis"), QStringLiteral("Folders"), QStringLiteral("Database"), dir.path());
        ado::Connection c;
        c.Open(modGlobal::ConnectionString(dir.path()));
        c.BeginTrans();
        for (int i = 0; i < kRows; ++i) {
            c.Execute(QStringLiteral("INSERT INTO Inbox (Partner, [Transaction], Version, [Date], [Time], "
                                     "InterchangeControlNumber, Status, Acknowledged, TSet) VALUES "
                                     "('PARTNER%1', '830', '004010', '12/1/2026', '10:00:00 AM', '%2', '%3', '%4', "
                                     "'ST*830*0001~SE*2*0001~')")
                          .arg(i % 97)
                          .arg(i, 9, 10, QLatin1Char('0'))
                          .arg(i % 3 ? QStringLiteral("Closed") : QStringLiteral("Validated"))
                          .arg(i % 2 ? QStringLiteral("No") : QStringLiteral("Yes")));
        }
        c.CommitTrans();
    }
};

// One database with the rows and one loaded main window for every benchmark.
mainwindow::frmMain &loadedWindow()
{
    static Setup setup;
    static mainwindow::frmMain *main = [] {
        auto *window = &controls::form<mainwindow::frmMain>();
        window->Form_Load();
        return window;
    }();
    return *main;
}

void BM_FillInboxFrom100kRows(benchmark::State &state)
{
    auto &main = loadedWindow();
    for (auto _ : state) {
        main.RefreshBox(main.lvwInbox);
        benchmark::DoNotOptimize(main.lvwInbox->itemCount());
    }
    if (main.lvwInbox->itemCount() != kRows)
        state.SkipWithError("the list does not hold every row");
    state.counters["rows"] = main.lvwInbox->itemCount();
}
BENCHMARK(BM_FillInboxFrom100kRows)->Unit(benchmark::kMillisecond)->Iterations(5);

// The same fill of the list shown in the window, up to its repaint: the view
// lays the rows out when it paints them.
void BM_FillShownInboxFrom100kRows(benchmark::State &state)
{
    auto &main = loadedWindow();
    main.show();
    main.tvwFolderList_NodeClick(core::folderNode::Inbox);
    for (auto _ : state) {
        main.RefreshBox(main.lvwInbox);
        main.lvwInbox->viewport()->repaint();
        benchmark::DoNotOptimize(main.lvwInbox->itemCount());
    }
    if (main.lvwInbox->itemCount() != kRows)
        state.SkipWithError("the list does not hold every row");
    main.tvwFolderList_NodeClick(core::folderNode::Top);
    main.hide();
}
BENCHMARK(BM_FillShownInboxFrom100kRows)->Unit(benchmark::kMillisecond)->Iterations(5);

// The rows walked alone, reading the fields the default columns show by
// position, as the fill reads them: the data layer's share of the fill.
void BM_ReadInboxRowsOnly(benchmark::State &state)
{
    auto &main = loadedWindow();
    const QString statement = modGlobal::BuildSortedSelect(*main.lvwInbox)
                                  .replace(QStringLiteral("SELECT * "),
                                           QStringLiteral("SELECT [Partner], [Transaction], [Version], [Date], "
                                                          "[Time], [Acknowledged], [Status] "));
    for (auto _ : state) {
        ado::Recordset rs;
        rs.Open(statement, *modGlobal::cnDatabase, ado::adOpenKeyset, ado::adLockReadOnly);
        modGlobal::cnDatabase->BeginTrans();
        long n = 0;
        ado::Fields &fields = rs.Fields();
        while (!rs.Eof()) {
            for (int i = 0; i < fields.Count(); ++i)
                benchmark::DoNotOptimize(fields.Item(i).Value());
            benchmark::DoNotOptimize(rs.rowid());
            ++n;
            rs.MoveNext();
        }
        modGlobal::cnDatabase->CommitTrans();
        benchmark::DoNotOptimize(n);
    }
}
BENCHMARK(BM_ReadInboxRowsOnly)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    vb::setDialogService(std::make_shared<NoDialogs>());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    controls::unload<mainwindow::frmMain>();
    modGlobal::cnDatabase.reset();
    return 0;
}
