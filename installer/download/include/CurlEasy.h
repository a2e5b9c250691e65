#pragma once

#include <curl/curl.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

// libcurl set-up shared by the downloaders.

struct EasyHandleCleanup {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using EasyHandle = std::unique_ptr<CURL, EasyHandleCleanup>;

struct SlistCleanup {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using Slist = std::unique_ptr<curl_slist, SlistCleanup>;

namespace CurlEasy {

constexpr long kConnectTimeoutSeconds = 60;
// libcurl follows redirects without limit unless told otherwise; a redirect
// loop would then never end.
constexpr long kMaxRedirects = 30;
// libcurl's 16 KiB default means a callback and a file write per 16 KiB;
// its largest receive buffer, 512 KiB, doubles the throughput under Wine.
constexpr long kReceiveBufferBytes = 512 * 1024;

// The URL as libcurl takes it: UTF-8, or the ANSI code page for "file:///".
std::string TransferUrl(const std::wstring& url);

// Write function that accepts and drops every byte.
size_t Discard(char* data, size_t size, size_t count, void* unused);

// Options of a body-less lookup of url: connect timeout and redirect limit;
// once abort is set the request ends with libcurl code 42. Redirects are
// followed only when the caller adds CURLOPT_FOLLOWLOCATION. Returns the OR
// of the option codes.
int SetLookupOptions(CURL* handle, const std::string& url, const std::atomic<bool>& abort);

// The handle's effective URL; "" when libcurl has none.
std::string EffectiveUrl(CURL* handle);

struct Response {
    int64_t length;       // content length; -1 when unknown
    CURLcode lengthCode;  // code of the length query
    long status;          // HTTP status; 0 when unreadable
    bool Good() const { return status >= 200 && status <= 399; }
};
// What a finished request learned about the remote file.
Response ReadResponse(CURL* handle);

} // namespace CurlEasy
