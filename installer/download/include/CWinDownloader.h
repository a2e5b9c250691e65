#pragma once

#include "CDownloader.h"
#include "RunWorker.h"
#include "StopSignal.h"

#include <windows.h>
#include <urlmon.h>

#include <atomic>
#include <string>

// Hands the whole transfer to the system's URL download service, with up to
// three attempts one second apart, progress through a bind-status callback,
// no resuming and no digest check. Each Start begins a new run on a new
// worker.
class CWinDownloader : public CDownloader {
public:
    static constexpr const wchar_t* kName = L"URLDownloadToFile";

    // The bind-status callback given to the service. It lives as long as the
    // downloader, so it counts no references and offers no other interfaces.
    class CBindCallback : public IBindStatusCallback {
    public:
        CBindCallback() = default;
        virtual ~CBindCallback();

        CBindCallback(const CBindCallback&) = delete;
        CBindCallback& operator=(const CBindCallback&) = delete;

        void SetCallback(DownloadEventCallback callback) { callback_ = std::move(callback); }
        // Makes the service cancel the download at its next progress report.
        void Abort() { abort_ = true; }

        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
        ULONG STDMETHODCALLTYPE AddRef() override;
        ULONG STDMETHODCALLTYPE Release() override;
        HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD reserved, IBinding* binding) override;
        HRESULT STDMETHODCALLTYPE GetPriority(LONG* priority) override;
        HRESULT STDMETHODCALLTYPE OnLowResource(DWORD reserved) override;
        HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG status,
                                             LPCWSTR text) override;
        HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT result, LPCWSTR error) override;
        HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD* flags, BINDINFO* info) override;
        HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD flags, DWORD size, FORMATETC* format,
                                                  STGMEDIUM* medium) override;
        HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID iid, IUnknown* object) override;

    private:
        DownloadEventCallback callback_;
        std::atomic<bool> abort_{false};
    };

    CWinDownloader(DownloadEventCallback callback, std::wstring url, std::wstring path);
    // Cancels the run under way and waits for its worker; no event follows.
    ~CWinDownloader() override;

    void Start() override;

private:
    static constexpr int kAttempts = 3;
    static constexpr DWORD kPauseMs = 1000;

    void Run();
    void Send(int code, double value, const wchar_t* text);

    CBindCallback bindCallback_;
    DownloadEventCallback callback_;
    std::wstring path_;
    std::wstring url_;
    StopSignal stop_;
    RunWorker worker_;
};
