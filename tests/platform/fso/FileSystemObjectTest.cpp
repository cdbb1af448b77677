// Scripting.FileSystemObject as scripts reach it: created by ProgID, members
// called by name with optional arguments, collections enumerated.
#include "com/ClassRegistry.h"
#include "fso/FileSystemObject.h"
#include "vb/DateTime.h"
#include "TestEnvironment.h"
#include "ErrorOf.h"

#include <QDateTime>
#include <QFile>
#include <gtest/gtest.h>

using vb::Variant;

namespace {

using corvantis::test::errorOf;

QString tmp(const QString &name) { return corvantis::test::tempDir() + '/' + name; }

Variant call(const Variant &obj, const char *name, std::vector<Variant> args = {}, int kind = com::Method | com::Get)
{
    return com::CallByName(obj, QString::fromLatin1(name), kind, args);
}

Variant newFso() { return Variant(vb::ObjectPtr(com::CreateObject("Scripting.FileSystemObject"))); }

} // namespace

TEST(FileSystemObject, IsCreatedByProgIdWithoutSetUp)
{
    const Variant fso = newFso();
    EXPECT_EQ(fso.rawObject()->typeName(), "FileSystemObject");
    EXPECT_TRUE(com::CreateObject("scripting.filesystemobject"));
}

TEST(FileSystemObject, WritesAndReadsATextFile)
{
    const Variant fso = newFso();
    const Variant out = call(fso, "CreateTextFile", {Variant(tmp("a.txt")), Variant(true)});
    EXPECT_EQ(out.rawObject()->typeName(), "TextStream");
    call(out, "WriteLine", {Variant("first")});
    call(out, "Write", {Variant("second")});
    call(out, "WriteBlankLines", {Variant(int16_t(1))});
    call(out, "WriteLine");
    call(out, "Close");

    const Variant in = call(fso, "OpenTextFile", {Variant(tmp("a.txt")), Variant(int16_t(1))});
    EXPECT_EQ(call(in, "Line").toLong(), 1);
    EXPECT_EQ(call(in, "ReadLine").toString(), "first");
    EXPECT_EQ(call(in, "Line").toLong(), 2);
    EXPECT_EQ(call(in, "Read", {Variant(int16_t(3))}).toString(), "sec");
    EXPECT_FALSE(call(in, "AtEndOfStream").toBool());
    EXPECT_EQ(call(in, "ReadAll").toString(), "ond\r\n\r\n");
    EXPECT_TRUE(call(in, "AtEndOfStream").toBool());
    EXPECT_EQ(errorOf([&] { call(in, "ReadLine"); }), 62);
}

TEST(FileSystemObject, OpenTextFileOptionalArguments)
{
    const Variant fso = newFso();
    // ForAppending with create on a new file, the format given as omitted.
    const Variant s = call(fso, "OpenTextFile", {Variant(tmp("log.txt")), Variant(int16_t(8)), Variant(true), Variant::missing()});
    call(s, "Write", {Variant("x")});
    call(s, "Close");
    call(call(fso, "OpenTextFile", {Variant(tmp("log.txt")), Variant(int16_t(8))}), "Write", {Variant("y")});
    EXPECT_EQ(call(call(fso, "OpenTextFile", {Variant(tmp("log.txt"))}), "ReadAll").toString(), "xy");

    EXPECT_EQ(errorOf([&] { call(fso, "OpenTextFile", {Variant(tmp("none.txt"))}); }), 53);
    EXPECT_EQ(errorOf([&] { call(fso, "OpenTextFile", {Variant(tmp("log.txt")), Variant(int16_t(3))}); }), 5);
    EXPECT_EQ(errorOf([&] { call(fso, "OpenTextFile", {Variant(tmp("log.txt")), Variant(int16_t(1)), Variant(false), Variant(int16_t(-1))}); }), 5);
    EXPECT_EQ(errorOf([&] { call(fso, "CreateTextFile", {Variant(tmp("log.txt")), Variant(false)}); }), 58);
    EXPECT_EQ(errorOf([&] { call(fso, "CreateTextFile", {Variant(tmp("u.txt")), Variant(true), Variant(true)}); }), 5);
    EXPECT_EQ(errorOf([&] { call(fso, "CreateTextFile"); }), 450);
}

TEST(FileSystemObject, FilesAndFolders)
{
    const Variant fso = newFso();
    const Variant folder = call(fso, "CreateFolder", {Variant(tmp("box"))});
    EXPECT_EQ(call(folder, "Name").toString(), "box");
    EXPECT_EQ(call(folder, "Path").toString(), tmp("box"));
    EXPECT_TRUE(call(fso, "FolderExists", {Variant(tmp("box"))}).toBool());

    fso::writeTextFile(tmp("box/b.edi"), "12345");
    fso::writeTextFile(tmp("box/a.edi"), "1");
    const QDateTime stamp(QDate(2026, 3, 4), QTime(5, 6, 7));
    {
        QFile f(tmp("box/b.edi"));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(stamp, QFileDevice::FileModificationTime));
    }
    EXPECT_TRUE(call(fso, "FileExists", {Variant(tmp("box/b.edi"))}).toBool());
    EXPECT_FALSE(call(fso, "FileExists", {Variant(tmp("box"))}).toBool());

    const Variant file = call(fso, "GetFile", {Variant(tmp("box/../box/./b.edi"))});
    EXPECT_EQ(call(file, "Name").toString(), "b.edi");
    EXPECT_EQ(call(file, "Path").toString(), tmp("box/b.edi"));
    EXPECT_EQ(call(file, "Size").toLong(), 5);
    const Variant modified = call(file, "DateLastModified");
    EXPECT_EQ(modified.type(), vb::VarType::Date);
    EXPECT_DOUBLE_EQ(modified.rawDouble(), vb::toOleDate(stamp));
    std::vector<Variant> none;
    EXPECT_EQ(com::toDispatch(file)->invoke(com::kDefaultMember, com::Get, none).toString(), tmp("box/b.edi"));

    const Variant files = call(call(fso, "GetFolder", {Variant(tmp("box"))}), "Files");
    EXPECT_EQ(call(files, "Count").toLong(), 2);
    QStringList names;
    for (const Variant &f : com::toDispatch(files)->enumerate())
        names << call(f, "Name").toString();
    EXPECT_EQ(names, (QStringList{"a.edi", "b.edi"}));
    // Files("a.edi") through the default member.
    std::vector<Variant> key{Variant("a.edi")};
    EXPECT_EQ(call(com::toDispatch(files)->invoke(com::kDefaultMember, com::Get, key), "Size").toLong(), 1);

    EXPECT_EQ(errorOf([&] { call(fso, "GetFile", {Variant(tmp("box/none"))}); }), 53);
    EXPECT_EQ(errorOf([&] { call(fso, "GetFolder", {Variant(tmp("nobox"))}); }), 76);
    EXPECT_EQ(errorOf([&] { call(fso, "CreateFolder", {Variant(tmp("box"))}); }), 58);
}

TEST(FileSystemObject, MoveCopyDeleteAndPathTexts)
{
    const Variant fso = newFso();
    fso::writeTextFile(tmp("a.txt"), "A");
    call(fso, "CopyFile", {Variant(tmp("a.txt")), Variant(tmp("b.txt"))});
    call(fso, "MoveFile", {Variant(tmp("b.txt")), Variant(tmp("c.txt"))});
    EXPECT_EQ(errorOf([&] { call(fso, "CopyFile", {Variant(tmp("a.txt")), Variant(tmp("c.txt")), Variant(false)}); }), 58);
    call(fso, "DeleteFile", {Variant(tmp("a.txt"))});
    EXPECT_FALSE(fso::fileExists(tmp("a.txt")));
    EXPECT_EQ(fso::readAllText(tmp("c.txt")), "A");

    EXPECT_EQ(call(fso, "GetFileName", {Variant("/x/y/z.edi")}).toString(), "z.edi");
    EXPECT_EQ(call(fso, "GetBaseName", {Variant("/x/y/z.edi")}).toString(), "z");
    EXPECT_EQ(call(fso, "GetExtensionName", {Variant("/x/y/z.edi")}).toString(), "edi");
    EXPECT_EQ(call(fso, "GetParentFolderName", {Variant("/x/y/z.edi")}).toString(), "/x/y");
    EXPECT_EQ(call(fso, "BuildPath", {Variant("/x/y"), Variant("z.edi")}).toString(), "/x/y/z.edi");
}

TEST(FileSystemObject, ErrorsCarryTheClassicTexts)
{
    const Variant fso = newFso();
    try {
        call(fso, "OpenTextFile", {Variant(tmp("Orders.csv"))});
        FAIL() << "no error";
    } catch (const vb::VbError &e) {
        EXPECT_EQ(e.number, 53);
        EXPECT_EQ(e.description, "File not found");
    }
}
