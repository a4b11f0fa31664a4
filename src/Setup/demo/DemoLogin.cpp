// setup-demo-login: logs on to a server once through the setup's login dialog, so that the dialog
// keeps that login (never the password) as its last one and offers it at the next start of the
// setup window. The demo points the window at its sandbox server with it.
//
// The login comes from PGHOST, PGPORT, PGUSER, PGPASSWORD and PGDATABASE. Exit status 0 when the
// login succeeded and was stored, 1 otherwise.

#include "Common/ExceptionHandler.h"
#include "Dabrix/PostgreSQLUniProvider.h"
#include "Dabrix/UniConnectDialog.h"
#include "Dabrix/qt/IniSettingsStore.h"
#include "Setup/window/ApplicationErrorBox.h"

#include <cstdlib>
#include <iostream>
#include <map>

using namespace velmora;

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : value;
}

// A login form nobody sees: it holds the login from the environment and confirms it once.
class TEnvironmentLoginForm final : public TConnectFormView {
public:
    TEnvironmentLoginForm()
        : texts_{{TConnectField::Provider, "PostgreSQL"},
                 {TConnectField::Username, Environment("PGUSER")},
                 {TConnectField::Password, Environment("PGPASSWORD")},
                 {TConnectField::Server, Environment("PGHOST")},
                 {TConnectField::Port, Environment("PGPORT")},
                 {TConnectField::Database, Environment("PGDATABASE")}} {}

    void SetCaption(const std::string&) override {}
    void SetLabel(TConnectField, const std::string&) override {}
    void SetButtonCaptions(const std::string&, const std::string&) override {}
    std::string Text(TConnectField field) const override { return texts_.at(field); }
    // The dialog fills the form with what it has stored; the environment wins.
    void SetText(TConnectField, const std::string&) override {}
    void SetItems(TConnectField, const std::vector<std::string>&) override {}
    void SetFocus(TConnectField) override {}
    void SetBusy(bool) override {}

    bool ShowModal(TConnectFormController& controller) override {
        return controller.ConnectClicked() == TConnectFormController::TConnectResult::Connected;
    }
    // Nobody presses the SSL button here: the login keeps the encryption the window asks for.
    bool EditSSL(const TSSLTexts&, const std::vector<std::string>&, TSSLChoice&) override { return false; }

private:
    std::map<TConnectField, std::string> texts_;
};

// The dialog's error boxes go to standard error.
class TConsoleMessageBoxes final : public TMessageBoxService {
public:
    void Show(TMessageBoxKind, const std::string& caption, const std::string& text) override {
        std::cerr << caption << ": " << text << std::endl;
    }
    // The login dialog asks nothing; without a user to answer, the answer is no.
    bool Ask(const std::string& caption, const std::string& text) override {
        Show(TMessageBoxKind::Question, caption, text);
        return false;
    }
};

} // namespace

int main() {
    TPostgreSQLUniProvider provider;
    TUniConnection connection;
    connection.SetProviderName("PostgreSQL");
    TConsoleMessageBoxes messageBoxes;
    TIniSettingsStore settings(TIniSettingsStore::UserFilePath());

    RegisterConnectFormClass("TEnvironmentLoginForm",
                             [] { return std::make_unique<TEnvironmentLoginForm>(); });
    TUniConnectDialog dialog;
    dialog.SetDialogClass("TEnvironmentLoginForm");
    // The window's entry in the settings store is named after the window program's title.
    dialog.SetApplicationTitle(ApplicationTitle(VELMORA_SETUP_EXECUTABLE));
    dialog.SetSettingsStore(&settings);
    dialog.SetMessageBoxes(&messageBoxes);
    dialog.SetRetries(1);
    connection.SetConnectDialog(&dialog);
    try {
        if (!dialog.Execute())
            return EXIT_FAILURE;
    } catch (const std::exception& e) {
        std::cerr << ErrorBoxMessage(e) << std::endl;
        return EXIT_FAILURE;
    }
    std::cout << "The setup window's login dialog now offers " << connection.Username() << " on "
              << connection.Server() << ":" << connection.Port() << " (settings in "
              << TIniSettingsStore::UserFilePath() << ")" << std::endl;
    return EXIT_SUCCESS;
}
