#include "Common/DBAccess.h"

#include "Common/ScopeExit.h"

namespace velmora {

void TCustomConnection::SetConnected(bool value) {
    if (value == Connected())
        return;
    if (value)
        DoConnect();
    else
        DoDisconnect();
}

TCustomConnectDialog::~TCustomConnectDialog() {
    if (connection_ != nullptr && connection_->ConnectDialog() == this)
        connection_->SetConnectDialog(nullptr);
}

TCustomDAConnection::~TCustomDAConnection() {
    if (connectDialog_ != nullptr)
        connectDialog_->connection_ = nullptr;
    try {
        Disconnect();
    } catch (...) {
        // A connection going away cannot report anything; the session is closed regardless.
    }
}

void TCustomDAConnection::SetServer(std::string server) {
    ChangeConnectParameter(server_, std::move(server));
}

void TCustomDAConnection::SetUsername(std::string username) {
    ChangeConnectParameter(username_, std::move(username));
}

void TCustomDAConnection::SetPassword(std::string password) {
    ChangeConnectParameter(password_, std::move(password));
}

void TCustomDAConnection::SetConnectDialog(TCustomConnectDialog* dialog) {
    if (dialog == connectDialog_)
        return;
    if (connectDialog_ != nullptr)
        connectDialog_->connection_ = nullptr;
    if (dialog != nullptr && dialog->connection_ != nullptr)
        dialog->connection_->connectDialog_ = nullptr;
    connectDialog_ = dialog;
    if (dialog != nullptr)
        dialog->connection_ = this;
}

bool TCustomDAConnection::GetConnected() const {
    return iConnection_ != nullptr && iConnection_->IsConnected();
}

void TCustomDAConnection::DoConnect() {
    if (dryRun_) {
        if (observer_ != nullptr)
            observer_->LogOnWithheld(*this);
        return;
    }
    ++connectCount_;
    std::unique_ptr<TCustomConnectDialog> temporaryDialog;
    TCustomConnectDialog* dialog = nullptr;
    if (loginPrompt_ && !lockLoginPrompt_) {
        dialog = connectDialog_;
        if (dialog == nullptr) {
            temporaryDialog = CreateDefaultConnectDialog();
            dialog = temporaryDialog.get();
        }
    }
    bool loggedOn = false;
    try {
        if (dialog != nullptr) {
            dialog->connection_ = this;
            loggedOn = dialog->Execute();
        } else {
            PerformConnect(false);
            loggedOn = true;
        }
    } catch (...) {
        if (!Connected())
            --connectCount_;
        throw;
    }
    if (!loggedOn) {
        --connectCount_;
        throw EAbort();
    }
}

void TCustomDAConnection::PerformConnect(bool retry) {
    if (Connected())
        return;
    if (!retry && BeforeConnect)
        BeforeConnect();
    Open();
    ++sessionCount_;
    ++connectCount_;
    if (AfterConnect)
        AfterConnect();
}

void TCustomDAConnection::Open() {
    if (iConnection_ == nullptr) {
        auto created = CreateIConnection();
        std::lock_guard lock(iConnectionMutex_);
        iConnection_ = std::move(created);
    }
    AssignConnectValues(*iConnection_);
    try {
        iConnection_->Connect();
    } catch (const EDAError& error) {
        ThrowComponentError(error);
        throw;
    }
}

void TCustomDAConnection::ReleaseIConnection() {
    Disconnect();
    std::unique_ptr<TCRConnection> released;
    std::lock_guard lock(iConnectionMutex_);
    released = std::move(iConnection_);
}

void TCustomDAConnection::Cancel() {
    std::lock_guard lock(iConnectionMutex_);
    if (iConnection_ != nullptr)
        iConnection_->Cancel();
}

void TCustomDAConnection::AssignConnectValues(TCRConnection& connection) const {
    connection.SetUsername(username_);
    connection.SetPassword(password_);
    connection.SetServer(server_);
}

void TCustomDAConnection::DoDisconnect() {
    connectCount_ = 0;
    shouldShowPrompt_ = true;
    if (BeforeDisconnect)
        BeforeDisconnect();
    iConnection_->Disconnect();
    if (AfterDisconnect)
        AfterDisconnect();
}

void TCustomDAConnection::InternalConnect() {
    const int countBefore = connectCount_;
    const bool storedLoginPrompt = loginPrompt_;
    ++connectCount_;
    loginPrompt_ = loginPrompt_ && shouldShowPrompt_;
    // Runs also when the connect fails: the count then stays where it was, and the next implicit
    // connect may prompt again.
    const TScopeExit restore([&]() noexcept {
        loginPrompt_ = storedLoginPrompt;
        connectCount_ = Connected() ? countBefore + 1 : countBefore;
        shouldShowPrompt_ = !Connected();
    });
    Connect();
}

void TCustomDAConnection::InternalDisconnect() {
    if (connectCount_ > 0)
        --connectCount_;
    if (connectCount_ == 0 && options_.DisconnectedMode && Connected() && !iConnection_->InTransaction())
        Disconnect();
    shouldShowPrompt_ = false;
}

bool TCustomDAConnection::Sending(const TParsedSQL& sql, const TDAParams& params) {
    if (observer_ != nullptr)
        observer_->Statement(sql, params, dryRun_);
    return !dryRun_;
}

template <class Read>
auto TCustomDAConnection::Catalogue(Read read) {
    if (dryRun_ && !Connected())
        throw EDatabaseError("Ein Probelauf meldet niemanden an: die Verbindung zum Server ist nicht offen");
    InternalConnect();
    decltype(read(*iConnection_)) rows;
    // Not a scope guard: the disconnect may run the application's events, which may throw.
    try {
        try {
            rows = read(*iConnection_);
        } catch (const EDAError& error) {
            HandleDatabaseError(error);
        }
    } catch (...) {
        InternalDisconnect();
        throw;
    }
    InternalDisconnect();
    return rows;
}

std::vector<std::string> TCustomDAConnection::GetDatabaseNames() {
    return Catalogue([](TCRConnection& connection) { return connection.GetDatabaseNames(); });
}

std::vector<std::string> TCustomDAConnection::GetRoleNames() {
    return Catalogue([](TCRConnection& connection) { return connection.GetRoleNames(); });
}

std::vector<std::vector<std::string>> TCustomDAConnection::SelectRows(const std::string& sql) {
    return Catalogue([this, &sql](TCRConnection& connection) {
        if (observer_ != nullptr) {
            TParsedSQL query;
            query.Text = sql;
            observer_->Statement(query, TDAParams(), false);
        }
        return connection.SelectRows(sql);
    });
}

void TCustomDAConnection::HandleDatabaseError(const EDAError& error) {
    // A fatal error has ended the session underneath already, so the connection no longer counts as
    // open; closing it still resets the count and the prompt and tells the listeners.
    if (error.IsFatalError() && iConnection_ != nullptr)
        DoDisconnect();
    ThrowComponentError(error);
    throw;
}

void TCustomDAConnection::ThrowComponentError(const EDAError&) {}

} // namespace velmora
