#include "scripted/ScriptedServer.h"

#include <algorithm>
#include <cstring>

namespace velmora::test {
namespace backend {

std::string Int16(std::int16_t value) {
    auto bits = static_cast<std::uint16_t>(value);
    return {static_cast<char>(bits >> 8), static_cast<char>(bits & 0xFF)};
}

std::string Int32(std::int32_t value) {
    auto bits = static_cast<std::uint32_t>(value);
    return {static_cast<char>(bits >> 24), static_cast<char>((bits >> 16) & 0xFF),
            static_cast<char>((bits >> 8) & 0xFF), static_cast<char>(bits & 0xFF)};
}

std::string Message(char type, std::string_view body) {
    return type + Int32(static_cast<std::int32_t>(body.size() + 4)) + std::string(body);
}

std::string AuthRequest(std::int32_t code, std::string_view data) {
    return Message('R', Int32(code) + std::string(data));
}

std::string ParameterStatus(const std::string& name, const std::string& value) {
    return Message('S', name + '\0' + value + '\0');
}

std::string BackendKeyData(std::int32_t processId, std::int32_t secretKey) {
    return Message('K', Int32(processId) + Int32(secretKey));
}

std::string ReadyForQuery(char status) {
    return Message('Z', std::string(1, status));
}

std::string RowDescription(const std::vector<std::string>& textColumns) {
    std::string body = Int16(static_cast<std::int16_t>(textColumns.size()));
    for (const auto& name : textColumns)
        body += name + '\0' + Int32(0) + Int16(0) + Int32(25) + Int16(-1) + Int32(-1) + Int16(0);
    return Message('T', body);
}

std::string DataRow(const std::vector<std::optional<std::string>>& values) {
    std::string body = Int16(static_cast<std::int16_t>(values.size()));
    for (const auto& value : values)
        body += value ? Int32(static_cast<std::int32_t>(value->size())) + *value : Int32(-1);
    return Message('D', body);
}

std::string CommandComplete(const std::string& tag) {
    return Message('C', tag + '\0');
}

std::string ErrorResponse(const std::string& severity, std::string_view sqlState,
                          const std::string& message) {
    return Message('E',
                   'S' + severity + '\0' + 'C' + std::string(sqlState) + '\0' + 'M' + message + '\0' + '\0');
}

std::string NoticeResponse(const std::string& message) {
    return Message('N', std::string("SNOTICE\0C00000\0M", 16) + message + '\0' + '\0');
}

std::string LoginAccepted() {
    return AuthRequest(0) + ParameterStatus("client_encoding", "UTF8") + BackendKeyData(4711, 42) +
           ReadyForQuery();
}

std::string VersionAnswer(const std::string& version) {
    return RowDescription({"version"}) + DataRow({version}) + CommandComplete("SELECT 1") + ReadyForQuery();
}

} // namespace backend

namespace {

class TScriptedVio final : public TCRVio {
public:
    TScriptedVio(std::function<std::string(std::string_view)> answer, std::size_t chunkSize)
        : answer_(std::move(answer)), chunkSize_(chunkSize) {}

    void Write(const char* data, std::size_t size) override { pending_ += answer_({data, size}); }

    std::size_t Read(char* buffer, std::size_t size) override {
        std::size_t count = std::min({size, chunkSize_, pending_.size()});
        std::memcpy(buffer, pending_.data(), count);
        pending_.erase(0, count);
        return count; // 0 once the script is used up: the server has closed the connection
    }

    void SetTimeout(std::chrono::milliseconds) override {}
    void Close() override {}

private:
    std::function<std::string(std::string_view)> answer_;
    std::size_t chunkSize_;
    std::string pending_;
};

} // namespace

TServerScript& TServerScript::Then(std::string answer) {
    return Then([answer = std::move(answer)](std::string_view) { return answer; });
}

TServerScript& TServerScript::Then(Reply reply) {
    state_->replies.push_back(std::move(reply));
    return *this;
}

TCRVioFactory TServerScript::Factory(std::size_t chunkSize) {
    return [state = state_, chunkSize](const std::string&, int, int) -> std::unique_ptr<TCRVio> {
        ++state->opened;
        auto answer = [state](std::string_view sent) {
            state->sent += sent;
            if (state->replies.empty())
                return std::string();
            Reply reply = std::move(state->replies.front());
            state->replies.pop_front();
            return reply(sent);
        };
        return std::make_unique<TScriptedVio>(answer, chunkSize);
    };
}

} // namespace velmora::test
