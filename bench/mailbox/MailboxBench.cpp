// Rows per second of the mailbox move (Sent to Outbox): the lock-step walk
// with its rowid checks, the copy of 17 fields and the delete in one
// transaction, the progress text and one yield per row. Every other row of
// the list is selected.
#include "mainwindow/MailboxCommands.h"

#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "controls/ListView.h"
#include "controls/ProgressBar.h"
#include "controls/StatusBar.h"
#include "core/modGlobal.h"
#include "vb/Dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"

namespace {

struct Mailbox {
    QTemporaryDir dir;
    controls::ListView sent, outbox;
    controls::StatusBar status;
    controls::ProgressBar progress;

    explicit Mailbox(int rows)
    {
        const QString target = QDir(dir.path()).filePath(QStringLiteral("Corvantis.mdb"));
        QFile::copy(QStringLiteral(CORVANTIS_DATABASE_FILE), target);
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
        modGlobal::cnDatabase = std::make_shared<ado::Connection>();
        modGlobal::cnDatabase->Open(ado::applicationConnectionString(dir.path()));
        for (int i = 0; i < 3; ++i)
            status.addPanel(1500);
        for (controls::ListView *list : {&sent, &outbox}) {
            list->setTag(list == &sent ? QStringLiteral("Sent") : QStringLiteral("Outbox"));
            list->setMultiSelect(true);
            list->addColumnHeader(QStringLiteral("Partner"), QStringLiteral("Partner"), 1200);
        }
        ado::Connection &cn = *modGlobal::cnDatabase;
        cn.BeginTrans();
        ado::Recordset rs;
        rs.Open(QStringLiteral("Sent"), cn, ado::adOpenKeyset, ado::adLockOptimistic);
        for (int n = 0; n < rows; ++n) {
            rs.AddNew();
            for (const QString &column : mainwindow::MailboxColumns())
                rs(column) = column + QString::number(n);
            rs("TSet") = QStringLiteral("ST*856*%1~BSN*00*%1*20261210*1305~HL*1**S~SE*4*%1~").arg(n);
            rs.Update();
        }
        rs.Close();
        cn.CommitTrans();
        fill(sent);
        for (int i = 1; i <= sent.itemCount(); ++i)
            sent.setItemSelected(i, i % 2 == 0);
    }
    ~Mailbox()
    {
        modGlobal::cnDatabase->Close();
        modGlobal::cnDatabase.reset();
    }

    static void fill(controls::ListView &list)
    {
        list.clearItems();
        ado::Recordset rs;
        rs.Open(modGlobal::BuildSortedSelect(list), *modGlobal::cnDatabase, ado::adOpenKeyset, ado::adLockReadOnly);
        QList<controls::ListItem *> items;
        while (!rs.Eof()) {
            auto *item = new controls::ListItem(rs("Partner").Value().toString());
            item->setRowid(rs.rowid());
            items.push_back(item);
            rs.MoveNext();
        }
        list.addItems(items);
    }
};

void MoveSelectedRows(benchmark::State &state)
{
    const int rows = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto box = std::make_unique<Mailbox>(rows);
        mainwindow::MailboxContext context;
        context.connection = modGlobal::cnDatabase;
        context.pgbProgressBar = &box->progress;
        context.sbrStatusBar = &box->status;
        mainwindow::MailboxCommands commands(context); // no refill: the lists are not measured
        state.ResumeTiming();
        commands.MoveItems(box->sent, box->outbox);
        state.PauseTiming();
        box.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * rows / 2);
    state.counters["moved rows/s"] =
        benchmark::Counter(static_cast<double>(state.iterations() * rows / 2), benchmark::Counter::kIsRate);
}
BENCHMARK(MoveSelectedRows)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    return bench::runWindowBenchmarks(argc, argv, vb::vbYes);
}
