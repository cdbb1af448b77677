#include "partners/TransactionsNotifier.h"

namespace partners {

TransactionsNotifier &transactionsNotifier()
{
    static TransactionsNotifier notifier;
    return notifier;
}

void notifyTransactionsChanged()
{
    emit transactionsNotifier().TransactionsChanged();
}

} // namespace partners
