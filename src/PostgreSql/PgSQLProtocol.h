#pragma once

#include "Common/CRVioTcp.h"
#include "PostgreSql/PgError.h"
#include "PostgreSql/PgMessageTypes.h"
#include "PostgreSql/PgSQLTypes.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

class TPgSQLNet;
class TScramSha256Client;
class TPgMessageReader;
struct TPgMessage;

// A request to cancel the statement a session runs, taken while the session was open: where the
// session runs, how it was reached, and its key. It never touches the session, so that a copy may
// be sent from any thread while the session's own thread waits for the statement.
class TPgCancelRequest {
public:
    TPgCancelRequest(TCRVioFactory openSocket, TPgConnectParams params, bool encrypted,
                     std::int32_t processId, std::int32_t secretKey);
    // Sends the request on a connection of its own, over TLS when the session is encrypted, and
    // waits, within the connection timeout, until the server has closed that connection. Throws
    // EPgError when the server cannot be reached.
    void Send() const;

private:
    TCRVioFactory openSocket_;
    TPgConnectParams params_; // without the password
    bool encrypted_;
    std::int32_t processId_;
    std::int32_t secretKey_;
};

// The wire protocol of one PostgreSQL connection: created when the connection opens, freed when it
// closes, used by one thread. Every failure is an EPgError; after a fatal one (IsFatalError) the
// object is no longer connected and the connection must be closed and opened anew.
class TPgSQLProtocol {
public:
    virtual ~TPgSQLProtocol() = default;

    // Opens the socket, negotiates TLS as the SSL mode asks, logs on (trust, peer, certificate,
    // clear-text password, MD5, SCRAM-SHA-256 with or without channel binding) and reads the server
    // version, all within the connection timeout. Any failure leaves the object disconnected.
    virtual void Connect(const TPgConnectParams& params) = 0;
    // Ends the session with Terminate and closes the socket; failures are ignored.
    virtual void Disconnect() = 0;
    // Between a successful Connect and Disconnect or the first fatal error: while the protocol is in
    // step with the server.
    virtual bool IsConnected() const = 0;

    // Runs sql (one or more statements) as a simple query; raises the server's error after the
    // server is ready again, so the connection stays usable after an ERROR. Simple queries are for
    // small answers (settings, catalogue lists): rows beyond 16 MiB are a fatal error.
    virtual TPgSQLResult ExecuteStmt(const std::string& sql) = 0;
    // Runs each text as a simple query of its own, all sent in one write and answered in order: a
    // failed one does not keep the others from running. Raises the first failure's error once
    // every answer has been read.
    virtual std::vector<TPgSQLResult> ExecuteStmts(const std::vector<std::string>& sqls) = 0;

    // The extended query cycle. PrepareStmt gives the statement a new name and reads its
    // parameter and field descriptions; paramTypes may be empty to let the server infer them.
    virtual void PrepareStmt(TPgSQLStatement& stmt, const std::string& sql,
                             const std::vector<std::uint32_t>& paramTypes = {}) = 0;
    // Binds the values (in the formats of stmt.Params) and executes all rows. Returns true when
    // rows follow, to be read with FetchStmt; otherwise stmt.Completion is set. resultFormats
    // follows the protocol's rule: empty for all text, one for all fields, or one per field. With
    // closeAfter the portal and the statement are closed in the same exchange, and once more after
    // an execution that failed (the server skips the rest of a failed exchange, the closes too).
    virtual bool BindExecutePreparedStmt(TPgSQLStatement& stmt, const std::vector<TPgSQLValue>& values,
                                         const std::vector<std::int16_t>& resultFormats = {},
                                         bool closeAfter = false) = 0;
    // Parse and describe on the unnamed statement in one exchange: the parameter and field
    // descriptions of sql, with nothing left to close.
    virtual void DescribeStmt(TPgSQLStatement& stmt, const std::string& sql) = 0;
    // Parse, describe, bind the values in paramFormats (text where none is given), and execute, on
    // the unnamed statement in one exchange: its messages leave in one write, and its answers are
    // those of the steps one after the other. Returns like BindExecutePreparedStmt. After a failure
    // stmt.Params holds the description when the Parse went through.
    virtual bool PrepareExecuteStmt(TPgSQLStatement& stmt, const std::string& sql,
                                    const std::vector<TPgSQLValue>& values = {},
                                    const std::vector<std::int16_t>& paramFormats = {}) = 0;
    // Statements sent ahead of their answers. SendPipelinedStmt writes the whole cycle of a
    // statement without values, closed by its own Sync, as PrepareExecuteStmt does, sends what the
    // stream takes at once, and returns the number of bytes. ReadPipelinedStmt reads the answers
    // of the oldest statement sent, drops its rows, and raises its error.
    virtual std::size_t SendPipelinedStmt(TPgSQLStatement& stmt, const std::string& sql) = 0;
    virtual void ReadPipelinedStmt(TPgSQLStatement& stmt) = 0;
    // The next row, or nullopt after the last one, when stmt.Completion is set.
    virtual std::optional<TPgSQLRow> FetchStmt(TPgSQLStatement& stmt) = 0;
    // Closes the portal and the statement on the server; every error of this step is swallowed.
    virtual void UnPrepareStmt(TPgSQLStatement& stmt) = 0;

    // Receive timeout in seconds for the following reads; 0 waits without limit.
    virtual void SetTimeout(int seconds) = 0;
    // Asks the server, over a connection of its own, to cancel the statement the session runs;
    // does nothing while no session is open. Any thread may call it: it never touches the
    // session's stream. Throws EPgError when the server cannot be reached.
    void RequestCancel() const;
    // The request that cancels the running statement of the open session, none while no session is
    // open. Any thread.
    virtual std::optional<TPgCancelRequest> CancelRequest() const = 0;

    TProtocolState State() const { return state_; }
    // A parameter the server reported (ParameterStatus), empty when it never did.
    std::string GetServerParameter(const std::string& name) const;
    // The transaction status of the last ReadyForQuery.
    TPgTransactionStatus TransactionStatus() const { return txnStatus_; }
    std::int32_t ProcessId() const { return processId_; }

    // The answer of "SELECT VERSION()", and the version number taken from it ("10.3").
    const std::string& ServerVersionFull() const { return serverVersionFull_; }
    const std::string& ServerVersion() const { return serverVersion_; }
    int MajorServerVersion() const { return majorServerVersion_; }
    int MinorServerVersion() const { return minorServerVersion_; }

    // Notices are dropped unless somebody listens; so are notifications.
    std::function<void(const TPgErrorFields& notice)> OnNotice;
    std::function<void(std::int32_t processId, const std::string& channel, const std::string& payload)>
        OnNotification;

protected:
    void SetServerVersion(std::string versionAnswer);

    TProtocolState state_ = TProtocolState::psNone;
    std::map<std::string, std::string> serverParameters_;
    TPgTransactionStatus txnStatus_ = TPgTransactionStatus::None;
    std::int32_t processId_ = 0;
    std::int32_t secretKey_ = 0;

private:
    std::string serverVersionFull_;
    std::string serverVersion_;
    int majorServerVersion_ = 0;
    int minorServerVersion_ = 0;
};

// The version number in a "SELECT VERSION()" answer: the text between its first and second blank or
// comma ("PostgreSQL 10.3, compiled ..." gives "10.3").
std::string ParseServerVersion(const std::string& versionAnswer);

// Version 3.0 of the frontend/backend protocol.
class TPgSQLProtocol30 final : public TPgSQLProtocol {
public:
    // openSocket opens the connection's stream and the cancel request's; tests pass a scripted one.
    explicit TPgSQLProtocol30(TCRVioFactory openSocket = TCRVioTcp::Open);
    ~TPgSQLProtocol30() override;
    TPgSQLProtocol30(const TPgSQLProtocol30&) = delete;
    TPgSQLProtocol30& operator=(const TPgSQLProtocol30&) = delete;

    void Connect(const TPgConnectParams& params) override;
    void Disconnect() override;
    bool IsConnected() const override;
    TPgSQLResult ExecuteStmt(const std::string& sql) override;
    std::vector<TPgSQLResult> ExecuteStmts(const std::vector<std::string>& sqls) override;
    void PrepareStmt(TPgSQLStatement& stmt, const std::string& sql,
                     const std::vector<std::uint32_t>& paramTypes = {}) override;
    bool BindExecutePreparedStmt(TPgSQLStatement& stmt, const std::vector<TPgSQLValue>& values,
                                 const std::vector<std::int16_t>& resultFormats = {},
                                 bool closeAfter = false) override;
    void DescribeStmt(TPgSQLStatement& stmt, const std::string& sql) override;
    bool PrepareExecuteStmt(TPgSQLStatement& stmt, const std::string& sql,
                            const std::vector<TPgSQLValue>& values = {},
                            const std::vector<std::int16_t>& paramFormats = {}) override;
    std::size_t SendPipelinedStmt(TPgSQLStatement& stmt, const std::string& sql) override;
    void ReadPipelinedStmt(TPgSQLStatement& stmt) override;
    std::optional<TPgSQLRow> FetchStmt(TPgSQLStatement& stmt) override;
    void UnPrepareStmt(TPgSQLStatement& stmt) override;
    void SetTimeout(int seconds) override;
    std::optional<TPgCancelRequest> CancelRequest() const override;

    // Whether the session is encrypted, and the SASL mechanism of its log-on (empty without SASL).
    bool IsEncrypted() const { return tlsEndPoint_.has_value(); }
    const std::string& SaslMechanism() const { return saslMechanism_; }

private:
    bool ConnectOnce(const std::string& applicationName);
    void LogOn(const std::string& applicationName, bool askForTls);
    void SendStartup(const std::string& applicationName);
    void Authenticate();
    bool AnswerAuthRequest(TPgMessageReader& reader, std::optional<TScramSha256Client>& scram);
    void StartScram(TPgMessageReader& reader, std::optional<TScramSha256Client>& scram);
    void SendPassword(const std::string& password);
    void Requested(TPgAuthMethod method, bool canBind);
    const std::string& RequiredPassword() const;
    void SendSaslResponse(std::string_view data);
    TPgSQLResult RunSimpleQuery(const std::string& sql);
    void WriteQuery(const std::string& sql);
    TPgSQLResult ReadQueryResult();
    void ReadServerVersion();

    // The message loop: reads messages until one stops it, hands the notices on, raises the
    // pending error, and returns the type of the last message.
    TPgBackendMessage ProcessMessageQueue();
    TPgMessage ReadMessage();
    bool HandleMessage(const TPgMessage& message);
    bool HandleMessageBody(TPgBackendMessage type, TPgMessageReader& reader);
    bool HandleError(TPgErrorFields error);
    void DeliverNotices();
    void SkipRemainingRows();
    void StartStatement(TPgSQLStatement& stmt, bool named);
    void WriteParseDescribe(const TPgSQLStatement& stmt, const std::string& sql,
                            const std::vector<std::uint32_t>& paramTypes);
    void WriteBindExecute(TPgSQLStatement& stmt, const std::vector<TPgSQLValue>& values,
                          const std::vector<std::int16_t>& paramFormats,
                          const std::vector<std::int16_t>& resultFormats, bool closeAfter);
    void ReadDescription(TPgSQLStatement& stmt);
    bool ReadExecution(TPgSQLStatement& stmt);
    void Complete(TPgSQLStatement& stmt);
    void SendClose(TPgObjectKind kind, std::string_view name);
    void WriteSync();
    void SendSync();
    void CloseStatementQuietly(const TPgSQLStatement& stmt);
    std::string NextIdentifier();

    // Runs work on the open connection. A fatal error drops the connection before it passes on; so
    // does any other exception, which comes out as a fatal EPgError, except EInterrupted, which
    // cancels the running statement first and passes on as it is.
    template <class Work>
    auto Guarded(Work work) -> decltype(work());
    void DropConnection();
    // Asks the server to cancel the running statement; a failure to ask is swallowed.
    void CancelQuietly() noexcept;

    TCRVioFactory openSocket_;
    std::unique_ptr<TPgSQLNet> net_;
    bool connected_ = false;
    TPgConnectParams params_;
    std::optional<std::string> tlsEndPoint_; // set on an encrypted session: the channel binding data
    std::string saslMechanism_;
    TPgAuthMethod requested_ = TPgAuthMethod::None; // what the server asked for in this log-on
    std::optional<std::chrono::steady_clock::time_point> loginDeadline_;
    mutable std::mutex cancelMutex_; // guards cancelRequest_, which other threads read
    std::optional<TPgCancelRequest> cancelRequest_;
    // Begins the names of the session's statements: random, so that no other session, in this
    // process or another, names a statement alike on a backend a pooler shares between them.
    std::string sessionToken_;
    std::int64_t stmtCounter_ = 0;

    // What the current message loop has read.
    std::optional<TPgErrorFields> pendingError_;
    std::vector<TPgErrorFields> pendingNotices_;
    std::vector<TPgSQLParamDesc> paramDescs_;
    std::vector<TPgSQLFieldDesc> fieldDescs_;
    TPgCommandResult completion_;
    TPgSQLRow row_;
    std::optional<TPgSQLRow> firstRow_; // read by the execute step, handed out by the first fetch
};

} // namespace velmora
