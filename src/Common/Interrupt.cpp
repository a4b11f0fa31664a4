#include "Common/Interrupt.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace velmora {
namespace {

std::atomic<int> raisedSignal{0};
thread_local int shields = 0;
static_assert(std::atomic<int>::is_always_lock_free, "a signal handler may only touch lock-free atomics");

// The handler writes a byte into the pipe; it is never drained, since the first signal ends the
// run. Made before main, so that no handler can meet it half made.
class TWakePipe {
public:
    TWakePipe() {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
            read_ = ends[0];
            write_ = ends[1];
        }
    }
    ~TWakePipe() {
        if (read_ >= 0) {
            ::close(read_);
            ::close(write_);
        }
    }
    TWakePipe(const TWakePipe&) = delete;
    TWakePipe& operator=(const TWakePipe&) = delete;

    int ReadEnd() const noexcept { return read_; }
    // Async-signal-safe; keeps errno as the interrupted code left it.
    void Wake() const noexcept {
        if (write_ < 0)
            return;
        const int saved = errno;
        const char byte = 1;
        [[maybe_unused]] const auto written = ::write(write_, &byte, 1);
        errno = saved;
    }

private:
    int read_ = -1;
    int write_ = -1;
};

const TWakePipe wakePipe;

} // namespace

EInterrupted::EInterrupted(int signal)
    : EAbort("Interrupted by signal " + std::to_string(signal)), signal_(signal) {}

void RaiseInterrupt(int signal) noexcept {
    int none = 0;
    if (raisedSignal.compare_exchange_strong(none, signal))
        wakePipe.Wake();
}

int InterruptWakeFd() noexcept {
    return shields == 0 ? wakePipe.ReadEnd() : -1;
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
