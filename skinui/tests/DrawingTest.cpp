#include "Fixtures.h"

#include "SkinUI/Dib.h"
#include "SkinUI/Drawing.h"
#include "SkinUI/ImageDrawSpec.h"
#include "SkinUI/ResourceSettings.h"
#include "SkinUI/ResourceTables.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

using SkinUI::CResourceSettings;
using SkinUI::CResourceTables;
using SkinUI::ImageDrawSpec;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kGrey = RGB(77, 77, 77);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

// A memory DC drawing into a 32-bit top-down DIB whose pixels are read back.
class Surface {
public:
    Surface(int width, int height, COLORREF background) : width_(width), dc_(::CreateCompatibleDC(nullptr))
    {
        void* bits = nullptr;
        bitmap_ = SkinUI::CreateDib32(width, height, &bits);
        bits_ = static_cast<DWORD*>(bits);
        old_ = ::SelectObject(dc_, bitmap_.Get());
        for (int i = 0; i < width * height; ++i) {
            bits_[i] = (GetRValue(background) << 16) | (GetGValue(background) << 8) | GetBValue(background);
        }
    }
    ~Surface()
    {
        ::SelectObject(dc_, old_);
        ::DeleteDC(dc_);
    }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    HDC Dc() const { return dc_; }

    COLORREF At(int x, int y) const
    {
        ::GdiFlush();
        const DWORD v = bits_[y * width_ + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }

private:
    int width_;
    HDC dc_;
    SkinUI::GdiHandle<HBITMAP> bitmap_;
    HGDIOBJ old_ = nullptr;
    DWORD* bits_ = nullptr;
};

std::string Describe(COLORREF c)
{
    return "RGB(" + std::to_string(GetRValue(c)) + "," + std::to_string(GetGValue(c)) + "," +
           std::to_string(GetBValue(c)) + ")";
}

// Blending may round either way by one.
::testing::AssertionResult Near(COLORREF actual, COLORREF expected)
{
    if (std::abs(GetRValue(actual) - GetRValue(expected)) <= 1 &&
        std::abs(GetGValue(actual) - GetGValue(expected)) <= 1 &&
        std::abs(GetBValue(actual) - GetBValue(expected)) <= 1)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << Describe(actual) << " is not near " << Describe(expected);
}

class Drawing : public ::testing::Test {
protected:
    void SetUp() override
    {
        CResourceSettings::SetUse7z(true);
        CResourceSettings::SetResourcePath(SkinUITest::FixtureFolder());
        CResourceSettings::SetArchiveName(L"skin.7z", true);
    }

    // Draws the image string into item, repainting paint (item when empty).
    bool Draw(Surface& surface, const wchar_t* image, RECT item, RECT paint = {})
    {
        ImageDrawSpec spec;
        spec.SetAttribute(image);
        if (::IsRectEmpty(&paint)) paint = item;
        return SkinUI::DrawImage(surface.Dc(), tables_, spec, item, paint);
    }

    CResourceTables tables_;
};

TEST_F(Drawing, DestPlacesTheImageInsideTheControl)
{
    Surface surface(64, 64, kWhite);
    ASSERT_TRUE(Draw(surface, L"file='res\\mainWnd\\Cb1.png' dest='0,2,15,16' ", {10, 10, 40, 40}));
    const COLORREF green = RGB(0, 200, 0);
    EXPECT_EQ(surface.At(10, 12), green);
    EXPECT_EQ(surface.At(24, 25), green);
    EXPECT_EQ(surface.At(25, 12), kWhite);
    EXPECT_EQ(surface.At(10, 11), kWhite);
    EXPECT_EQ(surface.At(10, 26), kWhite);
}

TEST_F(Drawing, DestIsCutOnTheRightButNotOnTheLeft)
{
    // halves.png: a red pixel, then a blue one.
    {
        Surface surface(64, 16, kWhite);
        ASSERT_TRUE(Draw(surface, L"file='halves.png' dest='0,0,40,10'", {10, 0, 30, 10}));
        EXPECT_EQ(surface.At(10, 5), kRed);
        EXPECT_EQ(surface.At(19, 5), kRed);
        EXPECT_EQ(surface.At(20, 5), kBlue);
        EXPECT_EQ(surface.At(29, 5), kBlue);
        EXPECT_EQ(surface.At(30, 5), kWhite);
    }
    {
        // The image starts 20 pixels left of the control: only its blue half
        // lands inside, and nothing is drawn outside the control.
        Surface surface(64, 16, kWhite);
        ASSERT_TRUE(Draw(surface, L"file='halves.png' dest='-20,0,20,10'", {30, 0, 60, 10}));
        EXPECT_EQ(surface.At(30, 5), kBlue);
        EXPECT_EQ(surface.At(49, 5), kBlue);
        EXPECT_EQ(surface.At(50, 5), kWhite);
        EXPECT_EQ(surface.At(29, 5), kWhite);
        EXPECT_EQ(surface.At(10, 5), kWhite);
    }
    {
        Surface surface(64, 16, kWhite);
        EXPECT_FALSE(Draw(surface, L"file='halves.png' dest='40,0,60,10'", {0, 0, 30, 10}));
        EXPECT_EQ(surface.At(5, 5), kWhite);
    }
}

TEST_F(Drawing, MaskWithoutAlphaLeavesOpaquePixelsVisible)
{
    Surface surface(16, 16, kWhite);
    ASSERT_TRUE(Draw(surface, L"file='red.png' mask='#FF0000'", {0, 0, 8, 8}));
    EXPECT_EQ(surface.At(3, 3), kRed);
    ASSERT_TRUE(Draw(surface, L"file='tile.png' mask='#FFFF0000'", {8, 0, 11, 1}));
    EXPECT_EQ(surface.At(8, 0), kWhite);
    EXPECT_EQ(surface.At(9, 0), RGB(0, 255, 0));
}

TEST_F(Drawing, NineGridKeepsCornersUnscaledAndCanLeaveAHole)
{
    // grid.png is 6x6: 2x2 corners, edges and centre in their own colours.
    const COLORREF topLeft = RGB(255, 0, 0), topRight = RGB(0, 255, 0), bottomLeft = RGB(0, 0, 255),
                   bottomRight = RGB(255, 255, 0), top = RGB(128, 0, 0), bottom = RGB(0, 128, 0),
                   left = RGB(0, 0, 128), right = RGB(128, 128, 0), centre = RGB(0, 255, 255);
    for (bool hole : {false, true}) {
        Surface surface(32, 32, kGrey);
        const std::wstring image = std::wstring(L"file='grid.png' corner='2,2,2,2'") + (hole ? L" hole='true'" : L"");
        ASSERT_TRUE(Draw(surface, image.c_str(), {4, 4, 24, 24}));
        EXPECT_EQ(surface.At(4, 4), topLeft);
        EXPECT_EQ(surface.At(5, 5), topLeft);
        EXPECT_EQ(surface.At(6, 5), top);
        EXPECT_EQ(surface.At(21, 4), top);
        EXPECT_EQ(surface.At(22, 4), topRight);
        EXPECT_EQ(surface.At(23, 5), topRight);
        EXPECT_EQ(surface.At(4, 22), bottomLeft);
        EXPECT_EQ(surface.At(23, 23), bottomRight);
        EXPECT_EQ(surface.At(4, 6), left);
        EXPECT_EQ(surface.At(5, 21), left);
        EXPECT_EQ(surface.At(22, 12), right);
        EXPECT_EQ(surface.At(12, 23), bottom);
        EXPECT_EQ(surface.At(6, 6), hole ? kGrey : centre);
        EXPECT_EQ(surface.At(21, 21), hole ? kGrey : centre);
        EXPECT_EQ(surface.At(24, 24), kGrey);
        EXPECT_EQ(surface.At(3, 3), kGrey);
    }
}

TEST_F(Drawing, TiledCentreRepeatsAndCutsTheLastTile)
{
    Surface surface(16, 4, kWhite);
    ASSERT_TRUE(Draw(surface, L"file='tile.png' xtiled='true'", {0, 0, 8, 2}));
    const COLORREF expected[] = {kRed, RGB(0, 255, 0), kBlue};
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(surface.At(x, 0), expected[x % 3]) << x;
        EXPECT_EQ(surface.At(x, 1), expected[x % 3]) << x;
    }
    EXPECT_EQ(surface.At(8, 0), kWhite);
}

TEST_F(Drawing, SourcePartAndRepaintedAreaLimitTheDrawing)
{
    Surface surface(16, 4, kWhite);
    ASSERT_TRUE(Draw(surface, L"file='halves.png' source='1,0,2,1'", {0, 0, 8, 2}));
    EXPECT_EQ(surface.At(0, 0), kBlue);
    EXPECT_EQ(surface.At(7, 1), kBlue);

    Surface partial(16, 4, kWhite);
    ASSERT_TRUE(Draw(partial, L"red.png", {0, 0, 8, 2}, {2, 0, 4, 2}));
    EXPECT_EQ(partial.At(1, 0), kWhite);
    EXPECT_EQ(partial.At(2, 0), kRed);
    EXPECT_EQ(partial.At(3, 1), kRed);
    EXPECT_EQ(partial.At(4, 0), kWhite);
    EXPECT_FALSE(Draw(partial, L"red.png", {0, 0, 8, 2}, {10, 0, 12, 2}));
}

TEST_F(Drawing, AlphaImagesAndFadeAreBlended)
{
    Surface surface(8, 2, kWhite);
    ASSERT_TRUE(Draw(surface, L"half.png", {0, 0, 2, 2}));
    EXPECT_TRUE(Near(surface.At(0, 0), RGB(255, 127, 127)));
    ASSERT_TRUE(Draw(surface, L"file='red.png' fade='128'", {2, 0, 4, 2}));
    EXPECT_TRUE(Near(surface.At(2, 0), RGB(255, 127, 127)));
    ASSERT_TRUE(Draw(surface, L"color='#80000000'", {4, 0, 6, 2}));
    EXPECT_TRUE(Near(surface.At(4, 1), RGB(127, 127, 127)));
}

TEST_F(Drawing, MissingImageDrawsNothing)
{
    Surface surface(8, 8, kWhite);
    EXPECT_FALSE(Draw(surface, L"closebtn4.png", {0, 0, 8, 8}));
    EXPECT_FALSE(Draw(surface, L"", {0, 0, 8, 8}));
    EXPECT_EQ(surface.At(0, 0), kWhite);
}

TEST(FillColor, OpaqueFillsBlendsOrPaintsNothing)
{
    Surface surface(8, 2, kWhite);
    SkinUI::FillColor(surface.Dc(), {0, 0, 2, 2}, 0xFF112233);
    EXPECT_EQ(surface.At(1, 1), RGB(0x11, 0x22, 0x33));
    SkinUI::FillColor(surface.Dc(), {2, 0, 4, 2}, 0x26003B76);
    // 0x26 of (0, 0x3B, 0x76) over white.
    EXPECT_TRUE(Near(surface.At(3, 1), RGB(217, 225, 234)));
    SkinUI::FillColor(surface.Dc(), {4, 0, 6, 2}, 0x00000000);
    SkinUI::FillColor(surface.Dc(), {4, 0, 6, 2}, 0x00FFFFFE);
    EXPECT_EQ(surface.At(4, 0), kWhite);
    EXPECT_EQ(surface.At(6, 0), kWhite);
    EXPECT_EQ(surface.At(2, 0), surface.At(3, 1));
}

} // namespace
