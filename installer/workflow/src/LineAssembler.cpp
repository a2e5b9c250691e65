#include "LineAssembler.h"

#include <algorithm>

void LineAssembler::Append(const char* data, size_t size, std::vector<std::string>& lines)
{
    const char* end = data + size;
    while (data != end) {
        const char* feed = std::find(data, end, '\n');
        pending_.append(data, feed);
        if (feed == end) break;
        Emit(std::move(pending_), lines);
        pending_.clear();
        data = feed + 1;
    }
    if (pending_.size() >= kMaxLineBytes) Flush(lines);
}

void LineAssembler::Flush(std::vector<std::string>& lines)
{
    if (pending_.empty()) return;
    Emit(std::move(pending_), lines);
    pending_.clear();
}

void LineAssembler::Emit(std::string line, std::vector<std::string>& lines)
{
    // The protocol's lines are C strings: a zero byte ends one.
    line.resize(std::min(line.size(), line.find('\0')));
    lines.push_back(std::move(line));
}
