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

// Runs one statement with the extended query cycle of the wire protocol on the server's unnamed
// statement: a statement without values takes one exchange for all of it, one with values two (the
// description, which picks the values' formats, then prepare, bind and execute together). Each
// exchange stands on its own, so that a connection pooler may serve each from another backend, and
// nothing stays prepared on the server, whether the execution failed or not.
class TPgSQLCommand final : public TCRCommand {
public:
    // Seconds the socket waits for each answer of an execution; 0 waits without limit.
    int CommandTimeout() const { return commandTimeout_; }
    void SetCommandTimeout(int seconds) { commandTimeout_ = seconds; }

    void Execute(TCRConnection& connection) override;
    bool Prepared() const override { return false; }
    void Unprepare(TCRConnection&) override {}

private:
    // The values' formats from the server's description of the statement.
    std::vector<std::int16_t> DescribedFormats(TPgSQLProtocol& protocol);
    std::vector<TPgSQLValue> ParamValues() const;

    int commandTimeout_ = 0;
    TPgSQLStatement stmt_;
};

} // namespace velmora
