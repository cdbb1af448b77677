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

void notifyPartnerRenamed(const QString &from, const QString &to)
{
    emit transactionsNotifier().PartnerRenamed(from, to);
}

void notifyMapsLeaving(const QString &partner, const QString &transaction, const QString &version,
                       const QString &direction)
{
    emit transactionsNotifier().MapsLeaving(partner, transaction, version, direction);
}

} // namespace partners
