#include "StopSignal.h"

StopSignal::StopSignal() : event_(::CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
}

void StopSignal::Set()
{
    set_ = true;
    if (event_) ::SetEvent(event_.Get());
}

bool StopSignal::Pause(DWORD milliseconds) const
{
    if (set_) return false;
    if (event_) {
        ::WaitForSingleObject(event_.Get(), milliseconds);
    } else {
        ::Sleep(milliseconds);
    }
    return !set_;
}
