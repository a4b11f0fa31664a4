#include "Setup/cli/InterruptSignals.h"

#include "Common/Interrupt.h"

namespace velmora::cli {
namespace {

extern "C" void OnInterruptSignal(int signal) {
    RaiseInterrupt(signal);
}

} // namespace

TInterruptSignals::TInterruptSignals() {
    struct sigaction action {};
    action.sa_handler = OnInterruptSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART
    for (std::size_t i = 0; i < Signals.size(); ++i)
        sigaction(Signals[i], &action, &previous_[i]);
}

TInterruptSignals::~TInterruptSignals() {
    for (std::size_t i = 0; i < Signals.size(); ++i)
        sigaction(Signals[i], &previous_[i], nullptr);
}

} // namespace velmora::cli
