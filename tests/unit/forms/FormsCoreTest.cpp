// Parts of the form toolkit that need no display: colour values and the activity indicator's
// frames.

#include "forms/Graphics.h"
#include "forms/WinXCtrls.h"

#include <gtest/gtest.h>

using namespace Forms;

TEST(ColorToRGB, RgbPassesAndSystemColoursResolve) {
    EXPECT_EQ(ColorToRGB(0x00336699), 0x00336699);
    EXPECT_EQ(ColorToRGB(0x02336699), 0x00336699) << "the high byte of an RGB colour is not colour";
    EXPECT_TRUE(IsSystemColor(clHotLight));
    EXPECT_FALSE(IsSystemColor(0x00FFFFFF));
    // Without a display the classic defaults stand in for the theme.
    EXPECT_EQ(ColorToRGB(clHotLight), 0xCC6600);
    EXPECT_EQ(ColorToRGB(clBtnFace), 0xF0F0F0);
    EXPECT_EQ(ColorToRGB(clSystemColor | 25), clBlack) << "no system colour has index 25";
    EXPECT_EQ(ColorToRGB(clSystemColor | 200), clBlack);
}

namespace {

int Inked(const TRasterImage& Image, std::uint32_t Rgb) {
    int count = 0;
    for (const std::uint32_t p : Image.Pixels) {
        count += (p >> 24) >= 0x80 && (p & 0xFFFFFF) == Rgb ? 1 : 0;
    }
    return count;
}

} // namespace

TEST(ActivityIndicator, FramesOfEachKindColourAndSize) {
    for (const TActivityIndicatorType type : {aitMomentumDots, aitRotatingSector, aitSectorRing}) {
        for (const TActivityIndicatorSize size : {aisSmall, aisMedium, aisLarge, aisXLarge}) {
            SCOPED_TRACE(testing::Message() << "type " << type << " size " << size);
            const int pixels = ActivityIndicatorPixels(size);
            const TRasterImage white = TActivityIndicator::RenderFrame(type, aicWhite, size, 0.5);
            const TRasterImage black = TActivityIndicator::RenderFrame(type, aicBlack, size, 0.5);
            ASSERT_EQ(white.Width, pixels);
            ASSERT_EQ(white.Height, pixels);
            EXPECT_GT(Inked(white, 0xFFFFFF), pixels / 2);
            EXPECT_EQ(Inked(white, 0x000000), 0);
            EXPECT_GT(Inked(black, 0x000000), pixels / 2);
            EXPECT_EQ(Inked(black, 0xFFFFFF), 0);
            // The corners stay clear: the indicator is round.
            EXPECT_EQ(white.Pixel(0, 0) >> 24, 0u);
            // It moves.
            EXPECT_NE(TActivityIndicator::RenderFrame(type, aicWhite, size, 0.3).Pixels, white.Pixels);
        }
    }
    EXPECT_EQ(ActivityIndicatorPixels(aisSmall), 24);
    EXPECT_EQ(ActivityIndicatorPixels(aisMedium), 32);
    EXPECT_EQ(ActivityIndicatorPixels(aisLarge), 48);
    EXPECT_EQ(ActivityIndicatorPixels(aisXLarge), 64);
    // The three kinds look different.
    const auto frame = [](TActivityIndicatorType t) {
        return TActivityIndicator::RenderFrame(t, aicWhite, aisXLarge, 1.0).Pixels;
    };
    EXPECT_NE(frame(aitMomentumDots), frame(aitRotatingSector));
    EXPECT_NE(frame(aitRotatingSector), frame(aitSectorRing));
}
