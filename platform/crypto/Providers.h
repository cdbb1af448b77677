#pragma once
// The cryptographic providers the encryption page lists: the OpenSSL
// providers that can be loaded here, always in the same order (default,
// legacy, base, fips), and for each its algorithms grouped by kind (digests,
// ciphers, signatures, key exchange, asymmetric ciphers, MACs, KDFs), each
// group sorted by name. A stored position therefore names the same entry
// while the installation does not change.

#include <QString>
#include <QStringList>
#include <memory>

namespace crypto {

class Provider {
public:
    Provider() = default;
    explicit Provider(QString id);
    ~Provider();
    Provider(const Provider &) = delete;
    Provider &operator=(const Provider &) = delete;

    QString id() const { return m_id; }     // "default", "legacy" ...
    QString name() const;                   // the provider's own name, e.g. "OpenSSL Default Provider"
    // Acquire and release a context of the provider (no key container). Acquire
    // returns false when the provider cannot be loaded; release is harmless
    // when nothing is held.
    bool acquire();
    void release();
    bool isAcquired() const;
    QStringList algorithms() const;

private:
    struct State;
    QString m_id;
    std::unique_ptr<State> m_state;
};

class ProviderList {
public:
    ProviderList();
    ~ProviderList();
    QStringList names() const;
    int count() const;
    // 0-based position in names(); 9 outside.
    Provider &provider(int position);

private:
    std::vector<std::unique_ptr<Provider>> m_providers;
};

} // namespace crypto
