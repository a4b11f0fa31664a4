#include "PostgreSql/PgSQLCommand.h"

#include "Common/AsciiText.h"
#include "PostgreSql/PgClasses.h"
#include "PostgreSql/PgParser.h"

#include <algorithm>
#include <string>

namespace velmora {

namespace {

// Type object identifiers of the server's catalog.
constexpr std::uint32_t pgTextOid = 25;
constexpr std::uint32_t pgBpcharOid = 1042; // character(n)

TPgSQLProtocol& ProtocolOf(TCRConnection& connection) {
    return dynamic_cast<TPgSQLConnection&>(connection).Protocol();
}

} // namespace

TParsedSQL PgParseSQL(std::string_view sql, bool paramCheck) {
    TPgParser lexer(sql, SQLParamScanOptions());
    return ParseSQLParams(lexer, paramCheck, [](std::size_t number) {
        // Appended rather than written as "$" + ...: GCC 12 at -O3 reports a false overlap there.
        std::string placeholder = "$";
        placeholder += std::to_string(number);
        return placeholder;
    });
}

std::int16_t PgParamFormat(std::uint32_t typeOid) {
    return typeOid == pgTextOid || typeOid == pgBpcharOid ? pgBinaryFormat : pgTextFormat;
}

void TPgSQLCommand::Execute(TCRConnection& connection) {
    TPgSQLProtocol& protocol = ProtocolOf(connection);
    rowsAffected_ = 0;
    if (stmt_.Prepared && !PreparedOn(protocol))
        stmt_.Prepared = false; // its session has ended
    protocol.SetTimeout(commandTimeout_);
    bool rowsFollow = false;
    if (stmt_.Prepared) {
        rowsFollow = protocol.BindExecutePreparedStmt(stmt_, ParamValues());
    } else if (Params().empty()) {
        // Nothing to choose from the description: the whole cycle goes in one exchange.
        rowsFollow = PrepareExecute(protocol);
    } else {
        // The values' formats follow the types the server describes: prepare first, then bind,
        // execute and close together.
        Prepare(protocol);
        rowsFollow = protocol.BindExecutePreparedStmt(stmt_, ParamValues(), {}, true);
    }
    if (rowsFollow) {
        // Rows could only fill output parameters, and there are none.
        while (protocol.FetchStmt(stmt_)) {
        }
    }
    rowsAffected_ = stmt_.Completion.RowsAffected;
}

void PgCheckStatementText(std::string_view text) {
    if (IsBlankText(text))
        throw Exception("No SQL statement provided");
}

Exception PgInvalidParametersError() {
    return Exception("Invalid parameters specified");
}

void TPgSQLCommand::RememberSession(const TPgSQLProtocol& protocol) {
    preparedOn_ = &protocol;
    preparedProcessId_ = protocol.ProcessId();
}

void TPgSQLCommand::Prepare(TPgSQLProtocol& protocol) {
    PgCheckStatementText(SQL().Text);
    protocol.PrepareStmt(stmt_, SQL().Text);
    RememberSession(protocol);
    if (stmt_.Params.size() != Params().size())
        RefuseParameterCount(protocol);
    for (TPgSQLParamDesc& param : stmt_.Params)
        param.Format = PgParamFormat(param.TypeOid);
}

bool TPgSQLCommand::PrepareExecute(TPgSQLProtocol& protocol) {
    PgCheckStatementText(SQL().Text);
    try {
        const bool rowsFollow = protocol.PrepareExecuteStmt(stmt_, SQL().Text);
        RememberSession(protocol);
        return rowsFollow;
    } catch (const EPgError& e) {
        RememberSession(protocol);
        // A statement that wants values the command does not have failed its bind: that is the
        // command's own error, as when the description is checked before binding.
        if (!e.IsFatalError() && stmt_.Prepared && !stmt_.Params.empty())
            RefuseParameterCount(protocol);
        throw;
    }
}

void TPgSQLCommand::RefuseParameterCount(TPgSQLProtocol& protocol) {
    protocol.UnPrepareStmt(stmt_);
    throw PgInvalidParametersError();
}

void TPgSQLCommand::Unprepare(TCRConnection& connection) {
    if (!stmt_.Prepared)
        return;
    if (connection.IsConnected() && PreparedOn(ProtocolOf(connection)))
        ProtocolOf(connection).UnPrepareStmt(stmt_);
    stmt_.Prepared = false;
}

// A protocol object at the same address with the same backend process is the same session.
bool TPgSQLCommand::PreparedOn(const TPgSQLProtocol& protocol) const {
    return preparedOn_ == &protocol && preparedProcessId_ == protocol.ProcessId();
}

std::vector<TPgSQLValue> TPgSQLCommand::ParamValues() const {
    std::vector<TPgSQLValue> values;
    values.reserve(Params().size());
    for (const TParamDesc& param : Params())
        values.push_back(param.Value);
    return values;
}

} // namespace velmora
