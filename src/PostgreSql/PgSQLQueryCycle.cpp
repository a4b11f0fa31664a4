#include "PostgreSql/PgSQLNet.h"
#include "PostgreSql/PgSQLProtocol.h"
#include "PostgreSql/PgSQLProtocolImpl.h"

#include <exception>
#include <utility>

namespace velmora {

namespace {

// Simple queries serve the session's set-up, the server version and the catalogue lists. An
// answer that keeps more than this answers none of them, and holding it would let a server fill
// the client's memory one small row at a time.
constexpr std::size_t SimpleAnswerCeiling = 16 << 20;

// What a row kept in a result costs, near enough: its values and their bookkeeping.
std::size_t KeptBytes(const TPgSQLRow& row) {
    std::size_t bytes = sizeof(TPgSQLRow) + row.size() * sizeof(TPgSQLValue);
    for (const TPgSQLValue& value : row)
        bytes += value ? value->size() : 0;
    return bytes;
}

std::int16_t Count16(std::size_t count) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(count));
}

// The transfer format of each of valueCount values as the statement's description says; text where
// it says nothing.
std::vector<std::int16_t> DescribedFormats(const TPgSQLStatement& stmt, std::size_t valueCount) {
    std::vector<std::int16_t> formats(valueCount, pgTextFormat);
    for (std::size_t i = 0; i < valueCount && i < stmt.Params.size(); ++i)
        formats[i] = stmt.Params[i].Format;
    return formats;
}

} // namespace

TPgSQLResult TPgSQLProtocol30::ExecuteStmt(const std::string& sql) {
    return Guarded([&] { return RunSimpleQuery(sql); });
}

std::vector<TPgSQLResult> TPgSQLProtocol30::ExecuteStmts(const std::vector<std::string>& sqls) {
    return Guarded([&] {
        SkipRemainingRows();
        for (const std::string& sql : sqls)
            WriteQuery(sql);
        net_->Flush();
        std::vector<TPgSQLResult> results;
        std::exception_ptr firstFailure;
        for (std::size_t i = 0; i < sqls.size(); ++i) {
            try {
                results.push_back(ReadQueryResult());
            } catch (const EPgError& e) {
                // The queries after a failed one have run all the same: their answers are read,
                // so that the stream stays in step, before the failure is raised.
                if (e.IsFatalError())
                    throw;
                if (!firstFailure)
                    firstFailure = std::current_exception();
                results.emplace_back();
            }
        }
        if (firstFailure)
            std::rethrow_exception(firstFailure);
        return results;
    });
}

TPgSQLResult TPgSQLProtocol30::RunSimpleQuery(const std::string& sql) {
    SkipRemainingRows();
    WriteQuery(sql);
    net_->Flush();
    return ReadQueryResult();
}

void TPgSQLProtocol30::WriteQuery(const std::string& sql) {
    net_->BeginMessage(TPgFrontendMessage::Query);
    net_->WriteString(sql);
    net_->EndMessage();
}

TPgSQLResult TPgSQLProtocol30::ReadQueryResult() {
    state_ = TProtocolState::psStmtExecuting;
    completion_ = {};
    TPgSQLResult result;
    std::size_t keptBytes = 0;
    for (;;) {
        using enum TPgBackendMessage;
        TPgBackendMessage type = ProcessMessageQueue();
        Expect(type, {RowDescription, DataRow, ReadyForQuery});
        if (type == RowDescription) {
            result.Fields = std::move(fieldDescs_);
            result.Rows.clear();
            keptBytes = 0;
        } else if (type == DataRow) {
            // A row that does not fit its description answers no query: the stream is out of step.
            if (row_.size() != result.Fields.size())
                throw PgUnexpectedResponse(type);
            keptBytes += KeptBytes(row_);
            if (keptBytes > SimpleAnswerCeiling)
                throw Fatal("Server answer too long for a simple query");
            result.Rows.push_back(std::move(row_));
        } else {
            result.Completion = completion_;
            return result;
        }
    }
}

// Empty descriptions, and a new name for a named statement, for the statement about to be prepared.
void TPgSQLProtocol30::StartStatement(TPgSQLStatement& stmt, bool named) {
    SkipRemainingRows();
    stmt = TPgSQLStatement();
    if (named)
        stmt.Identifier = NextIdentifier();
    state_ = TProtocolState::psStmtPreparing;
    paramDescs_.clear();
    fieldDescs_.clear();
}

void TPgSQLProtocol30::WriteParseDescribe(const TPgSQLStatement& stmt, const std::string& sql,
                                          const std::vector<std::uint32_t>& paramTypes) {
    net_->BeginMessage(TPgFrontendMessage::Parse);
    net_->WriteString(stmt.StatementName());
    net_->WriteString(sql);
    net_->WriteInt16(Count16(paramTypes.size()));
    for (std::uint32_t type : paramTypes)
        net_->WriteInt32(static_cast<std::int32_t>(type));
    net_->EndMessage();
    net_->BeginMessage(TPgFrontendMessage::Describe);
    net_->WriteByte(static_cast<char>(TPgObjectKind::Statement));
    net_->WriteString(stmt.StatementName());
    net_->EndMessage();
}

// ParseComplete, then the parameter description and the row description or NoData.
void TPgSQLProtocol30::ReadDescription(TPgSQLStatement& stmt) {
    using enum TPgBackendMessage;
    Expect(ProcessMessageQueue(), {ParseComplete});
    stmt.Prepared = !stmt.Identifier.empty();
    TPgBackendMessage described = ProcessMessageQueue();
    Expect(described, {RowDescription, NoData});
    stmt.NoData = described == NoData;
    stmt.Params = std::move(paramDescs_);
    stmt.Fields = std::move(fieldDescs_);
}

void TPgSQLProtocol30::PrepareStmt(TPgSQLStatement& stmt, const std::string& sql,
                                   const std::vector<std::uint32_t>& paramTypes) {
    Guarded([&] {
        StartStatement(stmt, true);
        WriteParseDescribe(stmt, sql, paramTypes);
        SendSync();
        try {
            ReadDescription(stmt);
            Expect(ProcessMessageQueue(), {TPgBackendMessage::ReadyForQuery});
        } catch (const EPgError& e) {
            stmt.Prepared = false;
            if (!e.IsFatalError())
                CloseStatementQuietly(stmt);
            throw;
        }
    });
}

void TPgSQLProtocol30::DescribeStmt(TPgSQLStatement& stmt, const std::string& sql) {
    Guarded([&] {
        StartStatement(stmt, false);
        WriteParseDescribe(stmt, sql, {});
        SendSync();
        ReadDescription(stmt);
        Expect(ProcessMessageQueue(), {TPgBackendMessage::ReadyForQuery});
    });
}

bool TPgSQLProtocol30::PrepareExecuteStmt(TPgSQLStatement& stmt, const std::string& sql,
                                          const std::vector<TPgSQLValue>& values,
                                          const std::vector<std::int16_t>& paramFormats) {
    return Guarded([&] {
        StartStatement(stmt, false);
        WriteParseDescribe(stmt, sql, {});
        WriteBindExecute(stmt, values, paramFormats, {}, false);
        SendSync();
        ReadDescription(stmt);
        return ReadExecution(stmt);
    });
}

// Close of a prepared statement or a portal, sent with the next Sync.
void TPgSQLProtocol30::SendClose(TPgObjectKind kind, std::string_view name) {
    net_->BeginMessage(TPgFrontendMessage::Close);
    net_->WriteByte(static_cast<char>(kind));
    net_->WriteString(name);
    net_->EndMessage();
}

// Sync ends the messages of one exchange; the server answers them up to its ReadyForQuery.
void TPgSQLProtocol30::WriteSync() {
    net_->BeginMessage(TPgFrontendMessage::Sync);
    net_->EndMessage();
}

void TPgSQLProtocol30::SendSync() {
    WriteSync();
    net_->Flush();
}

void TPgSQLProtocol30::CloseStatementQuietly(const TPgSQLStatement& stmt) {
    try {
        SendClose(TPgObjectKind::Statement, stmt.StatementName());
        SendSync();
        Expect(ProcessMessageQueue(), {TPgBackendMessage::ReadyForQuery});
    } catch (const EPgError& e) {
        if (e.IsFatalError())
            throw;
    }
}

// Bind, Execute and, with closeAfter, the closes of portal and statement; a named portal left by an
// earlier execution is closed first. A server that fails the Bind or the Execute skips the closes.
void TPgSQLProtocol30::WriteBindExecute(TPgSQLStatement& stmt, const std::vector<TPgSQLValue>& values,
                                        const std::vector<std::int16_t>& paramFormats,
                                        const std::vector<std::int16_t>& resultFormats, bool closeAfter) {
    stmt.ClosesWithExecution = closeAfter;
    if (!stmt.Identifier.empty())
        SendClose(TPgObjectKind::Portal, stmt.PortalName());

    net_->BeginMessage(TPgFrontendMessage::Bind);
    net_->WriteString(stmt.PortalName());
    net_->WriteString(stmt.StatementName());
    net_->WriteInt16(Count16(values.size()));
    for (std::size_t i = 0; i < values.size(); ++i)
        net_->WriteInt16(i < paramFormats.size() ? paramFormats[i] : pgTextFormat);
    net_->WriteInt16(Count16(values.size()));
    for (const TPgSQLValue& value : values) {
        net_->WriteInt32(value ? static_cast<std::int32_t>(value->size()) : -1);
        if (value)
            net_->WriteBytes(*value);
    }
    net_->WriteInt16(Count16(resultFormats.size()));
    for (std::int16_t format : resultFormats)
        net_->WriteInt16(format);
    net_->EndMessage();

    net_->BeginMessage(TPgFrontendMessage::Execute);
    net_->WriteString(stmt.PortalName());
    net_->WriteInt32(0); // all rows
    net_->EndMessage();

    if (closeAfter) {
        SendClose(TPgObjectKind::Portal, stmt.PortalName());
        SendClose(TPgObjectKind::Statement, stmt.StatementName());
    }
}

// BindComplete, then the first row or the completion up to ReadyForQuery.
bool TPgSQLProtocol30::ReadExecution(TPgSQLStatement& stmt) {
    state_ = TProtocolState::psStmtExecuting;
    completion_ = {};
    stmt.Completion = {};
    using enum TPgBackendMessage;
    Expect(ProcessMessageQueue(), {BindComplete});
    TPgBackendMessage type = ProcessMessageQueue();
    Expect(type, {DataRow, ReadyForQuery});
    if (type == DataRow) {
        firstRow_ = std::move(row_);
        return true;
    }
    Complete(stmt);
    return false;
}

void TPgSQLProtocol30::Complete(TPgSQLStatement& stmt) {
    stmt.Completion = completion_;
    if (stmt.ClosesWithExecution)
        stmt.Prepared = false;
}

bool TPgSQLProtocol30::BindExecutePreparedStmt(TPgSQLStatement& stmt, const std::vector<TPgSQLValue>& values,
                                               const std::vector<std::int16_t>& resultFormats,
                                               bool closeAfter) {
    return Guarded([&] {
        SkipRemainingRows();
        WriteBindExecute(stmt, values, DescribedFormats(stmt, values.size()), resultFormats, closeAfter);
        SendSync();
        try {
            return ReadExecution(stmt);
        } catch (const EPgError& e) {
            // The server skipped the closes sent with the failed execution: they go once more.
            if (closeAfter && !e.IsFatalError()) {
                stmt.Prepared = false;
                CloseStatementQuietly(stmt);
            }
            throw;
        }
    });
}

std::optional<TPgSQLRow> TPgSQLProtocol30::FetchStmt(TPgSQLStatement& stmt) {
    return Guarded([&]() -> std::optional<TPgSQLRow> {
        if (firstRow_)
            return std::exchange(firstRow_, std::nullopt);
        if (state_ != TProtocolState::psStmtFetching)
            return std::nullopt;
        using enum TPgBackendMessage;
        TPgBackendMessage type = ProcessMessageQueue();
        Expect(type, {DataRow, ReadyForQuery});
        if (type == DataRow)
            return std::move(row_);
        Complete(stmt);
        return std::nullopt;
    });
}

void TPgSQLProtocol30::UnPrepareStmt(TPgSQLStatement& stmt) {
    stmt.Prepared = false;
    if (!connected_ || stmt.Identifier.empty())
        return; // the unnamed statement needs no closing
    try {
        Guarded([&] {
            SkipRemainingRows();
            SendClose(TPgObjectKind::Portal, stmt.PortalName());
            SendClose(TPgObjectKind::Statement, stmt.StatementName());
            SendSync();
            Expect(ProcessMessageQueue(), {TPgBackendMessage::ReadyForQuery});
        });
    } catch (const EPgError&) {
        // Unpreparing never fails. A fatal error has dropped the connection: IsConnected says so, and
        // the next statement opens it anew.
    }
}

} // namespace velmora
