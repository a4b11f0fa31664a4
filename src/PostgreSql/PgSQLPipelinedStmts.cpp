#include "PostgreSql/PgSQLNet.h"
#include "PostgreSql/PgSQLProtocol.h"
#include "PostgreSql/PgSQLProtocolImpl.h"

namespace velmora {

std::size_t TPgSQLProtocol30::SendPipelinedStmt(TPgSQLStatement& stmt, const std::string& sql) {
    return Guarded([&] {
        stmt = TPgSQLStatement();
        const std::size_t collected = net_->Collected();
        WriteParseDescribe(stmt, sql, {});
        WriteBindExecute(stmt, {}, {}, {}, false);
        WriteSync();
        const std::size_t bytes = net_->Collected() - collected;
        net_->Push();
        return bytes;
    });
}

void TPgSQLProtocol30::ReadPipelinedStmt(TPgSQLStatement& stmt) {
    Guarded([&] {
        state_ = TProtocolState::psStmtPreparing;
        paramDescs_.clear();
        fieldDescs_.clear();
        ReadDescription(stmt);
        if (!ReadExecution(stmt))
            return;
        firstRow_.reset();
        while (state_ == TProtocolState::psStmtFetching)
            Expect(ProcessMessageQueue(), {TPgBackendMessage::DataRow, TPgBackendMessage::ReadyForQuery});
        Complete(stmt);
    });
}

} // namespace velmora
