#pragma once

#include "Common/CRAccess.h"
#include "Common/CRParser.h"
#include "Common/DAParams.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

// Where a parameter reference stands in the rewritten text, and which parameter it names.
struct TSQLPlaceholder {
    std::size_t Start = 0;
    std::size_t End = 0;
    std::size_t ParamIndex = 0; // into TParsedSQL::ParamNames
};

// A statement as the server gets it: ":name" references replaced by the dialect's placeholders,
// comments dropped, keywords upper-cased.
struct TParsedSQL {
    std::string Text;
    std::vector<std::string> ParamNames; // distinct without regard to case, in order of first use
    std::vector<TSQLPlaceholder> Placeholders;
    bool IsQuery = false; // the statement begins with SELECT
};

// How the parameter scan reads: blanks and comments returned (comments are dropped by the scan
// itself), keywords upper-cased, quotes kept, and the dialect's escape-string rule applied, so that
// a quote escaped inside a string does not end it early.
TParserOptions SQLParamScanOptions();

// Rewrites the text lexer reads (set up with SQLParamScanOptions). With paramCheck, each ":name"
// reference becomes placeholder(number), number counting the distinct names from 1; a ":" counts
// only directly before an identifier, a quoted identifier (its quotes are not part of the name), a
// keyword or a number, so "::" casts and ":=" stay text. Without it every ":" stays text. A comment
// between two tokens that would otherwise run together leaves one blank behind.
TParsedSQL ParseSQLParams(TParser& lexer, bool paramCheck,
                          const std::function<std::string(std::size_t number)>& placeholder);

// A parameter as the provider command holds it: one per distinct name in the text.
struct TParamDesc {
    std::string Name;
    TFieldType DataType = TFieldType::ftUnknown;
    std::optional<std::string> Value; // nullopt is NULL
};

// The provider's side of a statement command: it runs one parsed statement with the values of its
// descriptors on the provider connection it is handed. It keeps no reference to that connection,
// which may be closed, opened anew or replaced between two executions.
class TCRCommand {
public:
    TCRCommand() = default;
    virtual ~TCRCommand() = default;
    TCRCommand(const TCRCommand&) = delete;
    TCRCommand& operator=(const TCRCommand&) = delete;

    // A new statement, with one null descriptor per parameter name. Unprepare the old one first.
    void SetSQL(TParsedSQL sql);
    const TParsedSQL& SQL() const { return sql_; }
    const std::vector<TParamDesc>& Params() const { return params_; }

    // Writes each parameter's type and value into the descriptor of the same name; descriptors that
    // no parameter names are removed.
    void AssignParamValues(const TDAParams& params);

    // Runs the statement once on connection and sets RowsAffected; rows it returns are read and
    // dropped. A statement prepared before stays prepared; otherwise it is prepared for this run
    // and unprepared after it, unless the execution failed.
    virtual void Execute(TCRConnection& connection) = 0;
    virtual bool Prepared() const = 0;
    // Closes the prepared statement on the server; never fails.
    virtual void Unprepare(TCRConnection& connection) = 0;

    // The row count of the last INSERT, UPDATE or DELETE; 0 after any other statement.
    std::int64_t RowsAffected() const { return rowsAffected_; }

protected:
    std::int64_t rowsAffected_ = 0;

private:
    TParsedSQL sql_;
    std::vector<TParamDesc> params_;
};

} // namespace velmora
