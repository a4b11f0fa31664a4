// Twenty tenants installed by one `velmora-tenant batch -j 4` against the same twenty installed by
// velmora-install one after another, on the same server in the same run. Prints both times and
// their ratio; the tenants are dropped after each half.
//
//   eval "$(scripts/pg-sandbox start --roles qz7k,trevix)"
//   batch_bench [tenants, default 20] [jobs, default 4]
//   scripts/pg-sandbox stop
//
// The server comes from PGHOST, PGPORT, PGUSER, PGPASSWORD and PGDATABASE; the tenants are named
// bs01, bs02, ... (one after another) and bb01, bb02, ... (batch).

#include "support/Process.h"
#include "support/TempFile.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using velmora::test::ProcessResult;
using velmora::test::RunProcess;
using velmora::test::TempFile;
using Clock = std::chrono::steady_clock;

std::string TenantCode(const std::string& prefix, int number) {
    return prefix + (number < 10 ? "0" : "") + std::to_string(number);
}

void Check(const ProcessResult& run, const std::string& what) {
    if (run.exitCode != 0) {
        std::fprintf(stderr, "%s: exit %d\n%s%s", what.c_str(), run.exitCode, run.out.c_str(),
                     run.err.c_str());
        std::exit(1);
    }
}

void DropTenants(const std::string& prefix, int count) {
    for (int i = 1; i <= count; ++i) {
        const std::string tenant = TenantCode(prefix, i);
        RunProcess({"psql", "-X", "-q", "-c", "DROP DATABASE IF EXISTS " + tenant, "-c",
                    "DROP ROLE IF EXISTS " + tenant},
                   velmora::test::EnvironmentWith({}));
    }
}

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

} // namespace

int main(int argc, char** argv) {
    const int tenants = argc > 1 ? std::atoi(argv[1]) : 20;
    const std::string jobs = argc > 2 ? argv[2] : "4";
    const std::vector<std::string> environment = velmora::test::EnvironmentWith({"PGPASSFILE=/nonexistent"});
    const TempFile tenantPassword("Bench-Kennwort\n");
    DropTenants("bs", tenants);
    DropTenants("bb", tenants);

    const Clock::time_point sequentialStart = Clock::now();
    for (int i = 1; i <= tenants; ++i) {
        Check(RunProcess({VELMORA_INSTALL, "--no-password", "--tenant", TenantCode("bs", i),
                          "--licensee=Bench GmbH", "--postal-code=12345", "--city=Musterstadt",
                          "--street=Weg 1", "--tenant-password-file", tenantPassword.path()},
                         environment),
              "velmora-install " + TenantCode("bs", i));
    }
    const double sequential = Seconds(sequentialStart);
    DropTenants("bs", tenants);

    std::string lines = "tenant,licensee,postal_code,city,street,password\n";
    for (int i = 1; i <= tenants; ++i)
        lines += TenantCode("bb", i) + ",Bench GmbH,12345,Musterstadt,Weg 1,Bench-Kennwort\n";
    const TempFile batchFile(lines);
    const Clock::time_point batchStart = Clock::now();
    Check(RunProcess({VELMORA_TENANT, "batch", "--no-password", "-j", jobs, batchFile.path()}, environment),
          "velmora-tenant batch");
    const double batch = Seconds(batchStart);
    DropTenants("bb", tenants);

    std::printf("%d tenants one after another: %.2f s (%.2f s each)\n", tenants, sequential,
                sequential / tenants);
    std::printf("%d tenants by batch -j %s:      %.2f s\n", tenants, jobs.c_str(), batch);
    std::printf("ratio batch / one after another: %.2f\n", batch / sequential);
    return 0;
}
