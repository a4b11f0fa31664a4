#pragma once

#include "Dabrix/PostgreSQLUniProvider.h"
#include "Dabrix/RecordingMessageBoxes.h"
#include "Dabrix/ScriptedConnectForm.h"
#include "Dabrix/Uni.h"
#include "Dabrix/UniConnectDialog.h"
#include "Dabrix/qt/IniSettingsStore.h"

#include <QTemporaryDir>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace velmora::test {

// The administrative connection and its login dialog as the setup window keeps them, with a
// scripted login form, recorded message boxes and a settings store in a temporary file.
class LoginDialogTest : public testing::Test {
protected:
    static constexpr const char* kLogInfoKey = "\\SOFTWARE\\Vorlaxe\\Dabrix\\Connect\\Setup";
    static constexpr const char* kHistoryKey = "\\SOFTWARE\\Vorlaxe\\Dabrix\\Connect\\Providers\\PostgreSQL";

    LoginDialogTest() {
        RegisterConnectFormClass("TScriptedConnectForm", [this] {
            return std::make_unique<TScriptedConnectForm>([this](TScriptedConnectForm& form) {
                ++showings;
                user(form);
            });
        });
        SetUpAsTheWindowDoes(connection, dialog);
    }

    // A connection and its login dialog as the setup window sets them up at every start, with the
    // scripted form and this test's store and message boxes.
    void SetUpAsTheWindowDoes(TUniConnection& windowConnection, TUniConnectDialog& windowDialog) {
        windowConnection.SetProviderName("PostgreSQL");
        windowConnection.SetServer("localhost");
        windowConnection.SetPort(0);
        windowConnection.SetUsername("NAME");
        windowConnection.SpecificOptions() = {"PostgreSQL.UseUnicode=True", "PostgreSQL.Schema=trevix",
                                              "PostgreSQL.Charset=utf8"};
        windowDialog.SetLabelSet(TLabelSet::lsGerman);
        windowDialog.SetApplicationTitle("Setup");
        windowDialog.SetDialogClass("TScriptedConnectForm");
        windowDialog.SetSettingsStore(&store);
        windowDialog.SetMessageBoxes(&boxes);
        windowConnection.SetConnectDialog(&windowDialog);
    }

    // Values as an earlier run of the program left them.
    void Store(const std::string& key, const std::vector<std::pair<std::string, std::string>>& values) {
        auto opened = store.CreateKey(key);
        ASSERT_NE(opened, nullptr);
        for (const auto& [name, value] : values)
            opened->WriteString(name, value);
    }

    std::optional<std::string> Stored(const std::string& key, const std::string& name) {
        auto opened = store.OpenKeyForReading(key);
        return opened == nullptr ? std::nullopt : opened->ReadString(name);
    }

    std::vector<std::string> StoredHistory() {
        std::vector<std::string> servers;
        auto opened = store.OpenKeyForReading(kHistoryKey);
        while (opened != nullptr) {
            auto server = opened->ReadString("ServerC1 " + std::to_string(servers.size() + 1));
            if (!server)
                break;
            servers.push_back(*server);
        }
        return servers;
    }

    std::string SettingsFileText() const {
        std::ifstream file(settingsFile);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

    QTemporaryDir directory;
    std::string settingsFile = directory.filePath(QStringLiteral("user-settings.ini")).toStdString();
    TIniSettingsStore store{settingsFile};
    TRecordingMessageBoxes boxes;
    TPostgreSQLUniProvider provider;
    TUniConnection connection;
    TUniConnectDialog dialog;
    // What the user does with the form each time it is shown; by default nothing but cancel.
    TScriptedConnectForm::TUser user = [](TScriptedConnectForm& form) { form.PressCancel(); };
    int showings = 0;
};

} // namespace velmora::test
