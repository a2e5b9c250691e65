#include "CurlEasy.h"

#include "Utils/Text.h"

namespace CurlEasy {

namespace {
int AbortCallback(void* abort, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return *static_cast<const std::atomic<bool>*>(abort) ? 1 : 0;
}
} // namespace

std::string TransferUrl(const std::wstring& url)
{
    const bool fileUrl = url.compare(0, 8, L"file:///") == 0;
    return Utils::ToNarrow(url, fileUrl ? Utils::kAnsiCodePage : Utils::kUtf8CodePage);
}

size_t Discard(char*, size_t size, size_t count, void*)
{
    return size * count;
}

int SetLookupOptions(CURL* handle, const std::string& url, const std::atomic<bool>& abort)
{
    int code = curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
    code |= curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
    code |= curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &Discard);
    code |= curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
    code |= curl_easy_setopt(handle, CURLOPT_MAXREDIRS, kMaxRedirects);
    code |= curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    code |= curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, &AbortCallback);
    code |= curl_easy_setopt(handle, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(&abort));
    return code;
}

std::string EffectiveUrl(CURL* handle)
{
    char* url = nullptr;
    if (!handle || curl_easy_getinfo(handle, CURLINFO_EFFECTIVE_URL, &url) != CURLE_OK || !url) return {};
    return url;
}

Response ReadResponse(CURL* handle)
{
    Response response{-1, CURLE_OK, 0};
    curl_off_t length = -1;
    response.lengthCode = curl_easy_getinfo(handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    if (response.lengthCode == CURLE_OK && length >= 0) response.length = length;
    if (curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &response.status) != CURLE_OK) response.status = 0;
    return response;
}

} // namespace CurlEasy
