#pragma once

#include <array>
#include <csignal>

namespace velmora::cli {

// While it lives, SIGINT, SIGTERM and SIGHUP ask the run to end instead of ending the program: the
// handler only stores the signal (RaiseInterrupt). The run notices it where it waits for the
// server or the terminal, cancels the statement in progress, closes its connections, records the
// outcome and ends with 128 + the signal. The handlers are installed without SA_RESTART, so that a
// blocking read of the terminal or the server is broken off at once.
class TInterruptSignals {
public:
    static constexpr std::array<int, 3> Signals{SIGINT, SIGTERM, SIGHUP};

    TInterruptSignals();
    // Restores the handling the signals had before.
    ~TInterruptSignals();
    TInterruptSignals(const TInterruptSignals&) = delete;
    TInterruptSignals& operator=(const TInterruptSignals&) = delete;

private:
    std::array<struct sigaction, Signals.size()> previous_{};
};

} // namespace velmora::cli
