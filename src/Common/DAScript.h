#pragma once

#include "Common/CRParser.h"
#include "Common/DASQL.h"
#include "Common/DBAccess.h"
#include "Common/StatementNesting.h"
#include "Common/StringList.h"

#include <atomic>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace velmora {

class TDAScript;

// What a failed statement of a script does: stop the run quietly, end it with the exception, hand
// the exception to the application's handler and go on, or go on silently.
enum class TErrorAction { eaAbort, eaFail, eaException, eaContinue };

// Called before each statement; may change its text or skip it.
using TBeforeStatementExecuteEvent = std::function<void(TDAScript& sender, std::string& sql, bool& omit)>;
// Called after each statement that ran without error.
using TAfterStatementExecuteEvent = std::function<void(TDAScript& sender, const std::string& sql)>;
// Decides what a failed statement does; sql is the statement without surrounding blanks.
using TOnErrorEvent = std::function<void(TDAScript& sender, const std::exception& error,
                                         const std::string& sql, TErrorAction& action)>;

// A statement of comments and blanks only is a comment statement and is not run; any other token
// makes a statement ordinary, also when a comment stands last before its delimiter.
enum class TStatementKind { Ordinary, Comment };

// Cuts a script's text into statements, from the tokens of the dialect's lexer, and hands them to
// the script one at a time. A statement is the exact text from its first non-blank token up to,
// not including, the delimiter, with its comments and line breaks. A "/" alone on its line ends a
// statement like the delimiter does. Neither ends a statement while it holds something open (a
// parenthesis, a routine's atomic body): the server reads such a delimiter as part of it. A
// statement that the text ends inside of is not run but reported as failed.
class TDAScriptProcessor {
public:
    explicit TDAScriptProcessor(TDAScript& owner);
    virtual ~TDAScriptProcessor();
    TDAScriptProcessor(const TDAScriptProcessor&) = delete;
    TDAScriptProcessor& operator=(const TDAScriptProcessor&) = delete;

    // Starts over at the first statement, ending statements at delimiter.
    void Init(std::string delimiter);
    // Assembles the next statement and hands it to the script. False at the end of the text.
    bool ExecuteNext();
    // Frees the lexer: the next statement is the first of the script's current text.
    void Reset();

protected:
    // The dialect's lexer over text.
    virtual std::unique_ptr<TParser> CreateParser(std::string_view text,
                                                  const TParserOptions& options) const = 0;
    // Runs one statement that starts at byte offset of the text; the script's own way by default.
    virtual void ExecuteStatement(std::string sql, TStatementKind kind, std::size_t offset);
    // Reports a statement that the text ends inside of, which must not run, as failed with reason.
    virtual void RejectStatement(std::string sql, std::size_t offset, const std::string& reason);

private:
    TParser& Parser();
    bool EndsStatement(TParser& lexer, const TToken& token, bool lineStart, bool open) const;

    TDAScript& owner_;
    std::string delimiter_ = ";";
    std::string text_; // the lexer reads it
    std::unique_ptr<TParser> parser_;
};

// A script: SQL text of several statements, run one statement at a time on a connection, each
// committed by the server on its own. A failed statement goes to OnError, and by default to the
// application's exception handler, and the run goes on.
class TDAScript {
public:
    TDAScript();
    virtual ~TDAScript();
    TDAScript(const TDAScript&) = delete;
    TDAScript& operator=(const TDAScript&) = delete;

    // The script text. Any change stops a run between two statements, and the next Execute runs
    // the new text from its first line.
    TStringList& SQL() { return sql_; }
    const TStringList& SQL() const { return sql_; }

    TCustomDAConnection* Connection() const { return connection_; }
    void SetConnection(TCustomDAConnection* connection);

    // The token that ends a statement.
    const std::string& Delimiter() const { return delimiter_; }
    void SetDelimiter(std::string delimiter) { delimiter_ = std::move(delimiter); }
    // When false, Execute opens a closed connection before the first statement.
    bool NoPreconnect() const { return noPreconnect_; }
    void SetNoPreconnect(bool value) { noPreconnect_ = value; }

    // Opts in to sending statements ahead of their answers, which saves a round trip to the
    // server per statement. A run pipelines when the flag is set, neither BeforeExecute nor
    // AfterExecute is assigned (they run between statements), failures have somewhere to go (an
    // OnError, or the application's exception handler), and the connection's provider offers a
    // pipeline, and the connection is in no dry run; otherwise it runs one statement at a time. Each
    // statement still runs on its own, and failures reach OnError and the handler in script order. A
    // statement in flight when the connection is lost is reported as failed, with a fatal error, and is not
    // sent again: it may have run. By opting in, the owner accepts what a stop means here: when OnError stops
    // the run (eaAbort, eaFail) or the handler raises, the statements already sent have reached the server
    // and run; after eaAbort their failures are still reported, otherwise their answers are read
    // and dropped.
    bool Pipelined() const { return pipelined_; }
    void SetPipelined(bool value) { pipelined_ = value; }

    TBeforeStatementExecuteEvent BeforeExecute;
    TAfterStatementExecuteEvent AfterExecute;
    TOnErrorEvent OnError;

    // Runs the whole text. Raises only for what lies outside any statement: no connection, a
    // connection that cannot be opened (EAbort for a login given up), a character the lexer does
    // not know; and for a statement whose error action says so.
    void Execute();
    // Assembles and runs the next statement; false at the end of the text.
    bool ExecuteNext();
    // Stops a run before its next statement; any thread may call it.
    void BreakExec();
    // Where the last failed statement starts in the text, as a byte offset.
    std::size_t ErrorOffset() const { return errorOffset_; }

protected:
    // The statement command every statement runs through.
    virtual std::unique_ptr<TCustomDASQL> CreateCommand() const = 0;
    // The processor of the connection's provider.
    virtual std::unique_ptr<TDAScriptProcessor> CreateProcessor() = 0;

private:
    friend class TDAScriptProcessor;

    TDAScriptProcessor& Processor();
    TCustomDASQL& Command();
    void RunStatement(std::string sql, TStatementKind kind, std::size_t offset);
    void RejectStatement(const std::string& sql, std::size_t offset, const std::string& reason);
    // Called while the statement's exception is being handled; false lets it pass on.
    bool HandleStatementError(const std::exception& error, const std::string& sql);
    void EndRun(TCustomDAConnection* usedConnection);

    // The pipelined run: each statement is sent once there is room, and the answers are taken in
    // the order of the statements.
    bool CanPipeline() const;
    void SendStatement(std::string sql, std::size_t offset);
    TCRPipeline& OpenPipeline();
    void ReceiveOldest();
    void DrainPipeline();
    void AbandonPipeline() noexcept;

    struct TSentStatement {
        std::string Sql; // without surrounding blanks, as the error handler gets it
        std::size_t Offset = 0;
    };

    TStringList sql_;
    TCustomDAConnection* connection_ = nullptr;
    std::string delimiter_ = ";";
    bool noPreconnect_ = false;
    bool preconnected_ = false; // this run opened the connection before its first statement
    std::atomic<bool> breakExecution_ = false;
    std::unique_ptr<TCustomDASQL> command_;
    std::unique_ptr<TDAScriptProcessor> processor_;
    // Guards the processor: ExecuteNext holds it for a whole statement, BreakExec to reset it.
    std::recursive_mutex csBreakMultiThread_;
    std::size_t errorOffset_ = 0;
    bool pipelined_ = false;
    bool pipelining_ = false; // this run sends ahead
    std::unique_ptr<TCRPipeline> pipeline_;
    std::deque<TSentStatement> sent_;
};

} // namespace velmora
