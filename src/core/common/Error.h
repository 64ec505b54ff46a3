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

// File-system failures; the message is the runtime's text for the cause, and
// the system's error number (0 when there is none) says it in its own words.
class EFileError : public Error {
public:
    explicit EFileError(const std::string& msg, int code = 0) : Error(msg), code_(code) {}
    int code() const { return code_; }

private:
    int code_;
};

// An expected outcome that a command reports to the user in a message box of a
// given kind (the desktop program) or on standard error (the command-line program).
class UserMessage : public Error {
public:
    enum Kind { ErrorBox, WarningBox, InformationBox, PlainBox };
    // osError: the system's error number behind it, 0 when none.
    UserMessage(Kind kind, const std::string& text, int osError = 0) : Error(text), kind_(kind), osError_(osError) {}
    Kind kind() const { return kind_; }
    int osError() const { return osError_; }

private:
    Kind kind_;
    int osError_;
};

// Inside a catch block: the system's error number the caught failure carries, or 0.
inline int currentOsError() noexcept
{
    try {
        throw;
    } catch (const EFileError& e) {
        return e.code();
    } catch (const UserMessage& e) {
        return e.osError();
    } catch (...) {
        return 0;
    }
}

} // namespace zerath
