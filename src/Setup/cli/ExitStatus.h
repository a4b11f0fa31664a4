#pragma once

namespace velmora::cli {

// The exit statuses of velmora-install and velmora-tenant. A batch ends with the highest status of
// its runs; a signal ends a run with 128 + the signal, as a shell reports it.
enum TExitStatus : int {
    kDone = 0,       // installed, listed, removed, or equal to the shipped schema
    kStopped = 1,    // an error ended the run
    kRefused = 2,    // bad input, a warning or a declined question; nothing changed
    kIncomplete = 3, // the run went through, but statements failed
    kDrift = 4,      // the tenant differs from what the installation makes
};

} // namespace velmora::cli
