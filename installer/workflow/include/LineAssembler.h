#pragma once

#include <string>
#include <vector>

// Cuts a child's byte stream into lines at '\n'. An unfinished line is kept
// until its line feed arrives, so neither a line nor a multi-byte character
// in it is ever split between two reads.
class LineAssembler {
public:
    // A line that grows past this without a line feed is handed on as it is,
    // so a child cannot make the reader hold unbounded memory.
    static constexpr size_t kMaxLineBytes = 64 * 1024;

    // Appends the lines completed by data (without their line feed).
    void Append(const char* data, size_t size, std::vector<std::string>& lines);
    // Appends the unfinished rest, if any, as a last line.
    void Flush(std::vector<std::string>& lines);

private:
    void Emit(std::string line, std::vector<std::string>& lines);

    std::string pending_;
};
