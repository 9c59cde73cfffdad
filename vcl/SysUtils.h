// The one failure type of the component layer. Everything the platform or a library refuses
// becomes an Exception with a readable message; the application loop reports it.
#pragma once

#include <stdexcept>
#include <string>

namespace vcl {

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// A platform resource (timer, window, display) could not be had.
class EOutOfResources : public Exception {
    using Exception::Exception;
};

// A window definition could not be read; the message names the line.
class EReadError : public Exception {
    using Exception::Exception;
};

// A picture or icon stream is not what its class can decode.
class EInvalidGraphic : public Exception {
    using Exception::Exception;
};

}  // namespace vcl
