// The tenant connection's log-on from the command line: refused on the local socket for the way it
// authenticates there, it logs on over TCP to localhost.

#include "Common/ExceptionHandler.h"
#include "Dabrix/PostgreSQLUniProvider.h"
#include "Setup/cli/InstallConnections.h"
#include "support/Sandbox.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace velmora;
using namespace velmora::cli;
using namespace velmora::test;
using testing::ElementsAre;
using testing::StartsWith;

namespace {

class LocalSocketFallbackTest : public testing::Test {
protected:
    // A role with a password line for TCP; the socket has a peer line for it, which refuses anyone
    // whose operating-system name is not the role's.
    LocalSocketFallbackTest() {
        connection.SetProviderName("PostgreSQL");
        connection.SetPort(std::stoi(sandbox().port));
        connection.SetDatabase("postgres");
        connection.SetUsername("auth_scram");
        connection.SetPassword("pw-scram");
        connection.SetConnectDialog(&fallback);
        previousHandler_ = SetApplicationExceptionHandler(
            [this](const std::exception& e) { reported.push_back(InnermostMessage(e)); });
    }
    ~LocalSocketFallbackTest() override { SetApplicationExceptionHandler(previousHandler_); }

    // The message of the failure the connect raises.
    std::string ConnectFailure() {
        try {
            connection.Connect();
        } catch (const EDAError& e) {
            return InnermostMessage(e);
        }
        return "<connected>";
    }

    TPostgreSQLUniProvider provider;
    TUniConnection connection;
    TLocalSocketFallback fallback;
    std::vector<std::string> reported;

private:
    TApplicationExceptionHandler previousHandler_;
};

TEST_F(LocalSocketFallbackTest, ARefusalOnTheSocketLogsOnOverTcpToLocalhost) {
    connection.SetServer(sandbox().socketDir);
    connection.Connect();
    EXPECT_TRUE(connection.Connected());
    EXPECT_EQ(connection.Server(), "localhost");
    EXPECT_TRUE(reported.empty()) << "a refusal that the fallback mends is no failure";
}

TEST_F(LocalSocketFallbackTest, OtherFailuresPassWithoutASecondTry) {
    // No socket at all: nothing was refused, the server is not there.
    connection.SetServer("/nonexistent");
    EXPECT_THAT(ConnectFailure(), StartsWith("Cannot connect to server on host '/nonexistent/.s.PGSQL."));
    EXPECT_EQ(connection.Server(), "/nonexistent");

    // Over TCP there is nothing to fall back to.
    connection.SetServer(sandbox().host);
    connection.SetPassword("wrong");
    EXPECT_EQ(ConnectFailure(), "password authentication failed for user \"auth_scram\"");
    EXPECT_EQ(connection.Server(), sandbox().host);
    EXPECT_FALSE(connection.Connected());
    EXPECT_TRUE(reported.empty());
}

TEST_F(LocalSocketFallbackTest, WhenBothWaysFailTheSocketsRefusalIsReportedToo) {
    connection.SetServer(sandbox().socketDir);
    connection.SetPassword("wrong");
    EXPECT_EQ(ConnectFailure(), "password authentication failed for user \"auth_scram\"");
    EXPECT_THAT(reported, ElementsAre("Peer authentication failed for user \"auth_scram\""));
    EXPECT_FALSE(connection.Connected());
}

} // namespace
