#pragma once

// The decoders of the server's messages that carry values. Each reads the body from the reader's
// position and throws std::out_of_range on a body that ends early or announces more items than it
// can hold, before anything is allocated for them; the message loop takes that for a message out
// of step. Whether the body holds more than was read is the caller's check.

#include "PostgreSql/PgSQLNet.h"
#include "PostgreSql/PgSQLTypes.h"

#include <string>
#include <vector>

namespace velmora {

std::vector<TPgSQLFieldDesc> ReadRowDescription(TPgMessageReader& reader);
std::vector<TPgSQLParamDesc> ReadParameterDescription(TPgMessageReader& reader);
TPgSQLRow ReadDataRow(TPgMessageReader& reader);

// What a CommandComplete tag reports: "INSERT oid rows", "UPDATE rows", "DELETE rows"; other
// commands report no rows here.
TPgCommandResult ParseCommandTag(const std::string& tag);

} // namespace velmora
