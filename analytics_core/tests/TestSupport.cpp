#include "TestSupport.h"

#include "Utils/FileSystem.h"
#include "Utils/Text.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <numeric>
#include <sstream>
#include <stdexcept>

namespace {

std::string CollectorFolder()
{
    const char* folder = std::getenv("ANALYTICS_COLLECTOR_DIR");
    if (!folder || !*folder) throw std::runtime_error("ANALYTICS_COLLECTOR_DIR is not set");
    // The fixture passes the Unix path; Wine shows the Unix root as drive Z.
    return folder[0] == '/' ? std::string("Z:") + folder : std::string(folder);
}

std::vector<std::string> ReadLines(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

} // namespace

std::wstring ToWide(const std::string& utf8)
{
    return Utils::ToWide(utf8, Utils::kUtf8CodePage);
}

Json::Value ParseJson(const std::string& text)
{
    Json::CharReaderBuilder builder;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value value;
    std::string errors;
    if (!reader->parse(text.data(), text.data() + text.size(), &value, &errors)) {
        throw std::runtime_error("not JSON: " + errors + ": " + text);
    }
    return value;
}

Collector::Collector(const std::string& name) : base_(CollectorFolder() + "/" + name)
{
    std::ifstream in(base_ + ".port");
    int port = 0;
    if (!(in >> port)) throw std::runtime_error("collector " + name + " is not running");
    // The TLS certificates name the host "localhost" (and the address, which
    // not every system matches).
    const bool tls = name.rfind("tls", 0) == 0;
    url_ = std::string(tls ? "https://localhost:" : "http://127.0.0.1:") + std::to_string(port) + "/sa?project=pc";
}

std::vector<std::string> Collector::RecordTexts(const std::string& distinctId) const
{
    std::vector<std::string> texts;
    for (const std::string& line : ReadLines(base_ + ".records.jsonl")) {
        if (ParseJson(line)["distinct_id"].asString() == distinctId) texts.push_back(line);
    }
    return texts;
}

std::vector<Json::Value> Collector::Records(const std::string& distinctId) const
{
    std::vector<Json::Value> records;
    for (const std::string& text : RecordTexts(distinctId)) records.push_back(ParseJson(text));
    return records;
}

std::vector<Json::Value> Collector::Requests(const std::string& distinctId) const
{
    std::vector<Json::Value> requests;
    for (const std::string& line : ReadLines(base_ + ".requests.jsonl")) {
        Json::Value request = ParseJson(line);
        for (const Json::Value& id : request["distinct_ids"]) {
            if (id.asString() == distinctId) requests.push_back(request);
        }
    }
    return requests;
}

StreamCapture::StreamCapture(FILE* stream) : stream_(stream), fd_(_fileno(stream))
{
    wchar_t folder[MAX_PATH];
    ::GetTempPathW(MAX_PATH, folder);
    path_ = std::wstring(folder) + ToWide(UniqueName("capture")) + L".txt";
    std::fflush(stream_);
    file_ = _wopen(path_.c_str(), _O_RDWR | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
    saved_ = _dup(fd_);
    if (file_ < 0 || saved_ < 0 || _dup2(file_, fd_) != 0) throw std::runtime_error("cannot capture a stream");
}

StreamCapture::~StreamCapture()
{
    Restore();
}

void StreamCapture::Restore()
{
    if (saved_ < 0) return;
    std::fflush(stream_);
    _dup2(saved_, fd_);
    _close(saved_);
    saved_ = -1;
    _lseek(file_, 0, SEEK_SET);
    char buffer[4096];
    int read = 0;
    while ((read = _read(file_, buffer, sizeof(buffer))) > 0) text_.append(buffer, read);
    _close(file_);
    _wunlink(path_.c_str());
}

std::string StreamCapture::Text()
{
    Restore();
    return text_;
}

std::string UniqueName(const std::string& prefix)
{
    static std::atomic<int> counter{0};
    return prefix + "-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(::GetTickCount()) + "-" +
           std::to_string(++counter);
}

TempFolder::TempFolder()
{
    wchar_t folder[MAX_PATH];
    ::GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + ToWide(UniqueName("analytics")) + L"\\";
    if (!Utils::CreateDirectories(path)) throw std::runtime_error("cannot create a temporary folder");
    path_ = Utils::ToNarrow(path, Utils::kUtf8CodePage);
}

TempFolder::~TempFolder()
{
    Utils::RemoveDirectoryTree(WidePath());
}

std::wstring TempFolder::WidePath() const
{
    return ToWide(path_);
}

std::string MakeRecord(const std::string& distinctId, int sequence)
{
    return "{\"_track_id\":1,\"distinct_id\":\"" + distinctId +
           "\",\"event\":\"Queued\",\"lib\":{\"$lib\":\"cpp\",\"$lib_method\":\"code\",\"$lib_version\":\"0.9\"},"
           "\"properties\":{\"seq\":" +
           std::to_string(sequence) + "},\"time\":1,\"type\":\"track\"}";
}

std::vector<int> Sequences(const std::vector<Json::Value>& records)
{
    std::vector<int> sequences;
    for (const Json::Value& record : records) sequences.push_back(record["properties"]["seq"].asInt());
    return sequences;
}

std::vector<int> Joined(std::vector<int> first, const std::vector<int>& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

std::string LocalDateTimeText(time_t seconds, int milliseconds)
{
    std::tm parts{};
    localtime_s(&parts, &seconds);
    char text[40];
    std::snprintf(text, sizeof(text), "\"%04d-%02d-%02d %02d:%02d:%02d.%03d\"", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec, milliseconds);
    return text;
}

std::vector<int> Range(int first, int count)
{
    std::vector<int> values(count);
    std::iota(values.begin(), values.end(), first);
    return values;
}
