#pragma once
// A base for C++ objects reached by name: each class describes its members
// once (name, kinds, argument counts, handlers) and every instance shares
// that table, so member ids are stable per class and a look-up is one hash
// probe without allocation.
//
//   class Counter : public com::HostClass<Counter> {
//   public:
//       static com::DispatchTable<Counter> describe() {
//           com::DispatchTable<Counter> t("Counter");
//           t.property("Value", [](Counter &c) { return vb::Variant(c.value); },
//                               [](Counter &c, const vb::Variant &v) { c.value = v.toLong(); });
//           t.method("Add", 1, 2, [](Counter &c, com::Args &a) { ... });
//           t.setDefault("Value");
//           return t;
//       }
//       int32_t value = 0;
//   };

#include "com/Dispatch.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace com {

// The arguments of one call, passed by reference: a handler may assign to
// ref(i) and the caller writes the value back. Omitted trailing arguments read
// as the missing value, like omitted ones in the middle.
class Args {
public:
    explicit Args(std::span<vb::Variant> args) : m_args(args) {}

    size_t size() const { return m_args.size(); }
    // Present and not omitted.
    bool has(size_t i) const { return i < m_args.size() && !m_args[i].isMissing(); }
    // The value, or the missing value when the argument was omitted.
    const vb::Variant &operator[](size_t i) const;
    // The caller's variable; 449 when the argument was not passed at all.
    vb::Variant &ref(size_t i);
    // The value of a required argument; 449 ("Argument not optional") when omitted.
    const vb::Variant &required(size_t i) const;

    // Typed reads of optional arguments: the default when omitted.
    QString string(size_t i, const QString &def = {}) const;
    int32_t toLong(size_t i, int32_t def = 0) const;
    bool toBool(size_t i, bool def = false) const;

    std::span<vb::Variant> span() const { return m_args; }

private:
    std::span<vb::Variant> m_args;
};

// One member of a class. A handler slot left empty means the member does not
// support that kind of call. minArgs/maxArgs count the parameters of the
// member, not the value assigned by Let or Set.
struct Member {
    QString name;
    int minArgs = 0;
    int maxArgs = 0;
    bool isProperty = false; // assignments may pass through the object a property returns
    std::function<vb::Variant(Dispatch &, Args &)> call;                 // Method and Get
    std::function<void(Dispatch &, Args &, const vb::Variant &)> let;    // Let
    std::function<void(Dispatch &, Args &, const vb::Variant &)> set;    // Set
};

// The member table of one class, shared by all of its instances.
class MemberTable {
public:
    explicit MemberTable(QString className) : m_className(std::move(className)) {}

    const QString &className() const { return m_className; }

    // Adds a member and returns its id (1, 2, ...); a name given twice is a
    // programming error and throws std::logic_error.
    int add(Member member);
    // The member that id 0 reaches (the default member).
    void setDefault(const QString &name);

    int find(QStringView name) const; // kUnknownMember when absent
    const Member *member(int id) const;
    int count() const { return int(m_members.size()); }

    // The dispatch rules shared by every host object:
    // - Method and Get both reach `call` (a property read as a method call and
    //   a method used in an expression both work);
    // - Let and Set reach their own handler; the assigned value is the last argument;
    // - a member given more arguments than it takes hands the rest to the
    //   default member of the object it returns (`Fields("x")` on a property
    //   without parameters), or indexes the array it returns (`Lines(0)`;
    //   9 out of range), and a Let or Set on a property that has no such
    //   handler but returns an object assigns to that object's default member;
    // - too few or too many arguments raise 450, an unsupported kind 438.
    vb::Variant invoke(Dispatch &self, int id, int kind, std::span<vb::Variant> args) const;

private:
    struct FoldedHash {
        using is_transparent = void;
        size_t operator()(std::u16string_view s) const { return std::hash<std::u16string_view>()(s); }
    };
    struct FoldedEq {
        using is_transparent = void;
        bool operator()(std::u16string_view a, std::u16string_view b) const { return a == b; }
    };

    QString m_className;
    std::vector<Member> m_members;
    int m_default = kUnknownMember;
    std::unordered_map<std::u16string, int, FoldedHash, FoldedEq> m_ids;
};

// Typed builder over MemberTable for a class T derived from HostObject.
template <class T>
class DispatchTable : public MemberTable {
public:
    using MethodFn = std::function<vb::Variant(T &, Args &)>;
    using GetFn = std::function<vb::Variant(T &)>;
    using AssignFn = std::function<void(T &, const vb::Variant &)>;
    using IndexedAssignFn = std::function<void(T &, Args &, const vb::Variant &)>;

    explicit DispatchTable(QString className) : MemberTable(std::move(className)) {}

    // A method (or an indexed read-only property) with minArgs..maxArgs parameters.
    DispatchTable &method(const QString &name, int minArgs, int maxArgs, MethodFn fn)
    {
        Member m;
        m.name = name;
        m.minArgs = minArgs;
        m.maxArgs = maxArgs;
        m.call = wrap(std::move(fn));
        add(std::move(m));
        return *this;
    }

    // A property without parameters: read-only unless a Let or Set handler is given.
    DispatchTable &property(const QString &name, GetFn get, AssignFn let = {}, AssignFn set = {})
    {
        Member m;
        m.name = name;
        m.isProperty = true;
        if (get)
            m.call = [get = std::move(get)](Dispatch &self, Args &) { return get(static_cast<T &>(self)); };
        if (let)
            m.let = [let = std::move(let)](Dispatch &self, Args &, const vb::Variant &v) { let(static_cast<T &>(self), v); };
        if (set)
            m.set = [set = std::move(set)](Dispatch &self, Args &, const vb::Variant &v) { set(static_cast<T &>(self), v); };
        add(std::move(m));
        return *this;
    }

    // A property with parameters (Item(index) ...).
    DispatchTable &indexedProperty(const QString &name, int minArgs, int maxArgs, MethodFn get,
                                   IndexedAssignFn let = {}, IndexedAssignFn set = {})
    {
        Member m;
        m.name = name;
        m.isProperty = true;
        m.minArgs = minArgs;
        m.maxArgs = maxArgs;
        if (get)
            m.call = wrap(std::move(get));
        if (let)
            m.let = [let = std::move(let)](Dispatch &self, Args &a, const vb::Variant &v) { let(static_cast<T &>(self), a, v); };
        if (set)
            m.set = [set = std::move(set)](Dispatch &self, Args &a, const vb::Variant &v) { set(static_cast<T &>(self), a, v); };
        add(std::move(m));
        return *this;
    }

    DispatchTable &defaultMember(const QString &name)
    {
        setDefault(name);
        return *this;
    }

private:
    static std::function<vb::Variant(Dispatch &, Args &)> wrap(MethodFn fn)
    {
        return [fn = std::move(fn)](Dispatch &self, Args &a) { return fn(static_cast<T &>(self), a); };
    }
};

// Dispatch through a member table.
class HostObject : public Dispatch {
public:
    int memberId(const QString &name) const override { return members().find(name); }
    vb::Variant invoke(int id, int kind, std::span<vb::Variant> args) override
    {
        return members().invoke(*this, id, kind, args);
    }
    QString typeName() const override { return members().className(); }

    using Dispatch::invoke;

protected:
    virtual const MemberTable &members() const = 0;
};

// CRTP helper: T provides `static DispatchTable<T> describe()`, built once.
template <class T>
class HostClass : public HostObject {
public:
    static const DispatchTable<T> &table()
    {
        static const DispatchTable<T> t = T::describe();
        return t;
    }

protected:
    const MemberTable &members() const override { return table(); }
};

} // namespace com
