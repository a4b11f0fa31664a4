// What the command line hands the installation's connections.

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

TEST(InstallConnections, TheAdministratorsConnectionTakesTheCommandLinesTlsSettingsAndName) {
    test::RecordingHost host;
    TUnattendedConnectDialog login(TAdminLogin{});
    TInstallation installation(host, login);
    TLocalSocketFallback tenantLogOn;
    TCommandLine commandLine;
    commandLine.tls = {TPgSSLMode::smVerifyFull, "/etc/ca.crt", "/etc/client.crt", "/etc/client.key", ""};
    commandLine.applicationName = "nightly rollout";
    PrepareConnections(installation, commandLine, tenantLogOn);

    const std::vector<std::string>& lines = installation.UniConnection1.SpecificOptions();
    // The installation's own options stay; its SSL mode gives way, since the first line would win.
    EXPECT_THAT(lines, Contains("PostgreSQL.Schema=trevix"));
    EXPECT_THAT(lines, Contains("PostgreSQL.UseUnicode=True"));
    EXPECT_THAT(lines, Not(Contains("PostgreSQL.SSLMode=smPrefer")));
    const TPgConnectionOptions options = ParsePgConnectionOptions(lines);
    EXPECT_EQ(options.SSL.Mode, TPgSSLMode::smVerifyFull);
    EXPECT_EQ(options.SSL.CACert, "/etc/ca.crt");
    EXPECT_EQ(options.SSL.Cert, "/etc/client.crt");
    EXPECT_EQ(options.SSL.Key, "/etc/client.key");
    EXPECT_EQ(options.ApplicationName, "nightly rollout");
    EXPECT_EQ(installation.UniConnection2.ConnectDialog(), &tenantLogOn);
    EXPECT_TRUE(installation.UniConnection2.LoginPrompt());
    EXPECT_EQ(installation.UniConnection1.ConnectDialog(), nullptr) << "the run sets the login dialog itself";

    // Files not given are not named: the connection takes its defaults.
    commandLine.tls = {TPgSSLMode::smDisable, "", "", "", ""};
    PrepareConnections(installation, commandLine, tenantLogOn);
    EXPECT_THAT(installation.UniConnection1.SpecificOptions(),
                Not(Contains(testing::HasSubstr("PostgreSQL.SSLC"))));
    EXPECT_THAT(installation.UniConnection1.SpecificOptions(),
                Not(Contains(testing::HasSubstr("PostgreSQL.SSLKey"))));
    EXPECT_EQ(ParsePgConnectionOptions(installation.UniConnection1.SpecificOptions()).SSL.Mode,
              TPgSSLMode::smDisable);
}

} // namespace
