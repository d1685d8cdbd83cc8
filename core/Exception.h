// Exception base of the system and the small errors every subsystem shares:
// the conversion error of the string-to-integer conversion and of Assign,
// and the format error of name patterns.
#pragma once

#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::string Message)
        : FMessage(std::move(Message))
    {
    }
    const std::string& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FMessage.c_str(); }

private:
    std::string FMessage;
};

// Raised by the standard string-to-integer conversion and by Assign of an
// unknown source.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// Raised when a format pattern does not fit its arguments.
class EFormatError : public Exception {
public:
    using Exception::Exception;
};

// A bounds error of a list or collection.
class EListError : public Exception {
public:
    using Exception::Exception;
};
