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
    } catch (const EAbort&) {
        throw; // the run ends: no later statement is sent
    } catch (const Exception&) {
        entry.Failure = std::current_exception();
    }
    bytes_ += entry.Bytes;
    ++statements_;
    entries_.push_back(std::move(entry));
}

std::int64_t TPgSQLPipeline::Receive() {
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
        // A statement that wants values failed its bind: the command's own error, as when run alone.
        if (!entry.Stmt.Params.empty())
            throw PgInvalidParametersError();
        throw;
    }
    return entry.Stmt.Completion.RowsAffected;
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
    throw EPgError::InDoubt("The connection was lost before the answer to this statement arrived; "
                            "the statement may or may not have run");
}

} // namespace velmora
