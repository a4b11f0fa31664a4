#include "Dabrix/UniConnectDialog.h"

#include "Common/AsciiText.h"
#include "Common/ExceptionHandler.h"
#include "Dabrix/UniProvider.h"
#include "PostgreSql/PgConnectionOptions.h"

#include <algorithm>
#include <charconv>
#include <map>

namespace velmora {
namespace {

// Where the settings live; older installations kept them under the fallback.
const std::string kSettingsRoot = "\\SOFTWARE\\Vorlaxe\\Dabrix\\";
const std::string kFallbackSettingsRoot = "\\SOFTWARE\\Calbrune\\Dabrix\\";
// "ServerC" followed by the provider's connect mode, which is 1 for PostgreSQL.
const std::string kServerValue = "ServerC1";

// The connection's encryption: provider options, stored under the same names with the last login.
const std::string kSSLModeOption = "SSLMode";
const std::string kSSLCACertOption = "SSLCACert";

// The encryption the connection's options ask for; without the mode option, the provider's default.
TSSLChoice SSLChoiceOf(const TUniConnection& connection) {
    const std::optional<std::string> option = connection.SpecificOption(kSSLModeOption);
    const TPgSSLModeName* mode = option ? FindPgSSLMode(*option) : &PgSSLModeName(TPgSSLOptions().Mode);
    return {mode == nullptr ? std::string() : std::string(mode->tool),
            connection.SpecificOption(kSSLCACertOption).value_or("")};
}

void ApplySSLChoice(TUniConnection& connection, const TSSLChoice& choice) {
    // A mode the list does not know (none chosen) leaves the connection's mode alone.
    if (const TPgSSLModeName* mode = FindPgSSLMode(choice.mode))
        connection.SetSpecificOption(kSSLModeOption, std::string(mode->option));
    connection.SetSpecificOption(kSSLCACertOption, choice.caFile);
}

std::string HistorySubkey(const std::string& providerName) {
    return "Connect\\Providers\\" + providerName;
}

std::string HistoryValue(std::size_t number) {
    return kServerValue + " " + std::to_string(number);
}

std::map<std::string, TConnectFormFactory>& FormClasses() {
    static std::map<std::string, TConnectFormFactory> classes;
    return classes;
}

std::unique_ptr<TConnectFormView> CreateConnectForm(const std::string& dialogClass) {
    const std::string className = dialogClass.empty() ? "TUniConnectForm" : dialogClass;
    const auto found = FormClasses().find(className);
    if (found == FormClasses().end())
        throw EDatabaseError("Login form class " + className + " is not registered");
    return found->second();
}

// The login values the dialog gives back when the login is given up. The provider options hold the
// encryption chosen in the SSL dialog.
struct TLoginValues {
    std::string providerName, username, password, server;
    std::vector<std::string> options;

    explicit TLoginValues(const TUniConnection& connection)
        : providerName(connection.ProviderName()), username(connection.Username()),
          password(connection.Password()), server(connection.Server()),
          options(connection.SpecificOptions()) {}

    void RestoreTo(TUniConnection& connection) const {
        connection.SetProviderName(providerName);
        connection.SetUsername(username);
        connection.SetPassword(password);
        connection.SetServer(server);
        connection.SpecificOptions() = options;
    }
};

// The busy mouse pointer for as long as it lives.
class TBusyPointer {
public:
    explicit TBusyPointer(TConnectFormView& form) : form_(form) { form_.SetBusy(true); }
    ~TBusyPointer() { form_.SetBusy(false); }
    TBusyPointer(const TBusyPointer&) = delete;
    TBusyPointer& operator=(const TBusyPointer&) = delete;

private:
    TConnectFormView& form_;
};

} // namespace

void RegisterConnectFormClass(const std::string& className, TConnectFormFactory factory) {
    FormClasses()[className] = std::move(factory);
}

// ---- TUniConnectDialog ----

TUniConnectDialog::TUniConnectDialog() : texts_(TextsOf(TLabelSet::lsEnglish)) {}

const TUniConnectDialog::TTexts& TUniConnectDialog::TextsOf(TLabelSet labelSet) {
    static const TTexts english{"Connect", "User Name", "Password", "Server",  "Connect",
                                "Cancel",  "Database",  "Port",     "Provider"};
    static const TTexts german{"Anmeldung", "Benutzername", "Kennwort", "Host-Zeichenfolge", "Ok",
                               "Abbrechen", "Datenbank",    "Tor",      "Versorger"};
    // The program carries the English and German texts; the other languages show the English ones.
    return labelSet == TLabelSet::lsGerman ? german : english;
}

void TUniConnectDialog::SetLabelSet(TLabelSet labelSet) {
    labelSet_ = labelSet;
    if (labelSet != TLabelSet::lsCustom) {
        texts_ = TextsOf(labelSet);
        language_ = labelSet;
    }
}

const TSSLTexts& TUniConnectDialog::SSLTexts() const {
    static const TSSLTexts english{"SSL Connection",           "SSL Mode", "CA Certificate", "OK", "Cancel",
                                   "Choose the CA Certificate"};
    static const TSSLTexts german{"SSL-Verbindung", "SSL-Modus",           "CA-Zertifikat", "Ok",
                                  "Abbrechen",      "CA-Zertifikat wählen"};
    // A label set changed text by text keeps the language of the set it started from.
    return language_ == TLabelSet::lsGerman ? german : english;
}

void TUniConnectDialog::ChangeText(std::string& text, std::string value) {
    if (text == value)
        return;
    text = std::move(value);
    labelSet_ = TLabelSet::lsCustom;
}

TUniConnection& TUniConnectDialog::UniConnection() const {
    auto* connection = dynamic_cast<TUniConnection*>(Connection());
    if (connection == nullptr)
        throw EDatabaseError("Connection is not defined");
    return *connection;
}

bool TUniConnectDialog::Execute() {
    TUniConnection& connection = UniConnection();
    if (messageBoxes_ == nullptr)
        throw EDatabaseError("Message boxes are not defined");
    const TLoginValues before(connection);
    bool connected = false;
    try {
        if (storeLogInfo_)
            LoadLogInfo(connection, before.username);
        connected = ShowForm(connection);
    } catch (...) {
        before.RestoreTo(connection);
        throw;
    }
    if (!connected)
        before.RestoreTo(connection);
    else if (storeLogInfo_)
        SaveLogInfo(connection);
    return connected;
}

void TUniConnectDialog::LoadLogInfo(TUniConnection& connection, const std::string& usernameBefore) const {
    if (const auto key = OpenKeyForReading(LogInfoSubkey(), /*withFallback=*/true)) {
        LoadProvider(connection, *key);
        LoadLogin(connection, *key);
    }
    if (!savePassword_ || !EqualsIgnoringAsciiCase(connection.Username(), usernameBefore))
        connection.SetPassword({});
}

bool TUniConnectDialog::ShowForm(TUniConnection& connection) {
    const std::unique_ptr<TConnectFormView> form = CreateConnectForm(dialogClass_);
    TConnectFormController controller(*this, connection, *form);
    return form->ShowModal(controller) && connection.Connected();
}

std::string TUniConnectDialog::LogInfoSubkey() const {
    return "Connect\\" + applicationTitle_;
}

std::unique_ptr<const TSettingsKey> TUniConnectDialog::OpenKeyForReading(const std::string& subkey,
                                                                         bool withFallback) const {
    if (settingsStore_ == nullptr)
        return nullptr;
    auto key = settingsStore_->OpenKeyForReading(kSettingsRoot + subkey);
    if (key == nullptr && withFallback)
        key = settingsStore_->OpenKeyForReading(kFallbackSettingsRoot + subkey);
    return key;
}

void TUniConnectDialog::LoadProvider(TUniConnection& connection, const TSettingsKey& key) {
    if (const auto name = key.ReadString("Provider")) {
        if (const TUniProvider* provider = FindUniProvider(*name))
            connection.SetProviderName(provider->ProviderName());
    }
}

void TUniConnectDialog::LoadLogin(TUniConnection& connection, const TSettingsKey& key) {
    if (const auto username = key.ReadString("Username"))
        connection.SetUsername(*username);
    if (const auto server = key.ReadString(kServerValue))
        connection.SetServer(*server);
    if (const auto port = key.ReadInteger("Port"))
        connection.SetPort(*port);
    if (const auto database = key.ReadString("Database"))
        connection.SetDatabase(*database);
    for (const std::string& option : {kSSLModeOption, kSSLCACertOption}) {
        if (const auto value = key.ReadString(option))
            connection.SetSpecificOption(option, *value);
    }
}

void TUniConnectDialog::SaveLogInfo(const TUniConnection& connection) {
    SaveServerHistory(connection);
    if (settingsStore_ == nullptr)
        return;
    const auto key = settingsStore_->CreateKey(kSettingsRoot + LogInfoSubkey());
    if (key == nullptr)
        return;
    key->WriteString("Username", connection.Username());
    key->WriteString(kServerValue, connection.Server());
    key->WriteString("Provider", connection.ProviderName());
    key->WriteInteger("Port", connection.Port());
    key->WriteString("Database", connection.Database());
    for (const std::string& option : {kSSLModeOption, kSSLCACertOption}) {
        if (const auto value = connection.SpecificOption(option))
            key->WriteString(option, *value);
    }
}

std::vector<std::string> TUniConnectDialog::ReadServerHistory(const std::string& providerName) const {
    std::vector<std::string> servers;
    const auto key = OpenKeyForReading(HistorySubkey(providerName), true);
    if (key == nullptr)
        return servers;
    while (auto server = key->ReadString(HistoryValue(servers.size() + 1)))
        servers.push_back(std::move(*server));
    return servers;
}

std::vector<std::string> TUniConnectDialog::GetServerList() const {
    return ReadServerHistory(UniConnection().ProviderName());
}

void TUniConnectDialog::SaveServerHistory(const TUniConnection& connection) {
    const std::string& server = connection.Server();
    if (server.empty() || settingsStore_ == nullptr)
        return;
    const std::vector<std::string> history = ReadServerHistory(connection.ProviderName());
    const auto key = settingsStore_->CreateKey(kSettingsRoot + HistorySubkey(connection.ProviderName()));
    if (key == nullptr)
        return;
    std::size_t number = 1;
    key->WriteString(HistoryValue(number++), server);
    for (const std::string& older : history) {
        if (!EqualsIgnoringAsciiCase(older, server))
            key->WriteString(HistoryValue(number++), older);
    }
}

void TUniConnectDialog::ShowError(const std::exception& error) const {
    if (dynamic_cast<const EAbort*>(&error) != nullptr)
        return;
    messageBoxes_->Show(TMessageBoxKind::Error, applicationTitle_, ErrorBoxMessage(error));
}

// ---- TConnectFormController ----

TConnectFormController::TConnectFormController(TUniConnectDialog& dialog, TUniConnection& connection,
                                               TConnectFormView& form)
    : dialog_(dialog), connection_(connection), form_(form) {
    Prepare();
}

void TConnectFormController::Prepare() {
    retry_ = false;
    sslChosen_.reset();
    attemptsLeft_ = dialog_.Retries();
    form_.SetCaption(dialog_.Caption());

    const std::vector<std::string> providers = UniProviderNames();
    form_.SetItems(TConnectField::Provider, providers);
    const auto listed = std::find_if(providers.begin(), providers.end(), [&](const std::string& name) {
        return EqualsIgnoringAsciiCase(name, connection_.ProviderName());
    });
    const bool providerListed = listed != providers.end();
    form_.SetText(TConnectField::Provider, providerListed ? *listed : std::string());

    form_.SetLabel(TConnectField::Provider, dialog_.ProviderLabel());
    form_.SetLabel(TConnectField::Username, dialog_.UsernameLabel());
    form_.SetLabel(TConnectField::Password, dialog_.PasswordLabel());
    form_.SetLabel(TConnectField::Server, dialog_.ServerLabel());
    form_.SetLabel(TConnectField::Port, dialog_.PortLabel());
    form_.SetLabel(TConnectField::Database, dialog_.DatabaseLabel());
    form_.SetButtonCaptions(dialog_.ConnectButton(), dialog_.CancelButton());

    form_.SetText(TConnectField::Username, connection_.Username());
    form_.SetText(TConnectField::Password, connection_.Password());
    form_.SetText(TConnectField::Server, connection_.Server());
    form_.SetText(TConnectField::Database, connection_.Database());
    form_.SetText(TConnectField::Port,
                  connection_.Port() == -1 ? std::string() : std::to_string(connection_.Port()));

    // The user is known and only the password is missing: start there.
    TConnectField focus = providerListed ? TConnectField::Username : TConnectField::Provider;
    if (providerListed && !connection_.Username().empty() && connection_.Password().empty())
        focus = TConnectField::Password;
    form_.SetFocus(focus);
}

void TConnectFormController::ApplyLoginFields() {
    connection_.SetUsername(form_.Text(TConnectField::Username));
    connection_.SetPassword(form_.Text(TConnectField::Password));
    connection_.SetServer(form_.Text(TConnectField::Server));
    if (sslChosen_)
        ApplySSLChoice(connection_, *sslChosen_);
}

int TConnectFormController::PortField() {
    const std::string text = form_.Text(TConnectField::Port);
    int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        form_.SetFocus(TConnectField::Port);
        throw EConvertError("''" + text + "'' ist kein gültiger Integer-Wert");
    }
    return port;
}

TConnectFormController::TConnectResult TConnectFormController::ConnectClicked() {
    try {
        connection_.SetProviderName(form_.Text(TConnectField::Provider));
        ApplyLoginFields();
        connection_.SetPort(PortField());
        connection_.SetDatabase(form_.Text(TConnectField::Database));
        connection_.PerformConnect(retry_);
        return TConnectResult::Connected;
    } catch (const EUniError& error) {
        retry_ = true;
        const bool givenUp = --attemptsLeft_ <= 0;
        dialog_.ShowError(error);
        return givenUp ? TConnectResult::GivenUp : TConnectResult::TryAgain;
    } catch (const std::exception& error) {
        dialog_.ShowError(error);
        return TConnectResult::TryAgain;
    }
}

void TConnectFormController::ServerDropDown() {
    form_.SetItems(TConnectField::Server, dialog_.GetServerList());
}

void TConnectFormController::DatabaseDropDown() {
    try {
        form_.SetItems(TConnectField::Database, ReadDatabaseNames());
    } catch (const std::exception& error) {
        dialog_.ShowError(error);
    }
}

std::vector<std::string> TConnectFormController::ReadDatabaseNames() {
    const bool wasConnected = connection_.Connected();
    const bool loginPrompt = connection_.LoginPrompt();
    const bool lockLoginPrompt = connection_.LockLoginPrompt();
    const std::string database = connection_.Database();
    // Reading the list must not leave a connection open that was closed, nor change its database.
    const auto restore = [&] {
        if (!wasConnected) {
            connection_.Disconnect();
            connection_.SetDatabase(database);
        }
        connection_.SetLoginPrompt(loginPrompt);
        connection_.SetLockLoginPrompt(lockLoginPrompt);
    };
    std::vector<std::string> names;
    // Not a scope guard: restoring may disconnect, which runs the application's events and may throw.
    try {
        ApplyLoginFields();
        if (!wasConnected)
            connection_.SetDatabase("template1");
        connection_.SetPort(PortField());
        connection_.SetLoginPrompt(false);
        connection_.SetLockLoginPrompt(true);
        const TBusyPointer busy(form_);
        names = connection_.GetDatabaseNames();
    } catch (...) {
        restore();
        throw;
    }
    restore();
    return names;
}

void TConnectFormController::ProviderChosen() {
    const std::string providerName = form_.Text(TConnectField::Provider);
    // Choosing the provider already in use keeps what the user has typed.
    if (providerName == connection_.ProviderName())
        return;
    connection_.SetProviderName(providerName);
    if (dialog_.StoreLogInfo()) {
        if (const auto key = dialog_.OpenKeyForReading(dialog_.LogInfoSubkey(), /*withFallback=*/false))
            TUniConnectDialog::LoadLogin(connection_, *key);
    }
    Prepare();
}

void TConnectFormController::SSLClicked() {
    TSSLChoice choice = sslChosen_.value_or(SSLChoiceOf(connection_));
    std::vector<std::string> modes;
    // The names administrators know from the server's own tools; the option gets the provider's.
    for (const TPgSSLModeName& mode : PgSSLModes())
        modes.emplace_back(mode.tool);
    if (form_.EditSSL(dialog_.SSLTexts(), modes, choice))
        sslChosen_ = std::move(choice);
}

} // namespace velmora
