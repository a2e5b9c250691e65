#pragma once

#include "Utils/UniqueHandle.h"

namespace Utils {

// An anonymous pipe whose two ends are inheritable by child processes.
// Construction throws Utils::Exception (no message) when the pipe cannot be made.
class Pipe {
public:
    Pipe();
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    HANDLE WriteEnd() const { return writeEnd_.Get(); }
    HANDLE ReadEnd() const { return readEnd_.Get(); }

    // Lets the parent drop its copy of one end once the child has inherited it,
    // so that end-of-file is seen when the child exits.
    void CloseWriteEnd() { writeEnd_.Reset(); }
    void CloseReadEnd() { readEnd_.Reset(); }
    void Close()
    {
        CloseWriteEnd();
        CloseReadEnd();
    }

private:
    UniqueHandle writeEnd_;
    UniqueHandle readEnd_;
};

} // namespace Utils
