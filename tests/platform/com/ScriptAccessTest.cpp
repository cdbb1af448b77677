// The late-bound objects of this layer as map and network scripts use them,
// run by the script engine: the file system object and a record set shared
// with C++.
#include "com/AdoDispatch.h"
#include "com/ClassRegistry.h"
#include "fso/FileSystem.h"
#include "vbscript/ScriptControl.h"
#include "PartsRecordset.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

using vb::Variant;

namespace {

ado::RecordsetPtr schedule() { return corvantis::test::emptyParts(); }

} // namespace

TEST(ScriptAccess, FileSystemObjectFromAScript)
{
    const QString path = corvantis::test::tempDir() + "/out.txt";
    vbs::ScriptControl sc;
    sc.AddCode("Dim fso, ts, f, n\n"
               "Set fso = CreateObject(\"Scripting.FileSystemObject\")\n"
               "Set ts = fso.CreateTextFile(\"" + path + "\", True)\n"
               "ts.WriteLine \"ISA\"\n"
               "ts.Write \"GS\"\n"
               "ts.Close\n"
               "Set ts = fso.OpenTextFile(\"" + path + "\", 1)\n"
               "first = ts.ReadLine\n"
               "rest = ts.ReadAll\n"
               "ts.Close\n"
               "For Each f In fso.GetFolder(\"" + corvantis::test::tempDir() + "\").Files\n"
               "  n = n & f.Name & \"=\" & f.Size & \";\"\n"
               "Next\n");
    EXPECT_EQ(sc.Eval("first").toString(), "ISA");
    EXPECT_EQ(sc.Eval("rest").toString(), "GS");
    EXPECT_EQ(sc.Eval("n").toString(), "out.txt=7;");
    EXPECT_EQ(fso::readAllText(path), "ISA\r\nGS");
}

TEST(ScriptAccess, RecordsetSharedWithCpp)
{
    const auto rs = schedule();
    vbs::ScriptControl sc;
    sc.AddObject("Record", vb::ObjectPtr(std::make_shared<com::RecordsetDispatch>(rs)));
    sc.AddCode("Record.AddNew\n"
               "Record(\"Part\") = \"A1\"\n"
               "Record.Fields(\"Qty\").Value = \"12\"\n"
               "Record.Update\n"
               "Record.AddNew\n"
               "Record.Fields.Item(\"Part\") = \"B2\"\n"
               "Record.Fields(1) = 3\n"
               "Record.Update\n"
               "Record.MoveFirst\n"
               "For Each f In Record.Fields\n"
               "  names = names & f.Name & \":\" & f.Type & \":\" & f.DefinedSize & \" \"\n"
               "Next\n"
               "Do Until Record.EOF\n"
               "  rows = rows & Record(\"Part\") & \"=\" & (Record.Fields.Item(\"Qty\") + 1) & \" \"\n"
               "  Record.MoveNext\n"
               "Loop\n"
               "count = Record.RecordCount & \"/\" & Record.Fields.Count\n");
    EXPECT_EQ(sc.Eval("names").toString(), "Part:200:10 Qty:3:6 ");
    EXPECT_EQ(sc.Eval("rows").toString(), "A1=13 B2=4 ");
    EXPECT_EQ(sc.Eval("count").toString(), "2/2");

    ASSERT_EQ(rs->RecordCount(), 2);
    rs->MoveFirst();
    EXPECT_EQ(rs->Fields("Qty").Value().toLong(), 12);
    rs->MoveLast();
    EXPECT_EQ(rs->Fields("Part").Value().toString(), "B2");
}

// A record set that C++ code holds as a plain ado::Recordset reaches the
// script through its adapter.
TEST(ScriptAccess, PlainRecordsetThroughItsAdapter)
{
    const auto rs = schedule();
    rs->AddNew();
    rs->Fields("Part").setValue(Variant("P"));
    rs->Update();
    vbs::ScriptControl sc;
    sc.AddObject("Record", com::toDispatch(Variant(vb::ObjectPtr(rs))));
    sc.AddCode("part = Record(\"Part\")\n");
    EXPECT_EQ(sc.Eval("part").toString(), "P");
}
