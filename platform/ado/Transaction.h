#pragma once
// Two ways of writing that every store needs: a body run as one transaction
// (committed when it returns, rolled back and passed on when it fails), and
// a row written through a record set so that a refused write leaves no edit
// pending on the set.

#include "ado/Connection.h"
#include "ado/Recordset.h"

#include <utility>

namespace ado {

template <class F>
auto inTransaction(Connection &cn, F &&body) -> decltype(body())
{
    cn.BeginTrans();
    try {
        if constexpr (std::is_void_v<decltype(body())>) {
            body();
            cn.CommitTrans();
        } else {
            auto result = body();
            cn.CommitTrans();
            return result;
        }
    } catch (...) {
        if (cn.transactionLevel() > 0)
            cn.RollbackTrans();
        throw;
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
