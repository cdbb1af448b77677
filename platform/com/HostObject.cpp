#include "com/HostObject.h"
#include "com/ClassRegistry.h"

#include <QVarLengthArray>
#include <stdexcept>

namespace com {

namespace {

const vb::Variant &missingValue()
{
    static const vb::Variant m = vb::Variant::missing();
    return m;
}

// Member names are folded to lower case once when the table is built and for
// each look-up into a stack buffer, so a look-up allocates nothing for names
// of ordinary length.
template <class Buffer>
void fold(QStringView name, Buffer &out)
{
    out.resize(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name[i].unicode();
        if (c < 0x80)
            out[i] = (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
        else
            out[i] = QChar(c).toCaseFolded().unicode();
    }
}

} // namespace

const vb::Variant &Args::operator[](size_t i) const
{
    return i < m_args.size() ? m_args[i] : missingValue();
}

vb::Variant &Args::ref(size_t i)
{
    if (i >= m_args.size())
        vb::raise(449);
    return m_args[i];
}

const vb::Variant &Args::required(size_t i) const
{
    if (!has(i))
        vb::raise(449);
    return m_args[i];
}

QString Args::string(size_t i, const QString &def) const
{
    return has(i) ? m_args[i].toString() : def;
}

int32_t Args::toLong(size_t i, int32_t def) const
{
    return has(i) ? m_args[i].toLong() : def;
}

bool Args::toBool(size_t i, bool def) const
{
    return has(i) ? m_args[i].toBool() : def;
}

int MemberTable::add(Member member)
{
    std::u16string key;
    fold(QStringView(member.name), key);
    const int id = int(m_members.size()) + 1;
    if (!m_ids.emplace(std::move(key), id).second)
        throw std::logic_error("duplicate member " + member.name.toStdString() + " in " + m_className.toStdString());
    m_members.push_back(std::move(member));
    return id;
}

void MemberTable::setDefault(const QString &name)
{
    const int id = find(name);
    if (id == kUnknownMember)
        throw std::logic_error("default member " + name.toStdString() + " not defined in " + m_className.toStdString());
    m_default = id;
}

int MemberTable::find(QStringView name) const
{
    QVarLengthArray<char16_t, 64> buf;
    fold(name, buf);
    const auto it = m_ids.find(std::u16string_view(buf.data(), size_t(buf.size())));
    return it == m_ids.end() ? kUnknownMember : it->second;
}

const Member *MemberTable::member(int id) const
{
    if (id == kDefaultMember)
        id = m_default;
    if (id < 1 || id > int(m_members.size()))
        return nullptr;
    return &m_members[size_t(id - 1)];
}

namespace {

// The object a member returned, to forward arguments to: 91 for Nothing,
// 450 for a value that is no object that could take them.
DispatchPtr forwardTarget(const vb::Variant &value)
{
    if (!value.isObject())
        vb::raise(450);
    if (!value.rawObject())
        vb::raise(91);
    return toDispatch(value);
}

// An array a member returned, indexed by the arguments left over
// (`objScript.Lines(0)`); 9 for a wrong index or number of indexes.
vb::Variant arrayElement(const vb::Variant &array, std::span<vb::Variant> index)
{
    std::vector<int32_t> idx(index.size());
    for (size_t i = 0; i < index.size(); ++i) {
        if (index[i].isMissing())
            vb::raise(9);
        idx[i] = index[i].toLong();
    }
    return array.rawArray()->at(idx);
}

} // namespace

vb::Variant MemberTable::invoke(Dispatch &self, int id, int kind, std::span<vb::Variant> args) const
{
    const Member *m = member(id);
    if (!m)
        vb::raise(438);
    const int n = int(args.size());

    if (kind & (Let | Set)) {
        if (n < 1)
            vb::raise(450);
        const auto params = args.first(size_t(n - 1));
        const vb::Variant &value = args[size_t(n - 1)];
        const int given = int(params.size());
        const std::function<void(Dispatch &, Args &, const vb::Variant &)> *handler = nullptr;
        if ((kind & Set) && m->set)
            handler = &m->set;
        else if ((kind & Let) && m->let)
            handler = &m->let;
        if (handler && given >= m->minArgs && given <= m->maxArgs) {
            Args a(params);
            (*handler)(self, a, value);
            return {};
        }
        if (handler && given < m->minArgs)
            vb::raise(450);
        if (!m->call || !m->isProperty)
            vb::raise(handler ? 450 : 438);
        // Assignment through the object the member returns: its default member
        // takes the remaining parameters and the value (`Record("x") = v`).
        const size_t own = size_t(std::min(given, m->maxArgs));
        if (int(own) < m->minArgs)
            vb::raise(450);
        Args a(params.first(own));
        const vb::Variant target = m->call(self, a);
        if (!target.isObject())
            vb::raise(handler ? 450 : 438);
        return forwardTarget(target)->invoke(kDefaultMember, kind, args.subspan(own));
    }

    if (!(kind & (Method | Get)) || !m->call)
        vb::raise(438);
    if (n < m->minArgs)
        vb::raise(450);
    if (n <= m->maxArgs) {
        Args a(args);
        return m->call(self, a);
    }
    // More arguments than the member takes: `obj.Items(1)` on a property
    // without parameters indexes the collection (or the array) that the
    // property returns.
    Args a(args.first(size_t(m->maxArgs)));
    vb::Variant result = m->call(self, a);
    const auto rest = args.subspan(size_t(m->maxArgs));
    if (result.isArray())
        return arrayElement(result, rest);
    return forwardTarget(result)->invoke(kDefaultMember, kind, rest);
}

} // namespace com
