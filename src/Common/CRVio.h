#pragma once

#include "Common/Exceptions.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
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

    // Takes as many of the bytes as the stream accepts without waiting, perhaps none, and returns
    // how many. Bytes taken may wait inside the stream until a later write or wait sends them.
    // Fails like Write. By default the stream takes all of them, as Write does.
    virtual std::size_t WriteSome(const char* data, std::size_t size);
    // Waits at most the timeout until a Read would find data or, with forWrite, until WriteSome
    // would take bytes; sends what the stream holds of earlier WriteSome calls meanwhile. Returns
    // true when reading would find data. An expired timeout throws ESocketError. By default the
    // stream is always ready to read.
    virtual bool Wait(bool forWrite);
    // Closes the stream; closing a closed stream does nothing.
    virtual void Close() = 0;
};

// Gives the stream's next wait what is left until the deadline, so that a wait made of many small
// reads cannot outlast it; throws the read timeout's ESocketError once the deadline has passed.
// Without a deadline the stream keeps its timeout.
void BoundByDeadline(TCRVio& stream, std::optional<std::chrono::steady_clock::time_point> deadline);

// Opens a stream to host:port, waiting at most timeoutSeconds (0: no limit) for the connect.
using TCRVioFactory =
    std::function<std::unique_ptr<TCRVio>(const std::string& host, int port, int timeoutSeconds)>;

// The socket layer's message texts: "Socket Error Code: %d($%X)", and a headline followed by the
// system's text for the code and that line.
std::string SocketErrorCodeLine(int code);
std::string SocketErrorText(const std::string& headline, int code);

} // namespace velmora
