#include "Common/DAScript.h"

#include "Common/AsciiText.h"
#include "Common/ExceptionHandler.h"

#include <utility>

namespace velmora {

namespace {

// Every character of the text belongs to exactly one token, so the statements keep their text.
TParserOptions RunnerOptions() {
    TParserOptions options;
    options.QuotedString = true;
    options.AdvancedStringParsing = true;
    return options;
}

bool IsLineBreakBlank(const TToken& token) {
    return token.Class == TTokenClass::Blank && token.Text.find_first_of("\r\n") != std::string_view::npos;
}

} // namespace

TDAScriptProcessor::TDAScriptProcessor(TDAScript& owner) : owner_(owner) {}

TDAScriptProcessor::~TDAScriptProcessor() = default;

void TDAScriptProcessor::Init(std::string delimiter) {
    delimiter_ = std::move(delimiter);
    Reset();
}

void TDAScriptProcessor::Reset() {
    parser_.reset();
    text_.clear();
}

TParser& TDAScriptProcessor::Parser() {
    if (!parser_) {
        text_ = owner_.SQL().TrimmedText();
        parser_ = CreateParser(text_, RunnerOptions());
    }
    return *parser_;
}

bool TDAScriptProcessor::ExecuteNext() {
    TParser& lexer = Parser();
    std::string sql;
    std::size_t start = 0;
    TStatementKind kind = TStatementKind::Comment; // until a token that is neither blank nor comment
    TStatementNesting nesting;
    bool lineStart = true;
    for (;;) {
        const TToken token = lexer.GetNext();
        if (EndsStatement(lexer, token, lineStart, nesting.IsOpen())) {
            // The statement may change the script's text and so reset this processor: nothing
            // of the lexer is used after it.
            if (nesting.IsOpen()) {
                RejectStatement(std::move(sql), start, nesting.OpenReason());
                return true;
            }
            if (!sql.empty()) {
                ExecuteStatement(std::move(sql), kind, start);
                return true;
            }
            if (token.Class == TTokenClass::End) {
                Reset();
                return false;
            }
            // An empty statement, as between ";;". A "/" that ended it took its line break along.
            lineStart = token.Text == "/";
            continue;
        }
        nesting.Take(token);
        const bool blankOrComment = token.Class == TTokenClass::Blank || token.Class == TTokenClass::Comment;
        if (!blankOrComment) {
            kind = TStatementKind::Ordinary;
            lineStart = false;
        } else if (lexer.CurrLine() != lexer.PrevLine()) {
            lineStart = true;
        }

        if (sql.empty()) {
            if (token.Class == TTokenClass::Blank)
                continue; // leading blanks are not part of the statement
            start = lexer.CurrPos() - token.Text.size();
        }
        sql += token.Text;
    }
}

// The end of the text; and where the statement holds nothing open, the delimiter outside strings
// or a "/" that stands alone at the end of its line. The blank after such a "/" goes with it;
// anything else after it makes it an ordinary symbol.
bool TDAScriptProcessor::EndsStatement(TParser& lexer, const TToken& token, bool lineStart, bool open) const {
    if (token.Class == TTokenClass::End)
        return true;
    if (open)
        return false;
    if (token.Class != TTokenClass::String && token.Text == delimiter_)
        return true;
    if (token.Text != "/" || !lineStart)
        return false;
    const TToken next = lexer.GetNext();
    if (next.Class == TTokenClass::End || IsLineBreakBlank(next))
        return true;
    lexer.Back();
    return false;
}

void TDAScriptProcessor::ExecuteStatement(std::string sql, TStatementKind kind, std::size_t offset) {
    owner_.RunStatement(std::move(sql), kind, offset);
}

void TDAScriptProcessor::RejectStatement(std::string sql, std::size_t offset, const std::string& reason) {
    owner_.RejectStatement(sql, offset, reason);
}

TDAScript::TDAScript() {
    sql_.OnChange = [this] { BreakExec(); };
}

TDAScript::~TDAScript() = default;

void TDAScript::SetConnection(TCustomDAConnection* connection) {
    std::lock_guard lock(csBreakMultiThread_);
    connection_ = connection;
    processor_.reset(); // the new connection's provider may name another processor
    if (command_)
        command_->SetConnection(connection);
}

TDAScriptProcessor& TDAScript::Processor() {
    if (!processor_) {
        if (connection_ == nullptr)
            throw EDatabaseError("Connection is not defined");
        processor_ = CreateProcessor();
        processor_->Init(delimiter_);
    }
    return *processor_;
}

TCustomDASQL& TDAScript::Command() {
    if (!command_) {
        command_ = CreateCommand();
        // The run hands no values to its statements: a ":" in them is the server's, as in an
        // array slice "[1:2]", never a parameter to be sent as null.
        command_->SetParamCheck(false);
        command_->SetConnection(connection_);
    }
    return *command_;
}

void TDAScript::Execute() {
    breakExecution_ = false;
    {
        std::lock_guard lock(csBreakMultiThread_);
        Processor().Init(delimiter_); // a script without connection stops here
    }
    TCustomDAConnection* connection = connection_;
    // A dry run sends nothing, so it needs no session.
    preconnected_ = !noPreconnect_ && !connection->DryRun();
    if (preconnected_)
        connection->InternalConnect();
    pipelining_ = CanPipeline();
    // Not a scope guard: ending the run may disconnect, which runs the application's events and may throw.
    try {
        while (!breakExecution_ && ExecuteNext()) {
        }
        DrainPipeline();
    } catch (...) {
        AbandonPipeline();
        EndRun(connection);
        throw;
    }
    EndRun(connection);
}

bool TDAScript::CanPipeline() const {
    return pipelined_ && !BeforeExecute && !AfterExecute && (OnError || HasApplicationExceptionHandler()) &&
           !connection_->DryRun();
}

// The pipeline of the open connection. A connection that was closed (a lost one) is opened again
// first, as a statement run alone would do; the answers owed on the old one are taken before.
TCRPipeline& TDAScript::OpenPipeline() {
    connection_->InternalConnect();
    // Not a scope guard: the disconnect may run the application's events, which may throw.
    try {
        pipeline_ = connection_->IConnection()->CreatePipeline();
    } catch (...) {
        connection_->InternalDisconnect();
        throw;
    }
    connection_->InternalDisconnect();
    if (!pipeline_)
        throw EDatabaseError("The connection runs no statements ahead of their answers");
    return *pipeline_;
}

void TDAScript::SendStatement(std::string sql, std::size_t offset) {
    std::string trimmed(TrimBlanks(sql));
    if (!pipeline_ || !connection_->Connected())
        DrainPipeline();
    TCRPipeline* pipeline = pipeline_.get();
    if (pipeline == nullptr) {
        try {
            pipeline = &OpenPipeline();
        } catch (const EAbort&) {
            throw;
        } catch (const std::exception& error) {
            errorOffset_ = offset;
            if (!HandleStatementError(error, trimmed))
                throw;
            return;
        }
    }
    while (!pipeline->HasRoom())
        ReceiveOldest();
    TCustomDASQL& command = Command();
    command.SQL().SetText(sql);
    command.Send(*pipeline);
    sent_.push_back({std::move(trimmed), offset});
}

void TDAScript::ReceiveOldest() {
    TSentStatement statement = std::move(sent_.front());
    sent_.pop_front();
    try {
        Command().Receive(*pipeline_);
    } catch (const EAbort&) {
        throw;
    } catch (const std::exception& error) {
        errorOffset_ = statement.Offset;
        if (!HandleStatementError(error, statement.Sql))
            throw;
    }
}

void TDAScript::DrainPipeline() {
    while (!sent_.empty())
        ReceiveOldest();
    if (pipeline_ && connection_->Connected())
        pipeline_->Finish();
    pipeline_.reset();
}

void TDAScript::AbandonPipeline() noexcept {
    // The statements sent have reached the server; their answers only keep the session in step.
    while (!sent_.empty()) {
        sent_.pop_front();
        try {
            pipeline_->Receive();
        } catch (...) {
        }
    }
    try {
        if (pipeline_ && connection_->Connected())
            pipeline_->Finish();
    } catch (...) {
    }
    pipeline_.reset();
}

void TDAScript::EndRun(TCustomDAConnection* usedConnection) {
    pipelining_ = false; // ExecuteNext outside a run goes one statement at a time
    {
        std::lock_guard lock(csBreakMultiThread_);
        if (processor_)
            processor_->Reset();
    }
    if (preconnected_)
        usedConnection->InternalDisconnect();
}

bool TDAScript::ExecuteNext() {
    std::lock_guard lock(csBreakMultiThread_);
    return Processor().ExecuteNext();
}

void TDAScript::BreakExec() {
    std::lock_guard lock(csBreakMultiThread_);
    breakExecution_ = true;
    if (processor_)
        processor_->Reset();
}

void TDAScript::RunStatement(std::string sql, TStatementKind kind, std::size_t offset) {
    if (pipelining_) {
        if (kind == TStatementKind::Ordinary)
            SendStatement(std::move(sql), offset);
        return;
    }
    bool omit = false;
    if (BeforeExecute)
        BeforeExecute(*this, sql, omit);
    if (omit || kind == TStatementKind::Comment)
        return;
    TCustomDASQL& command = Command();
    try {
        command.SQL().SetText(sql);
        command.Execute();
    } catch (const EAbort&) {
        throw;
    } catch (const std::exception& error) {
        errorOffset_ = offset;
        if (!HandleStatementError(error, sql))
            throw;
        return;
    }
    if (AfterExecute)
        AfterExecute(*this, sql);
}

// Goes through the error policy like a statement the server refused, without reaching the server.
void TDAScript::RejectStatement(const std::string& sql, std::size_t offset, const std::string& reason) {
    DrainPipeline(); // its failure comes after those of the statements before it
    try {
        throw EDatabaseError(reason);
    } catch (const EDatabaseError& error) {
        errorOffset_ = offset;
        if (!HandleStatementError(error, sql))
            throw;
    }
}

bool TDAScript::HandleStatementError(const std::exception& error, const std::string& sql) {
    TErrorAction action = TErrorAction::eaException;
    if (OnError)
        OnError(*this, error, std::string(TrimBlanks(sql)), action);
    switch (action) {
    case TErrorAction::eaAbort:
        breakExecution_ = true;
        return true;
    case TErrorAction::eaFail:
        return false;
    case TErrorAction::eaException:
        if (!HasApplicationExceptionHandler())
            return false;
        HandleApplicationException(error);
        return true;
    case TErrorAction::eaContinue:
        return true;
    }
    return false;
}

} // namespace velmora
