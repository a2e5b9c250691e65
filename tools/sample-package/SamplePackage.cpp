// Plays Melvane's real installer package: installs the demo product
// (Melvane.exe), a data file and the uninstaller (uninst.ep) into the install
// folder and reports through the package's output protocol.
//
// Switches: /S -console=show -version=... -adminact= -authorizationact= -dsc=
// -ssc= [-inslang="..."] [-instdir="..."] [/D=<folder>, last and unquoted].
// The switches received are written to install.log in the folder.
//
// Test behaviours, as a comma-separated list in the switch -sample= or in
// the environment variable MELVANE_SAMPLE:
//   fail            State=Fail after some progress
//   error           an Error= line, nothing after it
//   error-success   an Error= line and State=Success in one write
//   crash           an access violation after the first progress line
//   exit:N          no output at all, exit code N
//   cp936           Encode=936, paths in code page 936
//   split           every line written in two pieces (a multi-byte character
//                   split between them where the line has one), the last line
//                   without its line feed
//   stderr          a burst of 1 MiB on standard error first
//   message         a Message= line
//   slow            ten progress steps, 300 ms apart
//   startup:WORD    StartupStyle=WORD instead of UserStartup

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdlib>
#include <map>
#include <set>
#include <string>

namespace {

struct Options {
    std::set<std::wstring> flags;
    std::wstring startupStyle = L"UserStartup";
    int exitCode = -1;  // -1: run normally
    bool Has(const wchar_t* flag) const { return flags.count(flag) != 0; }
};

class Output {
public:
    explicit Output(const Options& options)
        : split_(options.Has(L"split")), codePage_(options.Has(L"cp936") ? 936 : CP_UTF8)
    {
    }

    void Line(const std::wstring& line, bool last = false) { Write(Encode(line) + (last && split_ ? "" : "\r\n")); }

    // Several lines as one write.
    void Lines(const std::wstring& text) { WriteAll(Encode(text)); }

private:
    std::string Encode(const std::wstring& text) const
    {
        if (text.empty()) return {};
        const int size = static_cast<int>(text.size());
        const int needed = ::WideCharToMultiByte(codePage_, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
        std::string bytes(static_cast<size_t>(needed), '\0');
        ::WideCharToMultiByte(codePage_, 0, text.data(), size, bytes.data(), needed, nullptr, nullptr);
        return bytes;
    }

    void Write(const std::string& bytes)
    {
        if (!split_) {
            WriteAll(bytes);
            return;
        }
        // Cut inside the first multi-byte character, else in the middle; the
        // pause makes the reader see the halves in separate reads.
        size_t cut = bytes.size() / 2;
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (static_cast<unsigned char>(bytes[i]) >= 0x80) {
                cut = i + 1;
                break;
            }
        }
        WriteAll(bytes.substr(0, cut));
        ::Sleep(250);
        WriteAll(bytes.substr(cut));
    }

    static void WriteAll(const std::string& bytes)
    {
        DWORD written = 0;
        ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                    nullptr);
    }

    bool split_;
    UINT codePage_;
};

std::wstring Environment(const wchar_t* name)
{
    wchar_t buffer[512] = {};
    const DWORD length = ::GetEnvironmentVariableW(name, buffer, 512);
    return length > 0 && length < 512 ? buffer : L"";
}

std::map<std::wstring, std::wstring> Switches()
{
    std::map<std::wstring, std::wstring> switches;
    int count = 0;
    wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    for (int i = 1; arguments && i < count; ++i) {
        const std::wstring argument = arguments[i];
        const size_t equals = argument.find(L'=');
        if (argument.rfind(L"/D=", 0) == 0) break;
        if (equals == std::wstring::npos) {
            switches.emplace(argument, L"");
        } else {
            switches.emplace(argument.substr(0, equals), argument.substr(equals + 1));
        }
    }
    ::LocalFree(arguments);
    // "/D=" is last and unquoted: the folder is the rest of the command line.
    const std::wstring commandLine = ::GetCommandLineW();
    const size_t at = commandLine.find(L" /D=");
    if (at != std::wstring::npos) switches[L"/D"] = commandLine.substr(at + 4);
    return switches;
}

Options ReadOptions(const std::map<std::wstring, std::wstring>& switches)
{
    const auto sample = switches.find(L"-sample");
    const std::wstring list = sample != switches.end() ? sample->second : Environment(L"MELVANE_SAMPLE");
    Options options;
    size_t begin = 0;
    while (begin <= list.size()) {
        size_t end = list.find(L',', begin);
        if (end == std::wstring::npos) end = list.size();
        const std::wstring item = list.substr(begin, end - begin);
        if (item.rfind(L"exit:", 0) == 0) {
            options.exitCode = std::wcstol(item.c_str() + 5, nullptr, 10);
        } else if (item.rfind(L"startup:", 0) == 0) {
            options.startupStyle = item.substr(8);
        } else if (!item.empty()) {
            options.flags.insert(item);
        }
        begin = end + 1;
    }
    return options;
}

bool CreateFolders(const std::wstring& folder)
{
    for (size_t at = folder.find(L'\\', 3); at != std::wstring::npos; at = folder.find(L'\\', at + 1)) {
        ::CreateDirectoryW(folder.substr(0, at).c_str(), nullptr);
    }
    return ::CreateDirectoryW(folder.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

bool WriteBytes(const std::wstring& path, const void* data, DWORD size)
{
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = ::WriteFile(file, data, size, &written, nullptr) && written == size;
    ::CloseHandle(file);
    return ok;
}

bool Extract(const wchar_t* resource, const std::wstring& path)
{
    HRSRC found = ::FindResourceW(nullptr, resource, MAKEINTRESOURCEW(10));  // RT_RCDATA
    HGLOBAL loaded = found ? ::LoadResource(nullptr, found) : nullptr;
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    return data && WriteBytes(path, data, ::SizeofResource(nullptr, found));
}

std::string Utf8(const std::wstring& text)
{
    const int needed = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(needed), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, bytes.data(), needed, nullptr, nullptr);
    bytes.pop_back();
    return bytes;
}

std::wstring InstallFolder(const std::map<std::wstring, std::wstring>& switches)
{
    for (const wchar_t* name : {L"-instdir", L"/D"}) {
        const auto found = switches.find(name);
        if (found != switches.end() && !found->second.empty()) return found->second;
    }
    wchar_t programFiles[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, programFiles);
    return std::wstring(programFiles) + L"\\Melvane";
}

void Progress(Output& out, double fraction, const Options& options)
{
    out.Line(L"Progress=" + std::to_wstring(fraction));
    if (options.Has(L"slow")) ::Sleep(300);
}

} // namespace

int wmain()
{
    const std::map<std::wstring, std::wstring> switches = Switches();
    const Options options = ReadOptions(switches);
    if (options.exitCode >= 0) return options.exitCode;

    Output out(options);
    if (options.Has(L"stderr")) {
        const std::string burst(1024 * 1024, 'E');
        DWORD written = 0;
        ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), burst.data(), static_cast<DWORD>(burst.size()), &written,
                    nullptr);
    }
    out.Line(options.Has(L"cp936") ? L"Encode=936" : L"Encode=UTF8");
    Progress(out, 0.1, options);
    if (options.Has(L"crash")) *static_cast<volatile int*>(nullptr) = 1;

    for (const wchar_t* required : {L"/S", L"-version", L"-adminact", L"-authorizationact", L"-dsc", L"-ssc"}) {
        if (!switches.count(required)) {
            out.Line(L"Error=missing switch " + std::wstring(required));
            return 2;
        }
    }

    const std::wstring folder = InstallFolder(switches);
    if (!CreateFolders(folder)) {
        out.Line(L"Error=cannot create " + folder);
        return 3;
    }
    if (options.Has(L"slow")) {
        for (int step = 2; step < 10; ++step) Progress(out, step / 10.0, options);
    }
    Progress(out, 0.3, options);
    if (!Extract(L"PRODUCT", folder + L"\\Melvane.exe") || !Extract(L"PAYLOAD", folder + L"\\Melvane.dat") ||
        !Extract(L"UNINSTALLER", folder + L"\\uninst.ep")) {
        out.Line(L"Error=cannot write into " + folder);
        return 4;
    }
    Progress(out, 0.5, options);
    if (options.Has(L"fail")) {
        out.Line(L"State=Fail");
        return 1;
    }
    if (options.Has(L"error")) {
        out.Line(L"Error=磁盘写入失败");
        return 1;
    }
    if (options.Has(L"error-success")) {
        out.Lines(L"Error=磁盘写入失败\r\nState=Success\r\n");
        return 0;
    }

    std::string log;
    for (const auto& entry : switches) log += Utf8(entry.first) + "=" + Utf8(entry.second) + "\r\n";
    WriteBytes(folder + L"\\install.log", log.data(), static_cast<DWORD>(log.size()));
    Progress(out, 0.8, options);

    if (options.Has(L"message")) out.Line(L"Message=欢迎使用 Melvane");
    out.Line(L"InstPath=" + folder);
    out.Line(L"ExePath=" + folder + L"\\Melvane.exe");
    out.Line(L"UninstEp=" + folder + L"\\uninst.ep");
    out.Line(L"StartupStyle=" + options.startupStyle);
    out.Line(L"TopShowDetention=3000");
    out.Line(L"FinsihCloseDetention=0");
    Progress(out, 1.0, options);
    out.Line(L"State=Success", true);
    return 0;
}
