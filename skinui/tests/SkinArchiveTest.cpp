#include "Fixtures.h"

#include "SkinUI/ResourceSettings.h"
#include "SkinUI/SkinArchive.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

using SkinUI::CResourceSettings;
using SkinUI::SkinArchive;
using SkinUI::SkinReadStatus;

constexpr std::size_t kNoLimit = 1u << 30;

std::vector<std::uint8_t> ReadFixture(const std::wstring& path)
{
    std::ifstream file(path.c_str(), std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

TEST(SkinArchive, UnpacksEveryFileEntryFromBytesAndFromFile)
{
    const std::vector<std::uint8_t> bytes = ReadFixture(SkinUITest::FixtureFolder() + L"skin.7z");
    ASSERT_FALSE(bytes.empty());
    SkinArchive fromBytes;
    ASSERT_TRUE(fromBytes.Open(SkinArchive::Format::SevenZip, bytes.data(), bytes.size()));
    SkinArchive fromFile;
    ASSERT_TRUE(fromFile.OpenFile(SkinArchive::Format::SevenZip, SkinUITest::FixtureFolder() + L"skin.7z"));

    for (const SkinArchive* archive : {&fromBytes, &fromFile}) {
        std::set<std::wstring> names;
        for (std::size_t i = 0; i < archive->GetEntryCount(); ++i) {
            const SkinArchive::Entry& entry = archive->GetEntry(i);
            names.insert(entry.name);
            EXPECT_TRUE(entry.unpacked) << entry.name;
            EXPECT_EQ(entry.size, entry.data.size()) << entry.name;
        }
        // Folders are not entries; names keep "/" between folders.
        EXPECT_EQ(names.count(L"res"), 0u);
        EXPECT_EQ(names.count(L"res/mainWnd"), 0u);
        EXPECT_EQ(names.count(L"res/mainWnd/bg1.png"), 1u);
        EXPECT_EQ(names.count(L"empty.xml"), 1u);

        const auto index = archive->Find(L"res/mainWnd/bg1.png");
        ASSERT_TRUE(index.has_value());
        EXPECT_EQ(archive->GetEntry(*index).data, ReadFixture(SkinUITest::SkinFolder() + L"res\\mainWnd\\bg1.png"));
    }
}

TEST(SkinArchive, LookupTreatsBothSlashesAlikeAndIgnoresCase)
{
    for (const auto& [file, format] : {std::make_pair(L"skin.7z", SkinArchive::Format::SevenZip),
                                       std::make_pair(L"skin.zip", SkinArchive::Format::Zip)}) {
        SkinArchive archive;
        ASSERT_TRUE(archive.OpenFile(format, SkinUITest::FixtureFolder() + file)) << file;
        const auto index = archive.Find(L"res\\mainWnd\\bg1.png");
        ASSERT_TRUE(index.has_value()) << file;
        EXPECT_EQ(archive.Find(L"res/mainWnd/bg1.png"), index) << file;
        EXPECT_EQ(archive.Find(L"RES\\MAINWND\\BG1.PNG"), index) << file;
        EXPECT_FALSE(archive.Find(L"res/mainWnd/bg1.pn").has_value()) << file;
        EXPECT_FALSE(archive.Find(L"mainWnd/bg1.png").has_value()) << file;
        EXPECT_FALSE(archive.Find(L"").has_value()) << file;
    }
}

TEST(SkinArchive, DamagedEntryFailsAloneAndGarbageIsNoArchive)
{
    for (const auto& [file, format] : {std::make_pair(L"broken.7z", SkinArchive::Format::SevenZip),
                                       std::make_pair(L"broken.zip", SkinArchive::Format::Zip)}) {
        SkinArchive archive;
        ASSERT_TRUE(archive.OpenFile(format, SkinUITest::FixtureFolder() + file)) << file;
        const auto good = archive.Find(L"good.txt");
        const auto bad = archive.Find(L"bad.txt");
        ASSERT_TRUE(good && bad) << file;
        EXPECT_TRUE(archive.GetEntry(*good).unpacked) << file;
        const std::vector<std::uint8_t> expected = {'G', 'O', 'O', 'D', '-', 'E', 'N', 'T', 'R', 'Y'};
        EXPECT_EQ(archive.GetEntry(*good).data, expected) << file;
        EXPECT_FALSE(archive.GetEntry(*bad).unpacked) << file;
    }

    const std::vector<std::uint8_t> zip = ReadFixture(SkinUITest::FixtureFolder() + L"skin.zip");
    const std::vector<std::uint8_t> sevenZip = ReadFixture(SkinUITest::FixtureFolder() + L"skin.7z");
    const char garbage[] = "not an archive at all, just some text that is long enough";
    SkinArchive archive;
    EXPECT_FALSE(archive.Open(SkinArchive::Format::SevenZip, zip.data(), zip.size()));
    EXPECT_FALSE(archive.Open(SkinArchive::Format::Zip, sevenZip.data(), sevenZip.size()));
    EXPECT_FALSE(archive.Open(SkinArchive::Format::SevenZip, garbage, sizeof(garbage)));
    EXPECT_FALSE(archive.Open(SkinArchive::Format::Zip, garbage, sizeof(garbage)));
    EXPECT_FALSE(archive.Open(SkinArchive::Format::SevenZip, sevenZip.data(), sevenZip.size() / 2));
    EXPECT_FALSE(archive.OpenFile(SkinArchive::Format::SevenZip, SkinUITest::FixtureFolder() + L"missing.7z"));
    EXPECT_EQ(archive.GetEntryCount(), 0u);
}

TEST(ResourceSettings, ResourcePathEndsInASeparator)
{
    const struct {
        const wchar_t* given;
        const wchar_t* stored;
    } cases[] = {
        {L"C:\\skin", L"C:\\skin\\"},
        {L"C:\\skin\\", L"C:\\skin\\"},
        {L"C:/skin/", L"C:/skin/"},
        {L"", L""},
    };
    for (const auto& c : cases) {
        CResourceSettings::SetResourcePath(c.given);
        EXPECT_EQ(CResourceSettings::GetResourcePath(), c.stored) << c.given;
    }
}

TEST(ResourceSettings, ResourceInstanceFallsBackToTheInstance)
{
    const HINSTANCE exe = ::GetModuleHandleW(nullptr);
    const HINSTANCE other = ::GetModuleHandleW(L"kernel32.dll");
    CResourceSettings::SetInstance(exe);
    EXPECT_EQ(CResourceSettings::GetResourceInstance(), exe);
    CResourceSettings::SetResourceInstance(other);
    EXPECT_EQ(CResourceSettings::GetResourceInstance(), other);
    EXPECT_EQ(CResourceSettings::GetInstance(), exe);
}

TEST(ResourceSettings, ArchiveResourceServesSkinFiles)
{
    CResourceSettings::SetUse7z(true);
    EXPECT_FALSE(CResourceSettings::SetArchiveResource(MAKEINTRESOURCEW(999)));
    EXPECT_EQ(CResourceSettings::GetArchiveName(), L"");

    ASSERT_TRUE(CResourceSettings::SetArchiveResource(MAKEINTRESOURCEW(147)));
    EXPECT_EQ(CResourceSettings::GetArchiveName(), L"membuffer");
    EXPECT_TRUE(CResourceSettings::IsArchiveKeptOpen());

    const std::vector<std::uint8_t> expected = ReadFixture(SkinUITest::SkinFolder() + L"res\\mainWnd\\bg1.png");
    std::vector<std::uint8_t> bytes;
    for (const wchar_t* name : {L"res\\mainWnd\\bg1.png", L"res/mainWnd/bg1.png", L"RES\\MAINWND\\BG1.PNG"}) {
        EXPECT_EQ(CResourceSettings::ReadSkinFile(name, kNoLimit, bytes), SkinReadStatus::Ok) << name;
        EXPECT_EQ(bytes, expected) << name;
    }
    EXPECT_EQ(CResourceSettings::ReadSkinFile(L"res\\mainWnd\\bg2.png", kNoLimit, bytes), SkinReadStatus::EntryMissing);
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(CResourceSettings::ReadSkinFile(L"empty.xml", kNoLimit, bytes), SkinReadStatus::Empty);
    EXPECT_EQ(CResourceSettings::ReadSkinFile(L"red.png", 10, bytes), SkinReadStatus::TooLarge);

    // A second archive in memory is ignored while the first is open.
    const char garbage[] = "garbage";
    CResourceSettings::SetArchiveBytes(garbage, sizeof(garbage));
    EXPECT_EQ(CResourceSettings::ReadSkinFile(L"res/mainWnd/bg1.png", kNoLimit, bytes), SkinReadStatus::Ok);
}

TEST(ResourceSettings, ZipResourceWhenThe7zReaderIsOff)
{
    CResourceSettings::SetUse7z(false);
    ASSERT_TRUE(CResourceSettings::SetArchiveResource(MAKEINTRESOURCEW(148)));
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(CResourceSettings::ReadSkinFile(L"RES\\mainWnd\\BG1.png", kNoLimit, bytes), SkinReadStatus::Ok);
    EXPECT_EQ(bytes, ReadFixture(SkinUITest::SkinFolder() + L"res\\mainWnd\\bg1.png"));
}

TEST(ResourceSettings, ArchiveBytesThatAreNoArchiveCanBeReplaced)
{
    CResourceSettings::SetUse7z(true);
    const char garbage[] = "garbage";
    CResourceSettings::SetArchiveBytes(garbage, sizeof(garbage));
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(CResourceSettings::ReadSkinFile(L"red.png", kNoLimit, bytes), SkinReadStatus::ArchiveOpenFailed);
    ASSERT_TRUE(CResourceSettings::SetArchiveResource(MAKEINTRESOURCEW(147)));
    EXPECT_EQ(CResourceSettings::ReadSkinFile(L"red.png", kNoLimit, bytes), SkinReadStatus::Ok);
}

TEST(ResourceSettings, ArchiveFileKeptOpenOrOpenedPerRead)
{
    CResourceSettings::SetUse7z(true);
    CResourceSettings::SetResourcePath(SkinUITest::FixtureFolder());
    std::vector<std::uint8_t> bytes;
    for (bool keepOpen : {true, false}) {
        CResourceSettings::SetArchiveName(L"skin.7z", keepOpen);
        EXPECT_EQ(CResourceSettings::IsArchiveKeptOpen(), keepOpen);
        EXPECT_EQ(CResourceSettings::ReadSkinFile(L"red.png", kNoLimit, bytes), SkinReadStatus::Ok);
        EXPECT_EQ(bytes, ReadFixture(SkinUITest::SkinFolder() + L"red.png"));
    }
    // Back to folder mode.
    CResourceSettings::SetArchiveName(L"", true);
    CResourceSettings::SetResourcePath(SkinUITest::SkinFolder());
    EXPECT_EQ(CResourceSettings::ReadSkinFile(L"res\\mainWnd\\bg1.png", kNoLimit, bytes), SkinReadStatus::Ok);
    EXPECT_EQ(CResourceSettings::ReadSkinFile(L"res\\mainWnd\\none.png", kNoLimit, bytes),
              SkinReadStatus::OpenFailed);
}

} // namespace
