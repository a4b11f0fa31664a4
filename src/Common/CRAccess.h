#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velmora {

struct TParsedSQL;

// Statements without parameter values sent ahead of their answers on one open session, each one
// on its own as if it ran alone: a failure touches only its statement. Answers are taken strictly
// in the order the statements were sent. What is in flight is bounded: while HasRoom is false,
// the oldest answer must be taken before the next statement is sent.
class TCRPipeline {
public:
    TCRPipeline() = default;
    virtual ~TCRPipeline() = default;
    TCRPipeline(const TCRPipeline&) = delete;
    TCRPipeline& operator=(const TCRPipeline&) = delete;

    virtual bool HasRoom() const = 0;
    // Sends the statement without waiting for any answer. A statement that cannot be sent (an
    // empty text, a connection already lost) fails when its answer is taken, never here.
    virtual void Send(const TParsedSQL& sql) = 0;
    // Statements sent whose answer has not been taken.
    virtual std::size_t InFlight() const = 0;
    // Waits for the answer of the oldest statement in flight and returns its row count, or raises
    // its failure as an execution of it alone would. After the connection was lost, every
    // statement in flight fails with a fatal error: none is reported as done.
    virtual std::int64_t Receive() = 0;
    // Reads what the session still owes after the last statement's answer, so that the session
    // can serve other statements again.
    virtual void Finish() = 0;
};

// The provider's side of a connection: one session with a database server. The connection
// component creates it at its first connect and keeps it for the later ones. Every connect hands
// it the current values first, so a value changed while it was closed takes effect at the next one.
class TCRConnection {
public:
    TCRConnection() = default;
    virtual ~TCRConnection() = default;
    TCRConnection(const TCRConnection&) = delete;
    TCRConnection& operator=(const TCRConnection&) = delete;

    void SetServer(std::string server) { server_ = std::move(server); }
    void SetPort(int port) { port_ = port; }
    void SetDatabase(std::string database) { database_ = std::move(database); }
    void SetUsername(std::string username) { username_ = std::move(username); }
    void SetPassword(std::string password) { password_ = std::move(password); }

    // Opens the session with the values above; raises an EDAError and stays closed on failure.
    virtual void Connect() = 0;
    // Ends the session. A session the server has already dropped closes without complaint.
    virtual void Disconnect() = 0;
    virtual bool IsConnected() const = 0;
    // Whether a transaction is open on the session, which keeps an idle connection from closing.
    virtual bool InTransaction() const = 0;

    // The names of the server's databases in the server's order.
    virtual std::vector<std::string> GetDatabaseNames() = 0;
    // The names of the server's roles, sorted.
    virtual std::vector<std::string> GetRoleNames() = 0;
    // The rows of a short query of the server's catalogue or settings, every value as text and
    // NULL as empty.
    virtual std::vector<std::vector<std::string>> SelectRows(const std::string& sql) = 0;

    // A pipeline on the open session, or none when the provider runs statements one at a time.
    virtual std::unique_ptr<TCRPipeline> CreatePipeline() { return nullptr; }

    // Asks the server to stop the statement the session runs. Any thread may call it while
    // another waits for the statement: it never touches the session itself. Does nothing while no
    // session is open, or where the provider cannot cancel.
    virtual void Cancel() {}

protected:
    const std::string& Server() const { return server_; }
    int Port() const { return port_; }
    const std::string& Database() const { return database_; }
    const std::string& Username() const { return username_; }
    const std::string& Password() const { return password_; }

private:
    std::string server_;
    int port_ = 0;
    std::string database_;
    std::string username_;
    std::string password_;
};

} // namespace velmora
