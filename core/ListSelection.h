#pragma once
// The selection of a mailbox list as the commands take it: the list's
// statement and the rowids of its selected items. A template over the list
// control's members, so the core needs no widget to know it.

#include "core/loader/WorkProgress.h"
#include "core/modGlobal.h"

namespace core {

template <class List>
MailboxSelection selectionOf(List &list)
{
    MailboxSelection selection;
    selection.table = list.tag();
    selection.statement = modGlobal::BuildSortedSelect(list);
    for (int i = 1; i <= list.itemCount(); ++i)
        if (list.isItemSelected(i))
            selection.rowids << list.item(i)->rowid();
    selection.hasCurrentItem = list.selectedItem() != nullptr;
    return selection;
}

} // namespace core
