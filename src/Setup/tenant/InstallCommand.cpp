#include "Setup/tenant/InstallCommand.h"

namespace velmora::tenant {
namespace {

constexpr cli::TOptionName kInstallOptions[] = {kJsonOption};

std::string_view ResultName(TInstallationResult result) {
    switch (result) {
    case TInstallationResult::NotRun:
        return "not_run";
    case TInstallationResult::Refused:
        return "refused";
    case TInstallationResult::Declined:
        return "declined";
    case TInstallationResult::Stopped:
        return "stopped";
    case TInstallationResult::Installed:
        return "installed";
    case TInstallationResult::Incomplete:
        return "incomplete";
    case TInstallationResult::Interrupted:
        return "interrupted";
    }
    return "stopped";
}

std::string InstallUsage() {
    return cli::Usage("velmora-tenant install", kJsonUsage);
}

int Install(const cli::TCommandLine& commandLine, TCommandOutput& output) {
    const cli::TInstallReport report = cli::RunInstall(commandLine, output.Text(), output.Errors());
    output.Document(InstallReportJson(report));
    return report.exitStatus;
}

} // namespace

TSubcommand InstallSubcommand() {
    return {"install",
            "installiert einen Mandanten (wie velmora-install)",
            {.tenantOptions = true, .ownOptions = kInstallOptions, .applicationName = "velmora-tenant"},
            InstallUsage,
            Install};
}

nlohmann::json InstallReportJson(const cli::TInstallReport& report) {
    nlohmann::json roleKind;
    if (report.roleKind)
        roleKind = *report.roleKind == TTenantRoleKind::Superuser ? "superuser" : "isolated";
    nlohmann::json error;
    if (!report.error.empty())
        error = report.error;
    return {{"tenant", report.tenant},
            {"database", LowerTenantCode(report.tenant)},
            {"result", report.dryRun && report.result == TInstallationResult::Installed
                           ? std::string_view("dry_run")
                           : ResultName(report.result)},
            {"exit_status", report.exitStatus},
            {"progress", report.progress},
            {"role_kind", roleKind},
            {"log_file", report.logFile.string()},
            {"error", error}};
}

} // namespace velmora::tenant
