#include "PostgreSql/PgSQLNet.h"

#include "PostgreSql/PgError.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace velmora {
namespace {

using Clock = std::chrono::steady_clock;

// Ceilings of message bodies. A row may hold a field of up to 1 GB; error and notice texts, and
// notifications, may be long; descriptions hold at most a few thousand columns or parameters;
// everything else (authentication, status, completion) is small.
constexpr std::size_t RowCeiling = 0x3FFFFFFF;
constexpr std::size_t TextCeiling = 16 << 20;
constexpr std::size_t DescriptionCeiling = 1 << 20;
constexpr std::size_t StatusCeiling = 30000;

const char* const ReadingHeadline = "Error on data reading from the connection:";
const char* const WritingHeadline = "Error on data writing to the connection:";

EPgError FatalSocketError(const ESocketError& e) {
    return EPgError(TPgSeverity::sFatal, e.Message(), e.Code());
}

EPgError TooLong(TPgBackendMessage type) {
    return EPgError(TPgSeverity::sFatal, std::string("Server message too long : ") + static_cast<char>(type));
}

} // namespace

EPgError PgUnexpectedResponse(TPgBackendMessage type) {
    return EPgError(TPgSeverity::sFatal,
                    std::string("Unexpected server response : ") + static_cast<char>(type));
}

EPgError PgConnectionClosed(const std::string& peer) {
    return EPgError::ConnectionFailure("Der Server hat die Verbindung unerwartet geschlossen (" + peer + ")");
}

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

TPgSQLNet::TPgSQLNet(std::unique_ptr<TCRVio> vio, std::string peer)
    : vio_(std::move(vio)), peer_(std::move(peer)), readBuffer_(ReadBufferSize) {
    writeBuffer_.reserve(8192);
}

void TPgSQLNet::BeginMessage(TPgFrontendMessage type) {
    WriteByte(static_cast<char>(type));
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
    std::string pending = unsent_.substr(unsentPos_) + writeBuffer_;
    unsent_.clear();
    unsentPos_ = 0;
    writeBuffer_.clear();
    if (serverHungUp_)
        return;
    ApplyDeadline(WritingHeadline);
    try {
        vio_->Write(pending.data(), pending.size());
    } catch (const ESocketError& e) {
        NoteWriteFailure(e);
    }
}

void TPgSQLNet::Push() {
    unsent_ += writeBuffer_;
    writeBuffer_.clear();
    SendSome();
}

void TPgSQLNet::SendSome() {
    try {
        if (!serverHungUp_)
            unsentPos_ += vio_->WriteSome(unsent_.data() + unsentPos_, unsent_.size() - unsentPos_);
    } catch (const ESocketError& e) {
        NoteWriteFailure(e);
    }
    if (serverHungUp_ || unsentPos_ == unsent_.size()) {
        unsent_.clear();
        unsentPos_ = 0;
    }
}

// A server that has ended the session takes no more bytes, but what it sent before (answers to
// earlier statements, often the error that says why it left) still waits to be read. So the
// bytes it refuses are dropped, and the reads that follow take what it said up to the end of the
// stream, which they report. Any other write failure is fatal at once.
void TPgSQLNet::NoteWriteFailure(const ESocketError& e) {
    if (e.Code() != EPIPE && e.Code() != ECONNRESET)
        throw FatalSocketError(e);
    serverHungUp_ = true;
}

// Under a deadline each wait gets what is left of the time, and none once it has passed.
void TPgSQLNet::ApplyDeadline(const char* headline) {
    if (!deadline_)
        return;
    auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline_ - Clock::now());
    if (left.count() <= 0)
        throw EPgError(TPgSeverity::sFatal, SocketErrorText(headline, ETIMEDOUT), ETIMEDOUT);
    vio_->SetTimeout(timeout_.count() > 0 ? std::min(timeout_, left) : left);
}

void TPgSQLNet::Fill() {
    ApplyDeadline(ReadingHeadline);
    std::size_t received = 0;
    try {
        // Pushed bytes keep leaving while the answers to earlier ones are awaited.
        while (Unsent() > 0 && !vio_->Wait(true))
            SendSome();
        received = vio_->Read(readBuffer_.data(), readBuffer_.size());
    } catch (const ESocketError& e) {
        throw FatalSocketError(e);
    }
    if (received == 0)
        throw PgConnectionClosed(peer_);
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

std::size_t TPgSQLNet::BodyCeiling(TPgBackendMessage type) {
    using enum TPgBackendMessage;
    switch (type) {
    case DataRow:
        return RowCeiling;
    case ErrorResponse:
    case NoticeResponse:
    case NotificationResponse:
        return TextCeiling;
    case RowDescription:
    case ParameterDescription:
        return DescriptionCeiling;
    default:
        return StatusCeiling;
    }
}

TPgMessage TPgSQLNet::ReadMessage() {
    return ReadMessageOfType(static_cast<TPgBackendMessage>(ReadByte()));
}

TPgMessage TPgSQLNet::ReadMessageOfType(TPgBackendMessage type) {
    TPgMessage message;
    message.Type = type;
    char lengthBytes[4];
    Read(lengthBytes, sizeof lengthBytes);
    if (message.Type == TPgBackendMessage::ErrorResponse && std::memcmp(lengthBytes, "FATA", 4) == 0) {
        ReadLegacyError(message);
        return message;
    }
    auto length = static_cast<std::uint32_t>(TPgMessageReader({lengthBytes, sizeof lengthBytes}).ReadInt32());
    if (length < 4)
        throw PgUnexpectedResponse(message.Type);
    if (length - 4 > BodyCeiling(message.Type))
        throw TooLong(message.Type);
    ReadBody(message, length - 4);
    return message;
}

// The body grows with what arrives, so a length the server claims costs nothing until it is sent.
void TPgSQLNet::ReadBody(TPgMessage& message, std::size_t size) {
    message.Body.reserve(std::min(size, ReadBufferSize));
    while (message.Body.size() < size) {
        if (readPos_ == readEnd_)
            Fill();
        std::size_t chunk = std::min(size - message.Body.size(), readEnd_ - readPos_);
        message.Body.append(readBuffer_.data() + readPos_, chunk);
        readPos_ += chunk;
    }
}

// An old server's error as plain text up to a zero byte, no longer than a status message.
void TPgSQLNet::ReadLegacyError(TPgMessage& message) {
    message.Body = "FATA";
    message.Legacy = true;
    for (char c = ReadByte(); c != '\0'; c = ReadByte()) {
        if (message.Body.size() == StatusCeiling)
            throw TooLong(message.Type);
        message.Body += c;
    }
}

void TPgSQLNet::SetTimeout(int seconds) {
    timeout_ = std::chrono::seconds(std::max(seconds, 0));
    vio_->SetTimeout(timeout_);
}

void TPgSQLNet::SetDeadline(std::optional<Clock::time_point> deadline) {
    deadline_ = deadline;
    if (!deadline_)
        vio_->SetTimeout(timeout_);
}

void TPgSQLNet::Close() {
    vio_->Close();
}

} // namespace velmora
