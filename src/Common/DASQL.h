#pragma once

#include "Common/CRCommand.h"
#include "Common/DAParams.h"
#include "Common/DBAccess.h"
#include "Common/StringList.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// A statement command component: one SQL text with ":name" parameters, run on a connection it
// refers to without owning. The provider's command does the work; this layer keeps the lines and
// the parameter values, opens the connection for each execution and turns the provider's database
// errors into the connection's.
class TCustomDASQL {
public:
    explicit TCustomDASQL(std::string name = {});
    virtual ~TCustomDASQL();
    TCustomDASQL(const TCustomDASQL&) = delete;
    TCustomDASQL& operator=(const TCustomDASQL&) = delete;

    // The component's name; errors of the component begin with it.
    const std::string& Name() const { return name_; }

    TCustomDAConnection* Connection() const { return connection_; }
    void SetConnection(TCustomDAConnection* connection);

    // The statement, one line per item. A change rescans the parameters: those whose name stays
    // keep their values.
    TStringList& SQL() { return sql_; }
    const TStringList& SQL() const { return sql_; }

    const TDAParams& Params() const;
    // The parameter of that name, compared without regard to case; a missing one raises
    // EDatabaseError "<Name>: Parameter '<name>' nicht gefunden".
    TDAParam& ParamByName(std::string_view name) const;
    // Whether ":name" in the text are parameters (the default); without, the server sees them as
    // they stand.
    bool ParamCheck() const { return paramCheck_; }
    void SetParamCheck(bool value);
    // Whether the statement begins with SELECT.
    bool IsQuery() const { return Parsed().IsQuery; }

    // Runs the statement once with the current parameter values, opening a closed connection first.
    // Rows the statement returns are read and dropped. The server's errors arrive as the
    // connection's database error class. In the connection's dry run the statement only reaches its
    // observer, and nothing connects.
    void Execute();
    // Sends the statement, which takes no parameter values, on pipeline of the open connection
    // ahead of its answer; Receive takes the oldest answer of pipeline as this statement's, and
    // raises its failure as Execute would, the connection's error handling included.
    void Send(TCRPipeline& pipeline);
    void Receive(TCRPipeline& pipeline);
    // The row count the server reported for the last INSERT, UPDATE or DELETE; 0 otherwise.
    std::int64_t RowsAffected() const { return rowsAffected_; }

protected:
    // The dialect's rewrite of text, with or without the parameter scan.
    virtual TParsedSQL ParseSQL(std::string_view text, bool paramCheck) const = 0;
    // The provider's command for statements on connection.
    virtual std::unique_ptr<TCRCommand> CreateICommand(TCustomDAConnection& connection) const = 0;

private:
    void SQLChanged();
    const TParsedSQL& Parsed() const;
    void RunICommand(TCRConnection& iConnection);
    // Runs work, handing a database error it raises to the connection's error handling.
    template <class Work>
    void Reporting(Work work);
    void DropICommand();

    std::string name_;
    TCustomDAConnection* connection_ = nullptr;
    TStringList sql_;
    bool paramCheck_ = true;
    // Derived from the lines when first needed after a change.
    mutable std::optional<TParsedSQL> parsed_;
    mutable TDAParams params_;
    bool iCommandHasSQL_ = false;
    std::unique_ptr<TCRCommand> iCommand_;
    std::int64_t rowsAffected_ = 0;
};

// The error a component raises about itself: its message, prefixed by the component's name and
// ": " when it has one.
EDatabaseError ComponentError(const std::string& componentName, const std::string& message);

} // namespace velmora
