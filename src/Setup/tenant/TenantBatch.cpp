#include "Setup/tenant/TenantBatch.h"

#include "Common/Interrupt.h"
#include "Setup/tenant/InstallProcess.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <iomanip>
#include <memory>
#include <poll.h>
#include <sstream>

namespace velmora::tenant {
namespace {

using TClock = std::chrono::steady_clock;

// How long the loop waits for output before it looks for a signal again.
constexpr int kPollMilliseconds = 200;

constexpr int kStopped = 1;
constexpr int kRefused = 2;

// An installation in progress.
struct TActiveRun {
    std::size_t index; // into the tenants
    std::unique_ptr<TInstallProcess> process;
    TClock::time_point started;
    std::string password;
    bool passwordGenerated;
};

void WaitForOutput(const std::vector<TActiveRun>& active) {
    std::vector<pollfd> descriptors;
    for (const TActiveRun& run : active) {
        if (run.process->OutputDescriptor() >= 0)
            descriptors.push_back({run.process->OutputDescriptor(), POLLIN, 0});
    }
    if (!descriptors.empty())
        poll(descriptors.data(), descriptors.size(), kPollMilliseconds); // EINTR: a signal to look at
}

// The installer's output with each line marked by its tenant, so that blocks stay readable.
std::string MarkedLines(const std::string& tenantCode, const std::string& text) {
    std::istringstream lines(text);
    std::string marked;
    for (std::string line; std::getline(lines, line);)
        marked += "[" + tenantCode + "] " + line + "\n";
    return marked;
}

std::string Seconds(double seconds) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(1) << seconds;
    return text.str();
}

} // namespace

TTenantBatch::TTenantBatch(TBatchSettings settings, std::ostream& progress)
    : settings_(std::move(settings)), progress_(progress) {}

std::vector<std::string> TTenantBatch::Arguments(const TBatchTenant& tenant) const {
    std::vector<std::string> arguments = settings_.installCommand;
    arguments.insert(arguments.end(), settings_.installOptions.begin(), settings_.installOptions.end());
    // Values after "=", so that a licensee beginning with "-" is never taken for an option.
    const std::string secret = "/dev/fd/" + std::to_string(TInstallProcess::kFirstSecretDescriptor);
    arguments.insert(arguments.end(),
                     {"--tenant=" + tenant.tenantCode, "--licensee=" + tenant.masterData.licensee,
                      "--postal-code=" + tenant.masterData.postalCode, "--city=" + tenant.masterData.city,
                      "--street=" + tenant.masterData.street, "--tenant-password-file=" + secret});
    if (settings_.adminPassword)
        arguments.push_back("--admin-password-file=/dev/fd/" +
                            std::to_string(TInstallProcess::kFirstSecretDescriptor + 1));
    return arguments;
}

std::vector<TBatchRun> TTenantBatch::Run(const std::vector<TBatchTenant>& tenants,
                                         TPasswordsFile* passwordsFile) {
    std::vector<TBatchRun> runs;
    for (const TBatchTenant& tenant : tenants)
        runs.push_back({tenant.lineNumber, tenant.tenantCode, TBatchRun::TKind::NotStarted, kStopped, 0,
                        false, "nicht gestartet"});
    std::vector<TActiveRun> active;
    std::size_t next = 0;
    bool signalPassedOn = false;
    while (next < tenants.size() || !active.empty()) {
        const int signal = RaisedInterrupt();
        if (signal != 0 && !signalPassedOn) {
            for (const TActiveRun& run : active)
                run.process->Signal(signal);
            signalPassedOn = true;
        }
        while (signal == 0 && active.size() < settings_.jobs && next < tenants.size()) {
            const TBatchTenant& tenant = tenants[next];
            const bool generated = !tenant.password;
            std::string password = generated ? GeneratePassword() : *tenant.password;
            std::vector<std::string> secrets{password};
            if (settings_.adminPassword)
                secrets.push_back(*settings_.adminPassword);
            std::vector<std::string> environment;
            if (tenant.service)
                environment.push_back("PGSERVICE=" + *tenant.service);
            active.push_back({next++,
                              std::make_unique<TInstallProcess>(Arguments(tenant), environment, secrets),
                              TClock::now(), std::move(password), generated});
        }
        if (active.empty())
            break;
        WaitForOutput(active);
        for (auto run = active.begin(); run != active.end();) {
            run->process->ReadOutput();
            const std::optional<int> status = run->process->ExitStatus();
            if (!status) {
                ++run;
                continue;
            }
            TBatchRun& result = runs[run->index];
            result.kind = TBatchRun::TKind::Run;
            result.exitStatus = *status;
            result.seconds = std::chrono::duration<double>(TClock::now() - run->started).count();
            result.passwordGenerated = run->passwordGenerated;
            result.messages = run->process->Output();
            // Exit 3 leaves the tenant role with this password on the server.
            if (run->passwordGenerated && passwordsFile != nullptr && (*status == 0 || *status == 3))
                passwordsFile->Add(result.tenantCode, run->password);
            // A run that went well is one line (unless its statements were asked for); any other
            // shows what the installer said.
            if (*status != 0 || settings_.showEveryOutput)
                progress_ << MarkedLines(result.tenantCode, result.messages);
            progress_ << "Mandant " << result.tenantCode << ": " << ResultText(result) << " ("
                      << Seconds(result.seconds) << " s)" << std::endl;
            run = active.erase(run);
        }
    }
    return runs;
}

int WorstExitStatus(const std::vector<TBatchRun>& runs) {
    int worst = 0;
    for (const TBatchRun& run : runs) {
        const int status = run.kind == TBatchRun::TKind::InvalidLine  ? kRefused
                           : run.kind == TBatchRun::TKind::NotStarted ? kStopped
                                                                      : run.exitStatus;
        worst = std::max(worst, status);
    }
    return worst;
}

std::vector<TBatchRun> WithInvalidLines(std::vector<TBatchRun> runs,
                                        const std::vector<TBatchLineError>& errors) {
    for (const TBatchLineError& error : errors)
        runs.push_back({error.lineNumber, error.tenantCode, TBatchRun::TKind::InvalidLine, kRefused, 0, false,
                        error.message});
    std::ranges::sort(runs, {}, &TBatchRun::lineNumber);
    return runs;
}

std::string ResultText(const TBatchRun& run) {
    switch (run.kind) {
    case TBatchRun::TKind::InvalidLine:
        return "fehlerhafte Zeile";
    case TBatchRun::TKind::NotStarted:
        return "nicht gestartet";
    case TBatchRun::TKind::Run:
        break;
    }
    switch (run.exitStatus) {
    case 0:
        return "installiert";
    case 1:
        return "abgebrochen";
    case 2:
        return "abgelehnt";
    case 3:
        return "unvollständig";
    default:
        return run.exitStatus > 128 ? "unterbrochen (Signal " + std::to_string(run.exitStatus - 128) + ")"
                                    : "Exit-Status " + std::to_string(run.exitStatus);
    }
}

void WriteSummary(std::ostream& out, const std::vector<TBatchRun>& runs) {
    std::size_t codeWidth = std::string("Mandant").size();
    for (const TBatchRun& run : runs)
        codeWidth = std::max(codeWidth, run.tenantCode.size());
    const auto row = [&](const std::string& code, const std::string& line, const std::string& result,
                         const std::string& seconds) {
        out << std::left << std::setw(static_cast<int>(codeWidth)) << code << "  " << std::right
            << std::setw(5) << line << "  " << result;
        // German results hold umlauts: pad by characters, not bytes.
        const auto characters = std::ranges::count_if(result, [](char c) { return (c & 0xC0) != 0x80; });
        out << std::string(static_cast<std::size_t>(std::max<long>(1, 24 - characters)), ' ') << std::setw(8)
            << seconds << "\n";
    };
    row("Mandant", "Zeile", "Ergebnis", "Sekunden");
    for (const TBatchRun& run : runs)
        row(run.tenantCode, std::to_string(run.lineNumber), ResultText(run),
            run.kind == TBatchRun::TKind::Run ? Seconds(run.seconds) : "-");
    out << std::flush;
}

} // namespace velmora::tenant
