#include "crypto/Providers.h"

#include "vb/VbError.h"

#include <openssl/core.h>
#include <openssl/core_dispatch.h>
#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/params.h>
#include <openssl/provider.h>

#include <algorithm>

namespace crypto {

namespace {

const char *const kProviderOrder[] = {"default", "legacy", "base", "fips"};

// Listing happens in a library context of its own, so what the page loads and
// unloads never touches the context the program signs and transfers with.
struct LibContext {
    OSSL_LIB_CTX *ctx = OSSL_LIB_CTX_new();
    ~LibContext() { OSSL_LIB_CTX_free(ctx); }
};

OSSL_LIB_CTX *listingContext()
{
    static LibContext c;
    return c.ctx;
}

} // namespace

struct Provider::State {
    OSSL_PROVIDER *held = nullptr;
};

Provider::Provider(QString id) : m_id(std::move(id)), m_state(std::make_unique<State>()) {}

Provider::~Provider()
{
    release();
}

bool Provider::acquire()
{
    if (m_state->held)
        return true;
    m_state->held = OSSL_PROVIDER_load(listingContext(), m_id.toLatin1().constData());
    ERR_clear_error();
    return m_state->held != nullptr;
}

void Provider::release()
{
    if (m_state && m_state->held) {
        OSSL_PROVIDER_unload(m_state->held);
        m_state->held = nullptr;
    }
}

bool Provider::isAcquired() const { return m_state->held != nullptr; }

QString Provider::name() const
{
    OSSL_PROVIDER *p = m_state->held ? m_state->held : OSSL_PROVIDER_load(listingContext(), m_id.toLatin1().constData());
    QString out = m_id;
    if (p) {
        const char *name = nullptr;
        OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_ptr(OSSL_PROV_PARAM_NAME, const_cast<char **>(&name), 0),
                               OSSL_PARAM_construct_end()};
        if (OSSL_PROVIDER_get_params(p, params) == 1 && name)
            out = QString::fromUtf8(name);
        if (p != m_state->held)
            OSSL_PROVIDER_unload(p);
    }
    ERR_clear_error();
    return out;
}

QStringList Provider::algorithms() const
{
    OSSL_PROVIDER *p = m_state->held ? m_state->held : OSSL_PROVIDER_load(listingContext(), m_id.toLatin1().constData());
    QStringList out;
    if (!p)
        return out;
    const int operations[] = {OSSL_OP_DIGEST, OSSL_OP_CIPHER, OSSL_OP_SIGNATURE, OSSL_OP_KEYEXCH,
                              OSSL_OP_ASYM_CIPHER, OSSL_OP_MAC, OSSL_OP_KDF};
    for (int op : operations) {
        int noCache = 0;
        const OSSL_ALGORITHM *algs = OSSL_PROVIDER_query_operation(p, op, &noCache);
        QStringList group;
        for (const OSSL_ALGORITHM *a = algs; a && a->algorithm_names; ++a) {
            const QString first = QString::fromLatin1(a->algorithm_names).section(QLatin1Char(':'), 0, 0);
            if (!group.contains(first))
                group.append(first);
        }
        if (algs)
            OSSL_PROVIDER_unquery_operation(p, op, algs);
        std::sort(group.begin(), group.end(), [](const QString &a, const QString &b) { return a.toLatin1() < b.toLatin1(); });
        out.append(group);
    }
    if (p != m_state->held)
        OSSL_PROVIDER_unload(p);
    ERR_clear_error();
    return out;
}

ProviderList::ProviderList()
{
    for (const char *id : kProviderOrder) {
        OSSL_PROVIDER *p = OSSL_PROVIDER_load(listingContext(), id);
        ERR_clear_error();
        if (!p)
            continue;
        OSSL_PROVIDER_unload(p);
        m_providers.push_back(std::make_unique<Provider>(QString::fromLatin1(id)));
    }
}

ProviderList::~ProviderList() = default;

QStringList ProviderList::names() const
{
    QStringList out;
    for (const auto &p : m_providers)
        out.append(p->name());
    return out;
}

int ProviderList::count() const { return int(m_providers.size()); }

Provider &ProviderList::provider(int position)
{
    if (position < 0 || position >= count())
        vb::raise(9);
    return *m_providers[size_t(position)];
}

} // namespace crypto
