#include "vb/Twips.h"

#include <gtest/gtest.h>

TEST(Twips, ConvertAt15TwipsPerPixel)
{
    EXPECT_EQ(vb::TwipsPerInch, 1440);
    EXPECT_EQ(vb::TwipsPerInch / vb::TwipsPerPixel, 96);
    const struct { double twips; int pixels; } cases[] = {
        {0, 0}, {15, 1}, {1440, 96}, {7, 0}, {8, 1}, {22.5, 2}, {37.5, 2}, {-15, -1}, {-22.5, -2}, {9000, 600},
    };
    for (const auto &c : cases)
        EXPECT_EQ(vb::twipsToPixels(c.twips), c.pixels) << c.twips;
    EXPECT_EQ(vb::pixelsToTwips(96), 1440);
    EXPECT_EQ(vb::pixelsToTwips(-3), -45);
    for (int px : {0, 1, 17, 640, -5})
        EXPECT_EQ(vb::twipsToPixels(vb::pixelsToTwips(px)), px);
    EXPECT_EQ(vb::twipsToPixelRect(150, 300, 1440, 720), QRect(10, 20, 96, 48));
    EXPECT_EQ(vb::twipsToPixelSize(4800, 3600), QSize(320, 240));
}
