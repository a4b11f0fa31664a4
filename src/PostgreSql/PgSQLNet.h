#pragma once

#include "Common/CRVio.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// One backend message as read from the wire: its type byte and its body (without type and length).
// Legacy marks an error an old server sent as plain text ("FATAL: ..."), which has no fields.
struct TPgMessage {
    char Type = 0;
    std::string Body;
    bool Legacy = false;
};

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
    bool AtEnd() const { return pos_ == body_.size(); }

private:
    std::string_view Take(std::size_t count);

    std::string_view body_;
    std::size_t pos_ = 0;
};

// The buffered reader and writer of the protocol over one stream. Messages are collected in the
// write buffer and sent in one write by Flush. Every failure of the stream becomes a fatal EPgError:
// the socket layer's text with its error number, or an empty text with code 0 when the server
// closed the connection.
class TPgSQLNet {
public:
    explicit TPgSQLNet(std::unique_ptr<TCRVio> vio);

    // A length block: BeginMessage writes the type (none for the startup and cancel messages) and a
    // placeholder that EndMessage fills with the length of the message from the placeholder on.
    void BeginMessage(char type);
    void BeginUntypedMessage();
    void EndMessage();

    void WriteByte(char value);
    void WriteInt16(std::int16_t value);
    void WriteInt32(std::int32_t value);
    void WriteString(std::string_view text); // followed by a zero byte
    void WriteBytes(std::string_view bytes);
    void Flush();

    // Reads the next message whole. An impossible length means the stream lost its framing: a fatal
    // "Unexpected server response".
    TPgMessage ReadMessage();

    void SetTimeout(int seconds);
    void Close();

private:
    static constexpr std::size_t ReadBufferSize = 65536;

    void Fill();
    char ReadByte();
    void Read(char* target, std::size_t count);

    std::unique_ptr<TCRVio> vio_;
    std::vector<char> readBuffer_;
    std::size_t readPos_ = 0;
    std::size_t readEnd_ = 0;
    std::string writeBuffer_;
    std::size_t lengthPos_ = 0;
};

} // namespace velmora
