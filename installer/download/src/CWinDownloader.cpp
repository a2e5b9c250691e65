#include "CWinDownloader.h"

#include "Utils/Text.h"
#include "Utils/Trace.h"

namespace {

// COM for the calling thread, in a single-threaded apartment.
class ComApartment {
public:
    ComApartment() : result_(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment()
    {
        if (SUCCEEDED(result_)) ::CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    HRESULT result_;
};

} // namespace

CWinDownloader::CBindCallback::~CBindCallback()
{
    abort_ = true;
}

HRESULT CWinDownloader::CBindCallback::QueryInterface(REFIID, void** object)
{
    if (object) *object = nullptr;
    return E_NOTIMPL;
}

ULONG CWinDownloader::CBindCallback::AddRef()
{
    return 0;
}

ULONG CWinDownloader::CBindCallback::Release()
{
    return 0;
}

HRESULT CWinDownloader::CBindCallback::OnStartBinding(DWORD, IBinding*)
{
    return E_NOTIMPL;
}

HRESULT CWinDownloader::CBindCallback::GetPriority(LONG*)
{
    return E_NOTIMPL;
}

HRESULT CWinDownloader::CBindCallback::OnLowResource(DWORD)
{
    return E_NOTIMPL;
}

HRESULT CWinDownloader::CBindCallback::OnProgress(ULONG progress, ULONG progressMax, ULONG, LPCWSTR)
{
    if (abort_) return E_ABORT;
    // No total known, no fraction to report.
    if (progressMax == 0) return S_OK;
    if (callback_) callback_(DL_CODE_PROGRESS, static_cast<double>(progress) / static_cast<double>(progressMax), L"");
    return S_OK;
}

HRESULT CWinDownloader::CBindCallback::OnStopBinding(HRESULT, LPCWSTR)
{
    return E_NOTIMPL;
}

HRESULT CWinDownloader::CBindCallback::GetBindInfo(DWORD*, BINDINFO* info)
{
    if (info) info->dwCodePage = CP_UTF8;
    return E_NOTIMPL;
}

HRESULT CWinDownloader::CBindCallback::OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*)
{
    return E_NOTIMPL;
}

HRESULT CWinDownloader::CBindCallback::OnObjectAvailable(REFIID, IUnknown*)
{
    return E_NOTIMPL;
}

CWinDownloader::CWinDownloader(DownloadEventCallback callback, std::wstring url, std::wstring path)
    : callback_(std::move(callback)), path_(std::move(path)), url_(std::move(url)), worker_(L"ABDEF", [this] { Run(); })
{
}

CWinDownloader::~CWinDownloader()
{
    stop_.Set();
    bindCallback_.Abort();
    worker_.Close();
}

void CWinDownloader::Start()
{
    worker_.Start();
}

void CWinDownloader::Send(int code, double value, const wchar_t* text)
{
    if (!stop_.IsSet() && callback_) callback_(code, value, text);
}

void CWinDownloader::Run()
{
    // Given here, on the only thread that reads it.
    bindCallback_.SetCallback(callback_);
    ComApartment apartment;
    Send(DL_CODE_START, 1.0, L"");
    if (path_.empty()) {
        // Nothing could be written anywhere: the run ends here.
        Send(DL_CODE_FAIL, 1.0, L"");
        return;
    }

    const std::wstring source = url_.compare(0, 8, L"file:///") == 0 ? url_ : Utils::UrlEncode(url_);
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        const HRESULT result = ::URLDownloadToFileW(nullptr, source.c_str(), path_.c_str(), 0, &bindCallback_);
        if (result == S_OK) {
            Send(DL_CODE_SUCCESS, 0.0, kName);
            return;
        }
        TRACE(L"attempt %d: 0x%08lx\r\n", attempt, static_cast<unsigned long>(result));
        if (!stop_.Pause(kPauseMs)) return;
        if (attempt == kAttempts) Send(DL_CODE_FAIL, static_cast<double>(result), kName);
    }
}
