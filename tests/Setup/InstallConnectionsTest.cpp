// What the command line hands the installation's two connections.

#include "Setup/cli/InstallConnections.h"

#include "Dabrix/PostgreSQLUniProvider.h"
#include "InstallationDoubles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace velmora;
using namespace velmora::cli;
using testing::Contains;
using testing::Not;

namespace {

TEST(InstallConnections, BothConnectionsTakeTheTlsSettingsInPlaceOfTheirOwn) {
    test::RecordingHost host;
    TUnattendedConnectDialog login(TAdminLogin{});
    TInstallation installation(host, login);
    TLocalSocketFallback tenantLogOn;
    PrepareConnections(installation, {"verify-full", "/etc/ca.crt", "/etc/client.crt", "/etc/client.key"},
                       tenantLogOn);

    for (TUniConnection* connection : {&installation.UniConnection1, &installation.UniConnection2}) {
        const std::vector<std::string>& lines = connection->SpecificOptions();
        // The installation's own options stay; its SSL mode gives way, since the first line would win.
        EXPECT_THAT(lines, Contains("PostgreSQL.Schema=trevix"));
        EXPECT_THAT(lines, Contains("PostgreSQL.UseUnicode=True"));
        EXPECT_THAT(lines, Not(Contains("PostgreSQL.SSLMode=smPrefer")));
        const TPgConnectionOptions options = ParsePgConnectionOptions(lines);
        EXPECT_EQ(options.SSLMode, TPgSSLMode::smVerifyFull);
        EXPECT_EQ(options.SSLCACert, "/etc/ca.crt");
        EXPECT_EQ(options.SSLCert, "/etc/client.crt");
        EXPECT_EQ(options.SSLKey, "/etc/client.key");
    }
    EXPECT_EQ(installation.UniConnection2.ConnectDialog(), &tenantLogOn);
    EXPECT_TRUE(installation.UniConnection2.LoginPrompt());
    EXPECT_EQ(installation.UniConnection1.ConnectDialog(), nullptr) << "the run sets the login dialog itself";

    // Files not given are not named: the connection takes its defaults.
    PrepareConnections(installation, {"disable", "", "", ""}, tenantLogOn);
    const TPgConnectionOptions plain =
        ParsePgConnectionOptions(installation.UniConnection2.SpecificOptions());
    EXPECT_EQ(plain.SSLMode, TPgSSLMode::smDisable);
    EXPECT_EQ(plain.SSLCACert, "");
    EXPECT_EQ(plain.SSLCert, "");
    EXPECT_EQ(plain.SSLKey, "");
}

} // namespace
