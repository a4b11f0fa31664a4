#include "DelayProxy.h"

#include <arpa/inet.h>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace velmora::bench {
namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds a poll may wait so that the proxy notices its end and its stop in time.
constexpr int PollSliceMs = 50;

int ConnectTo(const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0)
        return -1;
    int fd = -1;
    for (addrinfo* address = found; address != nullptr && fd < 0; address = address->ai_next) {
        fd = ::socket(address->ai_family, address->ai_socktype, address->ai_protocol);
        if (fd >= 0 && ::connect(fd, address->ai_addr, address->ai_addrlen) != 0) {
            ::close(fd);
            fd = -1;
        }
    }
    freeaddrinfo(found);
    if (fd >= 0) {
        int on = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }
    return fd;
}

// Whether fd became readable within one poll slice; false also once the proxy ends.
bool Readable(int fd) {
    pollfd waiting{fd, POLLIN, 0};
    return poll(&waiting, 1, PollSliceMs) > 0;
}

} // namespace

// One relayed connection: the client's socket, the server's, and a thread per direction.
struct TDelayProxy::TLink {
    int client = -1;
    int server = -1;
    std::thread up;
    std::thread down;

    ~TLink() {
        if (up.joinable())
            up.join();
        if (down.joinable())
            down.join();
        ::close(client);
        ::close(server);
    }
};

TDelayProxy::TDelayProxy(std::string targetHost, int targetPort, std::chrono::microseconds oneWayDelay,
                         std::chrono::seconds lifetime)
    : targetHost_(std::move(targetHost)), targetPort_(targetPort), delay_(oneWayDelay),
      end_(Clock::now() + lifetime) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 16) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("the delay proxy cannot listen");
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { Accept(); });
}

TDelayProxy::~TDelayProxy() {
    stopping_ = true;
    acceptor_.join();
    links_.clear(); // joins the relays, which see the stop within a poll slice
    ::close(listener_);
}

void TDelayProxy::Accept() {
    while (!stopping_ && Clock::now() < end_) {
        if (!Readable(listener_))
            continue;
        const int client = ::accept(listener_, nullptr, nullptr);
        if (client < 0)
            continue;
        int on = 1;
        setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        const int server = ConnectTo(targetHost_, targetPort_);
        if (server < 0) {
            ::close(client);
            continue;
        }
        auto link = std::make_unique<TLink>();
        link->client = client;
        link->server = server;
        link->up = std::thread(&TDelayProxy::Relay, client, server, delay_, end_, std::cref(stopping_));
        link->down = std::thread(&TDelayProxy::Relay, server, client, delay_, end_, std::cref(stopping_));
        std::lock_guard lock(mutex_);
        links_.push_back(std::move(link));
    }
}

// Reads chunks from `from` and writes each to `to` once its delay has passed, in order. A reader
// thread and this writer share a queue; the end of either side ends both directions' writes.
void TDelayProxy::Relay(int from, int to, std::chrono::microseconds delay, Clock::time_point end,
                        const std::atomic<bool>& stopping) {
    struct TChunk {
        Clock::time_point due;
        std::string bytes;
    };
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<TChunk> queue;
    bool closed = false;

    std::thread reader([&] {
        char buffer[65536];
        while (!stopping && Clock::now() < end) {
            if (!Readable(from))
                continue;
            const ssize_t received = ::recv(from, buffer, sizeof buffer, 0);
            if (received <= 0)
                break;
            std::lock_guard lock(mutex);
            queue.push_back({Clock::now() + delay, std::string(buffer, static_cast<std::size_t>(received))});
            changed.notify_one();
        }
        std::lock_guard lock(mutex);
        closed = true;
        changed.notify_one();
    });

    std::unique_lock lock(mutex);
    for (;;) {
        changed.wait_for(lock, std::chrono::milliseconds(PollSliceMs),
                         [&] { return !queue.empty() || closed; });
        if (stopping || Clock::now() >= end)
            break;
        if (queue.empty()) {
            if (closed)
                break;
            continue;
        }
        TChunk chunk = std::move(queue.front());
        queue.pop_front();
        lock.unlock();
        std::this_thread::sleep_until(chunk.due);
        const bool sent = ::send(to, chunk.bytes.data(), chunk.bytes.size(), MSG_NOSIGNAL) ==
                          static_cast<ssize_t>(chunk.bytes.size());
        lock.lock();
        if (!sent)
            break;
    }
    lock.unlock();
    // The peer learns that this direction has ended; the reader sees the stop within a slice.
    ::shutdown(to, SHUT_WR);
    ::shutdown(from, SHUT_RD);
    reader.join();
}

} // namespace velmora::bench
