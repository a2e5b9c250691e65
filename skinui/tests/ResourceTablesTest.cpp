#include "SkinUI/ResourceTables.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

using SkinUI::CResourceTables;

LOGFONTW Describe(HFONT font)
{
    LOGFONTW description{};
    ::GetObjectW(font, sizeof(description), &description);
    return description;
}

TEST(ResourceTables, FontsByIdReplaceAndFallBackToTheDefault)
{
    CResourceTables window;
    const HFONT first = window.AddFont(1, L"Tahoma", 14, false, false, false, false);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(window.GetFont(1), first);

    // A second font under the same id replaces and deletes the first.
    const HFONT second = window.AddFont(1, L"Tahoma", 20, true, true, true, false);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(window.GetFont(1), second);
    EXPECT_EQ(::GetObjectType(first), 0u);
    const LOGFONTW description = Describe(second);
    EXPECT_EQ(description.lfHeight, -20);
    EXPECT_GE(description.lfWeight, FW_BOLD);
    EXPECT_TRUE(description.lfUnderline);
    EXPECT_TRUE(description.lfItalic);
    EXPECT_EQ(description.lfCharSet, DEFAULT_CHARSET);
    EXPECT_STREQ(description.lfFaceName, L"Tahoma");

    const HFONT defaultFont = window.GetDefaultFont().font.Get();
    ASSERT_NE(defaultFont, nullptr);
    EXPECT_EQ(window.GetFont(7), defaultFont);
    EXPECT_EQ(window.GetFont(-1), defaultFont);
    EXPECT_GT(window.GetFontEntry(1).Metrics().tmHeight, 0);
    EXPECT_GT(window.GetDefaultFont().Metrics().tmHeight, 0);

    EXPECT_EQ(window.FindFont(L"Tahoma", 20, true, true, true), second);
    EXPECT_EQ(window.FindFont(L"Tahoma", 20, true, true, false), nullptr);
}

TEST(ResourceTables, SharedFontsAndDefaultFonts)
{
    CResourceTables first;
    CResourceTables second;
    // The shared default comes from the stock GUI font.
    LOGFONTW stock{};
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(stock), &stock);
    EXPECT_EQ(first.GetDefaultFont().face, stock.lfFaceName);
    EXPECT_EQ(first.GetDefaultFont().size, -stock.lfHeight);
    EXPECT_EQ(first.GetDefaultFont().font.Get(), second.GetDefaultFont().font.Get());

    const HFONT window = first.AddFont(2, L"Arial", 12, false, false, false, false);
    const HFONT shared = first.AddFont(3, L"Arial", 13, false, false, false, true);
    EXPECT_EQ(second.GetFont(2), second.GetDefaultFont().font.Get());
    EXPECT_EQ(second.GetFont(3), shared);
    EXPECT_EQ(second.FindFont(L"Arial", 12, false, false, false), nullptr);
    EXPECT_EQ(first.FindFont(L"Arial", 12, false, false, false), window);
    // The window's table is searched before the shared one.
    const HFONT own = second.AddFont(3, L"Arial", 15, false, false, false, false);
    EXPECT_EQ(second.GetFont(3), own);
    EXPECT_EQ(first.GetFont(3), shared);

    first.SetDefaultFont(L"Verdana", 16, false, true, false, false);
    EXPECT_EQ(first.GetDefaultFont().face, L"Verdana");
    EXPECT_TRUE(first.GetDefaultFont().underline);
    EXPECT_EQ(second.GetDefaultFont().face, stock.lfFaceName);
    second.SetDefaultFont(L"Courier New", 11, false, false, false, true);
    CResourceTables third;
    EXPECT_EQ(third.GetDefaultFont().face, L"Courier New");
    EXPECT_EQ(first.GetDefaultFont().face, L"Verdana");
}

TEST(ResourceTables, LongFaceNamesAreCut)
{
    CResourceTables window;
    const std::wstring face(40, L'F');
    const HFONT font = window.AddFont(1, face, 12, false, false, false, false);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(std::wstring(Describe(font).lfFaceName), std::wstring(31, L'F'));
    EXPECT_EQ(window.FindFont(face, 12, false, false, false), font);
}

TEST(ResourceTables, DefaultAttributeListsLanguageStringsAndCustomAttributes)
{
    CResourceTables first;
    CResourceTables second;
    first.AddDefaultAttributeList(L"Button", L"width=\"10\"", false);
    first.AddDefaultAttributeList(L"Button", L"width=\"20\"", false);
    first.AddDefaultAttributeList(L"Label", L"height=\"5\"", true);
    ASSERT_NE(first.GetDefaultAttributeList(L"Button"), nullptr);
    EXPECT_EQ(*first.GetDefaultAttributeList(L"Button"), L"width=\"20\"");
    EXPECT_EQ(first.GetDefaultAttributeList(L"button"), nullptr);
    EXPECT_EQ(second.GetDefaultAttributeList(L"Button"), nullptr);
    ASSERT_NE(second.GetDefaultAttributeList(L"Label"), nullptr);
    second.AddDefaultAttributeList(L"Label", L"height=\"6\"", false);
    EXPECT_EQ(*second.GetDefaultAttributeList(L"Label"), L"height=\"6\"");
    EXPECT_EQ(*first.GetDefaultAttributeList(L"Label"), L"height=\"5\"");

    CResourceTables::AddLanguageString(5, L"安装");
    CResourceTables::AddLanguageString(5, L"立即安装");
    ASSERT_NE(CResourceTables::GetLanguageString(5), nullptr);
    EXPECT_EQ(*CResourceTables::GetLanguageString(5), L"立即安装");
    EXPECT_EQ(CResourceTables::GetLanguageString(6), nullptr);

    first.AddCustomAttribute(L"shadowsize", L"6");
    first.AddCustomAttribute(L"shadowsize", L"9");
    first.AddCustomAttribute(L"", L"1");
    first.AddCustomAttribute(L"showshadow", L"");
    ASSERT_NE(first.GetCustomAttribute(L"shadowsize"), nullptr);
    EXPECT_EQ(*first.GetCustomAttribute(L"shadowsize"), L"6");
    EXPECT_EQ(first.GetCustomAttribute(L"showshadow"), nullptr);
    EXPECT_EQ(second.GetCustomAttribute(L"shadowsize"), nullptr);
}

TEST(ResourceTables, StandardColors)
{
    CResourceTables window;
    window.Colors().defaultText = 0xFF123456;
    CResourceTables other;
    EXPECT_EQ(other.Colors().disabledText, 0xFFA7A6AAu);
    EXPECT_EQ(other.Colors().defaultText, 0xFF000000u);
    EXPECT_EQ(other.Colors().linkText, 0xFF0000FFu);
    EXPECT_EQ(other.Colors().linkHover, 0xFFD3215Fu);
    EXPECT_EQ(other.Colors().selectedBackground, 0xFFBAE4FFu);
}

} // namespace
