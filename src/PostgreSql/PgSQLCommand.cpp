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
    const bool preparedForThisRun = !stmt_.Prepared;
    if (preparedForThisRun)
        Prepare(protocol);
    if (protocol.BindExecutePreparedStmt(stmt_, ParamValues())) {
        // Rows could only fill output parameters, and there are none.
        while (protocol.FetchStmt(stmt_)) {
        }
    }
    rowsAffected_ = stmt_.Completion.RowsAffected;
    if (preparedForThisRun)
        protocol.UnPrepareStmt(stmt_);
}

void TPgSQLCommand::Prepare(TPgSQLProtocol& protocol) {
    if (IsBlankText(SQL().Text))
        throw Exception("No SQL statement provided");
    protocol.PrepareStmt(stmt_, SQL().Text);
    preparedOn_ = &protocol;
    preparedProcessId_ = protocol.ProcessId();
    if (stmt_.Params.size() != Params().size()) {
        protocol.UnPrepareStmt(stmt_);
        throw Exception("Invalid parameters specified");
    }
    for (TPgSQLParamDesc& param : stmt_.Params)
        param.Format = PgParamFormat(param.TypeOid);
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
