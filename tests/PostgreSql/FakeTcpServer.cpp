#include "PostgreSql/FakeTcpServer.h"

#include <chrono>
#include <cstdint>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace velmora::test {
namespace {

// A socket bound to an ephemeral port of 127.0.0.1; returns its descriptor and sets port.
int BindLoopback(int& port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("cannot bind a loopback socket");
    port = ntohs(address.sin_port);
    return fd;
}

// Waits up to 100 ms for fd to become readable, so that the server notices when it must stop.
bool Readable(int fd) {
    pollfd waiting{fd, POLLIN, 0};
    return poll(&waiting, 1, 100) > 0;
}

} // namespace

TFakeTcpServer::TFakeTcpServer(std::vector<std::string> answers, TAfterAnswers afterAnswers) {
    listener_ = BindLoopback(port_);
    if (::listen(listener_, 1) != 0)
        throw std::runtime_error("cannot listen");
    thread_ =
        std::thread([this, answers = std::move(answers), afterAnswers] { Serve(answers, afterAnswers); });
}

TFakeTcpServer::~TFakeTcpServer() {
    stopping_ = true;
    thread_.join();
    ::close(listener_);
}

void TFakeTcpServer::Serve(std::vector<std::string> answers, TAfterAnswers afterAnswers) {
    while (!stopping_ && !Readable(listener_)) {
    }
    if (stopping_)
        return;
    int client = ::accept(listener_, nullptr, nullptr);
    std::size_t next = 0;
    char buffer[4096];
    const bool deaf = afterAnswers == TAfterAnswers::StopReading;
    while (!stopping_) {
        if (deaf && next == answers.size()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            continue;
        }
        if (!Readable(client))
            continue;
        if (::recv(client, buffer, sizeof buffer, 0) <= 0)
            break;
        if (next < answers.size()) {
            const std::string& answer = answers[next++];
            ::send(client, answer.data(), answer.size(), MSG_NOSIGNAL);
        }
    }
    ::close(client);
}

TTricklingServer::TTricklingServer(std::string first, std::string trickle,
                                   std::chrono::milliseconds interval) {
    listener_ = BindLoopback(port_);
    if (::listen(listener_, 1) != 0)
        throw std::runtime_error("cannot listen");
    thread_ = std::thread([this, first = std::move(first), trickle = std::move(trickle), interval] {
        Serve(first, trickle, interval);
    });
}

TTricklingServer::~TTricklingServer() {
    stopping_ = true;
    thread_.join();
    ::close(listener_);
}

void TTricklingServer::Serve(const std::string& first, const std::string& trickle,
                             std::chrono::milliseconds interval) {
    while (!stopping_ && !Readable(listener_)) {
    }
    if (stopping_)
        return;
    int client = ::accept(listener_, nullptr, nullptr);
    while (!stopping_ && !Readable(client)) {
    }
    char buffer[4096];
    if (!stopping_ && ::recv(client, buffer, sizeof buffer, 0) > 0) {
        ::send(client, first.data(), first.size(), MSG_NOSIGNAL);
        for (std::size_t i = 0; i < trickle.size() && !stopping_; ++i) {
            std::this_thread::sleep_for(interval);
            if (::send(client, trickle.data() + i, 1, MSG_NOSIGNAL) != 1)
                break;
        }
    }
    ::close(client);
}

TFullListener::TFullListener() {
    listener_ = BindLoopback(port_);
    // A backlog of 0 holds one connection; this one fills it.
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port_));
    queued_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::listen(listener_, 0) != 0 ||
        ::connect(queued_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error("cannot fill the listen queue");
}

TFullListener::~TFullListener() {
    ::close(queued_);
    ::close(listener_);
}

int RefusingPort() {
    int port = 0;
    ::close(BindLoopback(port));
    return port;
}

} // namespace velmora::test
