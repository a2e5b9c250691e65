#pragma once

#include <exception>
#include <optional>
#include <string>

namespace Utils {

// The utility library's exception; the message may be absent.
class Exception : public std::exception {
public:
    Exception() = default;
    explicit Exception(std::string message) : message_(std::move(message)) {}

    const char* what() const noexcept override
    {
        return message_ ? message_->c_str() : "Unknown exception";
    }

private:
    std::optional<std::string> message_;
};

} // namespace Utils
