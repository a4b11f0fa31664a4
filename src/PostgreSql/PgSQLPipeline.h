#pragma once

#include "Common/CRAccess.h"
#include "PostgreSql/PgSQLProtocol.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>

namespace velmora {

// Statements without values sent ahead of their answers over one protocol object. Each statement
// is the whole cycle that a statement command runs alone (prepare, bind and execute on the unnamed
// statement, its own Sync), so its result and its error are those of a run on its own, and nothing
// is left to close, whether it failed or not.
//
// After a fatal error the protocol may be gone (the connection's error handling frees it), so the
// pipeline never touches it again: the statement that met the error raises it, every later one in
// flight a fatal error of its own.
class TPgSQLPipeline final : public TCRPipeline {
public:
    // Bounds of what is in flight: enough to hide the round trip, small enough that the answers
    // owed never need much memory on either side.
    static constexpr std::size_t MaxStatements = 256;
    static constexpr std::size_t MaxBytes = 1 << 20;

    explicit TPgSQLPipeline(TPgSQLProtocol& protocol);

    bool HasRoom() const override;
    void Send(const TParsedSQL& sql) override;
    std::size_t InFlight() const override { return statements_; }
    std::int64_t Receive() override;
    // Nothing is owed after the last answer: no statement leaves anything to close.
    void Finish() override {}

private:
    struct TEntry {
        TPgSQLStatement Stmt;
        std::size_t Bytes = 0;
        std::exception_ptr Failure; // known before sending: the statement never left
    };

    void Break();
    [[noreturn]] void RaiseLoss();

    TPgSQLProtocol& protocol_;
    std::deque<TEntry> entries_;
    std::size_t statements_ = 0;
    std::size_t bytes_ = 0;
    bool broken_ = false;
    std::exception_ptr breakingError_; // raised by the first statement in flight after the break
};

} // namespace velmora
