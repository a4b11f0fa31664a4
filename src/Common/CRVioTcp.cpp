#include "Common/CRVioTcp.h"

#include "Common/Interrupt.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace velmora {
namespace {

using Clock = std::chrono::steady_clock;

// Owns a descriptor until it is released to its final owner.
class TSocketFd {
public:
    explicit TSocketFd(int fd) : fd_(fd) {}
    ~TSocketFd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    TSocketFd(const TSocketFd&) = delete;
    TSocketFd& operator=(const TSocketFd&) = delete;

    int Get() const { return fd_; }
    int Release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

// Owns the answer of getaddrinfo.
struct TAddressList {
    addrinfo* First = nullptr;
    ~TAddressList() {
        if (First != nullptr)
            freeaddrinfo(First);
    }
};

std::string CannotConnect(const std::string& host) {
    return "Cannot connect to server on host '" + host + "':";
}

[[noreturn]] void ThrowTimeout(const std::string& host) {
    throw ESocketError(CannotConnect(host) + " Connection timed out", ETIMEDOUT);
}

// The answer of one name lookup, shared by the caller and the worker that runs it.
struct TLookup {
    std::mutex Mutex;
    std::condition_variable Done;
    bool Finished = false;
    bool Abandoned = false;
    int Code = 0;
    int SystemError = 0;
    addrinfo* First = nullptr;
};

int LookUp(const std::string& host, const std::string& service, int flags, TLookup& answer) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = flags;
    answer.Code = getaddrinfo(host.c_str(), service.c_str(), &hints, &answer.First);
    answer.SystemError = errno;
    return answer.Code;
}

// getaddrinfo takes no time limit, so a name (not a numeric address) is looked up on a worker
// thread that the caller abandons when its time is up; the worker then frees the answer itself.
void LookUpBounded(const std::string& host, const std::string& service,
                   const std::optional<Clock::time_point>& deadline, TLookup& answer) {
    auto shared = std::make_shared<TLookup>();
    std::thread([shared, host, service] {
        TLookup found;
        LookUp(host, service, 0, found);
        std::lock_guard lock(shared->Mutex);
        if (shared->Abandoned) {
            if (found.First != nullptr)
                freeaddrinfo(found.First);
            return;
        }
        shared->Code = found.Code;
        shared->SystemError = found.SystemError;
        shared->First = found.First;
        shared->Finished = true;
        shared->Done.notify_one();
    }).detach();
    std::unique_lock lock(shared->Mutex);
    const auto finished = [&] { return shared->Finished; };
    if (!deadline)
        shared->Done.wait(lock, finished);
    else if (!shared->Done.wait_until(lock, *deadline, finished)) {
        shared->Abandoned = true;
        ThrowTimeout(host);
    }
    answer.Code = shared->Code;
    answer.SystemError = shared->SystemError;
    answer.First = std::exchange(shared->First, nullptr);
}

void Resolve(const std::string& host, int port, const std::optional<Clock::time_point>& deadline,
             TAddressList& addresses) {
    const std::string service = std::to_string(port);
    TLookup answer;
    if (LookUp(host, service, AI_NUMERICHOST, answer) == EAI_NONAME)
        LookUpBounded(host, service, deadline, answer);
    addresses.First = answer.First;
    if (answer.Code != 0) {
        int code = answer.Code == EAI_SYSTEM ? answer.SystemError : answer.Code;
        throw ESocketError("Unknown host '" + host + "'\n" + SocketErrorCodeLine(code), code);
    }
}

// Milliseconds left until the deadline for poll; -1 without a deadline.
int RemainingMs(const std::optional<Clock::time_point>& deadline) {
    if (!deadline)
        return -1;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Connects one address without blocking beyond the deadline. Returns 0 or the error number.
int ConnectAddress(const TSocketFd& socket, const addrinfo& address,
                   const std::optional<Clock::time_point>& deadline) {
    if (::connect(socket.Get(), address.ai_addr, address.ai_addrlen) == 0)
        return 0;
    if (errno != EINPROGRESS)
        return errno;
    pollfd waiting{socket.Get(), POLLOUT, 0};
    int ready;
    while ((ready = poll(&waiting, 1, RemainingMs(deadline))) < 0 && errno == EINTR)
        ThrowIfInterrupted();
    if (ready < 0)
        return errno;
    if (ready == 0)
        return ETIMEDOUT;
    int error = 0;
    socklen_t length = sizeof error;
    if (getsockopt(socket.Get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        return errno;
    return error;
}

// The local socket at path as the one address to try.
struct TLocalAddress {
    sockaddr_un Socket{};
    addrinfo Info{};

    explicit TLocalAddress(const std::string& path) {
        if (path.size() >= sizeof Socket.sun_path)
            throw ESocketError(SocketErrorText(CannotConnect(path), ENAMETOOLONG), ENAMETOOLONG);
        Socket.sun_family = AF_UNIX;
        path.copy(Socket.sun_path, path.size());
        Info.ai_family = AF_UNIX;
        Info.ai_socktype = SOCK_STREAM;
        Info.ai_addr = reinterpret_cast<sockaddr*>(&Socket);
        Info.ai_addrlen = sizeof Socket;
    }
};

std::optional<Clock::time_point> DeadlineIn(int timeoutSeconds) {
    if (timeoutSeconds <= 0)
        return std::nullopt;
    return Clock::now() + std::chrono::seconds(timeoutSeconds);
}

} // namespace

std::vector<std::string> ResolveHostAddresses(const std::string& host, int port, int timeoutSeconds) {
    TAddressList addresses;
    Resolve(host, port, DeadlineIn(timeoutSeconds), addresses);
    std::vector<std::string> numeric;
    for (const addrinfo* address = addresses.First; address != nullptr; address = address->ai_next) {
        char text[NI_MAXHOST];
        if (getnameinfo(address->ai_addr, address->ai_addrlen, text, sizeof text, nullptr, 0,
                        NI_NUMERICHOST) != 0)
            continue;
        if (std::ranges::find(numeric, text) == numeric.end())
            numeric.emplace_back(text);
    }
    return numeric;
}

TCRVioTcp::TCRVioTcp(const std::string& host, int port, int timeoutSeconds) {
    const std::optional<Clock::time_point> deadline = DeadlineIn(timeoutSeconds);
    TAddressList addresses;
    std::optional<TLocalAddress> local;
    if (host.starts_with('/'))
        local.emplace(host);
    else
        Resolve(host, port, deadline, addresses);

    int lastError = ECONNREFUSED;
    for (const addrinfo* address = local ? &local->Info : addresses.First; address != nullptr;
         address = address->ai_next) {
        TSocketFd socket(::socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                                  address->ai_protocol));
        if (socket.Get() < 0) {
            lastError = errno;
            continue;
        }
        lastError = ConnectAddress(socket, *address, deadline);
        if (lastError == ETIMEDOUT)
            ThrowTimeout(host);
        if (lastError != 0)
            continue;
        // Blocking from here on: reads and writes wait under the stream's timeout.
        fcntl(socket.Get(), F_SETFL, fcntl(socket.Get(), F_GETFL) & ~O_NONBLOCK);
        int on = 1;
        if (!local)
            setsockopt(socket.Get(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        fd_ = socket.Release();
        return;
    }
    throw ESocketError(SocketErrorText(CannotConnect(host), lastError), lastError);
}

TCRVioTcp::~TCRVioTcp() {
    Close();
}

std::unique_ptr<TCRVio> TCRVioTcp::Open(const std::string& host, int port, int timeoutSeconds) {
    return std::make_unique<TCRVioTcp>(host, port, timeoutSeconds);
}

namespace {

[[noreturn]] void ThrowWriteError(int code) {
    throw ESocketError(SocketErrorText("Error on data writing to the connection:", code), code);
}

} // namespace

void TCRVioTcp::Write(const char* data, std::size_t size) {
    while (size > 0) {
        // MSG_NOSIGNAL: a server that has gone away must give an error, not end the process.
        ssize_t sent = ::send(fd_, data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            ThrowIfInterrupted();
            continue;
        }
        if (sent <= 0) {
            // A send timeout that expires before any byte left shows as "would block".
            ThrowWriteError(sent == 0 ? EPIPE : errno == EAGAIN || errno == EWOULDBLOCK ? ETIMEDOUT : errno);
        }
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
}

std::size_t TCRVioTcp::WriteSome(const char* data, std::size_t size) {
    for (;;) {
        ssize_t sent = ::send(fd_, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent >= 0)
            return static_cast<std::size_t>(sent);
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return 0;
        if (errno != EINTR)
            ThrowWriteError(errno);
    }
}

// Waiting for the server is where an interrupted run notices the signal, whether it came during
// the wait (EINTR) or before it. Writes and connects notice it only when it breaks them off, so
// that the cancel request of an interrupted run still leaves.
bool TCRVioTcp::Wait(bool forWrite) {
    ThrowIfInterrupted();
    pollfd waiting[] = {{fd_, static_cast<short>(POLLIN | (forWrite ? POLLOUT : 0)), 0},
                        {InterruptWakeFd(), POLLIN, 0}};
    const int limit = timeout_.count() > 0 ? static_cast<int>(timeout_.count()) : -1;
    for (;;) {
        const int ready = poll(waiting, 2, limit);
        if (ready < 0 && errno == EINTR) {
            ThrowIfInterrupted();
            continue;
        }
        const int code = ready == 0 ? ETIMEDOUT : errno;
        if (ready <= 0)
            throw ESocketError(SocketErrorText("Error on data reading from the connection:", code), code);
        if (waiting[1].revents != 0)
            ThrowIfInterrupted();
        // A closed or failed socket counts as readable: the read reports it.
        return (waiting[0].revents & (POLLIN | POLLERR | POLLHUP)) != 0;
    }
}

void TCRVioTcp::SetBufferSizes(int bytes) {
    setsockopt(fd_, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes);
    setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes);
}

std::size_t TCRVioTcp::Read(char* buffer, std::size_t size) {
    ThrowIfInterrupted();
    for (;;) {
        // Without data at hand, the wait (which also wakes for a signal) stands in for a blocking
        // receive, which would sleep through a signal that came just before it.
        ssize_t received = ::recv(fd_, buffer, size, MSG_DONTWAIT);
        if (received >= 0)
            return static_cast<std::size_t>(received);
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            Wait(false);
            continue;
        }
        if (errno == EINTR) {
            ThrowIfInterrupted();
            continue;
        }
        throw ESocketError(SocketErrorText("Error on data reading from the connection:", errno), errno);
    }
}

void TCRVioTcp::SetTimeout(std::chrono::milliseconds timeout) {
    const auto milliseconds = std::max<std::chrono::milliseconds::rep>(timeout.count(), 0);
    timeout_ = std::chrono::milliseconds(milliseconds);
    timeval limit{static_cast<time_t>(milliseconds / 1000),
                  static_cast<suseconds_t>(milliseconds % 1000 * 1000)};
    setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
}

void TCRVioTcp::Close() {
    if (fd_ >= 0)
        ::close(std::exchange(fd_, -1));
}

} // namespace velmora
