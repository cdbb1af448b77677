// The interchange writer in the code page 1252: every character with a byte
// goes out as that byte (U+0080-U+009F of earlier versions as the same
// byte); one without is refused naming the file, segment and element, and no
// file is left behind.
#include "core/loader/InterchangeFile.h"

#include "CoreTestSupport.h"
#include "TestEnvironment.h"

#include "vb/VbError.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

using coretest::bytesOf;

const QString kIsa = QStringLiteral(
    "ISA*00*          *00*          *ZZ*OURID          *ZZ*THEIRID        *261210*1200*U*00401*000000042*0*P*>~");

} // namespace

TEST(InterchangeCodePage, CharactersBecomeTheirBytes)
{
    const QString folder = corvantis::test::tempDir();
    const QString text = kIsa + QStringLiteral("ST*830*0001~BSN*NW\u201C4711\u201D \u20AC*\u0093\u0081~SE*3*0001~");
    const QString path = core::WriteNewInterchangeFile(folder, QStringLiteral("out"), text);
    EXPECT_EQ(bytesOf(path), kIsa.toLatin1() + QByteArray("ST*830*0001~BSN*NW\x93" "4711\x94 \x80*\x93\x81~SE*3*0001~"));
}

TEST(InterchangeCodePage, ACharacterWithoutAByteNamesItsPlaceAndLeavesNoFile)
{
    const QString folder = corvantis::test::tempDir() + QStringLiteral("/out");
    QDir().mkpath(folder);
    const QString text = kIsa + QStringLiteral("GS*SS*A*B~ST*830*0001~BSN*00*NW\u4E2D~SE*3*0001~");
    try {
        core::WriteNewInterchangeFile(folder, QStringLiteral("run"), text);
        ADD_FAILURE() << "U+4E2D has no byte";
    } catch (const vb::VbError &error) {
        EXPECT_EQ(error.number, 5);
        EXPECT_EQ(error.description, QStringLiteral("Invalid procedure call or argument: ") + folder
                                         + QStringLiteral("/run.OC, segment 4 (BSN), element BSN02: the character "
                                                          "U+4E2D is not in the Windows code page 1252"));
    }
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}
