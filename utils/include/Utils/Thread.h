#pragma once

#include "Utils/UniqueHandle.h"

#include <atomic>
#include <functional>
#include <string>

namespace Utils {

// Runs one callable with one opaque argument on a new system thread. The
// thread is created suspended and named for debuggers; Resume lets it run.
// The object joins its thread when destroyed.
//
// The owner must not join or destroy the object from inside the callable: a
// thread cannot wait for itself. Join() detects that case and returns without
// waiting instead of hanging; the handle is closed and the thread finishes on
// its own.
class Thread {
public:
    using Function = std::function<void(void*)>;

    Thread(void* argument, std::wstring name, Function function);
    ~Thread();

    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    bool Created() const { return handle_.Valid(); }
    bool Resume();
    void Join();

    // The system thread id; (DWORD)-1 once joined.
    DWORD Id() const { return threadId_; }
    HANDLE Handle() const { return handle_.Get(); }

    // Debugger naming convention: exception 0x406D1388 with the name.
    static void SetDebuggerName(DWORD threadId, const std::string& name);

private:
    static unsigned __stdcall CallBack(void* self);

    DWORD threadId_ = static_cast<DWORD>(-1);
    UniqueHandle handle_;
    Function function_;
    void* argument_;
    std::wstring name_;
    bool resumed_ = false;
    // Set when the object is destroyed before Resume: the thread then ends
    // without calling the function.
    std::atomic<bool> cancelled_{false};
};

} // namespace Utils
