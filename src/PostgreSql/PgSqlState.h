#pragma once

// The server's error codes (SQLSTATE) the tool tells apart, by name.

#include <string_view>

namespace velmora::PgSqlState {

// Class 28, invalid authorization: a log-on the server refused for the role or its password.
inline constexpr std::string_view InvalidAuthorizationClass = "28";
inline constexpr std::string_view InvalidPassword = "28P01";
inline constexpr std::string_view InvalidCatalogName = "3D000"; // the database does not exist
inline constexpr std::string_view StringDataRightTruncation = "22001";
inline constexpr std::string_view UniqueViolation = "23505";
inline constexpr std::string_view InsufficientPrivilege = "42501";
inline constexpr std::string_view SyntaxError = "42601";
inline constexpr std::string_view UndefinedTable = "42P01";
inline constexpr std::string_view UndefinedObject = "42704"; // a role, a setting, a type
inline constexpr std::string_view ObjectInUse = "55006";
inline constexpr std::string_view QueryCanceled = "57014";
inline constexpr std::string_view AdminShutdown = "57P01";

} // namespace velmora::PgSqlState
