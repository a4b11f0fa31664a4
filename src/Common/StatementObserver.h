#pragma once

#include "Common/CRCommand.h"
#include "Common/DAParams.h"

namespace velmora {

class TCustomDAConnection;

// Watches what a connection sends: each statement of its components and each catalogue query, as the
// server gets it, just before it leaves; and, in a dry run, what is kept back instead (see
// TCustomDAConnection::SetDryRun). Called on the thread that runs the statement.
class TStatementObserver {
public:
    virtual ~TStatementObserver() = default;

    // A statement with its values in the order of its placeholders (params[0] is the first);
    // withheld is true when a dry run keeps it from the server.
    virtual void Statement(const TParsedSQL& sql, const TDAParams& params, bool withheld) = 0;
    // A dry run's connect of a closed connection, which logs nobody on.
    virtual void LogOnWithheld(const TCustomDAConnection& connection) = 0;
};

} // namespace velmora
