#include "ado/Transaction.h"

#include "vb/VbError.h"

Q_LOGGING_CATEGORY(lcAdo, "corvantis.ado")

namespace ado {

Transaction::Transaction(Connection &cn, Durability durability) : m_cn(cn)
{
    if (durability == Durability::Synced) {
        const int before = cn.transactionLevel() == 0 ? cn.synchronous() : kSynchronousFull;
        cn.setSynchronous(kSynchronousFull);
        if (before < kSynchronousFull)
            m_restoreSynchronous = before;
    }
    try {
        m_level = cn.BeginTrans();
    } catch (...) {
        m_open = false;
        ended();
        throw;
    }
}

void Transaction::ended()
{
    if (!m_restoreSynchronous || m_cn.transactionLevel() > 0)
        return;
    // The transaction is over: a failure here cannot undo it, so it is recorded.
    try {
        m_cn.setSynchronous(m_restoreSynchronous);
    } catch (const std::exception &error) {
        qCWarning(lcAdo).noquote() << "synchronous level" << m_restoreSynchronous << "not put back:" << error.what();
    }
    m_restoreSynchronous = 0;
}

Transaction::~Transaction()
{
    if (!m_open)
        return;
    try {
        rollback();
    } catch (const vb::VbError &error) {
        qCWarning(lcAdo).noquote() << "rollback of transaction level" << m_level << "failed:" << error.number
                                   << error.description;
    } catch (const std::exception &error) {
        qCWarning(lcAdo).noquote() << "rollback of transaction level" << m_level << "failed:" << error.what();
    }
}

void Transaction::commit()
{
    if (!m_open)
        vb::raise(adErrNoTransaction, QStringLiteral("No transaction is active."));
    m_cn.CommitTrans();
    m_open = false;
    ended();
}

void Transaction::rollback()
{
    if (!m_open)
        return;
    m_open = false;
    // Levels opened inside this one and left open go with it. A level that is
    // already gone (SQLite undid the whole transaction after a failed
    // statement) has nothing left to undo.
    struct End {
        Transaction &tx;
        ~End() { tx.ended(); }
    } end{*this};
    while (m_cn.transactionLevel() >= m_level)
        m_cn.RollbackTrans();
}

} // namespace ado
