#include "PostgreSql/PgError.h"

#include "Common/AsciiText.h"
#include "PostgreSql/PgMessageTypes.h"
#include "PostgreSql/PgSqlState.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <stdexcept>

namespace velmora {
namespace {

int ToInt(std::string_view digits) {
    int value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

// The SQLSTATE as a number when it is all digits ("23505"), otherwise 0 ("42P01").
int NumericCode(const std::string& sqlState) {
    bool allDigits = !sqlState.empty() && std::all_of(sqlState.begin(), sqlState.end(),
                                                      [](char c) { return c >= '0' && c <= '9'; });
    return allDigits ? ToInt(sqlState) : 0;
}

} // namespace

TPgSeverity ParsePgSeverity(std::string_view word) {
    static constexpr std::array<std::pair<std::string_view, TPgSeverity>, 8> words{{
        {"ERROR", TPgSeverity::sError},
        {"FATAL", TPgSeverity::sFatal},
        {"PANIC", TPgSeverity::sPanic},
        {"WARNING", TPgSeverity::sWarning},
        {"NOTICE", TPgSeverity::sNotice},
        {"DEBUG", TPgSeverity::sDebug},
        {"INFO", TPgSeverity::sInfo},
        {"LOG", TPgSeverity::sLog},
    }};
    for (const auto& [text, severity] : words) {
        if (word == text)
            return severity;
    }
    return TPgSeverity::sError;
}

TPgErrorFields ParsePgErrorFields(std::string_view body) {
    TPgErrorFields fields;
    std::string_view untranslatedSeverity;
    std::size_t pos = 0;
    for (;;) {
        if (pos >= body.size())
            throw std::out_of_range("error fields without terminator");
        auto field = static_cast<TPgErrorField>(body[pos++]);
        if (field == TPgErrorField::End)
            break;
        std::size_t end = body.find('\0', pos);
        if (end == std::string_view::npos)
            throw std::out_of_range("error field without terminator");
        std::string_view value = body.substr(pos, end - pos);
        pos = end + 1;
        using enum TPgErrorField;
        switch (field) {
        case Severity:
            fields.Severity = ParsePgSeverity(value);
            break;
        case UntranslatedSeverity:
            untranslatedSeverity = value;
            break;
        case Code:
            fields.ErrorCode = value;
            break;
        case Message:
            fields.Message = value;
            break;
        case Detail:
            fields.DetailMsg = value;
            break;
        case Hint:
            fields.Hint = value;
            break;
        case Position:
            fields.Position = ToInt(value);
            break;
        case Where:
            fields.CallStack = value;
            break;
        case File:
            fields.FileName = value;
            break;
        case Line:
            fields.LineNumber = ToInt(value);
            break;
        case Routine:
            fields.ProcedureName = value;
            break;
        default:
            break;
        }
    }
    // A translated severity word would hide a FATAL; the untranslated one cannot.
    if (!untranslatedSeverity.empty())
        fields.Severity = ParsePgSeverity(untranslatedSeverity);
    return fields;
}

TPgErrorFields ParsePgLegacyErrorText(std::string_view text) {
    TPgErrorFields fields;
    auto colon = text.find(':');
    if (colon == std::string_view::npos) {
        fields.Message = TrimBlanks(text);
        return fields;
    }
    fields.Severity = ParsePgSeverity(TrimBlanks(text.substr(0, colon)));
    fields.Message = TrimBlanks(text.substr(colon + 1));
    return fields;
}

EPgError::EPgError(TPgErrorFields fields)
    : EDAError(fields.Message, NumericCode(fields.ErrorCode)), fields_(std::move(fields)), fromServer_(true) {
}

EPgError::EPgError(TPgSeverity severity, const std::string& message, int socketErrorCode)
    : EDAError(message, socketErrorCode) {
    fields_.Severity = severity;
    fields_.Message = message;
    if (socketErrorCode != 0)
        fields_.ErrorCode = std::to_string(socketErrorCode);
    connectionFailure_ = socketErrorCode != 0;
}

EPgError EPgError::ConnectionFailure(const std::string& message, int socketErrorCode) {
    EPgError error(TPgSeverity::sFatal, message, socketErrorCode);
    error.connectionFailure_ = true;
    return error;
}

bool EPgError::IsFatalError() const {
    return fields_.Severity == TPgSeverity::sFatal || fields_.Severity == TPgSeverity::sPanic;
}

bool EPgError::IsKeyViolation() const {
    return fields_.ErrorCode == PgSqlState::UniqueViolation;
}

std::string EPgError::SqlState() const {
    return fromServer_ ? fields_.ErrorCode : std::string();
}

EPgError EPgError::InDoubt(const std::string& message) {
    EPgError error(TPgSeverity::sFatal, message);
    error.inDoubt_ = true;
    return error;
}

EPgPasswordRequired::EPgPasswordRequired(const std::string& userName)
    : EPgError(TPgSeverity::sFatal, "No password supplied for user \"" + userName + "\"") {}

} // namespace velmora
