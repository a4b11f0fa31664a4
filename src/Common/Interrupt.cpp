#include "Common/Interrupt.h"

#include <atomic>
#include <csignal>
#include <string>

namespace velmora {
namespace {

std::atomic<int> raisedSignal{0};
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
    if (const int signal = RaisedInterrupt())
        throw EInterrupted(signal);
}

} // namespace velmora
