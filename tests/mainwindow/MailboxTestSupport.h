#pragma once
// What the mailbox-command tests run on: a fresh copy of the application
// database as cnDatabase, the four mailbox lists and the History list as
// free-standing controls (filled from their tables the way the main window
// fills them, each item with its rowid), a status bar with three panels, a
// progress bar, and a record of the RefreshBox calls. The harness already
// fixes the clock and scripts the dialogs.

#include "mainwindow/MailboxCommands.h"
#include "mainwindow/CoreLink.h"

#include "TestDatabase.h"
#include "controls/ImageList.h"
#include "controls/ListView.h"
#include "controls/ProgressBar.h"
#include "controls/StatusBar.h"
#include "controls/TreeView.h"
#include "vb/Variant.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace mailboxtest {

using Row = std::map<QString, QString>;

class MailboxTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A mailbox row: every one of the 17 columns gets a distinct value made
    // from `id` unless `values` names it.
    void addMailboxRow(const QString &table, const QString &id, const Row &values = {});
    void addPartner(const QString &key, int segmentCode);
    // Every row of a table in rowid order, each of the 17 columns as text
    // ("<Null>" for no value).
    std::vector<Row> tableRows(const QString &table);
    long count(const QString &table);
    // The description of every History row, in order.
    QStringList history();

    // Fills a list from its query as the main window does (rowid per item).
    void fill(controls::ListView &list);
    // Sets exactly these 1-based rows selected (the current item stays row 1).
    static void select(controls::ListView &list, std::initializer_list<int> rows);
    static std::vector<int> selectedRows(const controls::ListView &list);
    // Used (a unique value per row) of each list row, in list order.
    QStringList usedColumn(const controls::ListView &list);
    // Removes a row behind the list's back.
    void deleteBehind(const QString &table, const QString &used);

    mainwindow::MailboxContext context();

    std::unique_ptr<corvantis::test::FreshDatabase> db;
    controls::ImageList images;
    std::unique_ptr<controls::StatusBar> statusBar;
    std::unique_ptr<controls::ProgressBar> progress;
    std::unique_ptr<controls::TreeView> folders;
    std::unique_ptr<controls::ListView> lvwHistory, lvwInbox, lvwOutbox, lvwSent, lvwRecycled;
    std::vector<controls::ListView *> refreshed; // RefreshBox calls, in order
    std::function<void(controls::ListView *)> m_refreshBox;
};

// The message boxes shown since the test began.
size_t boxCount();

} // namespace mailboxtest
