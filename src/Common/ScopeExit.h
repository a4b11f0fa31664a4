#pragma once

#include <type_traits>
#include <utility>

namespace velmora {

// Runs a cleanup when the scope ends, by return or by exception. Only for cleanups that cannot
// throw: a destructor that throws while an exception is in flight ends the program. Where a cleanup
// can throw (a disconnect runs the application's events), the code keeps the explicit
// try/catch/rethrow form instead.
template <typename TCleanup>
requires std::is_nothrow_invocable_v<TCleanup&>
class TScopeExit {
public:
    explicit TScopeExit(TCleanup cleanup) : cleanup_(std::move(cleanup)) {}
    TScopeExit(const TScopeExit&) = delete;
    TScopeExit& operator=(const TScopeExit&) = delete;
    ~TScopeExit() { cleanup_(); }

private:
    TCleanup cleanup_;
};

} // namespace velmora
