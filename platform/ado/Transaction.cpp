#include "ado/Transaction.h"

#include "vb/VbError.h"

Q_LOGGING_CATEGORY(lcAdo, "corvantis.ado")

namespace ado {

Transaction::Transaction(Connection &cn) : m_cn(cn), m_level(cn.BeginTrans())
{
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
}

void Transaction::rollback()
{
    if (!m_open)
        return;
    m_open = false;
    // Levels opened inside this one and left open go with it. A level that is
    // already gone (SQLite undid the whole transaction after a failed
    // statement) has nothing left to undo.
    while (m_cn.transactionLevel() >= m_level)
        m_cn.RollbackTrans();
}

} // namespace ado
