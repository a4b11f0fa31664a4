#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace velmora::test {

// A TCP server on 127.0.0.1 for what a real server will not do on demand. It accepts one client and
// answers each thing the client sends with the next of its answers; when they are used up it stays
// silent, holding the connection open until it is destroyed. A deaf one also stops reading then.
class TFakeTcpServer {
public:
    enum class TAfterAnswers { KeepReading, StopReading };

    explicit TFakeTcpServer(std::vector<std::string> answers = {},
                            TAfterAnswers afterAnswers = TAfterAnswers::KeepReading);
    ~TFakeTcpServer();
    TFakeTcpServer(const TFakeTcpServer&) = delete;
    TFakeTcpServer& operator=(const TFakeTcpServer&) = delete;

    int Port() const { return port_; }

private:
    void Serve(std::vector<std::string> answers, TAfterAnswers afterAnswers);

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

// A TCP server on 127.0.0.1 that answers the first thing its one client sends with first, then
// sends trickle one byte at a time, a byte every interval, as a server behind a dying link would.
// It stops when trickle is used up, or when it is destroyed.
class TTricklingServer {
public:
    TTricklingServer(std::string first, std::string trickle, std::chrono::milliseconds interval);
    ~TTricklingServer();
    TTricklingServer(const TTricklingServer&) = delete;
    TTricklingServer& operator=(const TTricklingServer&) = delete;

    int Port() const { return port_; }

private:
    void Serve(const std::string& first, const std::string& trickle, std::chrono::milliseconds interval);

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

// A listener on 127.0.0.1 that never accepts and whose queue is already full, so that a further
// connect waits until its own timeout.
class TFullListener {
public:
    TFullListener();
    ~TFullListener();
    TFullListener(const TFullListener&) = delete;
    TFullListener& operator=(const TFullListener&) = delete;

    int Port() const { return port_; }

private:
    int listener_ = -1;
    int queued_ = -1;
    int port_ = 0;
};

// A port on 127.0.0.1 where nothing listens.
int RefusingPort();

} // namespace velmora::test
