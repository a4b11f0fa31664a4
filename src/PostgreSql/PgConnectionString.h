#pragma once

#include "PostgreSql/PgConnectionKeywords.h"

#include <string_view>

namespace velmora {

// Whether text is a connection string rather than a plain database name: it begins with
// "postgresql://" or "postgres://", or it holds an "=".
bool PgIsConnectionString(std::string_view text);

// The values a connection string sets, in either of its two forms:
// - keyword = value pairs separated by blanks ("host=db1 port=5433 dbname='my db'"); a value in
//   single quotes may hold blanks or be empty; a backslash takes the next character as it is;
// - a URI, postgresql://[user[:password]@][host][:port][,...][/dbname][?keyword=value[&...]], with
//   percent-encoding in every part, IPv6 addresses in brackets, and ssl=true for sslmode=require.
// A keyword given twice keeps its last value. Raises EPgConnectionValueError for an unknown keyword
// or a malformed string.
TPgConnectionValues ParsePgConnectionString(std::string_view text);

} // namespace velmora
