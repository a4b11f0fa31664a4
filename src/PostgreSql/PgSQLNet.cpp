#include "PostgreSql/PgSQLNet.h"

#include "PostgreSql/PgError.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace velmora {
namespace {

// Larger than any message a server sends; a bigger length means the framing is lost.
constexpr std::int32_t MaxMessageLength = 0x3FFFFFFF;

EPgError FatalSocketError(const ESocketError& e) {
    return EPgError(TPgSeverity::sFatal, e.Message(), e.Code());
}

} // namespace

std::string_view TPgMessageReader::Take(std::size_t count) {
    if (count > body_.size() - pos_)
        throw std::out_of_range("message body too short");
    std::string_view part = body_.substr(pos_, count);
    pos_ += count;
    return part;
}

char TPgMessageReader::ReadByte() {
    return Take(1)[0];
}

std::int16_t TPgMessageReader::ReadInt16() {
    auto bytes = Take(2);
    return static_cast<std::int16_t>((static_cast<unsigned char>(bytes[0]) << 8) |
                                     static_cast<unsigned char>(bytes[1]));
}

std::int32_t TPgMessageReader::ReadInt32() {
    auto bytes = Take(4);
    std::uint32_t value = 0;
    for (char byte : bytes)
        value = (value << 8) | static_cast<unsigned char>(byte);
    return static_cast<std::int32_t>(value);
}

std::string TPgMessageReader::ReadString() {
    std::size_t end = body_.find('\0', pos_);
    if (end == std::string_view::npos)
        throw std::out_of_range("string without terminator");
    std::string text(body_.substr(pos_, end - pos_));
    pos_ = end + 1;
    return text;
}

std::string TPgMessageReader::ReadBytes(std::size_t count) {
    return std::string(Take(count));
}

std::string_view TPgMessageReader::Rest() {
    return Take(body_.size() - pos_);
}

TPgSQLNet::TPgSQLNet(std::unique_ptr<TCRVio> vio) : vio_(std::move(vio)), readBuffer_(ReadBufferSize) {
    writeBuffer_.reserve(8192);
}

void TPgSQLNet::BeginMessage(char type) {
    WriteByte(type);
    BeginUntypedMessage();
}

void TPgSQLNet::BeginUntypedMessage() {
    lengthPos_ = writeBuffer_.size();
    WriteInt32(0);
}

void TPgSQLNet::EndMessage() {
    auto length = static_cast<std::uint32_t>(writeBuffer_.size() - lengthPos_);
    for (int i = 3; i >= 0; --i, length >>= 8)
        writeBuffer_[lengthPos_ + static_cast<std::size_t>(i)] = static_cast<char>(length & 0xFF);
}

void TPgSQLNet::WriteByte(char value) {
    writeBuffer_ += value;
}

void TPgSQLNet::WriteInt16(std::int16_t value) {
    auto bits = static_cast<std::uint16_t>(value);
    writeBuffer_ += static_cast<char>(bits >> 8);
    writeBuffer_ += static_cast<char>(bits & 0xFF);
}

void TPgSQLNet::WriteInt32(std::int32_t value) {
    auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 24; shift >= 0; shift -= 8)
        writeBuffer_ += static_cast<char>((bits >> shift) & 0xFF);
}

void TPgSQLNet::WriteString(std::string_view text) {
    writeBuffer_ += text;
    writeBuffer_ += '\0';
}

void TPgSQLNet::WriteBytes(std::string_view bytes) {
    writeBuffer_ += bytes;
}

void TPgSQLNet::Flush() {
    std::string pending;
    pending.swap(writeBuffer_);
    try {
        vio_->Write(pending.data(), pending.size());
    } catch (const ESocketError& e) {
        throw FatalSocketError(e);
    }
}

void TPgSQLNet::Fill() {
    std::size_t received = 0;
    try {
        received = vio_->Read(readBuffer_.data(), readBuffer_.size());
    } catch (const ESocketError& e) {
        throw FatalSocketError(e);
    }
    if (received == 0)
        throw EPgError(TPgSeverity::sFatal, "");
    readPos_ = 0;
    readEnd_ = received;
}

char TPgSQLNet::ReadByte() {
    if (readPos_ == readEnd_)
        Fill();
    return readBuffer_[readPos_++];
}

void TPgSQLNet::Read(char* target, std::size_t count) {
    while (count > 0) {
        if (readPos_ == readEnd_)
            Fill();
        std::size_t chunk = std::min(count, readEnd_ - readPos_);
        std::memcpy(target, readBuffer_.data() + readPos_, chunk);
        readPos_ += chunk;
        target += chunk;
        count -= chunk;
    }
}

TPgMessage TPgSQLNet::ReadMessage() {
    TPgMessage message;
    message.Type = ReadByte();
    char lengthBytes[4];
    Read(lengthBytes, sizeof lengthBytes);
    if (message.Type == 'E' && std::memcmp(lengthBytes, "FATA", 4) == 0) {
        // An old server's error as plain text up to a zero byte.
        message.Body = "FATA";
        for (char c = ReadByte(); c != '\0'; c = ReadByte())
            message.Body += c;
        message.Legacy = true;
        return message;
    }
    std::int32_t length = TPgMessageReader({lengthBytes, sizeof lengthBytes}).ReadInt32();
    if (length < 4 || length > MaxMessageLength)
        throw EPgError(TPgSeverity::sFatal, std::string("Unexpected server response : ") + message.Type);
    message.Body.resize(static_cast<std::size_t>(length) - 4);
    Read(message.Body.data(), message.Body.size());
    return message;
}

void TPgSQLNet::SetTimeout(int seconds) {
    vio_->SetReceiveTimeout(seconds);
}

void TPgSQLNet::Close() {
    vio_->Close();
}

} // namespace velmora
