#pragma once
// The framework's exception base and its stock subclasses. Every failure the
// libraries raise derives from Exception and carries only its message.
#include <stdexcept>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : FMessage(std::move(message)) {}
    const std::string& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FMessage.c_str(); }

private:
    std::string FMessage;
};

#define GW_DECLARE_EXCEPTION(Name, Base)                                \
    /* NOLINTNEXTLINE(bugprone-macro-parentheses): names, not values */ \
    class Name : public Base {                                          \
    public:                                                             \
        using Base::Base;                                               \
    };

GW_DECLARE_EXCEPTION(EStreamError, Exception)
GW_DECLARE_EXCEPTION(EReadError, EStreamError)
GW_DECLARE_EXCEPTION(EWriteError, EStreamError)
GW_DECLARE_EXCEPTION(EFOpenError, EStreamError)
GW_DECLARE_EXCEPTION(EFCreateError, EStreamError)
GW_DECLARE_EXCEPTION(EInvalidOperation, Exception)
GW_DECLARE_EXCEPTION(EConvertError, Exception)
GW_DECLARE_EXCEPTION(EListError, Exception)
GW_DECLARE_EXCEPTION(EOutOfResources, Exception)

// Arithmetic faults, raised where the hardware would trap or return a
// non-number, with the runtime's messages.
GW_DECLARE_EXCEPTION(EMathError, Exception)
GW_DECLARE_EXCEPTION(EInvalidOp, EMathError)   // "Invalid floating point operation"
GW_DECLARE_EXCEPTION(EZeroDivide, EMathError)  // "Floating point division by zero"
GW_DECLARE_EXCEPTION(EOverflow, EMathError)    // "Floating point overflow"
GW_DECLARE_EXCEPTION(EIntError, Exception)
GW_DECLARE_EXCEPTION(EDivByZero, EIntError)    // "Division by zero"
GW_DECLARE_EXCEPTION(EIntOverflow, EIntError)  // "Integer overflow"
