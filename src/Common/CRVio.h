#pragma once

#include "Common/Exceptions.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

namespace velmora {

// A failure of the socket layer. Its message is the complete text the user sees; Code is the
// system's error number (0 when there is none).
class ESocketError : public Exception {
public:
    ESocketError(const std::string& message, int code) : Exception(message), code_(code) {}

    int Code() const { return code_; }

private:
    int code_;
};

// A connected byte stream to a server. The protocol layers talk to this interface only, so that
// tests can replay exact server bytes through a scripted implementation.
class TCRVio {
public:
    virtual ~TCRVio() = default;

    // Sends all bytes or throws ESocketError ("Error on data writing to the connection: ..."), also
    // when the server takes none of them for the timeout.
    virtual void Write(const char* data, std::size_t size) = 0;
    // Receives at most size bytes and returns how many arrived; 0 means the server closed the
    // connection. A failure or an expired timeout throws ESocketError.
    virtual std::size_t Read(char* buffer, std::size_t size) = 0;
    // How long each Read, and each Write that makes no progress, may wait; 0 waits without limit.
    virtual void SetTimeout(std::chrono::milliseconds timeout) = 0;
    // Closes the stream; closing a closed stream does nothing.
    virtual void Close() = 0;
};

// Opens a stream to host:port, waiting at most timeoutSeconds (0: no limit) for the connect.
using TCRVioFactory =
    std::function<std::unique_ptr<TCRVio>(const std::string& host, int port, int timeoutSeconds)>;

// The socket layer's message texts: "Socket Error Code: %d($%X)", and a headline followed by the
// system's text for the code and that line.
std::string SocketErrorCodeLine(int code);
std::string SocketErrorText(const std::string& headline, int code);

} // namespace velmora
