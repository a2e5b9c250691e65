#include "TestSupport.h"

#include "ChildProcess.h"

#include "analytics_core/RecordQueue.h"
#include "analytics_core/Sdk.h"

#include "Utils/FileSystem.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using analytics_core::BatchPoster;
using analytics_core::RecordQueue;
using analytics_core::StagingFile;

// Nothing listens there: posts fail at once.
const std::string kDownUrl = "http://127.0.0.1:1/sa?project=pc";

std::string RunProbe(const std::wstring& args)
{
    ChildProcess probe;
    if (!probe.Start(L"analytics_core_probe.exe", args)) return "not started";
    probe.CloseInput();
    const std::string line = probe.ReadLine();
    const DWORD code = probe.Wait();
    return code == 0 ? line : "exit " + std::to_string(code);
}

// One command-line argument; a trailing backslash is doubled so that it
// does not escape the closing quote.
std::wstring Quoted(const std::string& text)
{
    std::wstring wide = ToWide(text);
    if (!wide.empty() && wide.back() == L'\\') wide += L'\\';
    return L"\"" + wide + L"\"";
}

std::vector<std::string> FileLines(const std::wstring& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

void WriteText(const std::wstring& path, const std::string& text)
{
    std::ofstream(path.c_str(), std::ios::binary) << text;
}

TEST(Staging, RecordsQueuedWhileTheCollectorIsDownArriveOnceAtTheNextRun)
{
    TempFolder folder;
    Collector ok("ok");
    const std::string id = UniqueName("staged");
    const std::wstring common = Quoted(folder.Path()) + L" ";
    const std::wstring staging = folder.WidePath() + L"Probe_TKSStaged.jsonl";

    EXPECT_EQ(RunProbe(L"queue " + common + Quoted(kDownUrl) + L" " + Quoted(id) + L" 5"), "flush=0");
    EXPECT_EQ(FileLines(staging).size(), 5u);
    EXPECT_FALSE(Utils::FileExists(staging + L".tmp"));
    EXPECT_TRUE(ok.Records(id).empty());

    EXPECT_EQ(RunProbe(L"flush " + common + Quoted(ok.Url()) + L" " + Quoted(id)), "flush=1");
    EXPECT_EQ(Sequences(ok.Records(id)), Range(0, 5));
    EXPECT_FALSE(Utils::FileExists(staging));

    EXPECT_EQ(RunProbe(L"flush " + common + Quoted(ok.Url()) + L" " + Quoted(id)), "flush=1");
    EXPECT_EQ(Sequences(ok.Records(id)), Range(0, 5));
}

class StagedRecords : public ::testing::Test {
protected:
    // A run that queued records 0 to count-1 and could not send them.
    void StageInEarlierRun(int count)
    {
        RecordQueue earlier(std::make_unique<BatchPoster>(kDownUrl), staging_);
        for (int i = 0; i < count; ++i) earlier.Add(MakeRecord(id_, i));
        earlier.Close();
    }

    TempFolder folder_;
    Collector ok_{"ok"};
    std::string id_ = UniqueName("staged");
    std::wstring staging_ = folder_.WidePath() + L"staged.jsonl";
};

TEST_F(StagedRecords, GoInFrontOfTheRunsOwnAsFarAsRoomAllows)
{
    StageInEarlierRun(10);
    EXPECT_EQ(FileLines(staging_).size(), 10u);

    RecordQueue later(std::make_unique<BatchPoster>(ok_.Url()), staging_);
    for (int i = 100; i < 1120; ++i) later.Add(MakeRecord(id_, i));
    EXPECT_TRUE(later.FlushUntilEmpty());
    // Room for 4 of the 10 staged records: the newest 4.
    EXPECT_EQ(Sequences(ok_.Records(id_)), Joined(Range(6, 4), Range(100, 1020)));
    EXPECT_FALSE(Utils::FileExists(staging_));
    later.Close();
    EXPECT_FALSE(Utils::FileExists(staging_));
}

TEST_F(StagedRecords, SurviveACrashWhileTheFileIsReplaced)
{
    StageInEarlierRun(3);
    // What a crash in the middle of the next replacement leaves behind.
    WriteText(staging_ + L".tmp", MakeRecord(id_, 3) + "\n{\"_track_id\":1,\"dist");

    RecordQueue later(std::make_unique<BatchPoster>(ok_.Url()), staging_);
    EXPECT_TRUE(later.FlushUntilEmpty());
    EXPECT_EQ(Sequences(ok_.Records(id_)), Range(0, 3));

    later.Add(MakeRecord(id_, 4));
    later.Close();
    EXPECT_EQ(FileLines(staging_), (std::vector<std::string>{MakeRecord(id_, 4)}));
    EXPECT_FALSE(Utils::FileExists(staging_ + L".tmp"));
}

TEST(Staging, LinesThatAreNotRecordsAreSkipped)
{
    TempFolder folder;
    const std::wstring staging = folder.WidePath() + L"mixed.jsonl";
    WriteText(staging, "{\"a\":1}\r\n\nnot a record\n{\"b\":2}\n{\"cut\n{\"c\":3}");
    EXPECT_EQ(StagingFile(staging).Load(RecordQueue::kCapacity),
              (std::deque<std::string>{"{\"a\":1}", "{\"b\":2}", "{\"c\":3}"}));
    EXPECT_EQ(StagingFile(staging).Load(2), (std::deque<std::string>{"{\"b\":2}", "{\"c\":3}"}));
    EXPECT_TRUE(StagingFile(folder.WidePath() + L"missing.jsonl").Load(RecordQueue::kCapacity).empty());
}

} // namespace
