#pragma once

#include <memory>
#include <string>

namespace analytics_core {

struct PostResponse {
    // The HTTP status, or -1 when no answer came (body: why).
    long status = -1;
    std::string body;
};

// One form POST over its own libcurl handle: TLS peer and host name checked
// against the system's certificate store, 3 s for the whole request, no
// redirects.
class PostClient {
public:
    static constexpr const char* kUserAgent = "Tavik Analytics CPP SDK 0.9";
    static constexpr long kTimeoutSeconds = 3;

    // Throws std::runtime_error when libcurl cannot make a handle.
    PostClient();

    PostResponse Post(const std::string& url, const std::string& body);

    // Never throws: a failure to post, exceptions included, is printed to
    // standard error and comes back as status -1.
    static PostResponse Send(const std::string& url, const std::string& body);

private:
    struct Cleanup {
        void operator()(void* handle) const;
    };

    // Runs between the TLS handshake and the request.
    static int CheckPeer(void* self, char* remoteAddress, char* localAddress, int remotePort, int localPort);

    std::unique_ptr<void, Cleanup> handle_;
    std::string host_;
    std::string refusal_;  // why the server's certificate was refused
};

} // namespace analytics_core
