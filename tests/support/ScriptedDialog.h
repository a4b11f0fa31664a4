#pragma once

#include "Common/DBAccess.h"

#include <string>
#include <utility>

namespace velmora::test {

// A login dialog whose user confirms with a password, or cancels. It counts its showings and,
// given a counter, its destructions.
class ScriptedDialog : public TCustomConnectDialog {
public:
    explicit ScriptedDialog(bool confirm, std::string password = "secret", int* destroyed = nullptr)
        : confirm_(confirm), password_(std::move(password)), destroyed_(destroyed) {}
    ~ScriptedDialog() override {
        if (destroyed_ != nullptr)
            ++*destroyed_;
    }

    int executions = 0;

    bool Execute() override {
        ++executions;
        if (!confirm_)
            return false;
        Connection()->SetPassword(password_);
        Connection()->PerformConnect(false);
        return Connection()->Connected();
    }

private:
    bool confirm_;
    std::string password_;
    int* destroyed_;
};

} // namespace velmora::test
