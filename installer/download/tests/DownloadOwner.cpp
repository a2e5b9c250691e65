#include "DownloadOwner.h"

#include <gtest/gtest.h>

#include <algorithm>

DownloadEventCallback Owner::Callback()
{
    return [this](int code, double value, const wchar_t* text) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            events_.push_back({code, value, text, std::chrono::steady_clock::now(), ::GetCurrentThreadId()});
        }
        changed_.notify_all();
        if (code == DL_CODE_RETRY && downloader_) downloader_->Start();
    };
}

namespace {
bool IsFinal(const Event& e)
{
    return e.code == DL_CODE_SUCCESS || e.code == DL_CODE_FAIL;
}
} // namespace

std::vector<Event> Owner::WaitUntil(const std::function<bool()>& done)
{
    std::unique_lock<std::mutex> lock(mutex_);
    EXPECT_TRUE(changed_.wait_for(lock, std::chrono::seconds(120), done)) << "the awaited event did not come";
    return MilestonesLocked();
}

std::vector<Event> Owner::WaitFinal(int count)
{
    return WaitUntil([this, count] {
        return !events_.empty() && IsFinal(events_.back()) &&
               std::count_if(events_.begin(), events_.end(), IsFinal) >= count;
    });
}

std::vector<Event> Owner::WaitFor(int code)
{
    return WaitUntil([this, code] { return !events_.empty() && events_.back().code == code; });
}

std::vector<Event> Owner::MilestonesLocked() const
{
    std::vector<Event> result;
    for (const Event& e : events_) {
        if (e.code != DL_CODE_PROGRESS) result.push_back(e);
    }
    return result;
}

std::vector<Event> Owner::Milestones()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return MilestonesLocked();
}

std::vector<double> Owner::ProgressValues()
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<double> values;
    for (const Event& e : events_) {
        if (e.code == DL_CODE_PROGRESS) values.push_back(e.value);
    }
    return values;
}

void Owner::ExpectOnlyStartAndSilence()
{
    const size_t count = EventCount();
    ::Sleep(700);
    EXPECT_EQ(EventCount(), count);
    ExpectEvents(Milestones(), {{DL_CODE_START, 1.0, L""}});
}

size_t Owner::EventCount()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return events_.size();
}

void ExpectEvents(const std::vector<Event>& actual, const std::vector<Event>& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i].code, expected[i].code) << i;
        EXPECT_EQ(actual[i].value, expected[i].value) << i;
        EXPECT_EQ(actual[i].text, expected[i].text) << i;
    }
}

void PrintTo(const DigestCase& c, std::ostream* out)
{
    *out << c.name;
}
