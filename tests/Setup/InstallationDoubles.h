#pragma once

#include "Setup/InstallerHost.h"
#include "Setup/UnattendedConnectDialog.h"

#include <functional>
#include <string>
#include <vector>

namespace velmora::test {

// The window as a test sees it: fields set in advance, everything the installation shows recorded.
class RecordingHost : public TInstallerHost {
public:
    std::string tenantCode;
    std::string tenantPassword = "Kennwort-1";
    TTenantMasterData masterData{"Muster Bau GmbH", "12345", "Musterstadt", "Hauptstraße 1"};
    // Called after each progress value is set, to change the world between two steps.
    std::function<void(int)> onProgress;

    std::vector<int> progress;
    std::vector<std::string> warnings;
    std::vector<std::string> informations;
    std::vector<std::string> questions;
    // The answer to every question.
    bool confirm = false;

    std::string TenantCode() const override { return tenantCode; }
    std::string TenantPassword() const override { return tenantPassword; }
    TTenantMasterData MasterData() const override { return masterData; }
    void SetProgress(int value) override;
    void ShowWarning(const std::string& text) override { warnings.push_back(text); }
    void ShowInformation(const std::string& text) override { informations.push_back(text); }
    bool Confirm(const std::string& question) override {
        questions.push_back(question);
        return confirm;
    }

    int lastProgress() const { return progress.empty() ? -1 : progress.back(); }
};

// The login dialog of a user who cancels the first showings and then logs on to the sandbox.
class ScriptedLogin : public TUnattendedConnectDialog {
public:
    explicit ScriptedLogin(int cancels = 0, TAdminLogin login = sandboxLogin());

    bool Execute() override;

    int showings = 0;

    static TAdminLogin sandboxLogin();

private:
    int cancels_;
};

// The statement errors the application handler is given while it lives, with the progress value at
// which each one came.
class ErrorRecorder {
public:
    struct Error {
        int progress;
        std::string message;
    };

    explicit ErrorRecorder(const RecordingHost& host);
    ~ErrorRecorder();
    ErrorRecorder(const ErrorRecorder&) = delete;
    ErrorRecorder& operator=(const ErrorRecorder&) = delete;

    std::vector<Error> errors;
    // The messages of the errors at one progress value.
    std::vector<std::string> at(int progress) const;
};

} // namespace velmora::test
