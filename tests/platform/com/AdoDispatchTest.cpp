// Record sets reached by name: the adapters over ado::Recordset, Fields and
// Field, shared between C++ and the late-bound side, also across a plug-in
// library.
#include "com/AdoDispatch.h"
#include "com/ClassRegistry.h"
#include "ErrorOf.h"
#include "PartsRecordset.h"

#include <gtest/gtest.h>

using vb::Variant;

namespace {

using corvantis::test::errorOf;

Variant call(const Variant &obj, const char *name, std::vector<Variant> args = {}, int kind = com::Method | com::Get)
{
    return com::CallByName(obj, QString::fromLatin1(name), kind, args);
}

Variant callDefault(const Variant &obj, std::vector<Variant> args, int kind = com::Method | com::Get)
{
    return com::toDispatch(obj)->invoke(com::kDefaultMember, kind, args);
}

// Part, Qty rows in memory: ("B", 2), ("A", 1), ("C", 3), on the first row.
ado::RecordsetPtr parts()
{
    auto rs = corvantis::test::parts();
    rs->MoveFirst();
    return rs;
}

} // namespace

TEST(AdoDispatch, ScriptAccessReadsAndWritesTheSameRows)
{
    const auto rs = parts();
    const Variant record = com::toVariant(rs);
    EXPECT_EQ(record.rawObject()->typeName(), "Recordset");

    // Record("Part"), Record.Fields.Item("Part"), Record.Fields("Qty").Value
    EXPECT_EQ(com::defaultValue(callDefault(record, {Variant("Part")})).toString(), "B");
    EXPECT_EQ(com::defaultValue(call(call(record, "Fields"), "Item", {Variant("part")})).toString(), "B");
    EXPECT_EQ(call(call(record, "Fields", {Variant("Qty")}), "Value").toLong(), 2);

    // Record("Part") = "X" and Record.Fields("Qty").Value = 7, stored by Update.
    callDefault(record, {Variant("Part"), Variant("X")}, com::Let);
    call(call(record, "Fields", {Variant("Qty")}), "Value", {Variant(int16_t(7))}, com::Let);
    call(record, "Update");
    EXPECT_EQ(rs->Fields("Part").Value().toString(), "X");
    EXPECT_EQ(rs->Fields("Qty").Value().toLong(), 7);

    // C++ moves; the script side sees the new current row.
    rs->MoveNext();
    EXPECT_EQ(com::defaultValue(callDefault(record, {Variant("Part")})).toString(), "A");

    // A Field keeps following the current row.
    const Variant qty = callDefault(record, {Variant("Qty")});
    rs->MoveLast();
    EXPECT_EQ(com::defaultValue(qty).toLong(), 3);
}

TEST(AdoDispatch, NavigationAndPosition)
{
    const Variant record = com::toVariant(parts());
    EXPECT_EQ(call(record, "RecordCount").toLong(), 3);
    EXPECT_FALSE(call(record, "BOF").toBool());
    call(record, "MovePrevious");
    EXPECT_TRUE(call(record, "BOF").toBool());
    call(record, "MoveLast");
    EXPECT_EQ(call(record, "AbsolutePosition").toLong(), 3);
    call(record, "MoveNext");
    EXPECT_TRUE(call(record, "EOF").toBool());
    EXPECT_EQ(errorOf([&] { com::defaultValue(callDefault(record, {Variant("Part")})); }), 3021);
    call(record, "AbsolutePosition", {Variant(int16_t(2))}, com::Let);
    EXPECT_EQ(com::defaultValue(callDefault(record, {Variant("Part")})).toString(), "A");
    call(record, "MoveFirst");
    EXPECT_EQ(com::defaultValue(callDefault(record, {Variant(int16_t(1))})).toLong(), 2);
}

TEST(AdoDispatch, FieldsCountDescribeAndEnumerate)
{
    const Variant record = com::toVariant(parts());
    const Variant fields = call(record, "Fields");
    EXPECT_EQ(call(fields, "Count").toLong(), 2);
    const Variant qty = callDefault(fields, {Variant(int16_t(1))});
    EXPECT_EQ(call(qty, "Name").toString(), "Qty");
    EXPECT_EQ(call(qty, "Type").toLong(), ado::adInteger);
    EXPECT_EQ(call(call(fields, "Item", {Variant("Part")}), "DefinedSize").toLong(), 10);

    QStringList names;
    for (const Variant &f : com::toDispatch(fields)->enumerate())
        names << call(f, "Name").toString();
    EXPECT_EQ(names, (QStringList{"Part", "Qty"}));

    EXPECT_EQ(errorOf([&] { callDefault(fields, {Variant("Nope")}); }), 3265);
    EXPECT_EQ(errorOf([&] { callDefault(fields, {Variant(int16_t(2))}); }), 3265);
}

TEST(AdoDispatch, FilterSortAndChanges)
{
    const auto rs = parts();
    const Variant record = com::toVariant(rs);
    call(record, "Sort", {Variant("Part DESC")}, com::Let);
    EXPECT_EQ(call(record, "Sort").toString(), "Part DESC");
    EXPECT_EQ(com::defaultValue(callDefault(record, {Variant("Part")})).toString(), "C");
    call(record, "Filter", {Variant("Qty > 1")}, com::Let);
    EXPECT_EQ(call(record, "RecordCount").toLong(), 2);
    call(record, "Filter", {Variant("")}, com::Let);

    call(record, "AddNew");
    callDefault(record, {Variant("Part"), Variant("D")}, com::Let);
    callDefault(record, {Variant("Qty"), Variant("4")}, com::Let);
    call(record, "Update");
    EXPECT_EQ(rs->RecordCount(), 4);
    EXPECT_EQ(rs->Fields("Qty").Value().type(), vb::VarType::Long);

    call(record, "MoveFirst");
    call(record, "Delete");
    call(record, "MoveNext");
    EXPECT_EQ(rs->RecordCount(), 3);
    EXPECT_EQ(errorOf([&] { call(record, "Delete", {Variant(int16_t(3))}); }), 3001);
    // A value the field does not take is refused and the row keeps its value.
    EXPECT_EQ(errorOf([&] { callDefault(record, {Variant("Qty"), Variant("many")}, com::Let); }), ado::adErrMultipleStep);
}

TEST(AdoDispatch, RecordsetOfAVariant)
{
    const auto rs = parts();
    EXPECT_EQ(com::recordsetOf(com::toVariant(rs)), rs);
    EXPECT_EQ(com::recordsetOf(Variant(vb::ObjectPtr(rs))), rs);
    EXPECT_EQ(com::recordsetOf(Variant::nothing()), nullptr);
    EXPECT_EQ(com::recordsetOf(Variant()), nullptr);
    EXPECT_EQ(errorOf([] { com::recordsetOf(Variant("rs")); }), 13);
    EXPECT_TRUE(com::toVariant(nullptr).isNothing());

    // A plain record set in a Variant is reachable by name through its adapter.
    EXPECT_EQ(call(Variant(vb::ObjectPtr(rs)), "RecordCount").toLong(), 3);
}

TEST(AdoDispatch, APluginHandsBackItsOwnRecordset)
{
    com::registerLibrary(TEST_PLUGIN);
    const Variant plugin(vb::ObjectPtr(com::CreateObject("TestPlugin.Scheduler")));
    const auto translated = parts();
    std::vector<Variant> args{com::toVariant(translated), Variant::nothing(), Variant("Freightliner"),
                              Variant("830"), Variant("002000"), Variant("I")};
    EXPECT_TRUE(com::CallByName(plugin, "ActiveX", com::Method, args).toBool());

    const ado::RecordsetPtr schedule = com::recordsetOf(args[0]);
    ASSERT_TRUE(schedule);
    EXPECT_NE(schedule, translated);
    EXPECT_EQ(schedule->RecordCount(), 1);
    schedule->MoveFirst();
    EXPECT_EQ(schedule->Fields("Key").Value().toString(), "Freightliner_830_002000_I");
    // The plug-in read the translated rows it was given.
    EXPECT_EQ(schedule->Fields("Rows").Value().toLong(), 3);
}
