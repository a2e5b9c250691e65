#pragma once

#include <stdexcept>
#include <string>

namespace tavik::tracking {

// Bad input to a tracker operation: the message, and where it was refused.
class TkException : public std::exception {
public:
    TkException(std::string message, std::string sourceFile, std::string function, int line);

    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& sourceFile() const { return sourceFile_; }
    const std::string& function() const { return function_; }
    int line() const { return line_; }

private:
    std::string message_;
    std::string sourceFile_;
    std::string function_;
    int line_;
};

// The source names the exceptions carry.
constexpr const char* kTrackerImplSource = "..\\..\\..\\..\\source\\src\\TrackerImpl";
constexpr const char* kContextPropertiesSource = "..\\..\\..\\..\\source\\src\\TkContextProperties";

} // namespace tavik::tracking

// Throws a TkException carrying this line.
#define TK_THROW(source, function, message) \
    throw ::tavik::tracking::TkException((message), (source), (function), __LINE__)
