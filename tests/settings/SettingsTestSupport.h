#pragma once
// The settings tests run on a fresh database as cnDatabase and a recorder of
// what the dialogs ask of the main window.

#include "settings/MainWindowAccess.h"

#include "TestDatabase.h"
#include "TestEnvironment.h"
#include "ado/Recordset.h"
#include "controls/ImageList.h"
#include "core/modGlobal.h"
#include "vb/Settings.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <map>
#include <optional>

namespace settingstest {

using Row = std::map<QString, vb::Variant>;

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        database.emplace();
        modGlobal::cnDatabase = database->connectionPtr();
        modGlobal::strCurrentUser = QStringLiteral("tester");
        for (const char *key : {"Closed", "Opened", "Validated", "Exported", "Info", "Warning", "Error", "Yes",
                                "Void", "No"}) {
            QPixmap picture(16, 16);
            picture.fill(Qt::gray);
            icons.add(QString::fromLatin1(key), QIcon(picture));
        }
        access.itemCount = [this](const QString &table) { return listCounts[table]; };
        access.refreshBox = [this](const QString &table) { calls << QStringLiteral("RefreshBox ") + table; };
        access.createColumns = [this](const QString &table) { calls << QStringLiteral("CreateColumns ") + table; };
        access.selectedFolderKey = [this] { return folderKey; };
        access.selectedRowid = [this](const QString &table) { return selected.value(table, 0); };
        access.icons = &icons;
    }
    void TearDown() override
    {
        modGlobal::cnDatabase.reset();
        database.reset();
    }

    qint64 addRow(const QString &table, const Row &values)
    {
        ado::Recordset rs;
        rs.Open(table, modGlobal::cnDatabase, ado::adOpenKeyset, ado::adLockOptimistic);
        rs.AddNew();
        for (const auto &[name, value] : values)
            rs.Fields(name) = value;
        rs.Update();
        const qint64 rowid = rs.rowid();
        rs.Close();
        return rowid;
    }
    long count(const QString &table)
    {
        ado::Recordset rs;
        rs.Open(QStringLiteral("SELECT * FROM ") + table, modGlobal::cnDatabase, ado::adOpenStatic,
                ado::adLockReadOnly);
        return rs.RecordCount();
    }
    static QString setting(const QString &section, const QString &key)
    {
        return vb::GetSetting(QStringLiteral("Corvantis"), section, key, QStringLiteral("<none>"));
    }
    static void save(const QString &section, const QString &key, const QString &value)
    {
        vb::SaveSetting(QStringLiteral("Corvantis"), section, key, value);
    }

    std::optional<corvantis::test::FreshDatabase> database;
    controls::ImageList icons;
    settings::MainWindowAccess access;
    std::map<QString, int> listCounts;
    QString folderKey;
    QHash<QString, qint64> selected;
    QStringList calls;
};

} // namespace settingstest
