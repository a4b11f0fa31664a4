// One batch file whose lines name two connection services installs each tenant on its own server:
// two clusters of the test's own, velmora-install as the installer of each line.

#include "Setup/tenant/BatchFile.h"
#include "Setup/tenant/TenantBatch.h"
#include "support/Sandbox.h"
#include "support/StateHome.h"
#include "support/TempFile.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>

using namespace velmora;
using namespace velmora::tenant;
using namespace velmora::test;

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

TEST(TenantBatchServersTest, InstallsEachTenantOnTheServerOfItsService) {
    const std::vector<std::string> tenants{"b801", "b802", "b803", "b804"};
    const Server north(VELMORA_BATCH_SERVER_A_ENV, tenants);
    const Server south(VELMORA_BATCH_SERVER_B_ENV, tenants);
    const TempFile services(north.ServiceEntry("bau-nord") + south.ServiceEntry("bau-süd"));
    setenv("PGSERVICEFILE", services.path().c_str(), 1);
    setenv("PGPASSFILE", "/nonexistent/.pgpass", 1);
    const StateHome stateHome;

    const TBatchFile file = ParseBatchFile("tenant,licensee,postal_code,city,street,password,service\n"
                                           "b801,Bau Nord,24103,Kiel,Hafen 1,Kennwort1,bau-nord\n"
                                           "b802,Bau Süd,80331,München,Isar 2,Kennwort2,bau-süd\n"
                                           "b803,Bau Nord,24103,Kiel,Hafen 3,Kennwort3,bau-nord\n"
                                           "b804,Bau Süd,80331,München,Isar 4,Kennwort4,bau-süd\n",
                                           [](const std::string&) { return std::nullopt; });
    ASSERT_TRUE(file.errors.empty());
    std::ostringstream progress;
    TTenantBatch batch({{VELMORA_INSTALL}, {"--no-password"}, 2, std::nullopt}, progress);
    const std::vector<TBatchRun> runs = batch.Run(file.tenants, nullptr);

    EXPECT_EQ(WorstExitStatus(runs), 0) << progress.str();
    EXPECT_EQ(north.Databases(), "b801,b803\n");
    EXPECT_EQ(south.Databases(), "b802,b804\n");
    unsetenv("PGSERVICEFILE");
    unsetenv("PGPASSFILE");
}

} // namespace
