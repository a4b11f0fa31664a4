#pragma once

#include <string>
#include <vector>

namespace velmora {

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
