#pragma once
// What the shared-module tests run on: a fresh copy of the application
// database as cnDatabase, the main-window link filled with free-standing
// controls (status bar, folder tree, History and Sent lists) and a recorder
// of RefreshBox calls. The harness already fixes the clock and scripts the
// dialogs.

#include "core/modGlobal.h"

#include "ado/Recordset.h"
#include "controls/ImageList.h"
#include "controls/ListView.h"
#include "controls/StatusBar.h"
#include "controls/TreeView.h"
#include "vb/Variant.h"

#include "TestDatabase.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace coretest {

// Column values of one row, by column name.
using Row = std::map<QString, vb::Variant>;

class CoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Adds a row to a table of the database.
    void addRow(const QString &table, const Row &values);
    // Every row of a statement, each column as text (Null as "<Null>").
    std::vector<std::map<QString, QString>> rows(const QString &statement);
    // One column of the rows of a statement, as text.
    QStringList column(const QString &statement, const QString &name);
    long count(const QString &table);

    // A partner row with the usual envelope values (our id "OURID", the
    // partner's "THEIRID", both padded to 15) and the given delimiter codes.
    void addPartner(const QString &key, int segment = '~', int element = '*', int sub = '>');

    std::optional<corvantis::test::FreshDatabase> database;
    controls::ImageList images;
    std::unique_ptr<controls::StatusBar> statusBar;
    std::unique_ptr<controls::TreeView> folders;
    std::unique_ptr<controls::ListView> history;
    std::unique_ptr<controls::ListView> sent;
    std::vector<controls::ListView *> refreshed; // RefreshBox calls, in order
};

// The message boxes shown since the test began.
size_t boxCount();

} // namespace coretest
