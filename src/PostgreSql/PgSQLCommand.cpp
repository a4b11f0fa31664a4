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
    PgCheckStatementText(SQL().Text);
    protocol.SetTimeout(commandTimeout_);
    const std::vector<std::int16_t> formats =
        Params().empty() ? std::vector<std::int16_t>() : DescribedFormats(protocol);
    bool rowsFollow = false;
    try {
        rowsFollow = protocol.PrepareExecuteStmt(stmt_, SQL().Text, ParamValues(), formats);
    } catch (const EPgError& e) {
        // A statement that wants other values than the command has failed its bind: that is the
        // command's own error, as when the description is checked before binding.
        if (!e.IsFatalError() && !stmt_.Params.empty() && stmt_.Params.size() != Params().size())
            throw PgInvalidParametersError();
        throw;
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

std::vector<std::int16_t> TPgSQLCommand::DescribedFormats(TPgSQLProtocol& protocol) {
    TPgSQLStatement described;
    protocol.DescribeStmt(described, SQL().Text);
    if (described.Params.size() != Params().size())
        throw PgInvalidParametersError();
    std::vector<std::int16_t> formats;
    for (const TPgSQLParamDesc& param : described.Params)
        formats.push_back(PgParamFormat(param.TypeOid));
    return formats;
}

std::vector<TPgSQLValue> TPgSQLCommand::ParamValues() const {
    std::vector<TPgSQLValue> values;
    values.reserve(Params().size());
    for (const TParamDesc& param : Params())
        values.push_back(param.Value);
    return values;
}

} // namespace velmora
