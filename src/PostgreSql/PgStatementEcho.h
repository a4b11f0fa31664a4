#pragma once

#include "Common/DAParams.h"

#include <string>
#include <string_view>

namespace velmora {

// What a password is shown as wherever a statement is printed.
inline constexpr std::string_view kMaskedSecret = "'********'";

// A statement as an echo or a dry run prints it: the text as the server gets it (its line breaks as
// "\n"), closed by ";" and a line break, then one comment line per value ("-- $1 = 'text'", NULL without
// quotes), the values in the order of the placeholders. Secrets never show: the string after the word
// PASSWORD (a role's password or its verifier, in any quoting the server reads) and the value of every
// parameter whose name holds "passw" are printed as kMaskedSecret. Values and texts that cannot be read as
// SQL are written so that no control character reaches the terminal.
std::string PgStatementEcho(std::string_view text, const TDAParams& params);

} // namespace velmora
