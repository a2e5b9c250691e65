#pragma once

#include "LineAssembler.h"
#include "Utils/Pipe.h"
#include "Utils/Thread.h"
#include "Utils/UniqueHandle.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// One hidden child process whose standard handles are anonymous pipes: its
// output is read as lines, its standard error is drained and dropped so that
// it can never fill up and stall the child.
class ChildRunner {
public:
    // The command line must be shorter than this.
    static constexpr size_t kCommandLineCapacity = 1024;

    ChildRunner() = default;
    // Waits for a started child to end (see Finish).
    ~ChildRunner();

    ChildRunner(const ChildRunner&) = delete;
    ChildRunner& operator=(const ChildRunner&) = delete;

    // false when the command line is too long or a pipe or the process cannot
    // be created; nothing runs then.
    bool Start(const std::wstring& commandLine);

    // Waits for output and appends the lines it completes. false once the
    // child has ended and its output is used up; a last line that had no line
    // feed is appended in that call.
    bool ReadLines(std::vector<std::string>& lines);

    // Reads the output to its end, decoding each line with the code page in
    // force when the line is reached (a line may change it) and handing it to
    // handle, which returns 0 or a result. With stopOnResult, reading stops
    // after the read whose lines gave a result. Returns the last result, or 0.
    int ReadOutput(const unsigned& codePage, const std::function<int(const std::wstring&)>& handle,
                   bool stopOnResult);

    // Reads and drops the rest of the output so the child cannot block on a
    // full pipe, waits for it to end, closes every handle and returns its exit
    // code.
    DWORD Finish();

private:
    void DrainErrors();

    std::unique_ptr<Utils::Pipe> input_;
    std::unique_ptr<Utils::Pipe> output_;
    std::unique_ptr<Utils::Pipe> error_;
    Utils::UniqueHandle process_;
    Utils::UniqueHandle thread_;
    Utils::UniqueHandle drainStop_;
    std::unique_ptr<Utils::Thread> errorDrain_;
    LineAssembler assembler_;
    bool ended_ = false;
    bool outputDone_ = false;
};
