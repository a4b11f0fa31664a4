#pragma once

#include "Common/CRVio.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::test {

// Backend messages as a server writes them.
namespace backend {
std::string Int16(std::int16_t value);
std::string Int32(std::int32_t value);
std::string Message(char type, std::string_view body);
std::string AuthRequest(std::int32_t code, std::string_view data = {});
std::string ParameterStatus(const std::string& name, const std::string& value);
std::string BackendKeyData(std::int32_t processId, std::int32_t secretKey);
std::string ReadyForQuery(char status = 'I');
std::string RowDescription(const std::vector<std::string>& textColumns);
std::string DataRow(const std::vector<std::optional<std::string>>& values);
std::string CommandComplete(const std::string& tag);
std::string ErrorResponse(const std::string& severity, std::string_view sqlState, const std::string& message);
std::string NoticeResponse(const std::string& message);
// What a trusting server answers to the startup message and to the version query.
std::string LoginAccepted();
std::string VersionAnswer(const std::string& version = "PostgreSQL 10.3, compiled by gcc, 64-bit");
} // namespace backend

// A server played from a script: each flush of the client is answered by the next entry, which
// may look at what the client sent. When the script is used up, the server closes the connection.
class TServerScript {
public:
    using Reply = std::function<std::string(std::string_view sent)>;

    TServerScript& Then(std::string answer);
    TServerScript& Then(Reply reply);

    // A factory that opens one stream on this script, handing out at most chunkSize bytes per read.
    TCRVioFactory Factory(std::size_t chunkSize = 65536);

    // Everything the client sent, in order.
    const std::string& Sent() const { return state_->sent; }
    int Opened() const { return state_->opened; }

private:
    struct State {
        std::deque<Reply> replies;
        std::string sent;
        int opened = 0;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

} // namespace velmora::test
