#pragma once

#include "Common/CRVio.h"

#include <string>
#include <vector>

namespace velmora {

// A TCP connection over POSIX sockets, or a connection to a local (Unix-domain) socket when the host
// is the socket file's path (it begins with "/"). Name lookup and connect together are bounded by the
// connect timeout; reads and writes honour the stream's timeout; the descriptor is closed with the
// object.
class TCRVioTcp final : public TCRVio {
public:
    // Resolves host (a name or a numeric address) and connects to the first address that answers,
    // both within timeoutSeconds (0: no limit). Throws ESocketError with "Unknown host '%s'" or
    // "Cannot connect to server on host '%s': ..." (also "... Connection timed out").
    TCRVioTcp(const std::string& host, int port, int timeoutSeconds);
    ~TCRVioTcp() override;
    TCRVioTcp(const TCRVioTcp&) = delete;
    TCRVioTcp& operator=(const TCRVioTcp&) = delete;

    static std::unique_ptr<TCRVio> Open(const std::string& host, int port, int timeoutSeconds);

    void Write(const char* data, std::size_t size) override;
    std::size_t Read(char* buffer, std::size_t size) override;
    void SetTimeout(std::chrono::milliseconds timeout) override;
    std::size_t WriteSome(const char* data, std::size_t size) override;
    bool Wait(bool forWrite) override;
    void Close() override;

    // Asks the system for send and receive buffers of about this many bytes each.
    void SetBufferSizes(int bytes);

private:
    int fd_ = -1;
    std::chrono::milliseconds timeout_{0};
};

// The numeric addresses a host name stands for, in the order the system gives them (a numeric
// address stands for itself), looked up within timeoutSeconds (0: no limit). Throws ESocketError
// like the connect: "Unknown host '%s'" or "... Connection timed out".
std::vector<std::string> ResolveHostAddresses(const std::string& host, int port, int timeoutSeconds);

} // namespace velmora
