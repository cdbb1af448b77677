#pragma once
// What the shared-module tests run on: a fresh copy of the application
// database as cnDatabase and the main-window link filled with recorders of
// what the core tells the window (panel 1 texts, stored History entries,
// RefreshBox calls). The harness already fixes the clock and scripts the
// dialogs.

#include "core/modGlobal.h"

#include "ado/Recordset.h"
#include "vb/Variant.h"

#include "TestDatabase.h"

#include <gtest/gtest.h>

#include <QByteArray>
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
    QString statusText;                           // the last text of panel 1
    std::vector<modGlobal::HistoryEntry> shown;   // History entries handed to the window, in order
    QStringList refreshed;                        // RefreshBox calls (tables), in order
};

// The message boxes shown since the test began.
size_t boxCount();

// A file's bytes; "<missing>" when it cannot be read, so that a file that
// was never written differs from an empty one.
QByteArray bytesOf(const QString &path);

} // namespace coretest
