#pragma once
// The exception classes of the engine and of the platform's arithmetic. Every error the
// program reports derives from Exception, whose what() is the message shown to the user.
#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : Message(std::move(message)) {}
    const char* what() const noexcept override { return Message.c_str(); }

    std::string Message;
};

// An error in a text the user typed; Position is the offset into that text.
class EPositionedError : public Exception {
public:
    EPositionedError(std::string message, int position)
        : Exception(std::move(message)), Position(position) {}

    int Position;
};

class EScanError : public EPositionedError {
public:
    using EPositionedError::EPositionedError;
};

class EParseError : public EPositionedError {
public:
    using EPositionedError::EPositionedError;
};

class EEvalError : public EPositionedError {
public:
    using EPositionedError::EPositionedError;
};

// Evaluation of an empty tree.
class EFatalError : public Exception {
public:
    using Exception::Exception;
};

// A text that is not a number of the expected form.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// Platform arithmetic errors. Floating-point arithmetic runs with all exceptions masked, so
// these arise only where our own code checks: a real converted to a 32-bit integer out of
// range (EInvalidOp) and integer division by zero (EDivByZero).
class EMathError : public Exception {
public:
    using Exception::Exception;
};

class EInvalidOp : public EMathError {
public:
    EInvalidOp() : EMathError("Invalid floating point operation") {}
};

class EZeroDivide : public EMathError {
public:
    EZeroDivide() : EMathError("Floating point division by zero") {}
};

class EOverflow : public EMathError {
public:
    EOverflow() : EMathError("Floating point overflow") {}
};

class EIntError : public Exception {
public:
    using Exception::Exception;
};

class EDivByZero : public EIntError {
public:
    EDivByZero() : EIntError("Division by zero") {}
};
