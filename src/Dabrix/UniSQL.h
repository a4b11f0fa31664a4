#pragma once

#include "Common/DASQL.h"

namespace velmora {

// A parameter of a Uni statement or query.
using TUniParam = TDAParam;

// A statement command on a TUniConnection: the provider of the connection makes the command that
// runs it. Failures of the server arrive as EUniError.
class TUniSQL : public TCustomDASQL {
public:
    using TCustomDASQL::TCustomDASQL;

protected:
    TParsedSQL ParseSQL(std::string_view text, bool paramCheck) const override;
    std::unique_ptr<TCRCommand> CreateICommand(TCustomDAConnection& connection) const override;
};

// The query component holds one parameterized statement, such as the tenant-row INSERT. The rows a
// query could return are never read by the setup, so it is a statement command and nothing more.
using TUniQuery = TUniSQL;

} // namespace velmora
