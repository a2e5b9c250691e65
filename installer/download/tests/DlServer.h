#pragma once

#include <string>
#include <vector>

// Client of the test download server started by the ctest fixture: its
// address, its package folder and its control requests.
namespace DlServer {

struct Request {
    std::string method;
    std::string range;
};

// "http://127.0.0.1:<port>"
std::string Base();
// The folder it serves packages from.
std::wstring Root();

// Creates a package of pseudo-random bytes; returns its MD5 ("" when sparse:
// only the last MiB then holds data).
std::string CreatePackage(const std::string& name, long long size, bool sparse = false);
// The product route /software/<id> redirects to the digest path of file;
// digest is "lower", "upper", "none" or the literal digest to put there.
void SetProduct(const std::string& id, const std::string& file, const std::string& digest = "lower");
struct Package {
    std::string path;  // where the product route redirects to
    std::string md5;
};
// A package <name>.bin of pseudo-random bytes behind the product route
// /software/<name>, whose redirect carries digest as in SetProduct.
Package Publish(const std::string& name, long long size, const std::string& digest = "lower");
std::wstring ProductUrl(const std::string& name);

// Successive answers (a JSON array) for requests of path and method, then
// thenAnswer for every later one. With from > 0 only requests whose range
// starts at byte from or later are answered so.
void Script(const std::string& path, const std::string& answers, const std::string& thenAnswer = "{}",
            const std::string& method = "GET", long long from = 0);
std::vector<Request> Requests(const std::string& path);
int Count(const std::vector<Request>& requests, const std::string& method);

} // namespace DlServer
