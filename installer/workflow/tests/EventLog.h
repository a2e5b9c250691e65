#pragma once

#include "DownloadEventCallback.h"

#include <mutex>
#include <ostream>
#include <string>
#include <vector>

struct Event {
    int code;
    double value;
    std::wstring text;

    bool operator==(const Event& other) const
    {
        return code == other.code && value == other.value && text == other.text;
    }
};

inline std::ostream& operator<<(std::ostream& out, const Event& event)
{
    out << "{" << event.code << ", " << event.value << ", \"";
    for (wchar_t c : event.text) {
        if (c >= 0x20 && c < 0x7F) {
            out << static_cast<char>(c);
        } else {
            out << "\\u" << std::hex << static_cast<unsigned>(c) << std::dec;
        }
    }
    return out << "\"}";
}

// Records every event a runner sends, from whatever thread sends it.
class EventLog {
public:
    DownloadEventCallback Callback()
    {
        return [this](int code, double value, const wchar_t* text) {
            std::lock_guard<std::mutex> lock(mutex_);
            events_.push_back({code, value, text ? text : L""});
        };
    }

    std::vector<Event> Events() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }

    std::vector<Event> WithCode(int code) const
    {
        std::vector<Event> found;
        for (const Event& event : Events()) {
            if (event.code == code) found.push_back(event);
        }
        return found;
    }

private:
    mutable std::mutex mutex_;
    std::vector<Event> events_;
};
