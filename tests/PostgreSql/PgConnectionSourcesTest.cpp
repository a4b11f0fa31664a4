// Where a connection's values come from: given values, the connection string, the service entry and
// the environment, in that order of strength; the service files; the list of servers.

#include "PostgreSql/PgConnectionSources.h"

#include "PostgreSql/PgServiceFile.h"
#include "support/TempFile.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>

using namespace velmora;
using velmora::test::TempFile;

namespace {

// A directory under /tmp that disappears with its owner.
class TempDirectory {
public:
    TempDirectory() {
        std::string path = "/tmp/velmora-test-XXXXXX";
        if (mkdtemp(path.data()) == nullptr)
            throw std::runtime_error("cannot create a temporary directory");
        path_ = path;
    }
    ~TempDirectory() { std::filesystem::remove_all(path_); }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }
    void Write(const std::string& name, const std::string& content) const {
        std::ofstream(path_ / name, std::ios::binary) << content;
    }

private:
    std::filesystem::path path_;
};

std::string Message(const std::function<void()>& work) {
    try {
        work();
    } catch (const EPgConnectionValueError& e) {
        return e.what();
    }
    return "accepted";
}

TEST(PgServiceFile, FindsTheNamedEntryOnly) {
    TempFile file("# Dienste\n"
                  "[other]\nhost=elsewhere\n"
                  "  [velmora]  \n"
                  "\thost=db1,db2  \n"
                  "# ein Kommentar\n\n"
                  "port=5433\r\n"
                  "port=6000\n"
                  "options=-c x=y\n"
                  "[after]\nbroken line of another entry\n");
    const TPgServiceFile serviceFile(file.path());
    EXPECT_EQ(serviceFile.Find("velmora"),
              (TPgConnectionValues{{"host", "db1,db2"}, {"port", "5433"}, {"options", "-c x=y"}}));
    EXPECT_EQ(serviceFile.Find("other"), (TPgConnectionValues{{"host", "elsewhere"}}))
        << "a line of another entry is not read";
    EXPECT_EQ(serviceFile.Find("missing"), std::nullopt);
    EXPECT_EQ(serviceFile.Find("Velmora"), std::nullopt);
    EXPECT_EQ(TPgServiceFile("/nonexistent/pg_service.conf").Find("velmora"), std::nullopt);
}

TEST(PgServiceFile, RefusesWhatTheServerToolsRefuse) {
    const struct {
        const char* line;
        const char* complaint;
    } cases[] = {
        {"hots=db1", "syntax error"},
        {"host = db1", "syntax error"},
        {"just words", "syntax error"},
        {"service=other", "nested service specifications not supported"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        TempFile file(std::string("[s]\nport=1\n") + c.line + "\n");
        EXPECT_EQ(Message([&] { TPgServiceFile(file.path()).Find("s"); }),
                  std::string(c.complaint) + " in service file \"" + file.path() + "\", line 3");
    }
}

// What psql users keep in their service entries for TCP keep-alive or GSSAPI changes nothing for us;
// a setting that would weaken the connection if ignored stays refused.
TEST(PgServiceFile, KeywordsForOtherProgramsAreAcceptedAndChangeNothing) {
    TempFile file("[ha]\nhost=db1\nkeepalives=1\nkeepalives_idle=30\ntcp_user_timeout=5000\n"
                  "sslcompression=0\ngssencmode=prefer\nfallback_application_name=psql\n"
                  "[gss]\ngssencmode=require\n[weak]\nsslcrl=revoked.crl\n");
    const TPgEnvironment environment{{"PGSERVICEFILE", file.path()}, {"PGSYSCONFDIR", "/nonexistent"}};
    const TPgConnectionValues values = ResolvePgConnectionValues({{"service", "ha"}}, environment);
    EXPECT_EQ(values.at("host"), "db1");
    EXPECT_EQ(PgServerAddresses(values).size(), 1U);
    EXPECT_EQ(Message([&] {
                  ResolvePgConnectionValues({{"service", "gss"}}, environment);
              }),
              "gssencmode value \"require\" invalid when GSSAPI support is not compiled in");
    EXPECT_EQ(Message([&] {
                  ResolvePgConnectionValues({{"dbname", "gssencmode=sometimes"}}, environment);
              }),
              "invalid gssencmode value: \"sometimes\"");
    EXPECT_EQ(Message([&] {
                  ResolvePgConnectionValues({{"service", "weak"}}, environment);
              }),
              "syntax error in service file \"" + file.path() + "\", line 12");
}

TEST(PgServiceFile, UserFileBeforeSystemFile) {
    TempDirectory home, sysconf, elsewhere;
    home.Write(".pg_service.conf", "[both]\nhost=home\n[home]\nport=1\n");
    sysconf.Write("pg_service.conf", "[both]\nhost=system\n[system]\nport=2\n");
    elsewhere.Write("services", "[both]\nhost=elsewhere\n");
    const TPgEnvironment environment{{"HOME", home.path()}, {"PGSYSCONFDIR", sysconf.path()}};
    EXPECT_EQ(PgServiceEntry("both", environment).at("host"), "home");
    EXPECT_EQ(PgServiceEntry("home", environment).at("port"), "1");
    EXPECT_EQ(PgServiceEntry("system", environment).at("port"), "2");
    TPgEnvironment withServiceFile = environment;
    withServiceFile["PGSERVICEFILE"] = elsewhere.path() / "services";
    EXPECT_EQ(PgServiceEntry("both", withServiceFile).at("host"), "elsewhere");
    EXPECT_EQ(Message([&] { PgServiceEntry("home", withServiceFile); }),
              "definition of service \"home\" not found");
    EXPECT_EQ(Message([&] { PgServiceEntry("none", environment); }),
              "definition of service \"none\" not found");
}

TEST(PgConnectionSources, TheStrongerSourceWins) {
    TempDirectory home;
    home.Write(".pg_service.conf", "[svc]\nhost=service-host\nport=5001\nuser=service-user\n"
                                   "dbname=service-db\napplication_name=service-app\n"
                                   "[env-svc]\nhost=env-service-host\n");
    const TPgEnvironment environment{{"HOME", home.path()},      {"PGHOST", "env-host"},
                                     {"PGPORT", "5002"},         {"PGUSER", "env-user"},
                                     {"PGDATABASE", "env-db"},   {"PGAPPNAME", "env-app"},
                                     {"PGCONNECT_TIMEOUT", "7"}, {"PGOPTIONS", ""},
                                     {"PGSERVICEFILE", ""},      {"PGTARGETSESSIONATTRS", "read-write"}};
    const struct {
        const char* what;
        TPgConnectionValues given;
        TPgConnectionValues expected;
    } cases[] = {
        {"the environment alone",
         {},
         {{"host", "env-host"},
          {"port", "5002"},
          {"user", "env-user"},
          {"dbname", "env-db"},
          {"application_name", "env-app"},
          {"connect_timeout", "7"},
          {"target_session_attrs", "read-write"}}},
        {"a service entry over the environment",
         {{"service", "svc"}},
         {{"service", "svc"},
          {"host", "service-host"},
          {"port", "5001"},
          {"user", "service-user"},
          {"dbname", "service-db"},
          {"application_name", "service-app"},
          {"connect_timeout", "7"},
          {"target_session_attrs", "read-write"}}},
        {"a connection string over its service entry",
         {{"dbname", "service=svc port=5003 dbname=string-db"}},
         {{"service", "svc"},
          {"host", "service-host"},
          {"port", "5003"},
          {"user", "service-user"},
          {"dbname", "string-db"},
          {"application_name", "service-app"},
          {"connect_timeout", "7"},
          {"target_session_attrs", "read-write"}}},
        {"given values over the URI",
         {{"dbname", "postgresql://uri-user@uri-host:5004/uri-db?service=svc"},
          {"user", "given-user"},
          {"port", "5005"}},
         {{"service", "svc"},
          {"host", "uri-host"},
          {"port", "5005"},
          {"user", "given-user"},
          {"dbname", "uri-db"},
          {"application_name", "service-app"},
          {"connect_timeout", "7"},
          {"target_session_attrs", "read-write"}}},
        {"a plain database name stays one",
         {{"dbname", "given-db"}, {"host", ""}},
         {{"host", ""},
          {"port", "5002"},
          {"user", "env-user"},
          {"dbname", "given-db"},
          {"application_name", "env-app"},
          {"connect_timeout", "7"},
          {"target_session_attrs", "read-write"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ResolvePgConnectionValues(c.given, environment), c.expected);
    }
    TPgEnvironment withService = environment;
    withService["PGSERVICE"] = "env-svc";
    EXPECT_EQ(ResolvePgConnectionValues({}, withService).at("host"), "env-service-host");
    EXPECT_EQ(ResolvePgConnectionValues({{"service", "svc"}}, withService).at("host"), "service-host");
    EXPECT_EQ(Message([&] {
                  ResolvePgConnectionValues({{"dbname", "host=h hots=x"}}, environment);
              }),
              "invalid connection option \"hots\"");
    EXPECT_EQ(Message([&] {
                  ResolvePgConnectionValues({{"service", "nope"}}, environment);
              }),
              "definition of service \"nope\" not found");
}

TEST(PgConnectionSources, ServersFromHostAddressAndPortLists) {
    using S = TPgServerAddress;
    const struct {
        TPgConnectionValues values;
        std::vector<S> servers;
    } cases[] = {
        {{}, {S{"", "", 0}}},
        {{{"host", "db1"}, {"port", "5433"}}, {S{"db1", "", 5433}}},
        {{{"host", "db1,db2"}}, {S{"db1", "", 0}, S{"db2", "", 0}}},
        {{{"host", "db1,db2"}, {"port", "5433"}}, {S{"db1", "", 5433}, S{"db2", "", 5433}}},
        {{{"host", "db1,db2"}, {"port", "5433,"}}, {S{"db1", "", 5433}, S{"db2", "", 0}}},
        {{{"host", "db1,,/run/pg"}, {"port", "1,2,3"}}, {S{"db1", "", 1}, S{"", "", 2}, S{"/run/pg", "", 3}}},
        {{{"hostaddr", "10.0.0.1,::1"}}, {S{"", "10.0.0.1", 0}, S{"", "::1", 0}}},
        {{{"host", "a,b"}, {"hostaddr", "10.0.0.1,"}}, {S{"a", "10.0.0.1", 0}, S{"b", "", 0}}},
    };
    for (const auto& c : cases) {
        const std::vector<S> servers = PgServerAddresses(c.values);
        ASSERT_EQ(servers.size(), c.servers.size());
        for (std::size_t i = 0; i < servers.size(); ++i) {
            EXPECT_EQ(servers[i].Host, c.servers[i].Host);
            EXPECT_EQ(servers[i].HostAddr, c.servers[i].HostAddr);
            EXPECT_EQ(servers[i].Port, c.servers[i].Port);
        }
    }
    const struct {
        TPgConnectionValues values;
        const char* message;
    } refused[] = {
        {{{"host", "a,b,c"}, {"port", "1,2"}}, "could not match 2 port numbers to 3 hosts"},
        {{{"host", "a,b"}, {"hostaddr", "10.0.0.1"}}, "could not match 2 host names to 1 hostaddr values"},
        {{{"port", "54x"}}, "invalid integer value \"54x\" for connection option \"port\""},
        {{{"port", "65536"}}, "invalid port number: \"65536\""},
        {{{"host", "a,b"}, {"port", "1,0"}}, "invalid port number: \"0\""},
    };
    for (const auto& c : refused)
        EXPECT_EQ(Message([&] { PgServerAddresses(c.values); }), c.message);
}

} // namespace
