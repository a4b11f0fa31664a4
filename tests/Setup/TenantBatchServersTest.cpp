// One batch file whose lines name two connection services installs each tenant on the server of
// its service: two clusters of the test's own.

#include "support/Sandbox.h"
#include "support/StateHome.h"
#include "support/TempFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using namespace velmora::test;
using testing::HasSubstr;

namespace {

// A cluster with the application roles a tenant's grants name, and without the tenants afterwards.
class Server {
public:
    Server(const std::string& envFile, const std::vector<std::string>& tenants)
        : env_(sandboxAt(envFile)), tenants_(tenants) {
        Run("CREATE ROLE qz7k NOSUPERUSER");
        Run("CREATE ROLE trevix NOSUPERUSER");
    }
    ~Server() {
        for (const std::string& tenant : tenants_) {
            Run("DROP DATABASE IF EXISTS " + tenant);
            Run("DROP ROLE IF EXISTS " + tenant);
        }
        Run("DROP ROLE IF EXISTS qz7k, trevix");
    }

    std::string Run(const std::string& sql) const {
        const PsqlResult result = psql(env_, "postgres", {"-c", sql});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return result.out;
    }
    std::string Databases() const {
        return Run(
            "SELECT string_agg(datname, ',' ORDER BY datname) FROM pg_database WHERE datname LIKE 'b8%'");
    }
    std::string ServiceEntry(const std::string& name) const {
        return "[" + name + "]\nhost=" + env_.host + "\nport=" + env_.port + "\nuser=" + env_.user +
               "\npassword=" + env_.password + "\ndbname=postgres\n";
    }

private:
    SandboxEnv env_;
    std::vector<std::string> tenants_;
};

// The services win over PGHOST and PGPORT, which point elsewhere; a line naming a service the file
// does not hold is not installed.
TEST(TenantBatchServersTest, InstallsEachTenantOnTheServerOfItsService) {
    const std::vector<std::string> tenants{"b801", "b802", "b803", "b804"};
    const Server north(VELMORA_BATCH_SERVER_A_ENV, tenants);
    const Server south(VELMORA_BATCH_SERVER_B_ENV, tenants);
    const TempFile services(north.ServiceEntry("bau-nord") + south.ServiceEntry("bau-süd"));
    const TempFile batch("tenant,licensee,postal_code,city,street,password,service\n"
                         "b801,Bau Nord,24103,Kiel,Hafen 1,Kennwort1,bau-nord\n"
                         "b802,Bau Süd,80331,München,Isar 2,Kennwort2,bau-süd\n"
                         "b803,Bau Nord,24103,Kiel,Hafen 3,Kennwort3,bau-nord\n"
                         "b804,Bau Süd,80331,München,Isar 4,Kennwort4,bau-süd\n"
                         "b805,Bau West,50667,Köln,Rhein 5,Kennwort5,bau-west\n");
    const StateHome stateHome;

    const ProcessResult run = RunProcess(
        {VELMORA_TENANT, "batch", "-j", "2", batch.path()},
        EnvironmentWith({"PGSERVICEFILE=" + services.path(), "PGHOST=/nonexistent", "PGPORT=1",
                         "PGPASSFILE=/nonexistent/.pgpass", "XDG_STATE_HOME=" + stateHome.path()}));

    EXPECT_EQ(run.exitCode, 2) << run.err;
    EXPECT_THAT(run.out, HasSubstr("Zeile 6 (Mandant B805): Dienst bau-west: "));
    EXPECT_EQ(north.Databases(), "b801,b803\n");
    EXPECT_EQ(south.Databases(), "b802,b804\n");
    EXPECT_EQ(
        psql(sandboxAt(VELMORA_BATCH_SERVER_B_ENV), "b804", {"-c", "SELECT ort FROM trevix.mandant"}).out,
        "München\n");
}

} // namespace
