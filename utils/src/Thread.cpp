#include "Utils/Thread.h"

#include "Utils/Text.h"
#include "Utils/Trace.h"

#include <process.h>

namespace Utils {

namespace {
constexpr DWORD kSetThreadNameException = 0x406D1388;

#pragma pack(push, 8)
struct ThreadNameInfo {
    DWORD type;       // 0x1000
    LPCSTR name;
    DWORD threadId;
    DWORD flags;
};
#pragma pack(pop)

LONG CALLBACK IgnoreThreadNameException(EXCEPTION_POINTERS* info)
{
    return info->ExceptionRecord->ExceptionCode == kSetThreadNameException ? EXCEPTION_CONTINUE_EXECUTION
                                                                           : EXCEPTION_CONTINUE_SEARCH;
}
} // namespace

void Thread::SetDebuggerName(DWORD threadId, const std::string& name)
{
    ThreadNameInfo info{0x1000, name.c_str(), threadId, 0};
    // GCC has no __try; a vectored handler swallows the exception when no
    // debugger took it first.
    PVOID handler = ::AddVectoredExceptionHandler(1, IgnoreThreadNameException);
    if (!handler) return;
    ::RaiseException(kSetThreadNameException, 0, sizeof(info) / sizeof(ULONG_PTR),
                     reinterpret_cast<const ULONG_PTR*>(&info));
    ::RemoveVectoredExceptionHandler(handler);
}

Thread::Thread(void* argument, std::wstring name, Function function)
    : function_(std::move(function)), argument_(argument), name_(std::move(name))
{
    unsigned id = 0;
    const uintptr_t handle = ::_beginthreadex(nullptr, 0, &Thread::CallBack, this, CREATE_SUSPENDED, &id);
    if (handle == 0) return;
    handle_.Reset(reinterpret_cast<HANDLE>(handle));
    threadId_ = id;
    const std::string debuggerName = name_.empty() ? "t" + std::to_string(id) : ToNarrow(name_, kAnsiCodePage);
    SetDebuggerName(id, debuggerName);
}

Thread::~Thread()
{
    if (handle_ && !resumed_) {
        cancelled_ = true;
        Resume();
    }
    Join();
}

bool Thread::Resume()
{
    if (!handle_ || resumed_) return false;
    resumed_ = ::ResumeThread(handle_.Get()) != static_cast<DWORD>(-1);
    return resumed_;
}

void Thread::Join()
{
    if (!handle_) return;
    if (::GetCurrentThreadId() != threadId_) ::WaitForSingleObject(handle_.Get(), INFINITE);
    handle_.Reset();
    threadId_ = static_cast<DWORD>(-1);
}

unsigned __stdcall Thread::CallBack(void* self)
{
    auto* thread = static_cast<Thread*>(self);
    TRACE(L"THREAD BEGIN\r\n");
    if (!thread->cancelled_ && thread->function_) thread->function_(thread->argument_);
    TRACE(L"THREAD END\r\n");
    ::_endthreadex(0);
    return 0;
}

} // namespace Utils
