#pragma once

#include "Setup/TenantInput.h"

#include <optional>
#include <string>

namespace velmora {

// What the installation needs of the program that runs it: the window, the command-line installer
// or a test. The installation reads the input whenever a step needs it, reports its progress and
// shows its messages through this interface and touches nothing else of its host.
class TInstallerHost {
public:
    virtual ~TInstallerHost() = default;

    // The tenant code as typed (the window's field holds it in upper case).
    virtual std::string TenantCode() const = 0;
    virtual std::string TenantPassword() const = 0;
    virtual TTenantMasterData MasterData() const = 0;

    // The progress value, 0 to 100.
    virtual void SetProgress(int value) = 0;
    // A warning or an information with one OK button; returns when the user has read it.
    virtual void ShowWarning(const std::string& text) = 0;
    virtual void ShowInformation(const std::string& text) = 0;
    // A yes-or-no question before something is destroyed; true only for an explicit yes.
    virtual bool Confirm(const std::string& question) = 0;

    // Whether the user asked for a tenant role without superuser rights (an isolated tenant); a
    // host that offers no choice asks for none.
    virtual bool IsolatedTenantRequested() const { return false; }
    // Told after the login, before anything changes: why the administrator's rights leave no choice
    // but an isolated tenant, or none when the choice is the user's.
    virtual void SetIsolatedTenantForced(const std::optional<std::string>& /*reason*/) {}
};

} // namespace velmora
