#include "core/SetKey.h"

#include "ado/Sql.h"

#include <QStringList>

namespace core {

QString SetKey::fileStem() const
{
    return partner + QLatin1Char('_') + transaction + QLatin1Char('_') + version + QLatin1Char('_') + direction;
}

QString SetKey::text() const
{
    return partner + QLatin1Char(',') + transaction + QLatin1Char(',') + version + QLatin1Char(',') + direction;
}

SetKey SetKey::fromSelection(const QString &text)
{
    QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() < 4)
        return {};
    const QString direction = parts.takeLast();
    const QString version = parts.takeLast();
    const QString transaction = parts.takeLast();
    return {parts.join(QLatin1Char(',')), transaction, version, direction};
}

QString SetKey::condition(const QString &table) const
{
    const QString t = ado::SqlName(table) + QLatin1Char('.');
    return t + QStringLiteral("\"Partner\" = ? AND ") + t + QStringLiteral("\"Version\" = ? AND ") + t
        + QStringLiteral("\"Transaction\" = ? AND ") + t + QStringLiteral("\"Direction\" = ?");
}

ado::Parameters SetKey::values() const
{
    return {vb::Variant(partner), vb::Variant(version), vb::Variant(transaction), vb::Variant(direction)};
}

} // namespace core
