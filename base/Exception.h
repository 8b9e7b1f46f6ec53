// The program's errors: exceptions that carry only a message for the user.
#pragma once

#include <exception>
#include <string>

namespace dovex {

class Exception : public std::exception {
public:
    explicit Exception(std::wstring message) : FMessage(std::move(message)) {}
    const std::wstring& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return "Dovex error (see Message())"; }

private:
    std::wstring FMessage;
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
