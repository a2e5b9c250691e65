#include "ChildRunner.h"

#include "Utils/Exception.h"
#include "Utils/Text.h"
#include "Utils/Trace.h"

#include <algorithm>

namespace {
constexpr DWORD kReadSize = 1024;
constexpr DWORD kPollMilliseconds = 100;
} // namespace

ChildRunner::~ChildRunner()
{
    Finish();
}

bool ChildRunner::Start(const std::wstring& commandLine)
{
    if (commandLine.size() >= kCommandLineCapacity) {
        TRACE(L"command line of %u characters is too long\r\n", static_cast<unsigned>(commandLine.size()));
        return false;
    }
    try {
        error_ = std::make_unique<Utils::Pipe>();
        output_ = std::make_unique<Utils::Pipe>();
        input_ = std::make_unique<Utils::Pipe>();
    } catch (const Utils::Exception&) {
        TRACE(L"CreatePipe failed: %lu\r\n", ::GetLastError());
        return false;
    }
    // Only the child's ends may be inherited, or the parent's own copies would
    // keep the pipes open after the child has gone.
    ::SetHandleInformation(output_->ReadEnd(), HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(error_->ReadEnd(), HANDLE_FLAG_INHERIT, 0);
    ::SetHandleInformation(input_->WriteEnd(), HANDLE_FLAG_INHERIT, 0);

    wchar_t buffer[kCommandLineCapacity] = {};
    std::copy(commandLine.begin(), commandLine.end(), buffer);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = input_->ReadEnd();
    startup.hStdOutput = output_->WriteEnd();
    startup.hStdError = error_->WriteEnd();
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, buffer, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
        TRACE(L"CreateProcessW failed: %lu\r\n", ::GetLastError());
        return false;
    }
    process_.Reset(info.hProcess);
    thread_.Reset(info.hThread);
    output_->CloseWriteEnd();
    error_->CloseWriteEnd();
    input_->CloseReadEnd();

    drainStop_.Reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    errorDrain_ = std::make_unique<Utils::Thread>(this, L"ChildStdErr",
                                                  [](void* self) { static_cast<ChildRunner*>(self)->DrainErrors(); });
    errorDrain_->Resume();
    return true;
}

bool ChildRunner::ReadLines(std::vector<std::string>& lines)
{
    if (!process_ || outputDone_) return false;
    for (;;) {
        // Peeking instead of a blocking read: the end of the child is noticed
        // even when another process has inherited the pipe's write end.
        DWORD available = 0;
        if (!::PeekNamedPipe(output_->ReadEnd(), nullptr, 0, nullptr, &available, nullptr)) break;
        if (available > 0) {
            char buffer[kReadSize];
            DWORD read = 0;
            if (!::ReadFile(output_->ReadEnd(), buffer, std::min(available, kReadSize), &read, nullptr) || read == 0) {
                break;
            }
            const size_t before = lines.size();
            assembler_.Append(buffer, read, lines);
            if (lines.size() != before) return true;
            continue;
        }
        // Only output written before the end was seen counts; the check comes
        // after the pipe was found empty so none of it is lost.
        if (ended_) break;
        ended_ = ::WaitForSingleObject(process_.Get(), kPollMilliseconds) == WAIT_OBJECT_0;
    }
    outputDone_ = true;
    assembler_.Flush(lines);
    return false;
}

int ChildRunner::ReadOutput(const unsigned& codePage, const std::function<int(const std::wstring&)>& handle,
                            bool stopOnResult)
{
    int result = 0;
    std::vector<std::string> lines;
    bool more = true;
    while (more && !(stopOnResult && result != 0)) {
        lines.clear();
        more = ReadLines(lines);
        // Every line of one read is handled, even after one that gave a result.
        for (const std::string& line : lines) {
            const int lineResult = handle(Utils::ToWide(line, codePage));
            if (lineResult != 0) result = lineResult;
        }
    }
    return result;
}

DWORD ChildRunner::Finish()
{
    if (!process_) return 0;
    std::vector<std::string> ignored;
    while (ReadLines(ignored)) ignored.clear();
    ::WaitForSingleObject(process_.Get(), INFINITE);
    DWORD exitCode = 0;
    ::GetExitCodeProcess(process_.Get(), &exitCode);
    ::SetEvent(drainStop_.Get());
    errorDrain_.reset();
    drainStop_.Reset();
    process_.Reset();
    thread_.Reset();
    input_.reset();
    output_.reset();
    error_.reset();
    return exitCode;
}

void ChildRunner::DrainErrors()
{
    // Polled like the output, so a process that inherited the write end
    // cannot keep this thread, and so Finish, waiting.
    const HANDLE errors = error_->ReadEnd();
    unsigned long long total = 0;
    for (;;) {
        DWORD available = 0;
        if (!::PeekNamedPipe(errors, nullptr, 0, nullptr, &available, nullptr)) break;
        if (available > 0) {
            char buffer[4096];
            DWORD read = 0;
            if (!::ReadFile(errors, buffer, std::min<DWORD>(available, sizeof(buffer)), &read, nullptr)) break;
            total += read;
            continue;
        }
        if (::WaitForSingleObject(drainStop_.Get(), kPollMilliseconds) != WAIT_TIMEOUT) break;
    }
    if (total > 0) TRACE(L"the child wrote %llu bytes to standard error\r\n", total);
}
