#include "PostgreSql/PgMessageDecoders.h"
#include "PostgreSql/PgSQLNet.h"
#include "PostgreSql/PgSQLProtocol.h"

#include <stdexcept>
#include <utility>

namespace velmora {

namespace {

// Notices wait for the end of their message loop only up to this many, so that a flood of them
// cannot fill the memory of a client that listens.
constexpr std::size_t MaxPendingNotices = 100;

// A server reports a few dozen parameters at most; names beyond this many are not kept, so that a
// server cannot fill the memory with them.
constexpr std::size_t MaxServerParameters = 1000;

} // namespace

TPgMessage TPgSQLProtocol30::ReadMessage() {
    try {
        return net_->ReadMessage();
    } catch (const EPgError&) {
        // A server that closes the connection after an error it did not mark fatal (a translated
        // severity word from an old server): its own message says more than the closed socket.
        if (!pendingError_)
            throw;
        TPgErrorFields error = *std::exchange(pendingError_, std::nullopt);
        error.Severity = TPgSeverity::sFatal;
        throw EPgError(std::move(error));
    }
}

TPgBackendMessage TPgSQLProtocol30::ProcessMessageQueue() {
    TPgMessage message;
    do {
        message = ReadMessage();
    } while (HandleMessage(message));
    DeliverNotices();
    if (pendingError_) {
        TPgErrorFields error = *std::exchange(pendingError_, std::nullopt);
        // A server ends an exchange that failed with ReadyForQuery; stopping at anything else after
        // an error leaves the stream out of step.
        if (message.Type != TPgBackendMessage::ReadyForQuery)
            error.Severity = TPgSeverity::sFatal;
        throw EPgError(std::move(error));
    }
    return message.Type;
}

bool TPgSQLProtocol30::HandleMessage(const TPgMessage& message) {
    if (message.Legacy)
        return HandleError(ParsePgLegacyErrorText(message.Body));
    TPgMessageReader reader(message.Body);
    try {
        bool goOn = HandleMessageBody(message.Type, reader);
        if (!reader.AtEnd())
            throw std::out_of_range("message longer than its content");
        return goOn;
    } catch (const std::out_of_range&) {
        throw PgUnexpectedResponse(message.Type);
    }
}

// One case per message type; the result says whether the loop goes on.
bool TPgSQLProtocol30::HandleMessageBody(TPgBackendMessage type, TPgMessageReader& reader) {
    using enum TPgBackendMessage;
    switch (type) {
    case ParseComplete:
    case BindComplete:
    case NoData:
        return false;
    case CloseComplete:
        return true;
    case NotificationResponse: {
        std::int32_t processId = reader.ReadInt32();
        std::string channel = reader.ReadString();
        std::string payload = reader.ReadString();
        if (OnNotification)
            OnNotification(processId, channel, payload);
        return true;
    }
    case CommandComplete:
        completion_ = ParseCommandTag(reader.ReadString());
        return true;
    case DataRow:
        state_ = TProtocolState::psStmtFetching;
        row_ = ReadDataRow(reader);
        return false;
    case ErrorResponse:
        return HandleError(ParsePgErrorFields(reader.Rest()));
    case EmptyQueryResponse: {
        TPgErrorFields error;
        error.Message = "No SQL statement provided";
        return HandleError(std::move(error));
    }
    case BackendKeyData:
        processId_ = reader.ReadInt32();
        secretKey_ = reader.ReadInt32();
        return true;
    case NoticeResponse:
        if (!OnNotice) {
            reader.Rest(); // nobody listens: the notice is dropped unread
            return true;
        }
        pendingNotices_.push_back(ParsePgErrorFields(reader.Rest()));
        if (pendingNotices_.size() == MaxPendingNotices)
            DeliverNotices();
        return true;
    case ParameterStatus: {
        std::string name = reader.ReadString();
        std::string value = reader.ReadString();
        if (serverParameters_.size() < MaxServerParameters || serverParameters_.contains(name))
            serverParameters_[name] = std::move(value);
        return true;
    }
    case RowDescription:
        fieldDescs_ = ReadRowDescription(reader);
        return false;
    case ReadyForQuery:
        txnStatus_ = static_cast<TPgTransactionStatus>(reader.ReadByte());
        state_ = TProtocolState::psIsReadyForQuery;
        return false;
    case PortalSuspended:
        state_ = TProtocolState::psIsReadyForQuery;
        return true;
    case ParameterDescription:
        paramDescs_ = ReadParameterDescription(reader);
        return true;
    default:
        throw PgUnexpectedResponse(type);
    }
}

// A FATAL or PANIC ends reading at once; an ERROR waits for the server's ReadyForQuery.
bool TPgSQLProtocol30::HandleError(TPgErrorFields error) {
    if (error.Severity == TPgSeverity::sFatal || error.Severity == TPgSeverity::sPanic)
        throw EPgError(std::move(error));
    if (!pendingError_)
        pendingError_ = std::move(error);
    state_ = TProtocolState::psError;
    return true;
}

void TPgSQLProtocol30::DeliverNotices() {
    auto notices = std::move(pendingNotices_);
    pendingNotices_.clear();
    if (OnNotice) {
        for (const auto& notice : notices)
            OnNotice(notice);
    }
}

// Rows a caller did not fetch are read and dropped before the next exchange.
void TPgSQLProtocol30::SkipRemainingRows() {
    firstRow_.reset();
    while (state_ == TProtocolState::psStmtFetching)
        ProcessMessageQueue();
}

} // namespace velmora
