#include "Dabrix/PostgreSQLUniProvider.h"
#include "Dabrix/Uni.h"
#include "PostgreSql/PgSqlState.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace velmora;
using testing::ElementsAre;
using testing::HasSubstr;

namespace {

TEST(PgConnectionOptions, DefaultsWhenNothingIsGiven) {
    const TPgConnectionOptions options = ParsePgConnectionOptions({});
    EXPECT_EQ(options.ApplicationName, "");
    EXPECT_EQ(options.Charset, "");
    EXPECT_EQ(options.ConnectionTimeout, 15);
    EXPECT_EQ(options.ProtocolVersion, TPgProtocolVersion::pv30);
    EXPECT_EQ(options.Schema, "");
    EXPECT_FALSE(options.UseUnicode);
    EXPECT_EQ(options.SSL.Mode, TPgSSLMode::smDisable);
}

TEST(PgConnectionOptions, ReadsTheLinesOfThePostgreSQLProvider) {
    const TPgConnectionOptions options = ParsePgConnectionOptions({
        "PostgreSQL.Charset=utf8",
        "PostgreSQL.Schema=trevix",
        "postgresql.useunicode=TRUE",
        "PostgreSQL.ConnectionTimeout=3",
        "PostgreSQL.ApplicationName=setup = tool",
        "PostgreSQL.ProtocolVersion=pv20",
        "PostgreSQL.SSLMode=smVerifyFull",
        "PostgreSQL.SSLCACert=/keys/root.crt",
        "PostgreSQL.SSLCert=/keys/client.crt",
        "PostgreSQL.SSLKey=/keys/client.key",
        "PostgreSQL.SSLCipherList=HIGH:!aNULL",
        "PostgreSQL.Schema=ignored, the first line counts",
        "Oracle.Direct=True",
        "not an option line",
    });
    EXPECT_EQ(options.Charset, "utf8");
    EXPECT_EQ(options.Schema, "trevix");
    EXPECT_TRUE(options.UseUnicode);
    EXPECT_EQ(options.ConnectionTimeout, 3);
    EXPECT_EQ(options.ApplicationName, "setup = tool");
    EXPECT_EQ(options.ProtocolVersion, TPgProtocolVersion::pv20);
    EXPECT_EQ(options.SSL.Mode, TPgSSLMode::smVerifyFull);
    EXPECT_EQ(options.SSL.CACert, "/keys/root.crt");
    EXPECT_EQ(options.SSL.Cert, "/keys/client.crt");
    EXPECT_EQ(options.SSL.Key, "/keys/client.key");
    EXPECT_EQ(options.SSL.CipherList, "HIGH:!aNULL");
}

TEST(PgConnectionOptions, NamesTheSSLModesAlsoAsTheServersToolsDo) {
    const std::pair<std::vector<std::string>, TPgSSLMode> modes[] = {
        {{"smDisable", "disable"}, TPgSSLMode::smDisable},
        {{"smAllow", "allow"}, TPgSSLMode::smAllow},
        {{"smPrefer", "prefer"}, TPgSSLMode::smPrefer},
        {{"smRequire", "require"}, TPgSSLMode::smRequire},
        {{"smVerifyCA", "verify-ca", "VERIFY-CA"}, TPgSSLMode::smVerifyCA},
        {{"smVerifyFull", "verify-full"}, TPgSSLMode::smVerifyFull},
    };
    for (const auto& [names, mode] : modes) {
        for (const std::string& name : names)
            EXPECT_EQ(ParsePgConnectionOptions({"PostgreSQL.SSLMode=" + name}).SSL.Mode, mode) << name;
    }
}

TEST(PgConnectionOptions, RejectsUnknownOptionsAndValuesOfTheWrongKind) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"PostgreSQL.UseUnicod=True", "Unknown option PostgreSQL.UseUnicod"},
        {"PostgreSQL.UseUnicode=yes", "Invalid value 'yes' for the option PostgreSQL.UseUnicode"},
        {"PostgreSQL.ConnectionTimeout=15s",
         "Invalid value '15s' for the option PostgreSQL.ConnectionTimeout"},
        {"PostgreSQL.ConnectionTimeout=-1", "Invalid value '-1' for the option PostgreSQL.ConnectionTimeout"},
        {"PostgreSQL.ProtocolVersion=3", "Invalid value '3' for the option PostgreSQL.ProtocolVersion"},
        {"PostgreSQL.SSLMode=smVerify", "Invalid value 'smVerify' for the option PostgreSQL.SSLMode"},
        {"PostgreSQL.SSLMode=verify_full", "Invalid value 'verify_full' for the option PostgreSQL.SSLMode"},
    };
    for (const auto& [line, message] : cases) {
        try {
            ParsePgConnectionOptions({line});
            ADD_FAILURE() << line << " was accepted";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(e.Message(), message);
        }
    }
}

TEST(UniProvider, IsRegisteredWhileItExists) {
    EXPECT_EQ(FindUniProvider("PostgreSQL"), nullptr);
    {
        TPostgreSQLUniProvider provider;
        EXPECT_EQ(FindUniProvider("postgresql"), &provider);
        EXPECT_THAT(UniProviderNames(), ElementsAre("PostgreSQL"));
    }
    EXPECT_EQ(FindUniProvider("PostgreSQL"), nullptr);
    EXPECT_TRUE(UniProviderNames().empty());
}

TEST(UniConnection, StartsWithTheDefaults) {
    TUniConnection connection;
    EXPECT_EQ(connection.ProviderName(), "");
    EXPECT_EQ(connection.Port(), 0);
    EXPECT_EQ(connection.Database(), "");
    EXPECT_TRUE(connection.SpecificOptions().empty());
    EXPECT_TRUE(connection.LoginPrompt());
    EXPECT_FALSE(connection.Connected());
}

// One option is read as the provider reads it, the first line naming it in any case; setting it
// leaves one line for it, which the provider then reads.
TEST(UniConnection, ReadsAndSetsOneProviderOption) {
    TUniConnection connection;
    connection.SetProviderName("PostgreSQL");
    connection.SpecificOptions() = {"PostgreSQL.Schema=trevix", "postgresql.sslmode=smPrefer",
                                    "PostgreSQL.SSLMode=smDisable", "PostgreSQL.SSLModeX=1",
                                    "PostgreSQL.SSLMode"};
    EXPECT_EQ(connection.SpecificOption("SSLMode"), "smPrefer");
    EXPECT_EQ(connection.SpecificOption("SSLCACert"), std::nullopt);
    EXPECT_EQ(connection.SpecificOption("Schema"), "trevix");

    connection.SetSpecificOption("SSLMode", "smVerifyCA");
    connection.SetSpecificOption("SSLCACert", "/etc/ca.crt");
    EXPECT_THAT(connection.SpecificOptions(),
                ElementsAre("PostgreSQL.Schema=trevix", "PostgreSQL.SSLModeX=1",
                            "PostgreSQL.SSLMode=smVerifyCA", "PostgreSQL.SSLCACert=/etc/ca.crt"));
    connection.SpecificOptions().erase(connection.SpecificOptions().begin() + 1);
    const TPgConnectionOptions options = ParsePgConnectionOptions(connection.SpecificOptions());
    EXPECT_EQ(options.SSL.Mode, TPgSSLMode::smVerifyCA);
    EXPECT_EQ(options.SSL.CACert, "/etc/ca.crt");
}

TEST(UniConnection, TrimsTheDatabaseName) {
    TUniConnection connection;
    connection.SetDatabase("  ab12\t");
    EXPECT_EQ(connection.Database(), "ab12");
}

TEST(UniConnection, ConnectNeedsARegisteredProvider) {
    TUniConnection connection;
    connection.SetLoginPrompt(false);
    try {
        connection.Connect();
        ADD_FAILURE() << "connected without a provider";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Provider is not defined");
    }
    connection.SetProviderName("PostgreSQL"); // no provider component exists
    try {
        connection.Connect();
        ADD_FAILURE() << "connected without a registered provider";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Provider PostgreSQL is not registered");
    }
    EXPECT_FALSE(connection.Connected());
}

TEST(UniConnection, AnInvalidOptionFailsTheConnectBeforeAnyNetworkTraffic) {
    TPostgreSQLUniProvider provider;
    TUniConnection connection;
    connection.SetLoginPrompt(false);
    connection.SetProviderName("PostgreSQL");
    connection.SetServer("host.invalid");
    connection.SpecificOptions() = {"PostgreSQL.UseUnicode=maybe"};
    try {
        connection.Connect();
        ADD_FAILURE() << "connected with an invalid option";
    } catch (const EDatabaseError& e) {
        EXPECT_THAT(e.Message(), HasSubstr("PostgreSQL.UseUnicode"));
    }
}

TEST(UniError, KeepsMessageCodeComponentFlagsSqlStateAndTheInnerError) {
    TPgErrorFields duplicate;
    duplicate.ErrorCode = std::string(PgSqlState::UniqueViolation);
    duplicate.Message = "duplicate key";
    TPgErrorFields terminated;
    terminated.Severity = TPgSeverity::sFatal;
    terminated.ErrorCode = std::string(PgSqlState::AdminShutdown);
    terminated.Message = "terminating connection";
    const struct {
        EPgError error;
        int code;
        std::string_view sqlState;
        bool keyViolation, fatal, inDoubt;
    } cases[] = {
        {EPgError(duplicate), 23505, PgSqlState::UniqueViolation, true, false, false},
        {EPgError(terminated), 0, PgSqlState::AdminShutdown, false, true, false},
        // A socket's error number is no SQLSTATE.
        {EPgError(TPgSeverity::sFatal, "connection reset", 104), 104, "", false, true, false},
        {EPgError::InDoubt("lost before the answer"), 0, "", false, true, true},
    };
    for (const auto& c : cases) {
        EPgError error = c.error;
        error.SetComponent("q_insertMandant");
        const EUniError wrapped(error, std::make_exception_ptr(error));
        SCOPED_TRACE(error.Message());
        EXPECT_EQ(wrapped.Message(), error.Message());
        EXPECT_EQ(wrapped.ErrorCode(), c.code);
        EXPECT_EQ(wrapped.Component(), "q_insertMandant");
        EXPECT_EQ(wrapped.SqlState(), c.sqlState);
        EXPECT_EQ(wrapped.IsKeyViolation(), c.keyViolation);
        EXPECT_EQ(wrapped.IsFatalError(), c.fatal);
        EXPECT_EQ(wrapped.IsInDoubt(), c.inDoubt);
        EXPECT_THROW(std::rethrow_exception(wrapped.InnerException()), EPgError);
    }
}

} // namespace
