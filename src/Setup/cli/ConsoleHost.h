#pragma once

#include "Setup/InstallerHost.h"

#include <ostream>

namespace velmora::cli {

// The installer's host on a terminal or in a log: the input comes from the command line, progress
// and the final message go to standard output, warnings to standard error. The tenant's password is
// set once the administrator has logged on, whose password, when the server wants one, comes first.
class TConsoleHost : public TInstallerHost {
public:
    TConsoleHost(std::string tenantCode, TTenantMasterData masterData, std::ostream& out, std::ostream& err);

    void SetTenantPassword(std::string password) { tenantPassword_ = std::move(password); }

    std::string TenantCode() const override { return tenantCode_; }
    std::string TenantPassword() const override { return tenantPassword_; }
    TTenantMasterData MasterData() const override { return masterData_; }

    // Prints every tenth value.
    void SetProgress(int value) override;
    void ShowWarning(const std::string& text) override;
    void ShowInformation(const std::string& text) override;

    int Progress() const { return progress_; }
    bool Warned() const { return warned_; }
    // Whether the run reached its final message.
    bool Finished() const { return finished_; }

private:
    std::string tenantCode_;
    std::string tenantPassword_;
    TTenantMasterData masterData_;
    std::ostream& out_;
    std::ostream& err_;
    int progress_ = 0;
    bool warned_ = false;
    bool finished_ = false;
};

} // namespace velmora::cli
