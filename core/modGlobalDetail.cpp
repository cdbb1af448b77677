#include "core/modGlobalDetail.h"

#include "core/modGlobal.h"

namespace modGlobal::detail {

std::shared_ptr<ado::Recordset> openRecordset(const QString &statement, int cursorType, int lockType)
{
    if (!cnDatabase)
        vb::raise(ado::adErrInvalidConnection);
    auto rs = std::make_shared<ado::Recordset>();
    rs->Open(statement, cnDatabase, cursorType, lockType);
    return rs;
}

std::shared_ptr<ado::Recordset> openRecordset(const QString &statement, const ado::Parameters &values, int cursorType,
                                              int lockType)
{
    if (!cnDatabase)
        vb::raise(ado::adErrInvalidConnection);
    auto rs = std::make_shared<ado::Recordset>();
    rs->Open(statement, values, cnDatabase, cursorType, lockType);
    return rs;
}

QString fieldText(const ado::Field &field)
{
    const vb::Variant value = field.Value();
    if (value.isNull() || value.isEmpty())
        return {};
    return value.toString();
}

QString part(const QStringList &parts, int n)
{
    if (n < 0 || n >= parts.size())
        vb::raise(9);
    return parts.at(n);
}

QString codeToCharacter(int32_t code)
{
    if (code < 0 || code > 255)
        vb::raise(5);
    return QString(QChar(static_cast<ushort>(code)));
}

static QString digitsValue(const QString &text, bool *allDigits)
{
    const QString t = text.trimmed();
    *allDigits = !t.isEmpty();
    for (QChar c : t) {
        if (c < u'0' || c > u'9') {
            *allDigits = false;
            break;
        }
    }
    if (!*allDigits)
        return t;
    qsizetype first = 0;
    while (first < t.size() - 1 && t.at(first) == u'0')
        ++first;
    return t.mid(first);
}

bool sameControlNumber(const QString &a, const QString &b)
{
    bool aDigits = false, bDigits = false;
    const QString av = digitsValue(a, &aDigits);
    const QString bv = digitsValue(b, &bDigits);
    if (aDigits && bDigits)
        return av == bv;
    return a == b;
}

} // namespace modGlobal::detail
