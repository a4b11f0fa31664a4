#include "Common/Interrupt.h"

#include <atomic>
#include <csignal>
#include <string>

namespace velmora {
namespace {

std::atomic<int> raisedSignal{0};
thread_local int shields = 0;
static_assert(std::atomic<int>::is_always_lock_free, "a signal handler may only touch lock-free atomics");

} // namespace

EInterrupted::EInterrupted(int signal)
    : EAbort("Interrupted by signal " + std::to_string(signal)), signal_(signal) {}

void RaiseInterrupt(int signal) noexcept {
    int none = 0;
    raisedSignal.compare_exchange_strong(none, signal);
}

int RaisedInterrupt() noexcept {
    return raisedSignal.load();
}

void ThrowIfInterrupted() {
    if (const int signal = RaisedInterrupt(); signal != 0 && shields == 0)
        throw EInterrupted(signal);
}

TInterruptShield::TInterruptShield() {
    ++shields;
}

TInterruptShield::~TInterruptShield() {
    --shields;
}

} // namespace velmora
