#pragma once

#include "Common/Exceptions.h"

namespace velmora {

// The user's request to end the run (a signal), raised where the run notices it: a blocking call of
// the socket layer that the signal broke off, or a check between two steps. Silent like EAbort,
// which it is: the program that installed the signal handlers reports it.
class EInterrupted : public EAbort {
public:
    explicit EInterrupted(int signal);

    int Signal() const { return signal_; }

private:
    int signal_;
};

// Stores the signal that asks the run to end; the only thing a signal handler does, so it is
// async-signal-safe. The first signal counts.
void RaiseInterrupt(int signal) noexcept;
// The stored signal, or 0 while none came.
int RaisedInterrupt() noexcept;
// A descriptor that becomes readable once a signal asks the run to end, for waits to poll beside
// their socket: a signal that comes after the last check but before the wait begins, or that goes
// to another thread, then still ends the wait at once. -1 (which poll ignores) while a shield lives
// on this thread.
int InterruptWakeFd() noexcept;
// Raises EInterrupted when a signal asked the run to end. A blocking call that returned EINTR calls
// it before it tries again: handlers installed without SA_RESTART break such calls off.
void ThrowIfInterrupted();

// While one lives on this thread, ThrowIfInterrupted raises nothing: the cancel request of an
// interrupted run must still reach the server, also over TLS, whose handshake waits for answers.
class TInterruptShield {
public:
    TInterruptShield();
    ~TInterruptShield();
    TInterruptShield(const TInterruptShield&) = delete;
    TInterruptShield& operator=(const TInterruptShield&) = delete;
};

} // namespace velmora
