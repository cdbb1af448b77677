// Host objects: member look-up, the dispatch rules (kinds, argument counts,
// optional and by-reference arguments, default members, forwarding to the
// default member of a returned object) and CallByName.
#include "com/ClassRegistry.h"
#include "com/HostObject.h"
#include "ErrorOf.h"

#include <gtest/gtest.h>

using com::Args;
using vb::Variant;

namespace {

// A collection whose default member Item(i) reads and assigns.
class Bag : public com::HostClass<Bag> {
public:
    static com::DispatchTable<Bag> describe()
    {
        com::DispatchTable<Bag> t("Bag");
        t.indexedProperty(
            "Item", 1, 1, [](Bag &b, Args &a) { return b.at(a); },
            [](Bag &b, Args &a, const Variant &v) { b.at(a) = v; });
        t.property("Count", [](Bag &b) { return Variant(int32_t(b.items.size())); });
        t.defaultMember("Item");
        return t;
    }
    std::vector<Variant> enumerate() override { return items; }
    Variant &at(Args &a)
    {
        const int32_t i = a.required(0).toLong();
        if (i < 0 || i >= int32_t(items.size()))
            vb::raise(9);
        return items[size_t(i)];
    }
    std::vector<Variant> items{Variant("a"), Variant("b"), Variant("c")};
};

class Widget : public com::HostClass<Widget> {
public:
    static com::DispatchTable<Widget> describe()
    {
        com::DispatchTable<Widget> t("Widget");
        t.property("Caption", [](Widget &w) { return Variant(w.caption); },
                   [](Widget &w, const Variant &v) { w.caption = v.toString(); });
        t.property("Child", [](Widget &w) { return w.child; }, {},
                   [](Widget &w, const Variant &v) { w.child = v; });
        t.property("Items", [](Widget &w) { return Variant(vb::ObjectPtr(w.bag)); });
        t.property("Lines", [](Widget &w) { return w.lines; });
        // Sum(a, [b], [c]): the present arguments added; records the omitted ones.
        t.method("Sum", 1, 3, [](Widget &w, Args &a) {
            w.omitted.clear();
            int32_t sum = 0;
            for (size_t i = 0; i < 3; ++i) {
                if (a.has(i))
                    sum += a[i].toLong();
                else
                    w.omitted.push_back(int(i));
            }
            return Variant(sum);
        });
        t.method("Twice", 1, 1, [](Widget &, Args &a) {
            a.ref(0) = Variant(a.required(0).toLong() * 2);
            return Variant();
        });
        t.defaultMember("Caption");
        return t;
    }
    QString caption = "start";
    Variant child = Variant::nothing();
    std::shared_ptr<Bag> bag = std::make_shared<Bag>();
    std::vector<int> omitted;
    Variant lines = textArray({"first", "second", "third"});

    static Variant textArray(std::initializer_list<const char *> texts)
    {
        auto a = std::make_shared<vb::SafeArray>();
        a->bounds.push_back({0, int32_t(texts.size())});
        for (const char *t : texts)
            a->data.emplace_back(t);
        return Variant(a);
    }
};

using corvantis::test::errorOf;

Variant call(com::Dispatch &d, const char *name, int kind, std::vector<Variant> args = {})
{
    return d.invoke(QString::fromLatin1(name), kind, std::span<Variant>(args));
}

} // namespace

TEST(HostObject, MemberIdsIgnoreCaseAndAreSharedByInstances)
{
    Widget a, b;
    const int id = a.memberId("Caption");
    EXPECT_GT(id, 0);
    EXPECT_EQ(a.memberId("CAPTION"), id);
    EXPECT_EQ(b.memberId("caption"), id);
    EXPECT_NE(a.memberId("Sum"), id);
    EXPECT_EQ(a.memberId("Nope"), com::kUnknownMember);
    EXPECT_EQ(a.memberId(""), com::kUnknownMember);
    EXPECT_EQ(a.typeName(), "Widget");
    EXPECT_EQ(errorOf([&] { call(a, "Nope", com::Method | com::Get); }), 438);
}

TEST(HostObject, PropertiesReadAndAssignAndDefaultMember)
{
    Widget w;
    call(w, "caption", com::Let, {Variant("hello")});
    EXPECT_EQ(call(w, "Caption", com::Get).toString(), "hello");
    EXPECT_EQ(call(w, "Caption", com::Method | com::Get).toString(), "hello");

    std::vector<Variant> none;
    EXPECT_EQ(w.invoke(com::kDefaultMember, com::Method | com::Get, none).toString(), "hello");
    std::vector<Variant> value{Variant("via default")};
    w.invoke(com::kDefaultMember, com::Let, value);
    EXPECT_EQ(w.caption, "via default");

    auto other = std::make_shared<Widget>();
    call(w, "Child", com::Set, {Variant(vb::ObjectPtr(other))});
    EXPECT_EQ(call(w, "Child", com::Get).rawObject().get(), other.get());
}

TEST(HostObject, UnsupportedKindsAndArgumentCounts)
{
    Widget w;
    struct Case {
        const char *name;
        int kind;
        std::vector<Variant> args;
        int error;
    };
    const std::vector<Case> cases = {
        {"Sum", com::Let, {Variant(1)}, 438},                // a method takes no assignment
        {"Caption", com::Set, {Variant("x")}, 438},          // Let-only property
        {"Child", com::Let, {Variant("x")}, 91},             // Let reaches the default member of Nothing
        {"Items", com::Let, {}, 450},                        // an assignment needs its value
        {"Sum", com::Method, {}, 450},                       // too few
        {"Sum", com::Method, {Variant(1), Variant(2), Variant(3), Variant(4)}, 450}, // too many
        {"Caption", com::Get, {Variant(1)}, 450},            // text cannot be indexed
        {"Caption", com::Let, {Variant(1), Variant("x")}, 450},
    };
    for (const Case &c : cases) {
        std::vector<Variant> args = c.args;
        EXPECT_EQ(errorOf([&] { w.invoke(QString::fromLatin1(c.name), c.kind, std::span<Variant>(args)); }), c.error)
            << c.name << " kind " << c.kind;
    }
    EXPECT_EQ(w.caption, "start");
}

TEST(HostObject, OptionalArgumentsMayBeOmittedInTheMiddleOrAtTheEnd)
{
    Widget w;
    EXPECT_EQ(call(w, "Sum", com::Method, {Variant(1), Variant::missing(), Variant(3)}).toLong(), 4);
    EXPECT_EQ(w.omitted, std::vector<int>{1});
    EXPECT_EQ(call(w, "Sum", com::Method, {Variant(5)}).toLong(), 5);
    EXPECT_EQ(w.omitted, (std::vector<int>{1, 2}));
    // A required argument given as omitted: "Argument not optional".
    EXPECT_EQ(errorOf([&] { call(w, "Twice", com::Method, {Variant::missing()}); }), 449);
}

TEST(HostObject, ArgumentsArePassedByReference)
{
    Widget w;
    std::vector<Variant> args{Variant(21)};
    w.invoke("Twice", com::Method, args);
    EXPECT_EQ(args[0].toLong(), 42);
}

TEST(HostObject, ExtraArgumentsGoToTheDefaultMemberOfTheReturnedObject)
{
    Widget w;
    // w.Items(1) reads Bag.Item(1); w.Items(2) = "z" assigns through it.
    EXPECT_EQ(call(w, "Items", com::Method | com::Get, {Variant(1)}).toString(), "b");
    call(w, "Items", com::Let, {Variant(2), Variant("z")});
    EXPECT_EQ(w.bag->items[2].toString(), "z");
    EXPECT_EQ(errorOf([&] { call(w, "Items", com::Get, {Variant(7)}); }), 9);
}

TEST(HostObject, ExtraArgumentsIndexAReturnedArray)
{
    Widget w;
    struct Case {
        std::vector<Variant> index;
        const char *element; // null: the error is expected
        int error;
    };
    const std::vector<Case> cases = {
        {{Variant(0)}, "first", 0},
        {{Variant(2)}, "third", 0},
        {{Variant("1")}, "second", 0},          // an index converts as CLng does
        {{Variant(1.5)}, "third", 0},           // and rounds half to even
        {{Variant(3)}, nullptr, 9},
        {{Variant(-1)}, nullptr, 9},
        {{Variant(0), Variant(0)}, nullptr, 9}, // one dimension, two indexes
        {{Variant::missing()}, nullptr, 9},
        {{Variant("x")}, nullptr, 13},
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case &c = cases[i];
        std::vector<Variant> args = c.index;
        if (c.element) {
            EXPECT_EQ(w.invoke("Lines", com::Method | com::Get, std::span<Variant>(args)).toString(), c.element)
                << "case " << i;
        } else {
            EXPECT_EQ(errorOf([&] { w.invoke("Lines", com::Get, std::span<Variant>(args)); }), c.error)
                << "case " << i;
        }
    }
    // Without extra arguments the whole array is the value.
    EXPECT_TRUE(call(w, "Lines", com::Get).isArray());
}

TEST(HostObject, AssignmentToAnObjectPropertyWithoutLetReachesItsDefaultMember)
{
    Widget w;
    auto inner = std::make_shared<Widget>();
    w.child = Variant(vb::ObjectPtr(inner));
    call(w, "Child", com::Let, {Variant("inner caption")});
    EXPECT_EQ(inner->caption, "inner caption");
}

TEST(HostObject, CallByNameChecksItsObject)
{
    std::vector<Variant> args{Variant(4)};
    auto w = std::make_shared<Widget>();
    com::CallByName(Variant(vb::ObjectPtr(w)), "Twice", com::Method, args);
    EXPECT_EQ(args[0].toLong(), 8);
    // VbLet and VbSet from C++: the value is the last argument.
    std::vector<Variant> caption{Variant("by name")};
    com::CallByName(w, "Caption", com::Let, caption);
    EXPECT_EQ(w->caption, "by name");
    std::vector<Variant> child{Variant(vb::ObjectPtr(w))};
    com::CallByName(w, "Child", com::Set, child);
    EXPECT_EQ(w->child.rawObject().get(), w.get());
    w->child = Variant::nothing(); // no cycle left behind

    EXPECT_EQ(errorOf([&] { com::CallByName(Variant::nothing(), "Twice", com::Method, args); }), 91);
    EXPECT_EQ(errorOf([&] { com::CallByName(Variant("text"), "Twice", com::Method, args); }), 424);
    EXPECT_EQ(errorOf([&] { com::CallByName(Variant(vb::ObjectPtr(w)), "Thrice", com::Method, args); }), 438);
}

TEST(HostObject, ConversionsUseTheDefaultMember)
{
    auto w = std::make_shared<Widget>();
    w->caption = "42";
    const Variant v{vb::ObjectPtr(w)};
    EXPECT_EQ(v.toString(), "42");
    EXPECT_EQ(v.toLong(), 42);
    EXPECT_EQ(com::defaultValue(v).toString(), "42");
    auto bag = std::make_shared<Bag>();
    EXPECT_EQ(errorOf([&] { Variant(vb::ObjectPtr(bag)).toString(); }), 450); // Item needs its index
}
