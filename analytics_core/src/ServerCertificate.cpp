#include "ServerCertificate.h"

#include "Utils/Text.h"

#define SECURITY_WIN32
#include <windows.h>
#include <wincrypt.h>
#include <security.h>
#include <schannel.h>

#include <cstdio>
#include <memory>

namespace analytics_core {

namespace {

struct FreeCertificate {
    void operator()(const CERT_CONTEXT* certificate) const { ::CertFreeCertificateContext(certificate); }
};

struct FreeChain {
    void operator()(const CERT_CHAIN_CONTEXT* chain) const { ::CertFreeCertificateChain(chain); }
};

std::string Refusal(const std::string& host, const char* what, DWORD code)
{
    char text[32];
    std::snprintf(text, sizeof(text), " (0x%08lX)", static_cast<unsigned long>(code));
    return "TLS certificate of " + host + " refused: " + what + text;
}

} // namespace

std::string CheckServerCertificate(void* schannelContext, const std::string& host)
{
    const CERT_CONTEXT* presented = nullptr;
    const SECURITY_STATUS status = ::QueryContextAttributesW(static_cast<CtxtHandle*>(schannelContext),
                                                             SECPKG_ATTR_REMOTE_CERT_CONTEXT, &presented);
    std::unique_ptr<const CERT_CONTEXT, FreeCertificate> certificate(presented);
    if (status != SEC_E_OK || !certificate) {
        return Refusal(host, "none presented", static_cast<DWORD>(status));
    }

    LPSTR usages[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH), const_cast<LPSTR>(szOID_SERVER_GATED_CRYPTO),
                      const_cast<LPSTR>(szOID_SGC_NETSCAPE)};
    CERT_CHAIN_PARA chainPara{};
    chainPara.cbSize = sizeof(chainPara);
    chainPara.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
    chainPara.RequestedUsage.Usage.cUsageIdentifier = ARRAYSIZE(usages);
    chainPara.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
    const CERT_CHAIN_CONTEXT* built = nullptr;
    if (!::CertGetCertificateChain(nullptr, certificate.get(), nullptr, certificate->hCertStore, &chainPara, 0,
                                   nullptr, &built)) {
        return Refusal(host, "no chain", ::GetLastError());
    }
    std::unique_ptr<const CERT_CHAIN_CONTEXT, FreeChain> chain(built);

    std::wstring serverName = Utils::ToWide(host, Utils::kUtf8CodePage);
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA sslPara{};
    sslPara.cbSize = sizeof(sslPara);
    sslPara.dwAuthType = AUTHTYPE_SERVER;
    sslPara.pwszServerName = serverName.data();
    CERT_CHAIN_POLICY_PARA policyPara{};
    policyPara.cbSize = sizeof(policyPara);
    policyPara.pvExtraPolicyPara = &sslPara;
    CERT_CHAIN_POLICY_STATUS policyStatus{};
    policyStatus.cbSize = sizeof(policyStatus);
    if (!::CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.get(), &policyPara, &policyStatus)) {
        return Refusal(host, "policy check failed", ::GetLastError());
    }
    switch (policyStatus.dwError) {
    case 0: return "";
    case static_cast<DWORD>(CERT_E_UNTRUSTEDROOT): return Refusal(host, "untrusted root", policyStatus.dwError);
    case static_cast<DWORD>(CERT_E_CN_NO_MATCH): return Refusal(host, "issued for another name", policyStatus.dwError);
    case static_cast<DWORD>(CERT_E_EXPIRED): return Refusal(host, "expired", policyStatus.dwError);
    default: return Refusal(host, "not valid", policyStatus.dwError);
    }
}

} // namespace analytics_core
