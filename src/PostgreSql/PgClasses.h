#pragma once

#include "Common/CRAccess.h"
#include "Common/CRVioTcp.h"
#include "PostgreSql/PgConnectionSources.h"
#include "PostgreSql/PgSQLProtocol.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// One session with a PostgreSQL server: logs on through the wire protocol, then sets the session
// up (no statement, lock or idle-transaction time limit, client encoding, the two settings that
// decide how rows are decoded, the search path).
class TPgSQLConnection final : public TCRConnection {
public:
    // openSocket opens the TCP or local stream; tests pass one that records or redirects it.
    explicit TPgSQLConnection(TCRVioFactory openSocket = TCRVioTcp::Open);
    ~TPgSQLConnection() override;

    const TPgConnectionOptions& Options() const { return options_; }
    void SetOptions(TPgConnectionOptions options) { options_ = std::move(options); }

    void Connect() override;
    void Disconnect() override;
    // Only while the protocol is in step: after a fatal error the next use opens the session anew.
    bool IsConnected() const override { return protocol_ != nullptr && protocol_->IsConnected(); }
    bool InTransaction() const override;
    std::vector<std::string> GetDatabaseNames() override;
    std::vector<std::string> GetRoleNames() override;
    std::vector<std::vector<std::string>> SelectRows(const std::string& sql) override;
    std::unique_ptr<TCRPipeline> CreatePipeline() override;
    // Sends the protocol's cancel request for the open session; any thread.
    void Cancel() override;

    // Where the open session runs: of several servers the one it reached, with the address it
    // connected to when the name stands for several.
    const TPgServerAddress& ConnectedServer() const { return connectedServer_; }

    // The session's wire protocol, for the statement commands; only while connected.
    TPgSQLProtocol& Protocol() const;

    // Whether the server sends binary date and time values as integers, and byte strings in hex.
    bool IntegerDateTimes() const { return integerDateTimes_; }
    bool ByteaOutputHex() const { return byteaOutputHex_; }

private:
    void SetUpSession(TPgSQLProtocol& protocol);
    // The servers to try: the server as a comma-separated list of hosts, with the options' addresses
    // and ports.
    std::vector<TPgServerAddress> Servers() const;
    // The value a show query answered, in lower case.
    static std::string Setting(const TPgSQLResult& answer);
    // The first column of every row of a catalogue query, NULL as empty.
    std::vector<std::string> FirstColumn(const std::string& sql);

    TCRVioFactory openSocket_;
    TPgConnectionOptions options_;
    // Guards protocol_ against Cancel from another thread while this one opens or closes the session.
    mutable std::mutex protocolMutex_;
    std::unique_ptr<TPgSQLProtocol> protocol_; // exists while the session is open
    TPgServerAddress connectedServer_;
    bool integerDateTimes_ = false;
    bool byteaOutputHex_ = false;
};

// The statement that gives the session the client encoding the options ask for, if any: the
// server reported reportedEncoding at login and runs version major.minor.
std::optional<std::string> PgClientEncodingStatement(const TPgConnectionOptions& options,
                                                     std::string_view reportedEncoding, int major, int minor);

// A comma-separated list of schema names as a search path value: each name trimmed, and quoted
// where the server would otherwise fold or reject it; names already in double quotes stay as they are.
std::string PgSearchPathList(std::string_view schemas);

} // namespace velmora
