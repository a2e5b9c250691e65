#include "DlServer.h"

#include "CurlClient.h"
#include "Utils/Text.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>

namespace DlServer {

namespace {

// The fixture's state folder as a Windows path (Z: maps the Unix root).
std::wstring StateFolder()
{
    const char* folder = std::getenv("DLSERVER_STATE");
    return folder ? Utils::ToWide(folder, Utils::kAnsiCodePage) : std::wstring();
}

size_t Collect(char* data, size_t size, size_t count, void* out)
{
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}

std::string Control(const std::string& request, const std::string& json)
{
    EasyHandle handle(curl_easy_init());
    std::string body;
    const std::string url = Base() + "/_ctl/" + request;
    long status = 0;
    if (handle) {
        curl_easy_setopt(handle.get(), CURLOPT_URL, url.c_str());
        curl_easy_setopt(handle.get(), CURLOPT_POSTFIELDS, json.c_str());
        curl_easy_setopt(handle.get(), CURLOPT_WRITEFUNCTION, &Collect);
        curl_easy_setopt(handle.get(), CURLOPT_WRITEDATA, &body);
        if (curl_easy_perform(handle.get()) == CURLE_OK) {
            curl_easy_getinfo(handle.get(), CURLINFO_RESPONSE_CODE, &status);
        }
    }
    EXPECT_EQ(status, 200) << request << " " << json << " -> " << body;
    return body;
}

std::string Quote(const std::string& text)
{
    return "\"" + text + "\"";
}

} // namespace

std::string Base()
{
    std::ifstream file(std::filesystem::path(StateFolder() + L"\\dlserver.port"));
    int port = 0;
    file >> port;
    EXPECT_GT(port, 0) << "the download server's port file is missing";
    return "http://127.0.0.1:" + std::to_string(port);
}

std::wstring Root()
{
    return StateFolder() + L"\\root";
}

std::string CreatePackage(const std::string& name, long long size, bool sparse)
{
    const std::string reply = Control("file", "{\"name\": " + Quote(name) + ", \"size\": " + std::to_string(size) +
                                                  ", \"sparse\": " + (sparse ? "true" : "false") + "}");
    std::smatch match;
    return std::regex_search(reply, match, std::regex("\"md5\": \"([0-9a-f]{32})\"")) ? match[1].str() : "";
}

void SetProduct(const std::string& id, const std::string& file, const std::string& digest)
{
    Control("product", "{\"id\": " + Quote(id) + ", \"file\": " + Quote(file) + ", \"digest\": " + Quote(digest) + "}");
}

Package Publish(const std::string& name, long long size, const std::string& digest)
{
    const std::string file = name + ".bin";
    const std::string md5 = CreatePackage(file, size);
    SetProduct(name, file, digest);
    std::string segment = digest == "lower" ? md5 : digest == "none" ? "" : digest;
    if (digest == "upper") {
        segment = md5;
        for (char& c : segment) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return {(segment.empty() ? "" : "/" + segment) + "/" + file, md5};
}

std::wstring ProductUrl(const std::string& name)
{
    return Utils::ToWide(Base() + "/software/" + name, Utils::kAnsiCodePage);
}

void Script(const std::string& path, const std::string& answers, const std::string& thenAnswer,
            const std::string& method, long long from)
{
    Control("script", "{\"path\": " + Quote(path) + ", \"method\": " + Quote(method) + ", \"from\": " +
                          std::to_string(from) + ", \"answers\": " + answers + ", \"then\": " + thenAnswer + "}");
}

std::vector<Request> Requests(const std::string& path)
{
    const std::string reply = Control("log", "{\"path\": " + Quote(path) + "}");
    std::vector<Request> requests;
    const std::regex entry("\"method\": \"([A-Z]+)\", \"path\": \"[^\"]*\", \"range\": \"([^\"]*)\"");
    for (std::sregex_iterator it(reply.begin(), reply.end(), entry), end; it != end; ++it) {
        requests.push_back({(*it)[1].str(), (*it)[2].str()});
    }
    return requests;
}

int Count(const std::vector<Request>& requests, const std::string& method)
{
    int count = 0;
    for (const Request& request : requests) count += request.method == method ? 1 : 0;
    return count;
}

} // namespace DlServer
