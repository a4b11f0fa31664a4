#pragma once

#include "Common/CRCommand.h"
#include "PostgreSql/PgSQLProtocol.h"

#include <cstdint>
#include <string_view>

namespace velmora {

// The statement as the PostgreSQL server gets it: with paramCheck, ":name" references become "$1",
// "$2", ... (one number per name without regard to case); comments are dropped and keywords
// upper-cased.
TParsedSQL PgParseSQL(std::string_view sql, bool paramCheck = true);

// The transfer format of a parameter value whose type the server described as typeOid. Values are
// texts: they go in binary only where the binary form of the type is the text's own bytes, and in
// text format, which the server parses for any type, everywhere else.
std::int16_t PgParamFormat(std::uint32_t typeOid);

// Refuses a statement text that is blank: "No SQL statement provided", before the server is asked.
void PgCheckStatementText(std::string_view text);
// The error of a statement whose parameters the server counts otherwise than the command.
Exception PgInvalidParametersError();

// Runs one statement with the extended query cycle of the wire protocol: prepare with the server
// describing the parameters, bind and execute, unprepare. A statement without values takes one
// exchange for all of it, one with values two (the prepare, then the rest). A statement whose
// execution failed stays prepared, and the next Execute binds it again without preparing; it dies
// with its session.
class TPgSQLCommand final : public TCRCommand {
public:
    // Seconds the socket waits for each answer of an execution; 0 waits without limit.
    int CommandTimeout() const { return commandTimeout_; }
    void SetCommandTimeout(int seconds) { commandTimeout_ = seconds; }

    void Execute(TCRConnection& connection) override;
    bool Prepared() const override { return stmt_.Prepared; }
    void Unprepare(TCRConnection& connection) override;

private:
    void RememberSession(const TPgSQLProtocol& protocol);
    void Prepare(TPgSQLProtocol& protocol);
    bool PrepareExecute(TPgSQLProtocol& protocol);
    [[noreturn]] void RefuseParameterCount(TPgSQLProtocol& protocol);
    bool PreparedOn(const TPgSQLProtocol& protocol) const;
    std::vector<TPgSQLValue> ParamValues() const;

    int commandTimeout_ = 0;
    TPgSQLStatement stmt_;
    // The session the statement was prepared in: its protocol object and backend process.
    const TPgSQLProtocol* preparedOn_ = nullptr;
    std::int32_t preparedProcessId_ = 0;
};

} // namespace velmora
