#pragma once
#include <stdexcept>
#include <string>

namespace zerath {

// Every failure in core is an exception that carries the text the user sees.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The platform's division-by-zero error of the arithmetic.
class EDivByZero : public Error {
public:
    explicit EDivByZero(const std::string& msg = "Division by zero") : Error(msg) {}
};

// File-system failures; the message is the runtime's text for the cause.
class EFileError : public Error {
public:
    using Error::Error;
};

} // namespace zerath
