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

// An expected outcome that a command reports to the user in a message box of a
// given kind (the desktop program) or on standard error (the command-line program).
class UserMessage : public Error {
public:
    enum Kind { ErrorBox, WarningBox, InformationBox, PlainBox };
    UserMessage(Kind kind, const std::string& text) : Error(text), kind_(kind) {}
    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

} // namespace zerath
