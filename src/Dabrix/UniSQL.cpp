#include "Dabrix/UniSQL.h"

#include "Dabrix/Uni.h"
#include "PostgreSql/PgSQLCommand.h"

namespace velmora {

// PostgreSQL is the one dialect the components speak; the parameters are known before any
// connection is.
TParsedSQL TUniSQL::ParseSQL(std::string_view text, bool paramCheck) const {
    return PgParseSQL(text, paramCheck);
}

std::unique_ptr<TCRCommand> TUniSQL::CreateICommand(TCustomDAConnection& connection) const {
    return dynamic_cast<TUniConnection&>(connection).Provider().CreateCommand();
}

} // namespace velmora
