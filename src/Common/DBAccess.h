#pragma once

#include "Common/CRAccess.h"
#include "Common/Exceptions.h"
#include "Common/StatementObserver.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace velmora {

class TCustomDAConnection;

// The generic database connection: a Connected state that connecting and disconnecting change,
// with events around both.
class TCustomConnection {
public:
    TCustomConnection() = default;
    virtual ~TCustomConnection() = default;
    TCustomConnection(const TCustomConnection&) = delete;
    TCustomConnection& operator=(const TCustomConnection&) = delete;

    bool Connected() const { return GetConnected(); }
    // Connects a closed connection or disconnects an open one; setting the current state does nothing.
    void SetConnected(bool value);

    std::function<void()> BeforeConnect;
    std::function<void()> AfterConnect;
    std::function<void()> BeforeDisconnect;
    std::function<void()> AfterDisconnect;

protected:
    virtual bool GetConnected() const = 0;
    virtual void DoConnect() = 0;
    virtual void DoDisconnect() = 0;
};

// What a connection needs of its login dialog: a link to the connection it logs on, and Execute,
// which asks for the login and connects through PerformConnect. The connection sets the link (see
// TCustomDAConnection::SetConnectDialog), so that either side going away releases the other.
class TCustomConnectDialog {
public:
    TCustomConnectDialog() = default;
    virtual ~TCustomConnectDialog();
    TCustomConnectDialog(const TCustomConnectDialog&) = delete;
    TCustomConnectDialog& operator=(const TCustomConnectDialog&) = delete;

    TCustomDAConnection* Connection() const { return connection_; }

    // True exactly when the connection is open afterwards; false when the login was given up.
    virtual bool Execute() = 0;

private:
    friend class TCustomDAConnection;
    TCustomDAConnection* connection_ = nullptr;
};

struct TDAConnectionOptions {
    // Close the connection as soon as no script or statement uses it.
    bool DisconnectedMode = false;
};

// A connection to a database server through a provider connection, with a login prompt. Scripts
// and statements bracket their work with InternalConnect and InternalDisconnect, which open a
// closed connection and count the users of an open one.
class TCustomDAConnection : public TCustomConnection {
public:
    TCustomDAConnection() = default;
    ~TCustomDAConnection() override;

    const std::string& Server() const { return server_; }
    void SetServer(std::string server);
    const std::string& Username() const { return username_; }
    void SetUsername(std::string username);
    const std::string& Password() const { return password_; }
    void SetPassword(std::string password);

    bool LoginPrompt() const { return loginPrompt_; }
    void SetLoginPrompt(bool value) { loginPrompt_ = value; }
    // While set, no connect shows the login dialog (the dialog reads the database list with it).
    bool LockLoginPrompt() const { return lockLoginPrompt_; }
    void SetLockLoginPrompt(bool value) { lockLoginPrompt_ = value; }

    TCustomConnectDialog* ConnectDialog() const { return connectDialog_; }
    // Links both ways: the dialog's connection becomes this one. The old dialog is released, and
    // a dialog taken from another connection leaves that one without a dialog.
    void SetConnectDialog(TCustomConnectDialog* dialog);

    TDAConnectionOptions& Options() { return options_; }
    const TDAConnectionOptions& Options() const { return options_; }

    // Opens the connection, through the login dialog when LoginPrompt is on. A login given up
    // raises EAbort.
    void Connect() { SetConnected(true); }
    void Disconnect() { SetConnected(false); }
    // Opens the connection with the current values and without any prompt; the login dialog's
    // confirm button calls it, with retry set from its second attempt on.
    void PerformConnect(bool retry);

    // The bracket around every script run and statement execution.
    void InternalConnect();
    void InternalDisconnect();

    std::vector<std::string> GetDatabaseNames();
    std::vector<std::string> GetRoleNames();
    // The rows of a short catalogue query (see TCRConnection::SelectRows), connecting first when
    // the connection is closed.
    std::vector<std::vector<std::string>> SelectRows(const std::string& sql);

    // How many sessions this connection has opened so far. A change means the server sees another
    // session: what the last one held (locks, settings) is gone.
    std::uint64_t SessionCount() const { return sessionCount_; }

    // Asks the server to stop the statement running on this connection; the statement then fails
    // as the server reports it. Safe from any thread while the connection's own thread waits for
    // the statement (not from a signal handler: it allocates and locks); does nothing while the
    // connection is closed.
    void Cancel();

    // Sees every statement the connection sends, and what a dry run keeps back; none by default.
    // The observer must outlive the connection or be taken away first.
    TStatementObserver* StatementObserver() const { return observer_; }
    void SetStatementObserver(TStatementObserver* observer) { observer_ = observer; }
    // A dry run: the components' statements reach the observer only, never the server, and a
    // connect of the closed connection is only reported to the observer (a login dialog's
    // PerformConnect still logs on). Catalogue queries of the open connection still run: they
    // change nothing and decide what the run does; on the closed connection they fail.
    bool DryRun() const { return dryRun_; }
    void SetDryRun(bool value) { dryRun_ = value; }
    // Called by a component just before its statement goes to the server: shows it to the
    // observer and returns whether to send it, false in a dry run.
    bool Sending(const TParsedSQL& sql, const TDAParams& params);

    // The provider connection, made at the first connect; statement commands run on it.
    TCRConnection* IConnection() const { return iConnection_.get(); }

    // The connection's error handling, for every database error its provider connection raises
    // while the connection is open. Call it while the error is being handled: it closes the
    // connection when the error has ended the session, then raises the error for this layer.
    [[noreturn]] void HandleDatabaseError(const EDAError& error);

protected:
    bool GetConnected() const override;
    void DoConnect() override;
    void DoDisconnect() override;

    // The provider connection for this connection's settings, made at the first connect.
    virtual std::unique_ptr<TCRConnection> CreateIConnection() = 0;
    // Hands the provider connection the values of the next connect; derived connections add theirs.
    virtual void AssignConnectValues(TCRConnection& connection) const;
    // The dialog a prompt uses when no ConnectDialog is set; none means connecting without prompt.
    virtual std::unique_ptr<TCustomConnectDialog> CreateDefaultConnectDialog() { return nullptr; }

    // Closes the connection and drops its provider connection; the next connect makes a new one.
    void ReleaseIConnection();

    // Component layers raise their own class here in place of a provider's database error; the
    // generic layer lets the error pass as it is. Called while the error is being handled.
    virtual void ThrowComponentError(const EDAError& error);

    // Sets a connect parameter, closing an open connection first when the value changes.
    template <class T>
    void ChangeConnectParameter(T& field, T value) {
        if (field == value)
            return;
        Disconnect();
        field = std::move(value);
    }

private:
    void Open();
    // Reads from the server's catalogue inside the connect bracket.
    template <class Read>
    auto Catalogue(Read read);

    std::string server_;
    std::string username_;
    std::string password_;
    bool loginPrompt_ = true;
    bool lockLoginPrompt_ = false;
    bool shouldShowPrompt_ = true;
    int connectCount_ = 0;
    std::uint64_t sessionCount_ = 0;
    TCustomConnectDialog* connectDialog_ = nullptr;
    TDAConnectionOptions options_;
    TStatementObserver* observer_ = nullptr;
    bool dryRun_ = false;
    // Replacing or dropping the provider connection takes this lock, so that Cancel from another
    // thread never meets one that is going away.
    std::mutex iConnectionMutex_;
    std::unique_ptr<TCRConnection> iConnection_;
};

} // namespace velmora
