#include "mainwindow/SelectionFilter.h"

#include "controls/ListView.h"
#include "core/SettingsSections.h"
#include "core/modGlobal.h"
#include "vb/Conversions.h"
#include "vb/Dialogs.h"
#include "vb/Settings.h"
#include "vb/VbError.h"

#include <QVector>

namespace mainwindow {

namespace {

// Raised inside the filter when a switched-on column is not shown.
constexpr int kColumnNotShown = 380;

} // namespace

QString ColumnNotVisibleMessage()
{
    return QStringLiteral("Selection Filter includes a column that is not visible.");
}

void SelectionFilter(controls::ListView &lvwBox)
{
    if (!lvwBox.selectedItem())
        return;
    try {
        // The column of each switched-on key, found by the field it shows,
        // so a hidden column before it never shifts the comparison onto
        // another column. 0 marks a key that is switched off.
        QVector<int> columns;
        const std::vector<bool> on = sections::readFilter();
        for (std::size_t i = 0; i < on.size(); ++i) {
            const sections::Switch &s = sections::filterSwitches()[i];
            if (!on[i]) {
                columns.push_back(0);
                continue;
            }
            const int position = lvwBox.columnPosition(QString::fromLatin1(s.field));
            if (position == 0)
                vb::raise(kColumnNotShown, QStringLiteral("Invalid property value"));
            columns.push_back(position);
        }

        const auto valuesOf = [&](int row) {
            const controls::ListItem *item = lvwBox.item(row);
            QStringList values;
            for (int position : columns) {
                if (position == 0)
                    values.push_back(QString());
                else
                    values.push_back(position == 1 ? item->text() : item->subItem(position - 1));
            }
            return values;
        };

        // The last selected row in list order is the reference.
        QStringList reference;
        for (int i = 0; i < columns.size(); ++i)
            reference.push_back(QString());
        const int count = lvwBox.itemCount();
        for (int row = 1; row <= count; ++row) {
            if (lvwBox.isItemSelected(row))
                reference = valuesOf(row);
        }
        // Rows that match join the selection; the others keep theirs.
        for (int row = 1; row <= count; ++row) {
            if (valuesOf(row) == reference)
                lvwBox.setItemSelected(row, true);
        }
    } catch (const vb::VbError &e) {
        if (e.number == kColumnNotShown)
            vb::MsgBox(ColumnNotVisibleMessage(), vb::vbOKOnly | vb::vbExclamation, modGlobal::AppTitle());
        else
            modGlobal::ReportError(e);
    } catch (const std::exception &e) {
        modGlobal::ReportError(e);
    }
}

} // namespace mainwindow
