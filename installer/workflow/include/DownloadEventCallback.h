#pragma once

#include <functional>

// Receives the events of a download or of the package and uninstaller runs:
// (code, value, text). May be called from any thread; text is only valid for
// the duration of the call.
using DownloadEventCallback = std::function<void(int code, double value, const wchar_t* text)>;
