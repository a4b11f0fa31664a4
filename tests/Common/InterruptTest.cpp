// A stored interrupt ends a wait for the server even when no signal breaks the wait off: the signal
// came after the last check but before the wait began, or went to another thread.

#include "Common/Interrupt.h"

#include "Common/CRVioTcp.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace velmora;

namespace {

// A listening socket on 127.0.0.1 whose connections are never answered.
class TSilentServer {
public:
    TSilentServer() {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(fd_, 1) != 0 || ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            throw std::runtime_error("no listening socket");
        port_ = ntohs(address.sin_port);
    }
    ~TSilentServer() { ::close(fd_); }
    TSilentServer(const TSilentServer&) = delete;
    TSilentServer& operator=(const TSilentServer&) = delete;

    int Port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

// In a process of its own (the stored interrupt cannot be taken back): waits on a connection that
// never answers, with a limit of 5 s, while another thread stores SIGTERM after 100 ms, as the
// handler does, but without a signal that could break the wait off. Exits 0 when the wait ended
// with the interrupt within a second.
void WaitWhileAnotherThreadStoresTheInterrupt(const std::function<void(TCRVioTcp&)>& wait) {
    TSilentServer server;
    TCRVioTcp connection("127.0.0.1", server.Port(), 5);
    connection.SetTimeout(std::chrono::seconds(5));
    std::thread handler([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        RaiseInterrupt(SIGTERM);
    });
    const auto start = std::chrono::steady_clock::now();
    int status = 1;
    try {
        wait(connection);
    } catch (const EInterrupted& e) {
        const bool promptly = std::chrono::steady_clock::now() - start < std::chrono::seconds(1);
        status = e.Signal() == SIGTERM && promptly ? 0 : 2;
    } catch (const std::exception&) {
        status = 3;
    }
    handler.join();
    std::_Exit(status);
}

// Each case runs in a process started anew: a forked one would share the wake pipe, and the
// byte that an earlier case's interrupt left in it.
TEST(InterruptDeathTest, EndsAWaitThatNoSignalBreaksOff) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const std::pair<const char*, std::function<void(TCRVioTcp&)>> waits[] = {
        {"read",
         [](TCRVioTcp& connection) {
             char byte;
             connection.Read(&byte, 1);
         }},
        {"wait", [](TCRVioTcp& connection) { connection.Wait(false); }},
    };
    for (const auto& [name, wait] : waits) {
        SCOPED_TRACE(name);
        EXPECT_EXIT(WaitWhileAnotherThreadStoresTheInterrupt(wait), testing::ExitedWithCode(0), "");
    }
}

// A shield keeps the stored interrupt from ending the wait, which then ends at its limit.
TEST(InterruptDeathTest, AShieldedWaitRunsToItsLimit) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            RaiseInterrupt(SIGINT);
            TSilentServer server;
            TCRVioTcp connection("127.0.0.1", server.Port(), 5);
            connection.SetTimeout(std::chrono::milliseconds(200));
            const TInterruptShield shield;
            try {
                connection.Wait(false);
            } catch (const ESocketError& e) {
                std::_Exit(e.Code() == ETIMEDOUT ? 0 : 2);
            }
            std::_Exit(1);
        },
        testing::ExitedWithCode(0), "");
}

} // namespace
