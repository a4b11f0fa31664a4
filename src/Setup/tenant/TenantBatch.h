#pragma once

#include "Setup/tenant/BatchFile.h"
#include "Setup/tenant/BatchPasswords.h"

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace velmora::tenant {

// What became of one record of a batch file.
struct TBatchRun {
    enum class TKind { Run, InvalidLine, NotStarted };

    std::size_t lineNumber = 0;
    std::string tenantCode;
    TKind kind = TKind::Run;
    int exitStatus = 0; // the installer's, as the batch counts it
    double seconds = 0; // how long the installation ran
    bool passwordGenerated = false;
    std::string messages; // the installer's output, or why the line was not installed
};

// How the installations are run.
struct TBatchSettings {
    // The installer and its subcommand, if any: each tenant's options follow.
    std::vector<std::string> installCommand;
    // Options every installation gets (the administrator's connection, --replace, ...).
    std::vector<std::string> installOptions;
    std::size_t jobs = 4;                     // installations at once
    std::optional<std::string> adminPassword; // handed to every installation through a pipe
    bool showEveryOutput = false;             // what each installation said, also when it went well
};

// Installs the tenants of a batch file, each by the installer in a process of its own, at most
// `jobs` at once. The tenant password (generated where the file gives none) and the administrator's
// password reach each installation through pipes. A generated password is written to the
// passwords file once its installation has made the tenant role (exit status 0 or 3). Each
// installation ends with one line on `progress`; one that did not install its tenant shows what
// the installer said before it, as one block whose lines are marked with the tenant. A signal (SIGINT,
// SIGTERM, SIGHUP) is passed on to every running installation and starts no further one; those not started
// are reported as such.
class TTenantBatch {
public:
    TTenantBatch(TBatchSettings settings, std::ostream& progress);

    std::vector<TBatchRun> Run(const std::vector<TBatchTenant>& tenants, TPasswordsFile* passwordsFile);

private:
    std::vector<std::string> Arguments(const TBatchTenant& tenant) const;

    TBatchSettings settings_;
    std::ostream& progress_;
};

// The worst exit status of the runs: a line not installed counts as refused (2), an installation
// not started as stopped (1).
int WorstExitStatus(const std::vector<TBatchRun>& runs);

// The runs in the order of their lines, the file's bad lines among them.
std::vector<TBatchRun> WithInvalidLines(std::vector<TBatchRun> runs,
                                        const std::vector<TBatchLineError>& errors);

// The German word for a run's result ("installiert", "abgelehnt", ...).
std::string ResultText(const TBatchRun& run);

// The summary table: tenant, line, result, seconds.
void WriteSummary(std::ostream& out, const std::vector<TBatchRun>& runs);

} // namespace velmora::tenant
