#include "Fixtures.h"

#include "SkinUI/ImageDrawSpec.h"
#include "SkinUI/ImageEntry.h"
#include "SkinUI/ResourceSettings.h"
#include "SkinUI/ResourceTables.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <array>
#include <cwchar>
#include <string>

namespace {

using SkinUI::CResourceSettings;
using SkinUI::CResourceTables;
using SkinUI::ImageDrawSpec;
using SkinUI::ImageEntry;

using Bgra = std::array<int, 4>;

Bgra PixelAt(const ImageEntry& image, int x, int y)
{
    const std::uint8_t* p = image.pixels + (static_cast<std::size_t>(y) * image.width + x) * 4;
    return {p[0], p[1], p[2], p[3]};
}

void UseSkinArchive()
{
    CResourceSettings::SetUse7z(true);
    CResourceSettings::SetResourcePath(SkinUITest::FixtureFolder());
    CResourceSettings::SetArchiveName(L"skin.7z", true);
}

TEST(ImageEntry, PixelsArePremultipliedBlueGreenRedAlphaTopDown)
{
    UseSkinArchive();
    const auto half = ImageEntry::Load(L"half.png", L"", 0);
    ASSERT_TRUE(half);
    // Pure red with alpha 128.
    EXPECT_EQ(PixelAt(*half, 0, 0), (Bgra{0, 0, 128, 128}));
    EXPECT_TRUE(half->hasAlpha);

    const auto bg = ImageEntry::Load(L"res\\mainWnd\\bg1.png", L"", 0);
    ASSERT_TRUE(bg);
    EXPECT_EQ(bg->width, 4);
    EXPECT_EQ(bg->height, 2);
    EXPECT_FALSE(bg->hasAlpha);
    EXPECT_EQ(PixelAt(*bg, 1, 0), (Bgra{60, 50, 40, 255}));
    EXPECT_EQ(PixelAt(*bg, 0, 1), (Bgra{3, 2, 1, 255}));

    DIBSECTION section{};
    ASSERT_EQ(::GetObjectW(bg->bitmap.Get(), sizeof(section), &section), static_cast<int>(sizeof(section)));
    EXPECT_EQ(section.dsBmih.biBitCount, 32);
    EXPECT_EQ(section.dsBm.bmBits, bg->pixels);
}

TEST(ImageEntry, MaskComparesTheWholePixelValue)
{
    UseSkinArchive();
    // Opaque red is 0xFFFF0000: a mask without alpha matches none of it.
    const auto kept = ImageEntry::Load(L"red.png", L"", 0x00FF0000);
    ASSERT_TRUE(kept);
    EXPECT_EQ(PixelAt(*kept, 2, 2), (Bgra{0, 0, 255, 255}));
    EXPECT_FALSE(kept->hasAlpha);

    const auto masked = ImageEntry::Load(L"red.png", L"", 0xFFFF0000);
    ASSERT_TRUE(masked);
    EXPECT_EQ(PixelAt(*masked, 2, 2), (Bgra{0, 0, 0, 0}));
    EXPECT_TRUE(masked->hasAlpha);
    EXPECT_EQ(masked->mask, 0xFFFF0000u);
}

TEST(ImageEntry, LoadsColoursResourcesAndPlainFiles)
{
    UseSkinArchive();
    const auto color = ImageEntry::Load(L"#80FF0000", L"*COLOR*", 0);
    ASSERT_TRUE(color);
    EXPECT_EQ(color->width, 1);
    EXPECT_EQ(PixelAt(*color, 0, 0), (Bgra{0, 0, 128, 128}));

    CResourceSettings::SetInstance(::GetModuleHandleW(nullptr));
    const auto byId = ImageEntry::Load(L"201", L"PNG", 0);
    ASSERT_TRUE(byId);
    EXPECT_EQ(byId->width, 4);
    EXPECT_EQ(PixelAt(*byId, 0, 0), (Bgra{0, 0, 255, 255}));
    const auto byName = ImageEntry::Load(L"HALF", L"PNG", 0);
    ASSERT_TRUE(byName);
    EXPECT_EQ(PixelAt(*byName, 0, 0), (Bgra{0, 0, 128, 128}));
    EXPECT_FALSE(ImageEntry::Load(L"202", L"PNG", 0));
    EXPECT_FALSE(ImageEntry::Load(L"red.png", L"PNG", 0));

    // Not in the skin: opened as a file path as written.
    const auto outside = ImageEntry::Load(SkinUITest::SkinFolder() + L"halves.png", L"", 0);
    ASSERT_TRUE(outside);
    EXPECT_EQ(outside->width, 2);
    ::SetCurrentDirectoryW(SkinUITest::SkinFolder().c_str());
    EXPECT_TRUE(ImageEntry::Load(L"res\\mainWnd\\Cb1.png", L"", 0));

    EXPECT_FALSE(ImageEntry::Load(L"notimage.png", L"", 0));
    EXPECT_FALSE(ImageEntry::Load(L"closebtn4.png", L"", 0));
    EXPECT_FALSE(ImageEntry::Load(L"", L"", 0));
}

// The parsed fields that differ from a cleared draw description.
std::wstring Describe(const ImageDrawSpec& spec, const ImageDrawSpec::Request& request)
{
    std::wstring out = L"name=" + spec.name;
    if (!request.type.empty()) out += L" type=" + request.type;
    const auto rect = [&out](const wchar_t* key, const RECT& r) {
        if (r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0) return;
        out += std::wstring(L" ") + key + L"=" + std::to_wstring(r.left) + L"," + std::to_wstring(r.top) + L"," +
               std::to_wstring(r.right) + L"," + std::to_wstring(r.bottom);
    };
    rect(L"dest", spec.dest);
    rect(L"source", spec.source);
    rect(L"corner", spec.corner);
    if (request.mask != 0) {
        wchar_t mask[16];
        swprintf(mask, 16, L" mask=%08lX", request.mask);
        out += mask;
    }
    if (spec.fade != 255) out += L" fade=" + std::to_wstring(spec.fade);
    if (spec.hole) out += L" hole";
    if (spec.xtiled) out += L" xtiled";
    if (spec.ytiled) out += L" ytiled";
    if (request.useHsl) out += L" hsl";
    return out;
}

TEST(ImageDrawSpec, ParsesImageStrings)
{
    struct Case {
        const wchar_t* text;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"res\\mainWnd\\bg1.png", L"name=res\\mainWnd\\bg1.png"},
        {L"a b.png", L"name=a b.png"},
        {L"file='res\\mainWnd\\Cb1.png' dest='0,2,15,16' ", L"name=res\\mainWnd\\Cb1.png dest=0,2,15,16"},
        // No space after a closing quote ends the parse.
        {L"file='a.png'dest='1,2,3,4' corner='1,1,1,1'", L"name=a.png"},
        {L"file='res\\mainWnd\\installPrg2.png'  corner='2,2,2,2'",
         L"name=res\\mainWnd\\installPrg2.png corner=2,2,2,2"},
        {L"  file = 'x.png' \tsource='1,2,3,4'  scale9='5,6,7,8'", L"name=x.png source=1,2,3,4 corner=5,6,7,8"},
        {L"file='x.png'\tsource='1,2,3,4'", L"name=x.png"},
        {L"file='x.png' mask='#FF0000' fade='128' hole='true' xtiled='true' ytiled='true' hsl='true'",
         L"name=x.png mask=00FF0000 fade=128 hole xtiled ytiled hsl"},
        {L"file='x.png' mask='0xFFFF0000' fade='999' hole='True' xtiled='1' ytiled='yes' hsl='TRUE'",
         L"name=x.png mask=FFFF0000"},
        {L"file='x.png' fade='-3' dest='1,2'", L"name=x.png dest=1,2,0,0 fade=0"},
        {L"res='201' restype='PNG'", L"name=201 type=PNG"},
        {L"restype='PNG' res='ICON'", L"name=ICON type=PNG"},
        {L"file='x.png' restype='PNG'", L"name=x.png"},
        {L"color='#FF102030'", L"name=#FF102030 type=*COLOR*"},
        // An empty value is ignored.
        {L"file='' dest='1,1,1,1'", L"name=file='' dest='1,1,1,1' dest=1,1,1,1"},
        {L"file='x.png' Dest='1,1,1,1' unknown='z'", L"name=x.png"},
        {L"file='x.png' dest='1,1,1,1", L"name=x.png"},
        {L"file=x.png", L"name=file=x.png"},
        {L"", L"name="},
    };
    for (const Case& c : cases) {
        ImageDrawSpec spec;
        spec.SetAttribute(c.text);
        const ImageDrawSpec::Request request = spec.Parse();
        EXPECT_EQ(Describe(spec, request), c.expected) << c.text;
    }
}

TEST(ImageDrawSpec, LoadsOnceAndLimitsTheSource)
{
    UseSkinArchive();
    CResourceTables tables;
    ImageDrawSpec spec;
    EXPECT_TRUE(spec.SetAttribute(L"file='res/mainWnd/bg1.png' source='1,0,10,10'"));
    spec.Load(tables);
    ASSERT_TRUE(spec.image);
    EXPECT_TRUE(spec.loaded);
    const RECT limited = {1, 0, 4, 2};
    EXPECT_TRUE(::EqualRect(&spec.source, &limited));
    EXPECT_FALSE(spec.SetAttribute(L"file='res/mainWnd/bg1.png' source='1,0,10,10'"));

    EXPECT_TRUE(spec.SetAttribute(L"red.png"));
    EXPECT_FALSE(spec.loaded);
    spec.Load(tables);
    const RECT whole = {0, 0, 4, 4};
    EXPECT_TRUE(::EqualRect(&spec.source, &whole));

    // A missing image leaves the draw description loaded without an image; setting the
    // same string again asks anew.
    EXPECT_TRUE(spec.SetAttribute(L"closebtn4.png"));
    spec.Load(tables);
    EXPECT_TRUE(spec.loaded);
    EXPECT_FALSE(spec.image);
    EXPECT_TRUE(spec.SetAttribute(L"closebtn4.png"));
    EXPECT_FALSE(spec.loaded);
}

TEST(ResourceTables, ImagesAreCachedByNameAlone)
{
    UseSkinArchive();
    CResourceTables window;
    const auto first = window.GetImageEx(L"red.png", L"", 0, false);
    ASSERT_TRUE(first);
    EXPECT_EQ(window.GetImageEx(L"red.png", L"", 0xFFFF0000, false), first);
    EXPECT_EQ(window.GetImage(L"red.png"), first);
    EXPECT_FALSE(window.GetImage(L"RED.PNG"));

    // Failures store nothing.
    EXPECT_FALSE(window.GetImageEx(L"closebtn4.png", L"", 0, false));
    EXPECT_FALSE(window.GetImage(L"closebtn4.png"));
    EXPECT_FALSE(window.AddImage(L"red.png", L"PNG", 0, false, false));
    EXPECT_EQ(window.GetImage(L"red.png"), first);

    // A window's image is its own; a shared one every window sees.
    CResourceTables other;
    EXPECT_FALSE(other.GetImage(L"red.png"));
    const auto shared = window.AddImage(L"half.png", L"", 0, false, true);
    ASSERT_TRUE(shared);
    EXPECT_EQ(other.GetImage(L"half.png"), shared);
    other.SetAllShared(true);
    const auto forced = other.AddImage(L"halves.png", L"", 0, false, false);
    EXPECT_EQ(window.GetImage(L"halves.png"), forced);
}

TEST(ResourceTables, ReplacedImageStaysAliveForItsHolders)
{
    UseSkinArchive();
    CResourceTables window;
    const auto old = window.AddImage(L"red.png", L"", 0, false, false);
    ASSERT_TRUE(old);
    const auto replacement = window.AddImage(L"red.png", L"", 0xFFFF0000, true, false);
    ASSERT_TRUE(replacement);
    EXPECT_NE(replacement, old);
    EXPECT_EQ(window.GetImage(L"red.png"), replacement);
    EXPECT_EQ(PixelAt(*old, 0, 0), (Bgra{0, 0, 255, 255}));
    EXPECT_EQ(::GetObjectType(old->bitmap.Get()), static_cast<DWORD>(OBJ_BITMAP));

    // hsl keeps the unadjusted pixels.
    EXPECT_TRUE(replacement->useHsl);
    EXPECT_EQ(replacement->originalPixels.size(), 4u * 4u * 4u);
    EXPECT_TRUE(old->originalPixels.empty());
}

} // namespace
