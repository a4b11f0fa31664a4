#pragma once

// The values the wire protocol takes and hands out: connection parameters, descriptions, rows,
// results and statements.

#include "PostgreSql/PgConnectionOptions.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

enum class TProtocolState {
    psNone,
    psAuthenticating,
    psAuthenticated,
    psStmtPreparing,
    psStmtExecuting,
    psStmtFetching,
    psIsReadyForQuery,
    psError,
};

// Transfer formats of parameter and field values.
inline constexpr std::int16_t pgTextFormat = 0;
inline constexpr std::int16_t pgBinaryFormat = 1;

// A server name that begins with "/" is the directory of the server's local socket.
bool PgIsSocketDirectory(const std::string& server);
// The server's local socket in that directory: ".s.PGSQL." followed by the port.
std::string PgSocketPath(const std::string& directory, int port);

// What Connect needs: the connection's options, and where and as whom to log on. Defaulting an
// empty server or a port of 0 is the connection's business.
struct TPgConnectParams : TPgConnectionOptions {
    std::string Server;   // host name, address, or socket directory
    std::string HostAddr; // numeric address to connect to instead of looking Server up; may be empty
    int Port = kPgDefaultPort;
    std::string Database;
    std::string UserName;
    std::string Password;
};

// One column of a RowDescription.
struct TPgSQLFieldDesc {
    std::string Name;
    std::uint32_t TableOid = 0;
    std::int16_t TableColumn = 0;
    std::uint32_t TypeOid = 0;
    std::int16_t Size = 0;
    std::int32_t TypeModifier = 0;
    std::int16_t Format = pgTextFormat;
};

// One parameter of a prepared statement: the type the server inferred (or was given), and the
// format its value is sent in, which the caller may change before binding.
struct TPgSQLParamDesc {
    std::uint32_t TypeOid = 0;
    std::int16_t Format = pgTextFormat;
};

// A field or parameter value as raw bytes in its transfer format; nullopt is NULL.
using TPgSQLValue = std::optional<std::string>;
using TPgSQLRow = std::vector<TPgSQLValue>;

// What a CommandComplete reported. INSERT gives the object identifier and the row count, UPDATE and
// DELETE the row count; every other command a row count of 0.
struct TPgCommandResult {
    std::string Command; // first word of the command tag, e.g. "INSERT"
    std::int64_t RowsAffected = 0;
    std::uint32_t LastInsertOID = 0;
};

// The answer of a simple query: the rows of its last statement that returned rows, as text.
struct TPgSQLResult {
    std::vector<TPgSQLFieldDesc> Fields;
    std::vector<TPgSQLRow> Rows;
    TPgCommandResult Completion;
};

// A statement of the extended query cycle. The protocol fills it; the caller keeps it between the
// steps and may choose the parameter formats after the prepare. A statement that runs in one
// exchange uses the server's unnamed statement and portal, which the next one replaces: nothing is
// left behind to close, whatever failed, and no name can meet another session's on a backend that a
// connection pooler hands from client to client. A statement prepared for several executions is
// named, with a name no other session uses.
struct TPgSQLStatement {
    std::string Identifier; // "ST" + the session's random token + "_" + counter; empty: unnamed
    bool Prepared = false;  // a named statement exists on the server and needs closing
    bool NoData = false;    // the statement returns no rows
    // The exchange of the execution also closes the portal and the statement: once its answers
    // are read to the end, the statement is no longer prepared.
    bool ClosesWithExecution = false;
    std::vector<TPgSQLParamDesc> Params;
    std::vector<TPgSQLFieldDesc> Fields;
    TPgCommandResult Completion;

    std::string StatementName() const { return Identifier.empty() ? std::string() : "PRSTMT" + Identifier; }
    std::string PortalName() const { return Identifier.empty() ? std::string() : "PORTAL" + Identifier; }
};

} // namespace velmora
