#pragma once

// What the source files of the wire protocol share among themselves; no other code includes it.

#include "Common/Interrupt.h"
#include "PostgreSql/PgSQLProtocol.h"

#include <exception>
#include <initializer_list>
#include <string>

namespace velmora {

EPgError Fatal(const std::string& message);

// A failure that is no server error, met in the middle of an exchange, as the fatal error it is.
EPgError BrokenExchange(const std::exception_ptr& failure);

// The loop must have stopped at one of the allowed message types, or the exchange is out of step.
void Expect(TPgBackendMessage type, std::initializer_list<TPgBackendMessage> allowed);

template <class Work>
auto TPgSQLProtocol30::Guarded(Work work) -> decltype(work()) {
    if (!connected_)
        throw Fatal("Not connected");
    try {
        return work();
    } catch (const EPgError& e) {
        if (e.IsFatalError())
            DropConnection();
        throw;
    } catch (const EInterrupted&) {
        // The run ends: the server stops the statement in progress, and nothing more is sent. The
        // statements sent ahead of it end with the session, which the server sees closed.
        CancelQuietly();
        DropConnection();
        throw;
    } catch (...) {
        // Whatever broke off the exchange, the stream may be out of step.
        DropConnection();
        throw BrokenExchange(std::current_exception());
    }
}

} // namespace velmora
