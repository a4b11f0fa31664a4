#include "InstallationDoubles.h"
#include "Setup/Installation.h"

#include <gtest/gtest.h>

using namespace velmora;
using namespace velmora::test;

namespace {

// A refused input shows its warning and nothing else happens: no login, no progress, no message.
TEST(Installation, RefusedInputRunsNothing) {
    struct Case {
        std::string code;
        std::string password;
        TTenantMasterData masterData;
    };
    const TTenantMasterData fine{"Muster Bau GmbH", "12345", "Musterstadt", "Hauptstraße 1"};
    const Case cases[] = {
        {"AB123", "geheim", fine},
        {"A'B", "geheim", fine},
        {"", "geheim", fine},
        {"USER", "geheim", fine},
        {"AB12", "", fine},
        {"AB12", "geheim", {"Muster Bau GmbH", "123456", "Musterstadt", "Hauptstraße 1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code + "/" + c.password);
        RecordingHost host;
        host.tenantCode = c.code;
        host.tenantPassword = c.password;
        host.masterData = c.masterData;
        ScriptedLogin login(0, TAdminLogin{});
        TInstallation installation(host, login);
        installation.Button1Click();
        EXPECT_EQ(host.warnings.size(), 1u);
        EXPECT_EQ(host.warnings.at(0), InputRefusal(c.code, c.password, c.masterData).value());
        EXPECT_EQ(login.showings, 0);
        EXPECT_TRUE(host.progress.empty());
        EXPECT_TRUE(host.informations.empty());
    }
}

} // namespace
