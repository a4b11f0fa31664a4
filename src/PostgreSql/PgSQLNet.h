#pragma once

#include "Common/CRVio.h"
#include "PostgreSql/PgError.h"
#include "PostgreSql/PgMessageTypes.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// One backend message as read from the wire: its type byte and its body (without type and length).
// Legacy marks an error an old server sent as plain text ("FATAL: ..."), which has no fields.
struct TPgMessage {
    TPgBackendMessage Type{};
    std::string Body;
    bool Legacy = false;
};

// The fatal error for a message that is out of place or unknown: the stream is out of step.
EPgError PgUnexpectedResponse(TPgBackendMessage type);
// The fatal error for a stream the server ended, naming where it ran (see TPgSQLNet).
EPgError PgConnectionClosed(const std::string& peer);

// Reads the fields of one message body in network byte order. Reading past the end throws
// std::out_of_range: the message was shorter than its content claims.
class TPgMessageReader {
public:
    explicit TPgMessageReader(std::string_view body) : body_(body) {}

    char ReadByte();
    std::int16_t ReadInt16();
    std::int32_t ReadInt32();
    std::string ReadString(); // up to the zero byte
    std::string ReadBytes(std::size_t count);
    std::string_view Rest();
    std::size_t Remaining() const { return body_.size() - pos_; }
    bool AtEnd() const { return pos_ == body_.size(); }

private:
    std::string_view Take(std::size_t count);

    std::string_view body_;
    std::size_t pos_ = 0;
};

// The buffered reader and writer of the protocol over one stream. Messages are collected in the
// write buffer and sent in one write by Flush. Every failure of the stream becomes a fatal EPgError:
// the socket layer's text with its error number, or, with code 0, that the server closed the
// connection, naming the peer. A write the closed connection refuses is the exception: the reads that
// follow report the loss, after what the server sent before it. Reads and writes wait at most the
// timeout each, and never past the deadline when one is set.
class TPgSQLNet {
public:
    // peer names the server in messages, e.g. "Host localhost, Port 5432".
    TPgSQLNet(std::unique_ptr<TCRVio> vio, std::string peer);

    // A length block: BeginMessage writes the type (none for the startup and cancel messages) and a
    // placeholder that EndMessage fills with the length of the message from the placeholder on.
    void BeginMessage(TPgFrontendMessage type);
    void BeginUntypedMessage();
    void EndMessage();

    void WriteByte(char value);
    void WriteInt16(std::int16_t value);
    void WriteInt32(std::int32_t value);
    void WriteString(std::string_view text); // followed by a zero byte
    void WriteBytes(std::string_view bytes);
    // Sends every collected message, waiting as long as the stream needs.
    void Flush();
    // Puts the collected messages behind those still unsent and sends what the stream takes
    // without waiting. The rest leaves while later reads wait for their data, so a server that
    // stops reading until its answers are read never holds up both sides.
    void Push();
    // Bytes of the messages collected since the last Flush or Push.
    std::size_t Collected() const { return writeBuffer_.size(); }
    // Bytes handed to Push that have not left yet.
    std::size_t Unsent() const { return unsent_.size() - unsentPos_; }

    // Reads the next message whole, its body as it arrives. A length below the minimum means the
    // stream lost its framing ("Unexpected server response : X"); one beyond the ceiling of its type
    // ("Server message too long : X") would let a server claim any amount of memory. Both are fatal.
    TPgMessage ReadMessage();
    // The rest of a message whose type byte was read by other means (the answer to SSLRequest).
    TPgMessage ReadMessageOfType(TPgBackendMessage type);

    // Seconds each read and write may wait; 0 waits without limit.
    void SetTimeout(int seconds);
    // A point in time no read or write may wait past (the end of a log-on), or none.
    void SetDeadline(std::optional<std::chrono::steady_clock::time_point> deadline);
    void Close();

    // The largest body a message of this type may have.
    static std::size_t BodyCeiling(TPgBackendMessage type);

private:
    static constexpr std::size_t ReadBufferSize = 65536;

    void ApplyDeadline(const char* headline);
    void ReadBody(TPgMessage& message, std::size_t size);
    void ReadLegacyError(TPgMessage& message);
    void Fill();
    void SendSome();
    void NoteWriteFailure(const ESocketError& e);
    char ReadByte();
    void Read(char* target, std::size_t count);

    std::unique_ptr<TCRVio> vio_;
    std::string peer_;
    std::vector<char> readBuffer_;
    std::size_t readPos_ = 0;
    std::size_t readEnd_ = 0;
    std::string writeBuffer_;
    std::string unsent_; // pushed bytes, of which those from unsentPos_ on have not left
    std::size_t unsentPos_ = 0;
    std::size_t lengthPos_ = 0;
    bool serverHungUp_ = false; // a write failed because the server closed the connection
    std::chrono::milliseconds timeout_{0};
    std::optional<std::chrono::steady_clock::time_point> deadline_;
};

} // namespace velmora
