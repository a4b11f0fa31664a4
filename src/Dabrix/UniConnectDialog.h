#pragma once

#include "Common/DBAccess.h"
#include "Dabrix/MessageBoxService.h"
#include "Dabrix/SettingsStore.h"
#include "Dabrix/Uni.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

// The language of the dialog's texts. lsCustom keeps texts set one by one.
enum class TLabelSet {
    lsCustom,
    lsEnglish,
    lsFrench,
    lsGerman,
    lsItalian,
    lsPolish,
    lsPortuguese,
    lsRussian,
    lsSpanish
};

// A text that should have been a number.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// The fields of the login form, each with its label.
enum class TConnectField { Provider, Username, Password, Server, Port, Database };

class TConnectFormController;

// How the connection is encrypted, as the SSL dialog behind the login form's SSL button shows it.
struct TSSLChoice {
    std::string mode;   // one of the dialog's mode names
    std::string caFile; // the root certificates the server's certificate must lead to; empty: the default
};

// The texts of the SSL dialog, in the language of the login form.
struct TSSLTexts {
    std::string caption, mode, caFile, ok, cancel, browse;
};

// The login form as the dialog drives it. The Qt form implements it; tests script it.
class TConnectFormView {
public:
    TConnectFormView() = default;
    virtual ~TConnectFormView() = default;
    TConnectFormView(const TConnectFormView&) = delete;
    TConnectFormView& operator=(const TConnectFormView&) = delete;

    virtual void SetCaption(const std::string& caption) = 0;
    virtual void SetLabel(TConnectField field, const std::string& text) = 0;
    virtual void SetButtonCaptions(const std::string& connect, const std::string& cancel) = 0;
    virtual std::string Text(TConnectField field) const = 0;
    // For the provider list, selects the entry of that name, or none.
    virtual void SetText(TConnectField field, const std::string& text) = 0;
    // The entries of the provider list or of the server or database drop-down; a typed text stays.
    virtual void SetItems(TConnectField field, const std::vector<std::string>& items) = 0;
    virtual void SetFocus(TConnectField field) = 0;
    // The busy mouse pointer while the database list is read.
    virtual void SetBusy(bool busy) = 0;
    // Shows the form modally and hands the user's actions to the controller until the form closes;
    // true when it closed confirmed.
    virtual bool ShowModal(TConnectFormController& controller) = 0;
    // Shows the SSL dialog modally, offering the modes; true, with the choice changed, when it closed
    // confirmed.
    virtual bool EditSSL(const TSSLTexts& texts, const std::vector<std::string>& modes,
                         TSSLChoice& choice) = 0;
};

using TConnectFormFactory = std::function<std::unique_ptr<TConnectFormView>()>;

// Makes a login form class known under its name, for the dialogs' DialogClass.
void RegisterConnectFormClass(const std::string& className, TConnectFormFactory factory);

// The login dialog: shows the login form for its connection, connects through it, and keeps the last
// successful login (never the password) and the server history in the per-user settings store.
class TUniConnectDialog : public TCustomConnectDialog {
public:
    TUniConnectDialog();

    // The texts of the form. Changing one switches the label set to lsCustom.
    const std::string& Caption() const { return texts_.caption; }
    void SetCaption(std::string text) { ChangeText(texts_.caption, std::move(text)); }
    const std::string& UsernameLabel() const { return texts_.username; }
    void SetUsernameLabel(std::string text) { ChangeText(texts_.username, std::move(text)); }
    const std::string& PasswordLabel() const { return texts_.password; }
    void SetPasswordLabel(std::string text) { ChangeText(texts_.password, std::move(text)); }
    const std::string& ServerLabel() const { return texts_.server; }
    void SetServerLabel(std::string text) { ChangeText(texts_.server, std::move(text)); }
    const std::string& PortLabel() const { return texts_.port; }
    void SetPortLabel(std::string text) { ChangeText(texts_.port, std::move(text)); }
    const std::string& DatabaseLabel() const { return texts_.database; }
    void SetDatabaseLabel(std::string text) { ChangeText(texts_.database, std::move(text)); }
    const std::string& ProviderLabel() const { return texts_.provider; }
    void SetProviderLabel(std::string text) { ChangeText(texts_.provider, std::move(text)); }
    const std::string& ConnectButton() const { return texts_.connect; }
    void SetConnectButton(std::string text) { ChangeText(texts_.connect, std::move(text)); }
    const std::string& CancelButton() const { return texts_.cancel; }
    void SetCancelButton(std::string text) { ChangeText(texts_.cancel, std::move(text)); }

    TLabelSet LabelSet() const { return labelSet_; }
    // Any set but lsCustom loads all texts of that language.
    void SetLabelSet(TLabelSet labelSet);

    // Failed connect attempts allowed per showing of the form.
    std::uint16_t Retries() const { return retries_; }
    void SetRetries(std::uint16_t retries) { retries_ = retries; }
    // Whether the password survives into the next showing for the same user.
    bool SavePassword() const { return savePassword_; }
    void SetSavePassword(bool value) { savePassword_ = value; }
    // Whether the last login is stored after a success and loaded before showing.
    bool StoreLogInfo() const { return storeLogInfo_; }
    void SetStoreLogInfo(bool value) { storeLogInfo_ = value; }
    // The registered login form class to show; empty means TUniConnectForm.
    const std::string& DialogClass() const { return dialogClass_; }
    void SetDialogClass(std::string className) { dialogClass_ = std::move(className); }

    // Names the program's entry in the settings store and captions the error boxes.
    const std::string& ApplicationTitle() const { return applicationTitle_; }
    void SetApplicationTitle(std::string title) { applicationTitle_ = std::move(title); }
    // Where the last login and the server history are kept; without a store nothing is kept.
    void SetSettingsStore(TSettingsStore* store) { settingsStore_ = store; }
    // Shows the error box of each failed attempt. Execute needs it.
    void SetMessageBoxes(TMessageBoxService* messageBoxes) { messageBoxes_ = messageBoxes; }

    // The texts of the SSL dialog, in the language the label set last loaded.
    const TSSLTexts& SSLTexts() const;

    // Shows the login form; true when the connection is open afterwards. When the login is given
    // up, the connection gets back its provider, user name, password, server and provider options.
    bool Execute() override;

    // The stored servers of the connection's provider, most recent first.
    std::vector<std::string> GetServerList() const;

private:
    friend class TConnectFormController;

    struct TTexts {
        std::string caption, username, password, server, connect, cancel, database, port, provider;
    };
    static const TTexts& TextsOf(TLabelSet labelSet);

    void ChangeText(std::string& text, std::string value);
    TUniConnection& UniConnection() const;
    bool ShowForm(TUniConnection& connection);

    // Loads the stored login and clears the password unless it may be kept for that user.
    void LoadLogInfo(TUniConnection& connection, const std::string& usernameBefore) const;
    std::unique_ptr<const TSettingsKey> OpenKeyForReading(const std::string& subkey, bool withFallback) const;
    // The stored provider, when it is registered, and the stored login values that exist.
    static void LoadProvider(TUniConnection& connection, const TSettingsKey& key);
    static void LoadLogin(TUniConnection& connection, const TSettingsKey& key);
    void SaveLogInfo(const TUniConnection& connection);
    void SaveServerHistory(const TUniConnection& connection);
    std::vector<std::string> ReadServerHistory(const std::string& providerName) const;
    std::string LogInfoSubkey() const;

    // The error box for a failure; a cancel shows nothing.
    void ShowError(const std::exception& error) const;

    TTexts texts_;
    TLabelSet labelSet_ = TLabelSet::lsEnglish;
    TLabelSet language_ = TLabelSet::lsEnglish; // the label set whose texts were loaded last
    std::uint16_t retries_ = 3;
    bool savePassword_ = false;
    bool storeLogInfo_ = true;
    std::string dialogClass_;
    std::string applicationTitle_;
    TSettingsStore* settingsStore_ = nullptr;
    TMessageBoxService* messageBoxes_ = nullptr;
};

// The login form's behaviour for one showing: fills the form from the dialog and its connection, and
// answers the form's buttons and drop-downs.
class TConnectFormController {
public:
    enum class TConnectResult { Connected, GivenUp, TryAgain };

    // Prepares the form.
    TConnectFormController(TUniConnectDialog& dialog, TUniConnection& connection, TConnectFormView& form);

    // The confirm button: connect with the fields' values. A failure shows the error box; a database
    // error uses up an attempt, and the last one gives the login up.
    TConnectResult ConnectClicked();
    // The server field's drop-down offers the server history.
    void ServerDropDown();
    // The database field's drop-down offers the server's databases, read with the fields' login; the
    // connection is left open or closed as it was.
    void DatabaseDropDown();
    // A provider chosen from the provider list, with its stored login.
    void ProviderChosen();
    // The SSL button: the SSL dialog shows the connection's encryption, and what is chosen there
    // applies from the next connect on.
    void SSLClicked();

private:
    void Prepare();
    void ApplyLoginFields();
    int PortField();
    std::vector<std::string> ReadDatabaseNames();

    TUniConnectDialog& dialog_;
    TUniConnection& connection_;
    TConnectFormView& form_;
    int attemptsLeft_ = 0;
    bool retry_ = false;
    std::optional<TSSLChoice> sslChosen_; // what the SSL dialog was last confirmed with
};

} // namespace velmora
