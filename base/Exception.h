// The program's errors: a message for the user and, where a system call failed, the system's error code.
#pragma once

#include <exception>
#include <string>

namespace dovex {

class Exception : public std::exception {
public:
    explicit Exception(std::wstring message, unsigned long code = 0)
        : FMessage(std::move(message)), FCode(code) {}
    const std::wstring& Message() const noexcept { return FMessage; }
    // The system's error code of the failure behind the message; 0 when there is none.
    unsigned long Code() const noexcept { return FCode; }
    const char* what() const noexcept override { return "Dovex error (see Message())"; }

private:
    std::wstring FMessage;
    unsigned long FCode = 0;
};

// A text that is not the number it should be.
class EConvertError : public Exception {
    using Exception::Exception;
};

// An index outside a list.
class EListError : public Exception {
    using Exception::Exception;
};

} // namespace dovex
