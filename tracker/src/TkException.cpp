#include "tracker/TkException.h"

namespace tavik::tracking {

TkException::TkException(std::string message, std::string sourceFile, std::string function, int line)
    : message_(std::move(message)), sourceFile_(std::move(sourceFile)), function_(std::move(function)), line_(line)
{
}

} // namespace tavik::tracking
