#pragma once
// A main window loaded on a fresh copy of the database, with helpers to put
// rows into the tables and to look at what the window shows.

#include "TestDatabase.h"
#include "TestEnvironment.h"
#include "ado/Connection.h"
#include "controls/Forms.h"
#include "controls/ListView.h"
#include "controls/StatusBar.h"
#include "controls/TreeView.h"
#include "core/modGlobal.h"
#include "mainwindow/frmMain.h"
#include "vb/Settings.h"

#include <QAction>
#include <QTest>
#include <gtest/gtest.h>

namespace mainwindow::test {

inline void saveSetting(const char *section, const char *key, const QString &value)
{
    vb::SaveSetting(QStringLiteral("Corvantis"), QString::fromLatin1(section), QString::fromLatin1(key), value);
}

inline QString setting(const char *section, const char *key)
{
    return vb::GetSetting(QStringLiteral("Corvantis"), QString::fromLatin1(section), QString::fromLatin1(key),
                          QStringLiteral("<none>"));
}

// One mailbox row; the fields not given take recognisable values.
struct MailboxRow {
    QString partner = QStringLiteral("ACME");
    QString transaction = QStringLiteral("830");
    QString status = QStringLiteral("Closed");
    QString acknowledged = QStringLiteral("No");
    QString tset = QStringLiteral("ST*830*0001~SE*2*0001~");
};

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest()
    {
        saveSetting("Folders", "Database", db.folder());
    }
    ~MainWindowTest() override
    {
        controls::unload<frmMain>();
        modGlobal::cnDatabase.reset();
    }

    void insert(const QString &table, const MailboxRow &row, int number = 0)
    {
        db.connection().Execute(QStringLiteral(
            "INSERT INTO %1 (Partner, [Transaction], Version, [Date], [Time], InterchangeControlNumber, Status, "
            "Acknowledged, TSet) VALUES ('%2', '%3', '004010', '12/1/2026', '10:00:%4 AM', '%5', '%6', '%7', '%8')")
                                    .arg(table, row.partner, row.transaction)
                                    .arg(number % 60, 2, 10, QLatin1Char('0'))
                                    .arg(number, 9, 10, QLatin1Char('0'))
                                    .arg(row.status, row.acknowledged, row.tset));
    }
    void insertLog(const QString &table, const QString &type, const QString &description)
    {
        db.connection().Execute(QStringLiteral("INSERT INTO %1 (Type, [Date], [Time], [User], Description) "
                                               "VALUES ('%2', '12/01/2026', '10:00:00 AM', 'tester', '%3')")
                                    .arg(table, type, description));
    }

    // Loads and shows the main window on a screen of 19200 x 14400 twips.
    frmMain &load()
    {
        frmMain &main = controls::form<frmMain>();
        main.setScreenTwips(19200, 14400);
        EXPECT_EQ(main.Form_Load(), StartOutcome::Continue);
        main.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&main));
        return main;
    }

    QString panel1(frmMain &main) const { return main.sbrStatusBar->panelText(1); }
    bool enabled(frmMain &main, const char *control) const
    {
        QAction *item = main.menuItem(QString::fromLatin1(control));
        EXPECT_NE(item, nullptr) << control;
        return item && item->isEnabled();
    }

    corvantis::test::FreshDatabase db;
};

} // namespace mainwindow::test
