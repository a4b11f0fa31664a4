// TLS, its modes and checks, channel binding and the local socket, against the sandbox server.
#include "PostgreSql/PgClasses.h"
#include "PostgreSql/PgSQLProtocol.h"
#include "support/ExpectFailure.h"
#include "support/Process.h"
#include "support/Sandbox.h"
#include "support/TempFile.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace velmora;
using velmora::test::ExpectFailure;
using velmora::test::sandbox;

namespace {

TPgConnectParams Login(const std::string& user, const std::string& password, TPgSSLMode mode) {
    TPgConnectParams params;
    params.Server = sandbox().host;
    params.Port = std::stoi(sandbox().port);
    params.ConnectionTimeout = 10;
    params.Database = "postgres";
    params.UserName = user;
    params.Password = password;
    params.SSL.Mode = mode;
    params.SSL.CACert = sandbox().sslRootCert;
    return params;
}

TPgConnectParams Superuser(TPgSSLMode mode) {
    return Login(sandbox().user, sandbox().password, mode);
}

// Whether the server itself counts the session as encrypted.
std::string ServerSeesTls(TPgSQLProtocol& protocol) {
    TPgSQLResult result = protocol.ExecuteStmt("SELECT ssl FROM pg_stat_ssl WHERE pid = pg_backend_pid()");
    return result.Rows.size() == 1 && result.Rows[0][0] ? *result.Rows[0][0] : "<none>";
}

std::string ModeName(TPgSSLMode mode) {
    return std::string(PgSSLModeName(mode).tool);
}

// Plays a server without TLS in front of the real one: the SSLRequest never reaches the server and
// is answered "N"; everything else passes through unchanged.
class TStreamWithoutTls final : public TCRVio {
public:
    explicit TStreamWithoutTls(std::unique_ptr<TCRVio> inner) : inner_(std::move(inner)) {}

    void Write(const char* data, std::size_t size) override {
        static constexpr char sslRequest[] = {0, 0, 0, 8, 4, -46, 22, 47}; // length 8, code 80877103
        if (size == sizeof sslRequest && std::equal(data, data + size, sslRequest)) {
            refusalPending_ = true;
            return;
        }
        inner_->Write(data, size);
    }
    std::size_t Read(char* buffer, std::size_t size) override {
        if (!refusalPending_)
            return inner_->Read(buffer, size);
        refusalPending_ = false;
        buffer[0] = 'N';
        return 1;
    }
    void SetTimeout(std::chrono::milliseconds timeout) override { inner_->SetTimeout(timeout); }
    void Close() override { inner_->Close(); }

private:
    std::unique_ptr<TCRVio> inner_;
    bool refusalPending_ = false;
};

std::unique_ptr<TCRVio> OpenWithoutTls(const std::string& host, int port, int timeoutSeconds) {
    return std::make_unique<TStreamWithoutTls>(TCRVioTcp::Open(host, port, timeoutSeconds));
}

// Opens the sandbox whatever name the client asked for, the way a name server would answer for a
// name that points at it; the TLS checks still see the name the client asked for.
TCRVioFactory RedirectToSandbox(int* opened = nullptr) {
    return [opened](const std::string&, int port, int timeoutSeconds) {
        if (opened != nullptr)
            ++*opened;
        return TCRVioTcp::Open(sandbox().host, port, timeoutSeconds);
    };
}

} // namespace

TEST(PgTransport, EachModeAgainstAServerWithTls) {
    for (const auto& [tool, option, mode] : PgSSLModes()) {
        SCOPED_TRACE(std::string(tool));
        TPgSQLProtocol30 protocol;
        protocol.Connect(Superuser(mode));
        const bool encrypted = mode != TPgSSLMode::smDisable && mode != TPgSSLMode::smAllow;
        EXPECT_EQ(protocol.IsEncrypted(), encrypted);
        EXPECT_EQ(ServerSeesTls(protocol), encrypted ? "t" : "f");
        protocol.Disconnect();
    }
}

TEST(PgTransport, EachModeAgainstAServerWithoutTls) {
    for (const auto& [tool, option, mode] : PgSSLModes()) {
        SCOPED_TRACE(std::string(tool));
        TPgSQLProtocol30 protocol(OpenWithoutTls);
        const bool required = mode == TPgSSLMode::smRequire || mode == TPgSSLMode::smVerifyCA ||
                              mode == TPgSSLMode::smVerifyFull;
        if (required) {
            EPgError error = ExpectFailure<EPgError>([&] { protocol.Connect(Superuser(mode)); });
            EXPECT_EQ(error.Message(), "SSL connection is not allowed");
            EXPECT_TRUE(error.IsFatalError());
            EXPECT_FALSE(protocol.IsConnected());
            continue;
        }
        protocol.Connect(Superuser(mode));
        EXPECT_FALSE(protocol.IsEncrypted());
        EXPECT_EQ(ServerSeesTls(protocol), "f");
        protocol.Disconnect();
    }
}

// auth_ssl may log on over TLS only; the server refuses it in clear.
TEST(PgTransport, AllowTriesTlsOnceTheServerRefusesTheLogOnInClear) {
    int opened = 0;
    TPgSQLProtocol30 allowing(RedirectToSandbox(&opened));
    allowing.Connect(Login("auth_ssl", "pw-ssl", TPgSSLMode::smAllow));
    EXPECT_EQ(opened, 2);
    EXPECT_TRUE(allowing.IsEncrypted());
    EXPECT_EQ(ServerSeesTls(allowing), "t");
    allowing.Disconnect();

    const std::pair<TPgSSLMode, TCRVioFactory> refused[] = {
        {TPgSSLMode::smDisable, TCRVioTcp::Open},
        {TPgSSLMode::smPrefer, OpenWithoutTls},
        {TPgSSLMode::smAllow, OpenWithoutTls}, // the second try meets no TLS either
    };
    for (const auto& [mode, factory] : refused) {
        SCOPED_TRACE(ModeName(mode));
        TPgSQLProtocol30 protocol(factory);
        EPgError error =
            ExpectFailure<EPgError>([&] { protocol.Connect(Login("auth_ssl", "pw-ssl", mode)); });
        EXPECT_NE(error.Message().find("no encryption"), std::string::npos) << error.Message();
        EXPECT_TRUE(error.IsFatalError());
    }

    // A wrong password is refused in clear by the rules and over TLS by the password: the
    // administrator reads the latter.
    TPgSQLProtocol30 protocol;
    EPgError error =
        ExpectFailure<EPgError>([&] { protocol.Connect(Login("auth_ssl", "wrong", TPgSSLMode::smAllow)); });
    EXPECT_EQ(error.Message(), "password authentication failed for user \"auth_ssl\"");
}

// A server that agrees to TLS and then fails the handshake: prefer goes on in clear on a new
// connection, require gives up with the reason.
TEST(PgTransport, PreferFallsBackToClearWhenTheHandshakeFails) {
    class TBrokenTls final : public TCRVio {
    public:
        void Write(const char*, std::size_t) override {}
        std::size_t Read(char* buffer, std::size_t) override {
            if (answered_)
                return 0; // closes the connection in the middle of the handshake
            answered_ = true;
            buffer[0] = 'S';
            return 1;
        }
        void SetTimeout(std::chrono::milliseconds) override {}
        void Close() override {}

    private:
        bool answered_ = false;
    };
    int opened = 0;
    TCRVioFactory brokenFirst = [&](const std::string& host, int port, int timeoutSeconds) {
        return ++opened == 1 ? std::make_unique<TBrokenTls>() : TCRVioTcp::Open(host, port, timeoutSeconds);
    };

    TPgSQLProtocol30 preferring(brokenFirst);
    preferring.Connect(Superuser(TPgSSLMode::smPrefer));
    EXPECT_EQ(opened, 2);
    EXPECT_EQ(ServerSeesTls(preferring), "f");
    preferring.Disconnect();

    opened = 0;
    TPgSQLProtocol30 requiring(brokenFirst);
    EPgError error = ExpectFailure<EPgError>([&] { requiring.Connect(Superuser(TPgSSLMode::smRequire)); });
    EXPECT_EQ(error.Message(), "Cannot establish an SSL connection to host '" + sandbox().host +
                                   "':\nthe server closed the connection.");
    EXPECT_TRUE(error.IsFatalError());
    EXPECT_EQ(opened, 1);
}

TEST(PgTransport, VerifyFullChecksTheHostNameOrAddressTheClientAskedFor) {
    // The sandbox's certificate names localhost and 127.0.0.1.
    const std::pair<std::string, bool> hosts[] = {
        {"localhost", true}, {"127.0.0.1", true}, {"db.example.org", false}, {"127.0.0.2", false}};
    for (const auto& [host, matches] : hosts) {
        SCOPED_TRACE(host);
        TPgConnectParams params = Superuser(TPgSSLMode::smVerifyFull);
        params.Server = host;
        TPgSQLProtocol30 protocol(RedirectToSandbox());
        if (matches) {
            protocol.Connect(params);
            EXPECT_EQ(ServerSeesTls(protocol), "t");
            protocol.Disconnect();
            continue;
        }
        EPgError error = ExpectFailure<EPgError>([&] { protocol.Connect(params); });
        EXPECT_EQ(error.Message(), "The server certificate does not match the host name '" + host + "'");
        EXPECT_TRUE(error.IsFatalError());
        // verify-ca trusts the same certificate for any name.
        params.SSL.Mode = TPgSSLMode::smVerifyCA;
        protocol.Connect(params);
        EXPECT_TRUE(protocol.IsEncrypted());
        protocol.Disconnect();
    }
}

TEST(PgTransport, TheChainIsCheckedAgainstTheGivenRoots) {
    struct Case {
        TPgSSLMode mode;
        std::string caCert;
        std::string message; // empty: the log-on succeeds
    };
    const std::string untrusted = "The server certificate of host '" + sandbox().host + "' is not trusted: ";
    const Case cases[] = {
        // The client's own certificate is no root of the server's; the server sends its CA along,
        // which nobody trusts.
        {TPgSSLMode::smVerifyCA, sandbox().clientCert,
         untrusted + "self-signed certificate in certificate chain"},
        {TPgSSLMode::smRequire, sandbox().clientCert,
         untrusted + "self-signed certificate in certificate chain"},
        // The system's roots do not know the sandbox's throwaway CA.
        {TPgSSLMode::smVerifyFull, "system", untrusted + "self-signed certificate in certificate chain"},
        {TPgSSLMode::smVerifyCA, "/nonexistent/root.crt",
         "Cannot read the root certificate file '/nonexistent/root.crt': system lib"},
        // Without verification a certificate from an unknown CA is accepted: encryption only.
        {TPgSSLMode::smPrefer, "/nonexistent/root.crt", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ModeName(c.mode) + " " + c.caCert);
        TPgConnectParams params = Superuser(c.mode);
        params.SSL.CACert = c.caCert;
        TPgSQLProtocol30 protocol;
        if (c.message.empty()) {
            protocol.Connect(params);
            EXPECT_TRUE(protocol.IsEncrypted());
            protocol.Disconnect();
            continue;
        }
        EPgError error = ExpectFailure<EPgError>([&] { protocol.Connect(params); });
        EXPECT_EQ(error.Message(), c.message);
        EXPECT_TRUE(error.IsFatalError());
    }
}

TEST(PgTransport, LogsOnWithAClientCertificate) {
    TPgConnectParams params = Login("auth_cert", "", TPgSSLMode::smVerifyFull);
    params.SSL.Cert = sandbox().clientCert;
    params.SSL.Key = sandbox().clientKey;
    TPgSQLProtocol30 protocol;
    protocol.Connect(params);
    TPgSQLResult who = protocol.ExecuteStmt("SELECT current_user, client_dn FROM pg_stat_ssl "
                                            "WHERE pid = pg_backend_pid()");
    ASSERT_EQ(who.Rows.size(), 1u);
    EXPECT_EQ(who.Rows[0][0], "auth_cert");
    EXPECT_EQ(who.Rows[0][1], "/CN=auth_cert");
    protocol.Disconnect();

    // Without the certificate the server has nothing to check.
    TPgSQLProtocol30 withoutCertificate;
    EPgError error = ExpectFailure<EPgError>(
        [&] { withoutCertificate.Connect(Login("auth_cert", "", TPgSSLMode::smRequire)); });
    EXPECT_NE(error.Message().find("certificate"), std::string::npos) << error.Message();

    // A key that others may read is refused before anything is sent.
    test::TempFile sharedKey;
    std::filesystem::copy_file(sandbox().clientKey, sharedKey.path(),
                               std::filesystem::copy_options::overwrite_existing);
    ASSERT_EQ(chmod(sharedKey.path().c_str(), 0644), 0);
    params.SSL.Key = sharedKey.path();
    error = ExpectFailure<EPgError>([&] { protocol.Connect(params); });
    EXPECT_TRUE(
        error.Message().starts_with("The private key file '" + sharedKey.path() + "' may be read by others"))
        << error.Message();
}

TEST(PgTransport, ScramBindsTheLogOnToTheTlsChannel) {
    const std::tuple<TPgSSLMode, std::string, std::string> logins[] = {
        {TPgSSLMode::smPrefer, "auth_scram", "pw-scram"},
        {TPgSSLMode::smVerifyFull, sandbox().user, sandbox().password},
        {TPgSSLMode::smRequire, "auth_ssl", "pw-ssl"},
    };
    for (const auto& [mode, user, password] : logins) {
        SCOPED_TRACE(user);
        TPgSQLProtocol30 protocol;
        protocol.Connect(Login(user, password, mode));
        // The server checked the binding data against its own certificate before it accepted.
        EXPECT_EQ(protocol.SaslMechanism(), "SCRAM-SHA-256-PLUS");
        EXPECT_EQ(ServerSeesTls(protocol), "t");
        protocol.Disconnect();
    }

    TPgSQLProtocol30 clear;
    clear.Connect(Login("auth_scram", "pw-scram", TPgSSLMode::smDisable));
    EXPECT_EQ(clear.SaslMechanism(), "SCRAM-SHA-256");
    clear.Disconnect();

    TPgSQLProtocol30 wrong;
    EPgError error =
        ExpectFailure<EPgError>([&] { wrong.Connect(Login("auth_scram", "wrong", TPgSSLMode::smPrefer)); });
    EXPECT_EQ(error.Message(), "password authentication failed for user \"auth_scram\"");
}

TEST(PgTransport, TheLocalSocketCarriesTheOperatingSystemUser) {
    // The probe must be reachable for the user postgres, wherever the build lies.
    const std::filesystem::path directory =
        std::filesystem::temp_directory_path() / test::uniqueName("probe");
    std::filesystem::create_directory(directory);
    const std::filesystem::path probe = directory / "pg_socket_probe";
    std::filesystem::copy_file(PG_SOCKET_PROBE, probe);
    std::filesystem::permissions(
        directory, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                       std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                       std::filesystem::perms::others_exec);
    // Root runs the probe as postgres; the sandbox's owner maps to the role postgres itself.
    std::vector<std::string> asPostgres;
    if (geteuid() == 0)
        asPostgres = {"runuser", "-u", "postgres", "--"};
    for (const char* mode : {"smPrefer", "smRequire"}) {
        std::vector<std::string> argv = asPostgres;
        argv.insert(argv.end(), {probe.string(), sandbox().socketDir, sandbox().port, "postgres", mode});
        test::ProcessResult result = test::RunProcess(argv, test::EnvironmentWith({}));
        EXPECT_EQ(result.exitCode, 0) << mode << ": " << result.err;
        // Peer authentication, no password, and no TLS over the socket whatever the mode.
        EXPECT_EQ(result.out, "postgres|false|local\n") << mode;
    }
    std::filesystem::remove_all(directory);

    // Nobody logs on to the socket as an operating-system user that is not its role.
    TPgConnectParams params = Login("auth_trust", "", TPgSSLMode::smRequire);
    params.Server = sandbox().socketDir;
    TPgSQLProtocol30 protocol;
    EPgError error = ExpectFailure<EPgError>([&] { protocol.Connect(params); });
    EXPECT_EQ(error.Message(), "Peer authentication failed for user \"auth_trust\"");

    params.Server = "/nonexistent";
    error = ExpectFailure<EPgError>([&] { protocol.Connect(params); });
    EXPECT_EQ(error.Message(), "Cannot connect to server on host '/nonexistent/.s.PGSQL." + sandbox().port +
                                   "':\nNo such file or directory.\nSocket Error Code: 2($2)");
}

TEST(PgTransport, TheConnectionHandsItsSSLOptionsToTheProtocol) {
    TPgSQLConnection connection;
    connection.SetServer("localhost");
    connection.SetPort(std::stoi(sandbox().port));
    connection.SetDatabase("postgres");
    connection.SetUsername("auth_cert");
    TPgConnectionOptions options;
    options.SSL.Mode = TPgSSLMode::smVerifyFull;
    options.SSL.CACert = sandbox().sslRootCert;
    options.SSL.Cert = sandbox().clientCert;
    options.SSL.Key = sandbox().clientKey;
    connection.SetOptions(options);
    connection.Connect();
    EXPECT_EQ(ServerSeesTls(connection.Protocol()), "t");
    connection.Disconnect();

    // Ciphers the client cannot offer at all.
    options.SSL.CipherList = "NO-SUCH-CIPHER";
    connection.SetOptions(options);
    EPgError error = ExpectFailure<EPgError>([&] { connection.Connect(); });
    EXPECT_TRUE(error.Message().starts_with("Invalid SSL cipher list 'NO-SUCH-CIPHER'")) << error.Message();
    EXPECT_FALSE(connection.IsConnected());
}
