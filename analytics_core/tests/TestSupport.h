#pragma once

#include <json/json.h>

#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

// One of the collectors the test fixture started (see CMakeLists.txt): its
// address and what it has stored so far. Tests share the collectors, so each
// test uses distinct ids of its own and reads only its own records.
class Collector {
public:
    // "ok" (answers 200), "fail500", "drop" (closes without answering),
    // "slow" (answers after 5 s), and the HTTPS ones "tls", "tlstrusted" and
    // "tlsname" (see CMakeLists.txt).
    explicit Collector(const std::string& name);

    const std::string& Url() const { return url_; }
    // Raw record texts, in arrival order, whose distinct_id is distinctId.
    std::vector<std::string> RecordTexts(const std::string& distinctId) const;
    std::vector<Json::Value> Records(const std::string& distinctId) const;
    // The request lines that carried records of distinctId.
    std::vector<Json::Value> Requests(const std::string& distinctId) const;

private:
    std::string base_;
    std::string url_;
};

// Redirects one of the C runtime's standard streams into a file while it lives.
class StreamCapture {
public:
    explicit StreamCapture(FILE* stream);
    ~StreamCapture();
    StreamCapture(const StreamCapture&) = delete;
    StreamCapture& operator=(const StreamCapture&) = delete;

    // Ends the capture (once) and returns what was written.
    std::string Text();

private:
    void Restore();

    FILE* stream_;
    int fd_;
    std::wstring path_;
    int file_ = -1;
    int saved_ = -1;
    std::string text_;
};

class StderrCapture : public StreamCapture {
public:
    StderrCapture() : StreamCapture(stderr) {}
};

class StdoutCapture : public StreamCapture {
public:
    StdoutCapture() : StreamCapture(stdout) {}
};

Json::Value ParseJson(const std::string& text);

// A name no other test process uses: prefix + process id + a counter.
std::string UniqueName(const std::string& prefix);

// An empty folder under the temporary folder, removed on destruction; UTF-8
// path with a trailing backslash.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::wstring WidePath() const;

private:
    std::string path_;
};

// The text of a valid track record with a sequence number in its properties.
std::string MakeRecord(const std::string& distinctId, int sequence);
// The sequence numbers of records, in order.
std::vector<int> Sequences(const std::vector<Json::Value>& records);
std::vector<int> Range(int first, int count);
std::vector<int> Joined(std::vector<int> first, const std::vector<int>& second);

std::wstring ToWide(const std::string& utf8);

// A DateTime value as the C runtime computes local time, quotes included: the
// reference for the record writer's form.
std::string LocalDateTimeText(time_t seconds, int milliseconds);
