#pragma once
// Edit > Selection Filter of the main window: selects, in addition to the
// rows already selected, every row of a mailbox list that shows the same
// texts as the last selected row in the columns switched on in the settings
// section Filter.

#include <QString>
#include <QStringList>

namespace controls {
class ListView;
}

namespace mainwindow {

// The message for a switched-on column that the list does not show.
QString ColumnNotVisibleMessage();

// The public method SelectionFilter(lvwBox). Traps its errors: a switched-on
// column that is not shown gives the message above, any other error goes to
// ReportError; the selection is then unchanged.
void SelectionFilter(controls::ListView &lvwBox);

} // namespace mainwindow
