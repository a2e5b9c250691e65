#pragma once

#include <string>

namespace analytics_core {

// Checks the certificate a TLS server presented on an established Schannel
// context (a CtxtHandle*) the way Schannel's own automatic validation does:
// a chain to a root of the system store, valid for server authentication and
// issued for host. Returns why it is refused, or "" when it is accepted.
// Schannel implementations that skip the automatic check are covered too.
std::string CheckServerCertificate(void* schannelContext, const std::string& host);

} // namespace analytics_core
