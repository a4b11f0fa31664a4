#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velmora::bench {

// A TCP proxy on 127.0.0.1 that holds back every chunk it relays, in either direction, by a fixed
// one-way delay, keeping the order: a client reaching a server through it sees that server twice
// the delay away. It lives at most its lifetime: then, or when destroyed, it closes every
// connection and stops.
class TDelayProxy {
public:
    TDelayProxy(std::string targetHost, int targetPort, std::chrono::microseconds oneWayDelay,
                std::chrono::seconds lifetime = std::chrono::minutes(30));
    ~TDelayProxy();
    TDelayProxy(const TDelayProxy&) = delete;
    TDelayProxy& operator=(const TDelayProxy&) = delete;

    // The port it listens on.
    int Port() const { return port_; }

private:
    struct TLink;

    void Accept();
    static void Relay(int from, int to, std::chrono::microseconds delay,
                      std::chrono::steady_clock::time_point end, const std::atomic<bool>& stopping);

    std::string targetHost_;
    int targetPort_;
    std::chrono::microseconds delay_;
    std::chrono::steady_clock::time_point end_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_ = false;
    std::mutex mutex_;
    std::vector<std::unique_ptr<TLink>> links_;
    std::thread acceptor_;
};

} // namespace velmora::bench
