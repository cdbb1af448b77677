#pragma once
// Two ways of writing that every store needs: a transaction that ends with
// its scope (rolled back unless committed), and a row written through a
// record set so that a refused write leaves no edit pending on the set.

#include "ado/Connection.h"
#include "ado/Recordset.h"

#include <QLoggingCategory>
#include <type_traits>
#include <utility>

Q_DECLARE_LOGGING_CATEGORY(lcAdo)

namespace ado {

// One level of the connection's transactions, begun on construction. Inner
// levels are save points, so a Transaction inside another one undoes only
// its own work. Leaving the scope without commit() rolls back; a rollback
// that fails there cannot be thrown (an error is usually being handled
// already), so it is recorded under corvantis.ado instead of vanishing.
//
// A synced transaction's commit returns only once it is on the disk: for a
// commit that a file step follows (a file named, moved, removed), which must
// never survive a power cut without what the commit stored. Outermost, it
// makes commits synced before it begins and puts back what was in force once
// it ends; inside another transaction it checks that the outermost one's
// commit is synced, and raises when not.
enum class Durability { Everyday, Synced };

class Transaction {
public:
    explicit Transaction(Connection &cn, Durability durability = Durability::Everyday);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    // On failure the level stays open and the destructor rolls it back.
    void commit();
    // Rolls back now and throws if that fails; the level is over either way.
    void rollback();
    bool isOpen() const { return m_open; }

private:
    void ended();

    Connection &m_cn;
    long m_level = 0;
    bool m_open = true;
    int m_restoreSynchronous = 0; // the level to put back when the outermost one ends; 0: none
};

// A body run as one transaction: committed when it returns, rolled back and
// passed on when it fails.
template <class F>
auto inTransaction(Connection &cn, F &&body, Durability durability = Durability::Everyday) -> decltype(body())
{
    Transaction tx(cn, durability);
    if constexpr (std::is_void_v<decltype(body())>) {
        body();
        tx.commit();
    } else {
        auto result = body();
        tx.commit();
        return result;
    }
}

// `apply` sets the fields of the current (or added) row; the row is then
// stored and the set closed.
template <class F>
void writeRow(Recordset &rs, F &&apply)
{
    try {
        apply();
        rs.Update();
    } catch (...) {
        if (rs.EditMode() != adEditNone)
            rs.CancelUpdate();
        throw;
    }
    rs.Close();
}

} // namespace ado
