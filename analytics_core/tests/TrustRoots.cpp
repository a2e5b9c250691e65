// Fixture helper: makes test certificates roots of the current user's store
// in the test prefix, or removes them again. Processes started afterwards
// trust them.
//   analytics_trust_roots add|remove <PEM file>...
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<BYTE> ReadCertificate(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream pem;
    pem << in.rdbuf();
    const std::string text = pem.str();
    DWORD size = 0;
    if (!::CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64HEADER, nullptr,
                                &size, nullptr, nullptr)) {
        return {};
    }
    std::vector<BYTE> der(size);
    ::CryptStringToBinaryA(text.c_str(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64HEADER, der.data(),
                           &size, nullptr, nullptr);
    return der;
}

bool Apply(HCERTSTORE store, bool add, const std::vector<BYTE>& der)
{
    PCCERT_CONTEXT certificate =
        ::CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
    if (!certificate) return false;
    bool done = false;
    if (add) {
        done = ::CertAddCertificateContextToStore(store, certificate, CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    } else {
        PCCERT_CONTEXT found =
            ::CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, certificate, nullptr);
        // Deleting frees the found context; a certificate not there is already gone.
        done = !found || ::CertDeleteCertificateFromStore(found);
    }
    ::CertFreeCertificateContext(certificate);
    return done;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) return 2;
    const std::string command = argv[1];
    if (command != "add" && command != "remove") return 2;
    HCERTSTORE store = ::CertOpenSystemStoreW(0, L"ROOT");
    if (!store) return 1;
    int result = 0;
    for (int i = 2; i < argc; ++i) {
        const std::vector<BYTE> der = ReadCertificate(argv[i]);
        if (der.empty() || !Apply(store, command == "add", der)) {
            std::fprintf(stderr, "cannot %s %s\n", command.c_str(), argv[i]);
            result = 1;
        }
    }
    ::CertCloseStore(store, 0);
    return result;
}
