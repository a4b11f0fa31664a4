#pragma once

#include <exception>
#include <optional>
#include <stdexcept>
#include <string>

namespace velmora {

// The base exception class: a UTF-8 message and, where it wraps another failure, that inner one.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message, std::exception_ptr inner = nullptr)
        : std::runtime_error(message), inner_(std::move(inner)) {}

    std::string Message() const { return what(); }
    const std::exception_ptr& InnerException() const { return inner_; }

private:
    std::exception_ptr inner_;
};

// The silent cancel: a login the user gave up. Nobody shows it.
class EAbort : public Exception {
public:
    EAbort() : Exception("Operation aborted") {}

protected:
    explicit EAbort(const std::string& message) : Exception(message) {}
};

// Errors of the components themselves, such as "Connection is not defined".
class EDatabaseError : public Exception {
public:
    using Exception::Exception;
};

// A database error with a numeric error code and the component on whose behalf it happened.
class EDAError : public EDatabaseError {
public:
    EDAError(const std::string& message, int errorCode, std::exception_ptr inner = nullptr)
        : EDatabaseError(message, std::move(inner)), errorCode_(errorCode) {}

    int ErrorCode() const { return errorCode_; }
    const std::string& Component() const { return component_; }
    void SetComponent(std::string name) { component_ = std::move(name); }

    // Whether the error has ended the session: the connection must be closed and opened anew.
    virtual bool IsFatalError() const { return false; }
    // Whether a unique key rejected the statement.
    virtual bool IsKeyViolation() const { return false; }
    // The SQLSTATE of the server's error; empty for a failure of the client or the network.
    virtual std::string SqlState() const { return {}; }
    // Whether the statement may or may not have run: the connection was lost after it was sent and
    // before its answer arrived, so only the server's state tells.
    virtual bool IsInDoubt() const { return false; }

private:
    int errorCode_;
    std::string component_;
};

// A character the SQL lexer does not know.
class EParserError : public Exception {
public:
    using Exception::Exception;
};

// The message a user is shown for a failure: that of the innermost wrapped exception.
std::string InnermostMessage(const std::exception& e);

// A copy of the exception of class E that e is or wraps at any depth; nothing when there is none.
// Callers ask what a component's error stands for: a connection raises its own class around the
// provider's error.
template <class E>
std::optional<E> WrappedException(const std::exception& e) {
    if (const auto* wanted = dynamic_cast<const E*>(&e))
        return *wanted;
    const auto* wrapper = dynamic_cast<const Exception*>(&e);
    if (wrapper == nullptr || !wrapper->InnerException())
        return std::nullopt;
    try {
        std::rethrow_exception(wrapper->InnerException());
    } catch (const std::exception& inner) {
        return WrappedException<E>(inner);
    } catch (...) {
    }
    return std::nullopt;
}

} // namespace velmora
