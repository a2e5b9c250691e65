#include "Utils/SingleInstance.h"

namespace Utils {

std::wstring SingleInstance::MutexName(const std::wstring& name)
{
    return L"D1A547DB89C0BC61_" + name;
}

bool SingleInstance::Acquire()
{
    if (mutex_) return true;
    UniqueHandle mutex(::CreateMutexW(nullptr, TRUE, MutexName(name_).c_str()));
    if (!mutex || ::GetLastError() == ERROR_ALREADY_EXISTS) return false;
    mutex_ = std::move(mutex);
    return true;
}

void SingleInstance::Release()
{
    if (!mutex_) return;
    ::ReleaseMutex(mutex_.Get());
    mutex_.Reset();
}

} // namespace Utils
