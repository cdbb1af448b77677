#pragma once
// Every change of table Transactions made by the partner window (a set added,
// deleted, saved or bound to a plug-in class, a partner renamed or removed)
// is announced here, so that windows listing the sets (the map designer, the
// integration window) refill their lists without the partner window knowing
// them. Before a change takes sets away (a set deleted, a partner renamed
// or removed) their maps are announced as leaving, so that the map designer
// can offer to save an edit of one while its rows still exist. A rename is
// announced with both names once it is stored, before the sets' change, so
// that a window can keep showing the set it showed under its new key.

#include <QObject>
#include <QString>

namespace partners {

class TransactionsNotifier : public QObject {
    Q_OBJECT
signals:
    void TransactionsChanged();
    // The maps of `partner`, or only its set transaction/version/direction
    // when `transaction` is not empty.
    void MapsLeaving(const QString &partner, const QString &transaction, const QString &version,
                     const QString &direction);
    // The partner `from` is now called `to` (emitted before TransactionsChanged).
    void PartnerRenamed(const QString &from, const QString &to);
};

TransactionsNotifier &transactionsNotifier();
void notifyTransactionsChanged();
void notifyPartnerRenamed(const QString &from, const QString &to);
void notifyMapsLeaving(const QString &partner, const QString &transaction = {}, const QString &version = {},
                       const QString &direction = {});

} // namespace partners
