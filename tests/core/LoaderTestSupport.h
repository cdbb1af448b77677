#pragma once
// Shared by the loader, validator and acknowledgement tests: a fresh database
// as the program's connection, table dumps for golden comparisons, fixture
// paths and a progress double that records what a run showed.

#include "TestDatabase.h"
#include "TestEnvironment.h"
#include "core/loader/WorkProgress.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace loadertest {

QString fixture(const QString &name);
QString readFixture(const QString &name);   // 8-bit text

// Installs a fresh database as modGlobal::cnDatabase with user "Tester".
class DatabaseScope {
public:
    DatabaseScope();
    ~DatabaseScope();
    ado::Connection &connection() const { return m_db->connection(); }

private:
    std::unique_ptr<corvantis::test::FreshDatabase> m_db;
};

// Every row of the tables the loader, validator and 997 writer touch, with
// the columns the program gives meaning to, as readable text.
QString dumpTables();
QString dumpTable(const QString &table, const QStringList &columns, const QString &where = {});

// Compares `actual` with the golden file (tests/fixtures/loader/<name>);
// with CORVANTIS_UPDATE_GOLDEN=1 in the environment it writes the file instead.
void expectGolden(const QString &name, const QString &actual);

// Rows for set-ups, added through record sets.
void addRow(const QString &table, const QList<std::pair<QString, QVariant>> &values);
// A registered partner "ACME" of the fixture files (ids padded to 15) with
// the given delimiter codes.
void addAcmePartner(int segment = '~', int element = '*', int sub = '>');

// Records what a run showed; `onYield` runs at every yield.
struct RecordingProgress : core::WorkProgress {
    QStringList statusTexts, percentTexts, refreshed, previews;
    int hidden = 0, yields = 0, max = -1, value = -1;
    std::function<void()> onYield;

    void setStatusText(const QString &t) override { statusTexts << t; }
    void setPercentText(const QString &t) override { percentTexts << t; }
    void setProgressMax(int m) override { max = m; }
    void setProgressValue(int v) override { value = v; }
    void yield() override
    {
        ++yields;
        if (onYield)
            onYield();
    }
    void hideNotice() override { ++hidden; }
    void refreshList(const QString &table) override { refreshed << table; }
    void showPreview(const QString &t) override { previews << t; }
};

} // namespace loadertest
