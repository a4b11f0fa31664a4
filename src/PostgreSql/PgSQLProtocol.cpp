#include "PostgreSql/PgSQLProtocol.h"

#include "Common/Interrupt.h"
#include "PostgreSql/PgSQLNet.h"
#include "PostgreSql/PgSQLProtocolImpl.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <utility>

namespace velmora {

EPgError Fatal(const std::string& message) {
    return EPgError(TPgSeverity::sFatal, message);
}

EPgError BrokenExchange(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const std::bad_alloc&) {
        return Fatal("Out of memory in the middle of a server exchange; the connection was closed");
    } catch (const std::exception& e) {
        return Fatal(std::string(e.what()) + "; the connection was closed");
    } catch (...) {
        return Fatal("Unknown failure in the middle of a server exchange; the connection was closed");
    }
}

void Expect(TPgBackendMessage type, std::initializer_list<TPgBackendMessage> allowed) {
    if (std::ranges::find(allowed, type) == allowed.end())
        throw PgUnexpectedResponse(type);
}

bool PgIsSocketDirectory(const std::string& server) {
    return server.starts_with('/');
}

std::string PgSocketPath(const std::string& directory, int port) {
    return directory + (directory.ends_with('/') ? "" : "/") + ".s.PGSQL." + std::to_string(port);
}

std::string TPgSQLProtocol::GetServerParameter(const std::string& name) const {
    auto found = serverParameters_.find(name);
    return found == serverParameters_.end() ? std::string() : found->second;
}

std::string ParseServerVersion(const std::string& versionAnswer) {
    constexpr std::string_view delimiters = " ,";
    auto first = versionAnswer.find_first_of(delimiters);
    if (first == std::string::npos)
        return {};
    auto second = versionAnswer.find_first_of(delimiters, first + 1);
    return versionAnswer.substr(first + 1,
                                second == std::string::npos ? std::string::npos : second - first - 1);
}

void TPgSQLProtocol::SetServerVersion(std::string versionAnswer) {
    serverVersionFull_ = std::move(versionAnswer);
    serverVersion_ = ParseServerVersion(serverVersionFull_);
    // "10.3" gives 10 and 3; "16beta1" gives 16 and 0.
    const char* end = serverVersion_.data() + serverVersion_.size();
    auto major = std::from_chars(serverVersion_.data(), end, majorServerVersion_);
    minorServerVersion_ = 0;
    if (major.ptr != end && *major.ptr == '.')
        std::from_chars(major.ptr + 1, end, minorServerVersion_);
}

TPgSQLProtocol30::TPgSQLProtocol30(TCRVioFactory openSocket) : openSocket_(std::move(openSocket)) {}

TPgSQLProtocol30::~TPgSQLProtocol30() = default;

bool TPgSQLProtocol30::IsConnected() const {
    return connected_;
}

void TPgSQLProtocol30::CancelQuietly() noexcept {
    try {
        const TInterruptShield shield;
        RequestCancel();
    } catch (...) {
        // Best effort: the closed session ends the statement once the server next writes to it.
    }
}

void TPgSQLProtocol30::DropConnection() {
    if (net_)
        net_->Close();
    net_.reset();
    connected_ = false;
    state_ = TProtocolState::psNone;
    pendingError_.reset();
    pendingNotices_.clear();
    firstRow_.reset();
    tlsEndPoint_.reset();
    saslMechanism_.clear();
    std::lock_guard lock(cancelMutex_);
    cancelRequest_.reset();
}

std::string TPgSQLProtocol30::NextIdentifier() {
    std::string identifier = "ST" + sessionToken_ + "_" + std::to_string(stmtCounter_);
    stmtCounter_ = stmtCounter_ == std::numeric_limits<std::int64_t>::max() ? 0 : stmtCounter_ + 1;
    return identifier;
}

void TPgSQLProtocol30::SetTimeout(int seconds) {
    if (net_)
        net_->SetTimeout(seconds);
}

void TPgSQLProtocol::RequestCancel() const {
    if (std::optional<TPgCancelRequest> request = CancelRequest())
        request->Send();
}

std::optional<TPgCancelRequest> TPgSQLProtocol30::CancelRequest() const {
    std::lock_guard lock(cancelMutex_);
    return cancelRequest_;
}

void TPgSQLProtocol30::Disconnect() {
    if (connected_) {
        try {
            net_->BeginMessage(TPgFrontendMessage::Terminate);
            net_->EndMessage();
            net_->Flush();
        } catch (const EPgError&) {
            // The server may be gone already; the socket is closed all the same.
        }
    }
    DropConnection();
}

} // namespace velmora
