#pragma once
// The selection of a mailbox list as the commands take it: the list's
// statement, the rowids of its selected items and of all its items in list
// order. A template over the list control's members, so the core and the
// engine need no widget to know it.

#include "core/loader/WorkProgress.h"
#include "core/modGlobal.h"

namespace core {

template <class List>
MailboxSelection selectionOf(List &list)
{
    MailboxSelection selection;
    selection.table = list.tag();
    selection.hasCurrentItem = list.selectedItem() != nullptr;
    const int count = list.itemCount();
    // An empty list has no rows to read again (and a list never filled may
    // have no columns to sort by).
    if (count == 0)
        return selection;
    selection.statement = modGlobal::BuildSortedSelect(list);
    selection.order.reserve(count);
    for (int i = 1; i <= count; ++i) {
        const qint64 rowid = list.item(i)->rowid();
        selection.order << rowid;
        if (list.isItemSelected(i))
            selection.rowids << rowid;
    }
    return selection;
}

} // namespace core
