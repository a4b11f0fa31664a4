#pragma once

#include "Setup/InstallerHost.h"

#include <ostream>

namespace velmora::cli {

// The installer's host on a terminal or in a log: the input comes from the command line, progress
// and the final message go to standard output, warnings to standard error. The tenant's password is
// set once the administrator has logged on, whose password, when the server wants one, comes first.
class TConsoleHost : public TInstallerHost {
public:
    // replace answers the question whether an existing tenant may be replaced.
    TConsoleHost(std::string tenantCode, TTenantMasterData masterData, bool replace, std::ostream& out,
                 std::ostream& err);

    void SetTenantPassword(std::string password) { tenantPassword_ = std::move(password); }
    // The --isolated-tenant option.
    void SetIsolatedTenantRequested(bool requested) { isolatedTenantRequested_ = requested; }

    std::string TenantCode() const override { return tenantCode_; }
    std::string TenantPassword() const override { return tenantPassword_; }
    TTenantMasterData MasterData() const override { return masterData_; }

    // Prints every tenth value.
    void SetProgress(int value) override;
    void ShowWarning(const std::string& text) override;
    void ShowInformation(const std::string& text) override;
    // Answers with the --replace option; without it the question goes to standard error as the
    // reason of the refusal.
    bool Confirm(const std::string& question) override;
    bool IsolatedTenantRequested() const override { return isolatedTenantRequested_; }
    // Says why the tenant role is made without superuser rights when the option did not ask for it.
    void SetIsolatedTenantForced(const std::optional<std::string>& reason) override;

    int Progress() const { return progress_; }

private:
    std::string tenantCode_;
    std::string tenantPassword_;
    TTenantMasterData masterData_;
    bool replace_;
    bool isolatedTenantRequested_ = false;
    std::ostream& out_;
    std::ostream& err_;
    int progress_ = 0;
};

} // namespace velmora::cli
