#include "Utils/Pipe.h"

#include "Utils/Exception.h"

namespace Utils {

Pipe::Pipe()
{
    SECURITY_ATTRIBUTES sa{};
    sa.nLength = sizeof(sa);
    sa.bInheritHandle = TRUE;
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &sa, 0)) throw Exception();
    readEnd_.Reset(readEnd);
    writeEnd_.Reset(writeEnd);
}

} // namespace Utils
