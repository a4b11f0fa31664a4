// velmora-tenant list against the sandbox, which holds other tests' tenants too: each test looks at
// its own databases only.

#include "Setup/tenant/TenantList.h"

#include "Setup/tenant/ScratchDatabase.h"
#include "TenantCliRun.h"
#include "schema/TenantDatabase.h"
#include "support/Sandbox.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

using namespace velmora::test;
using namespace velmora::tenant;
using nlohmann::json;
using testing::HasSubstr;

namespace {

// The entries of a listing's array whose database is one of names.
std::map<std::string, json> Own(const json& entries, const std::set<std::string>& names) {
    std::map<std::string, json> own;
    for (const json& entry : entries) {
        if (names.contains(entry.at("database").get<std::string>()))
            own[entry.at("database")] = entry;
    }
    return own;
}

class TenantListTest : public testing::Test {
protected:
    ~TenantListTest() override {
        for (const std::string& database :
             {std::string("q7la"), std::string("q7lb"), std::string("q7lc"), other, scratch})
            DropDatabase(database);
        for (const char* role : {"q7la", "q7lb", "q7lc"})
            psql("postgres", {"-c", std::string("DROP ROLE IF EXISTS ") + role});
    }

    void Install(const std::string& tenant, const std::vector<std::string>& more = {}) {
        std::vector<std::string> arguments{
            "install", "-t",   tenant,     "--licensee", "Bau AG " + tenant, "--postal-code", "54321",
            "--city",  "Köln", "--street", "Ring 2"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        const ProcessResult run = RunTenant(arguments, "Kennwort\n");
        ASSERT_EQ(run.exitCode, 0) << run.err;
    }

    ApplicationRoles roles;
    const std::string other = uniqueName("q7l_other");
    // What a crashed verification leaves behind: it holds trevix.mandant but is no tenant.
    const std::string scratch = std::string(kScratchDatabasePrefix) + uniqueName("q7l");
};

// Three tenants (one of them isolated, one whose role may no longer log on), a database that is no
// tenant and a verification's scratch database: the listing shows exactly the three, with what each
// database and role says.
TEST_F(TenantListTest, ListShowsExactlyTheTenantsOfTheServer) {
    Install("q7la");
    Install("q7lb", {"--isolated-tenant"});
    Install("q7lc");
    Superuser("postgres", "CREATE DATABASE " + other);
    Superuser("postgres", "ALTER ROLE q7lc NOLOGIN");
    Superuser("postgres", "CREATE DATABASE " + scratch);
    Superuser(scratch, "CREATE SCHEMA trevix; CREATE TABLE trevix.mandant (mandant character(4))");

    const ProcessResult run = RunTenant({"list", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const json listing = json::parse(run.out);
    const std::set<std::string> names{"q7la", "q7lb", "q7lc", other, scratch};
    EXPECT_TRUE(Own(listing.at("unchecked"), names).empty());
    const std::map<std::string, json> tenants = Own(listing.at("tenants"), names);
    ASSERT_EQ(tenants.size(), 3u) << run.out;
    // Each database belongs to its tenant role, the isolated one's as well.
    for (const auto& [database, canLogOn] :
         {std::pair{"q7la", true}, std::pair{"q7lb", true}, std::pair{"q7lc", false}}) {
        const json& tenant = tenants.at(database);
        std::string code = database;
        for (char& c : code)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(tenant.at("tenant"), code);
        EXPECT_EQ(tenant.at("licensee"), "Bau AG " + std::string(database));
        EXPECT_EQ(tenant.at("city"), "Köln");
        EXPECT_EQ(tenant.at("owner"), database);
        EXPECT_EQ(tenant.at("release"), VELMORA_PROJECT_VERSION);
        EXPECT_EQ(tenant.at("role_can_log_on"), canLogOn) << database;
        EXPECT_GT(tenant.at("size_bytes").get<std::int64_t>(), 1'000'000) << database;
    }

    // Without --json and without a terminal: one line per tenant, fields between tabs.
    const ProcessResult lines = RunTenant({"list"});
    ASSERT_EQ(lines.exitCode, 0) << lines.err;
    const std::string size = std::to_string(tenants.at("q7lc").at("size_bytes").get<std::int64_t>());
    EXPECT_THAT(lines.out, HasSubstr("Q7LC\tBau AG q7lc\tKöln\tq7lc\tq7lc\t" + size +
                                     "\t" VELMORA_PROJECT_VERSION "\tnein\n"));
    EXPECT_THAT(lines.out, testing::Not(HasSubstr(other)));
}

// A database the administrator may not connect to, and a tenant table it may not read, are named
// in warnings and in the document; the listing goes on and says it is incomplete.
TEST_F(TenantListTest, DatabasesTheAdministratorCannotLookIntoAreReported) {
    const std::string role = uniqueName("q7l_role");
    const std::string closed = uniqueName("q7l_closed");
    Superuser("postgres", "CREATE ROLE " + role + " LOGIN PASSWORD 'pw-list'");
    Superuser("postgres", "CREATE DATABASE " + closed);
    Superuser("postgres", "REVOKE CONNECT ON DATABASE " + closed + " FROM PUBLIC");
    Superuser("postgres", "CREATE DATABASE " + other);
    Superuser(other, "CREATE SCHEMA trevix; CREATE TABLE trevix.mandant (mandant character(4))");

    const ProcessResult run =
        RunTenant({"list", "--json"}, "", {{"PGUSER", role}, {"PGPASSWORD", "pw-list"}});
    DropDatabase(closed);
    psql("postgres", {"-c", "DROP ROLE " + role});
    EXPECT_EQ(run.exitCode, 3) << run.err;
    const json listing = json::parse(run.out);
    const std::map<std::string, json> unchecked = Own(listing.at("unchecked"), {closed, other});
    ASSERT_EQ(unchecked.size(), 2u) << run.out;
    EXPECT_THAT(unchecked.at(closed).at("error").get<std::string>(), HasSubstr("permission denied"));
    EXPECT_THAT(unchecked.at(other).at("error").get<std::string>(), HasSubstr("permission denied"));
    EXPECT_THAT(run.err, HasSubstr("Warnung: Datenbank " + closed + " nicht geprüft: "));
}

TEST(TenantListFormatTest, SizesReadAsTheServerWritesThem) {
    for (std::int64_t bytes :
         {0LL, 10239LL, 10240LL, 10485247LL, 10485248LL, 10485759LL, 10485760LL, (1LL << 20) * 7 + 524287LL,
          (1LL << 30) * 12 + 3, (1LL << 40) * 20000, (1LL << 50) * 3000}) {
        EXPECT_EQ(PrettySize(bytes),
                  Superuser("postgres", "SELECT pg_size_pretty(" + std::to_string(bytes) + "::bigint)"))
            << bytes;
    }
}

// Columns line up by characters, not bytes, and no value can break a line.
TEST(TenantListFormatTest, TheTableAlignsColumnsAndKeepsEachTenantOnOneLine) {
    TTenantListing listing;
    listing.tenants.push_back({"AB12", "Müller\nBau", "Köln", "ab12", "postgres", 8'000'000, "1.0.0", true});
    listing.tenants.push_back({"C3", "X", "Bonn\tOst", "c3", "c3", std::nullopt, std::nullopt, std::nullopt});
    std::ostringstream table;
    WriteTenantTable(listing, table);
    EXPECT_EQ(table.str(),
              "Mandant  Lizenznehmer  Ort       Datenbank  Besitzer  Größe    Release  Anmeldung\n"
              "AB12     Müller Bau    Köln      ab12       postgres  7813 kB  1.0.0    ja\n"
              "C3       X             Bonn Ost  c3         c3        -        -        -\n");
    std::ostringstream lines;
    WriteTenantLines(listing, lines);
    EXPECT_EQ(lines.str(), "AB12\tMüller Bau\tKöln\tab12\tpostgres\t8000000\t1.0.0\tja\n"
                           "C3\tX\tBonn Ost\tc3\tc3\t-\t-\t-\n");
}

} // namespace
