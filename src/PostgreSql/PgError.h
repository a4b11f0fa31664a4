#pragma once

#include "Common/Exceptions.h"

#include <string>
#include <string_view>

namespace velmora {

enum class TPgSeverity { sError, sFatal, sPanic, sWarning, sNotice, sDebug, sInfo, sLog };

// The fields of an ErrorResponse or a NoticeResponse.
struct TPgErrorFields {
    TPgSeverity Severity = TPgSeverity::sError;
    std::string ErrorCode; // the SQLSTATE
    std::string Message;
    std::string DetailMsg;
    std::string Hint;
    std::string CallStack;
    std::string FileName;
    std::string ProcedureName;
    int Position = 0;
    int LineNumber = 0;
};

// Maps the severity word of a server message; any unknown (for example translated) word is an error.
TPgSeverity ParsePgSeverity(std::string_view word);

// Decodes the body of an ErrorResponse or NoticeResponse: typed fields up to a zero field type. The
// untranslated severity ('V') wins over the localized one ('S') when the server sends both.
// Throws std::out_of_range when the body ends before its terminator.
TPgErrorFields ParsePgErrorFields(std::string_view body);

// Decodes the text form of an error of old servers, "FATAL:  message": severity word and message,
// split at the first colon; without one the whole text is the message of an error.
TPgErrorFields ParsePgLegacyErrorText(std::string_view text);

// Every server error and every protocol or socket failure of the PostgreSQL layer. Message() is the
// server's primary message; the numeric code of EDAError is the SQLSTATE read as a decimal number
// (0 unless it is all digits) or the socket error number.
class EPgError : public EDAError {
public:
    explicit EPgError(TPgErrorFields fields);
    // A failure of the client itself, or of the socket with its error number.
    EPgError(TPgSeverity severity, const std::string& message, int socketErrorCode = 0);
    // A fatal failure of the connection rather than an answer of the server: the server could not
    // be reached, or the connection broke off, timed out or was closed. A socket error is one.
    static EPgError ConnectionFailure(const std::string& message, int socketErrorCode = 0);

    TPgSeverity Severity() const { return fields_.Severity; }
    // The SQLSTATE as text, or the socket error number as text. Hides EDAError::ErrorCode(), the
    // number; ask the base class for that.
    const std::string& ErrorCode() const { return fields_.ErrorCode; }
    const std::string& DetailMsg() const { return fields_.DetailMsg; }
    const std::string& Hint() const { return fields_.Hint; }
    const std::string& CallStack() const { return fields_.CallStack; }
    const std::string& FileName() const { return fields_.FileName; }
    const std::string& ProcedureName() const { return fields_.ProcedureName; }
    int Position() const { return fields_.Position; }
    int LineNumber() const { return fields_.LineNumber; }

    bool IsConnectionFailure() const { return connectionFailure_; }
    bool IsFatalError() const override;
    bool IsKeyViolation() const override;
    std::string SqlState() const override;
    bool IsInDoubt() const override { return inDoubt_; }

    // The fatal error of a statement whose answer the lost connection took with it.
    static EPgError InDoubt(const std::string& message);

private:
    TPgErrorFields fields_;
    bool fromServer_ = false;
    bool inDoubt_ = false;
    bool connectionFailure_ = false;
};

// The server asks for a password and the log-on has none. Nothing was sent; the caller may obtain a
// password (a password file, the user) and connect again. Fatal, like every failed log-on.
class EPgPasswordRequired : public EPgError {
public:
    explicit EPgPasswordRequired(const std::string& userName);
};

} // namespace velmora
