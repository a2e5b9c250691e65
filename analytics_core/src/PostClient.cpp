#include "analytics_core/PostClient.h"

#include "Diagnostics.h"
#include "ServerCertificate.h"

#include <curl/curl.h>

#include <stdexcept>
#include <utility>

namespace analytics_core {

namespace {

size_t AppendToBody(char* data, size_t size, size_t count, void* body)
{
    static_cast<std::string*>(body)->append(data, size * count);
    return size * count;
}

// The scheme (lower case) and host of url; empty when it does not parse.
std::pair<std::string, std::string> SchemeAndHost(const std::string& url)
{
    std::pair<std::string, std::string> parts;
    CURLU* parsed = curl_url();
    if (!parsed) return parts;
    if (curl_url_set(parsed, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK) {
        char* part = nullptr;
        if (curl_url_get(parsed, CURLUPART_SCHEME, &part, 0) == CURLUE_OK) {
            parts.first = part;
            curl_free(part);
        }
        if (curl_url_get(parsed, CURLUPART_HOST, &part, 0) == CURLUE_OK) {
            parts.second = part;
            curl_free(part);
        }
    }
    curl_url_cleanup(parsed);
    // An IPv6 address comes in brackets; certificates name it without.
    std::string& host = parts.second;
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    return parts;
}

} // namespace

void PostClient::Cleanup::operator()(void* handle) const
{
    curl_easy_cleanup(handle);
}

PostClient::PostClient() : handle_(curl_easy_init())
{
    if (!handle_) throw std::runtime_error("Couldn't initialize curl handle");
}

PostResponse PostClient::Post(const std::string& url, const std::string& body)
{
    CURL* curl = handle_.get();
    PostResponse response;
    char error[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, error);
    // Records carry device and user identities: the server must prove who
    // it is. Revocation is checked where the lists can be reached.
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl, CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_REVOKE_BEST_EFFORT));
    const auto [scheme, host] = SchemeAndHost(url);
    if (scheme == "https") {
        host_ = host;
        curl_easy_setopt(curl, CURLOPT_PREREQFUNCTION, &PostClient::CheckPeer);
        curl_easy_setopt(curl, CURLOPT_PREREQDATA, this);
    }
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, AppendToBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &response.body);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, kUserAgent);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, kTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE, static_cast<long>(body.size()));
    const CURLcode result = curl_easy_perform(curl);
    if (result != CURLE_OK) {
        response.status = -1;
        response.body = !refusal_.empty() ? refusal_ : error[0] ? error : curl_easy_strerror(result);
        return response;
    }
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response.status);
    return response;
}

int PostClient::CheckPeer(void* self, char*, char*, int, int)
{
    PostClient& client = *static_cast<PostClient*>(self);
    curl_tlssessioninfo* session = nullptr;
    if (curl_easy_getinfo(client.handle_.get(), CURLINFO_TLS_SSL_PTR, &session) != CURLE_OK || !session ||
        session->backend != CURLSSLBACKEND_SCHANNEL || !session->internals) {
        client.refusal_ = "TLS session of " + client.host_ + " cannot be inspected";
        return CURL_PREREQFUNC_ABORT;
    }
    client.refusal_ = CheckServerCertificate(session->internals, client.host_);
    return client.refusal_.empty() ? CURL_PREREQFUNC_OK : CURL_PREREQFUNC_ABORT;
}

PostResponse PostClient::Send(const std::string& url, const std::string& body)
{
    try {
        PostClient client;
        return client.Post(url, body);
    } catch (const std::exception& e) {
        PrintError(e.what());
        return PostResponse{-1, e.what()};
    }
}

} // namespace analytics_core
