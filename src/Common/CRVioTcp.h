#pragma once

#include "Common/CRVio.h"

namespace velmora {

// A TCP connection over POSIX sockets, or a connection to a local (Unix-domain) socket when the host
// is the socket file's path (it begins with "/"). The connect is bounded by its timeout; reads honour
// the receive timeout; the descriptor is closed with the object.
class TCRVioTcp final : public TCRVio {
public:
    // Resolves host (a name or a numeric address) and connects to the first address that answers.
    // Throws ESocketError with "Unknown host '%s'" or "Cannot connect to server on host '%s': ...".
    TCRVioTcp(const std::string& host, int port, int timeoutSeconds);
    ~TCRVioTcp() override;
    TCRVioTcp(const TCRVioTcp&) = delete;
    TCRVioTcp& operator=(const TCRVioTcp&) = delete;

    static std::unique_ptr<TCRVio> Open(const std::string& host, int port, int timeoutSeconds);

    void Write(const char* data, std::size_t size) override;
    std::size_t Read(char* buffer, std::size_t size) override;
    void SetReceiveTimeout(int seconds) override;
    void Close() override;

private:
    int fd_ = -1;
};

} // namespace velmora
