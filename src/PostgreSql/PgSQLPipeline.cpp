#include "PostgreSql/PgSQLPipeline.h"

#include "Common/CRCommand.h"
#include "PostgreSql/PgSQLCommand.h"

#include <utility>

namespace velmora {

TPgSQLPipeline::TPgSQLPipeline(TPgSQLProtocol& protocol) : protocol_(protocol) {}

bool TPgSQLPipeline::HasRoom() const {
    return statements_ < MaxStatements && bytes_ < MaxBytes;
}

void TPgSQLPipeline::Send(const TParsedSQL& sql) {
    TEntry entry;
    try {
        PgCheckStatementText(sql.Text);
        if (!broken_)
            entry.Bytes = protocol_.SendPipelinedStmt(entry.Stmt, sql.Text);
    } catch (const EPgError& e) {
        if (!e.IsFatalError())
            throw;
        // The statement may have left in part: it counts as in flight when the connection broke.
        Break();
    } catch (const Exception&) {
        entry.Failure = std::current_exception();
    }
    bytes_ += entry.Bytes;
    ++statements_;
    entries_.push_back(std::move(entry));
}

std::int64_t TPgSQLPipeline::Receive() {
    ReadCloses();
    TEntry entry = std::move(entries_.front());
    entries_.pop_front();
    --statements_;
    bytes_ -= entry.Bytes;
    if (entry.Failure)
        std::rethrow_exception(entry.Failure);
    if (broken_)
        RaiseLoss();
    try {
        protocol_.ReadPipelinedStmt(entry.Stmt);
    } catch (const EPgError& e) {
        if (e.IsFatalError()) {
            Break();
            breakingError_ = nullptr; // this statement reports it
            throw;
        }
        if (entry.Stmt.Prepared)
            QueueClose(entry.Stmt);
        // A statement that wants values failed its bind: the command's own error, as when run alone.
        if (entry.Stmt.Prepared && !entry.Stmt.Params.empty())
            throw PgInvalidParametersError();
        throw;
    }
    return entry.Stmt.Completion.RowsAffected;
}

void TPgSQLPipeline::Finish() {
    ReadCloses();
}

// The closes queued in front of the next statement are answered first; their errors are dropped
// as an unprepare drops them.
void TPgSQLPipeline::ReadCloses() {
    while (!entries_.empty() && entries_.front().IsClose) {
        bytes_ -= entries_.front().Bytes;
        entries_.pop_front();
        if (broken_)
            continue;
        try {
            protocol_.ReadPipelinedClose();
        } catch (const EPgError&) {
            Break(); // the statements after it learn of the loss
        }
    }
}

void TPgSQLPipeline::QueueClose(const TPgSQLStatement& stmt) {
    TEntry entry;
    entry.IsClose = true;
    try {
        entry.Bytes = protocol_.SendPipelinedClose(stmt);
    } catch (const EPgError&) {
        Break();
        return;
    }
    bytes_ += entry.Bytes;
    entries_.push_back(std::move(entry));
}

void TPgSQLPipeline::Break() {
    if (broken_)
        return;
    broken_ = true;
    breakingError_ = std::current_exception();
}

void TPgSQLPipeline::RaiseLoss() {
    if (breakingError_)
        std::rethrow_exception(std::exchange(breakingError_, nullptr));
    throw EPgError(TPgSeverity::sFatal,
                   "The connection was lost before the answer to this statement arrived; "
                   "the statement may or may not have run");
}

} // namespace velmora
