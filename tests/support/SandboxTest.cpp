#include "support/Sandbox.h"

#include <gtest/gtest.h>

using velmora::test::psql;

// Proves the fixture: a server is running and accepts the superuser's password over TCP.
TEST(Sandbox, ServesQueriesOverTcpWithPassword) {
    auto result = psql("postgres", {"-c", "SELECT current_user, inet_server_addr(), version()"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("postgres|127.0.0.1|PostgreSQL 15"), std::string::npos) << result.out;
}

TEST(Sandbox, RejectsAWrongPassword) {
    auto result = psql("postgres", {"-c", "SELECT 1", "-d", "postgresql://postgres:wrong@/postgres"});
    EXPECT_NE(result.exitCode, 0);
    EXPECT_NE(result.err.find("password authentication failed"), std::string::npos) << result.err;
}
