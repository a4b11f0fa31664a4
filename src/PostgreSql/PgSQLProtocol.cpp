#include "PostgreSql/PgSQLProtocol.h"

#include "Common/CRVioTls.h"
#include "Common/Interrupt.h"
#include "PostgreSql/PgAuth.h"
#include "PostgreSql/PgSQLNet.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <limits>
#include <openssl/rand.h>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace velmora {
namespace {

constexpr std::int32_t ProtocolVersion30 = 196608;
constexpr std::int32_t CancelRequestCode = 80877102;
constexpr std::int32_t SslRequestCode = 80877103;

EPgError Fatal(const std::string& message) {
    return EPgError(TPgSeverity::sFatal, message);
}

// A failure that is no server error, met in the middle of an exchange, as the fatal error it is.
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

// Notices wait for the end of their message loop only up to this many, so that a flood of them
// cannot fill the memory of a client that listens.
constexpr std::size_t MaxPendingNotices = 100;

// A server reports a few dozen parameters at most; names beyond this many are not kept, so that a
// server cannot fill the memory with them.
constexpr std::size_t MaxServerParameters = 1000;

// Simple queries serve the session's set-up, the server version and the catalogue lists. An
// answer that keeps more than this answers none of them, and holding it would let a server fill
// the client's memory one small row at a time.
constexpr std::size_t SimpleAnswerCeiling = 16 << 20;

// What a row kept in a result costs, near enough: its values and their bookkeeping.
std::size_t KeptBytes(const TPgSQLRow& row) {
    std::size_t bytes = sizeof(TPgSQLRow) + row.size() * sizeof(TPgSQLValue);
    for (const TPgSQLValue& value : row)
        bytes += value ? value->size() : 0;
    return bytes;
}

// The loop must have stopped at one of the allowed message types, or the exchange is out of step.
void Expect(TPgBackendMessage type, std::initializer_list<TPgBackendMessage> allowed) {
    if (std::ranges::find(allowed, type) == allowed.end())
        throw PgUnexpectedResponse(type);
}

// A SCRAM message the server sends before the exchange has started is out of step.
TScramSha256Client& StartedScram(std::optional<TScramSha256Client>& scram) {
    if (!scram)
        throw Fatal("Unexpected server response");
    return *scram;
}

std::int16_t Count16(std::size_t count) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(count));
}

std::int64_t ToInt64(std::string_view digits) {
    std::int64_t value = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return value;
}

// A count of items that take at least itemSize bytes each: a count the rest of the body cannot hold
// is refused before anything is allocated for it.
std::size_t ReadCount(TPgMessageReader& reader, std::size_t itemSize) {
    std::int16_t count = reader.ReadInt16();
    if (count < 0 || static_cast<std::size_t>(count) * itemSize > reader.Remaining())
        throw std::out_of_range("impossible count");
    return static_cast<std::size_t>(count);
}

std::vector<TPgSQLFieldDesc> ReadRowDescription(TPgMessageReader& reader) {
    std::vector<TPgSQLFieldDesc> fields(ReadCount(reader, 19));
    for (auto& field : fields) {
        field.Name = reader.ReadString();
        field.TableOid = static_cast<std::uint32_t>(reader.ReadInt32());
        field.TableColumn = reader.ReadInt16();
        field.TypeOid = static_cast<std::uint32_t>(reader.ReadInt32());
        field.Size = reader.ReadInt16();
        field.TypeModifier = reader.ReadInt32();
        field.Format = reader.ReadInt16();
    }
    return fields;
}

std::vector<TPgSQLParamDesc> ReadParameterDescription(TPgMessageReader& reader) {
    std::vector<TPgSQLParamDesc> params(ReadCount(reader, 4));
    for (auto& param : params)
        param.TypeOid = static_cast<std::uint32_t>(reader.ReadInt32());
    return params;
}

TPgSQLRow ReadDataRow(TPgMessageReader& reader) {
    TPgSQLRow row(ReadCount(reader, 4));
    for (auto& value : row) {
        std::int32_t length = reader.ReadInt32();
        if (length < -1)
            throw std::out_of_range("negative value length");
        if (length >= 0)
            value = reader.ReadBytes(static_cast<std::size_t>(length));
    }
    return row;
}

// "INSERT oid rows", "UPDATE rows", "DELETE rows"; other commands report no rows here.
TPgCommandResult ParseCommandTag(const std::string& tag) {
    std::istringstream words(tag);
    std::string second, third;
    TPgCommandResult result;
    words >> result.Command >> second >> third;
    if (result.Command == "INSERT") {
        result.LastInsertOID = static_cast<std::uint32_t>(ToInt64(second));
        result.RowsAffected = ToInt64(third);
    } else if (result.Command == "UPDATE" || result.Command == "DELETE") {
        result.RowsAffected = ToInt64(second);
    }
    return result;
}

// A file of the user's TLS material: the one given, else the default in ~/.postgresql when it exists.
std::string MaterialFile(const std::string& given, const char* defaultName) {
    if (!given.empty())
        return given;
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0')
        return {};
    std::filesystem::path path = std::filesystem::path(home) / ".postgresql" / defaultName;
    std::error_code error;
    return std::filesystem::exists(path, error) ? path.string() : std::string();
}

TCRTlsOptions TlsOptions(const TPgConnectParams& params) {
    const TPgSSLMode mode = params.SSL.Mode;
    TCRTlsOptions options;
    options.HostName = params.Server;
    options.CACertFile = MaterialFile(params.SSL.CACert, "root.crt");
    // A root certificate makes require check the chain too, as it always has for the server's tools.
    options.VerifyChain = mode == TPgSSLMode::smVerifyCA || mode == TPgSSLMode::smVerifyFull ||
                          (mode == TPgSSLMode::smRequire && !options.CACertFile.empty());
    options.VerifyHost = mode == TPgSSLMode::smVerifyFull;
    options.CertFile = MaterialFile(params.SSL.Cert, "postgresql.crt");
    options.KeyFile = MaterialFile(params.SSL.Key, "postgresql.key");
    options.CipherList = params.SSL.CipherList;
    return options;
}

bool TlsRequired(TPgSSLMode mode) {
    return mode == TPgSSLMode::smRequire || mode == TPgSSLMode::smVerifyCA ||
           mode == TPgSSLMode::smVerifyFull;
}

// The transfer format of each of valueCount values as the statement's description says; text where
// it says nothing.
std::vector<std::int16_t> DescribedFormats(const TPgSQLStatement& stmt, std::size_t valueCount) {
    std::vector<std::int16_t> formats(valueCount, pgTextFormat);
    for (std::size_t i = 0; i < valueCount && i < stmt.Params.size(); ++i)
        formats[i] = stmt.Params[i].Format;
    return formats;
}

// Where a session runs, for messages: "Host localhost, Port 5432", or the local socket's path.
std::string PeerName(const TPgConnectParams& params) {
    if (PgIsSocketDirectory(params.Server))
        return "Socket " + PgSocketPath(params.Server, params.Port);
    return "Host " + params.Server + ", Port " + std::to_string(params.Port);
}

// A byte as the user can read it: itself when printable, else its code.
std::string PrintableByte(char byte) {
    if (byte > ' ' && byte < 0x7F)
        return std::string("'") + byte + "'";
    char code[8];
    std::snprintf(code, sizeof code, "0x%02X", static_cast<unsigned char>(byte));
    return code;
}

// Sixteen random hexadecimal digits: 64 bits make it unlikely beyond concern that two sessions,
// however many a pooler serves, ever draw the same.
std::string RandomToken() {
    std::array<unsigned char, 8> random{};
    if (RAND_bytes(random.data(), static_cast<int>(random.size())) != 1)
        throw Fatal("No random numbers for the names of prepared statements");
    std::string token;
    for (unsigned char byte : random) {
        constexpr std::string_view digits = "0123456789abcdef";
        token += digits[byte >> 4];
        token += digits[byte & 0xF];
    }
    return token;
}

// Opens streams to a session's server as its parameters say, every wait within the deadline.
class TPgStreamOpener {
public:
    TPgStreamOpener(const TCRVioFactory& openSocket, const TPgConnectParams& params,
                    std::optional<std::chrono::steady_clock::time_point> deadline)
        : openSocket_(openSocket), params_(params), deadline_(deadline) {}

    // A stream in clear: TCP, or the server's local socket.
    std::unique_ptr<TCRVio> Open() const {
        try {
            const std::string& server = params_.Server;
            auto stream =
                openSocket_(PgIsSocketDirectory(server) ? PgSocketPath(server, params_.Port) : server,
                            params_.Port, params_.ConnectionTimeout);
            stream->SetTimeout(std::chrono::seconds(params_.ConnectionTimeout));
            return stream;
        } catch (const ESocketError& e) {
            throw EPgError(TPgSeverity::sFatal, e.Message(), e.Code());
        }
    }

    // Asks the server for TLS on the fresh stream and returns the stream to speak the protocol on;
    // endPoint receives the channel binding data of an encrypted one. The answer and the handshake
    // live within the deadline, however slowly their bytes arrive.
    std::unique_ptr<TCRVio> NegotiateTls(std::unique_ptr<TCRVio> stream,
                                         std::optional<std::string>& endPoint) const {
        const char answer = AnswerToSslRequest(*stream);
        if (answer == pgTlsRefused) {
            if (TlsRequired(params_.SSL.Mode))
                throw Fatal("SSL connection is not allowed");
            return stream;
        }
        if (answer != pgTlsAccepted)
            RefuseTlsAnswer(std::move(stream), answer);
        try {
            TCRTlsOptions options = TlsOptions(params_);
            options.HandshakeDeadline = deadline_;
            auto tls = std::make_unique<TCRVioTls>(std::move(stream), options);
            endPoint = tls->ServerEndPoint();
            return tls;
        } catch (const ESocketError& e) {
            if (params_.SSL.Mode != TPgSSLMode::smPrefer)
                throw EPgError(TPgSeverity::sFatal, e.Message(), e.Code());
        }
        // prefer: a server whose TLS fails is still reached in clear, on a new connection.
        return Open();
    }

private:
    char AnswerToSslRequest(TCRVio& stream) const {
        const char request[] = {0,
                                0,
                                0,
                                8,
                                static_cast<char>((SslRequestCode >> 24) & 0xFF),
                                static_cast<char>((SslRequestCode >> 16) & 0xFF),
                                static_cast<char>((SslRequestCode >> 8) & 0xFF),
                                static_cast<char>(SslRequestCode & 0xFF)};
        char answer = 0;
        try {
            BoundByDeadline(stream);
            stream.Write(request, sizeof request);
            BoundByDeadline(stream);
            // Exactly one byte: what follows an acceptance belongs to the TLS handshake, never to us.
            if (stream.Read(&answer, 1) == 0)
                throw PgConnectionClosed(PeerName(params_));
        } catch (const ESocketError& e) {
            throw EPgError(TPgSeverity::sFatal, e.Message(), e.Code());
        }
        return answer;
    }

    // A server that cannot serve the connection says why in an ErrorResponse; any other answer is
    // no answer to the request at all. Neither lets the log-on go on, in clear or otherwise.
    [[noreturn]] void RefuseTlsAnswer(std::unique_ptr<TCRVio> stream, char answer) const {
        if (answer != static_cast<char>(TPgBackendMessage::ErrorResponse))
            throw Fatal("Ungültige Antwort des Servers auf die SSL-Anfrage: " + PrintableByte(answer));
        TPgSQLNet net(std::move(stream), PeerName(params_));
        net.SetTimeout(params_.ConnectionTimeout);
        net.SetDeadline(deadline_);
        const TPgMessage message = net.ReadMessageOfType(TPgBackendMessage::ErrorResponse);
        TPgErrorFields error;
        try {
            error = message.Legacy ? ParsePgLegacyErrorText(message.Body) : ParsePgErrorFields(message.Body);
        } catch (const std::out_of_range&) {
            throw PgUnexpectedResponse(TPgBackendMessage::ErrorResponse);
        }
        error.Severity = TPgSeverity::sFatal;
        throw EPgError(std::move(error));
    }

    // Each wait of a stream that no TPgSQLNet drives yet gets what is left of the time.
    void BoundByDeadline(TCRVio& stream) const {
        if (!deadline_)
            return;
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(*deadline_ - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            throw ESocketError(SocketErrorText("Error on data reading from the connection:", ETIMEDOUT),
                               ETIMEDOUT);
        stream.SetTimeout(left);
    }

    const TCRVioFactory& openSocket_;
    const TPgConnectParams& params_;
    std::optional<std::chrono::steady_clock::time_point> deadline_;
};

// The end of a connection's time: the connection timeout from now, or none.
std::optional<std::chrono::steady_clock::time_point> DeadlineIn(int seconds) {
    if (seconds <= 0)
        return std::nullopt;
    return std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
}

} // namespace

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

template <class Work>
auto TPgSQLProtocol30::Guarded(Work work) -> decltype(work()) {
    if (!connected_)
        throw Fatal("Not connected");
    try {
        return work();
    } catch (const EPgError& e) {
        if (e.IsFatalError())
            DropConnection();
        throw;
    } catch (const EInterrupted&) {
        // The run ends: the server stops the statement in progress, and nothing more is sent. The
        // statements sent ahead of it end with the session, which the server sees closed.
        CancelQuietly();
        DropConnection();
        throw;
    } catch (...) {
        // Whatever broke off the exchange, the stream may be out of step.
        DropConnection();
        throw BrokenExchange(std::current_exception());
    }
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

void TPgSQLProtocol30::Connect(const TPgConnectParams& params) {
    DropConnection();
    params_ = params;
    sessionToken_ = RandomToken();
    stmtCounter_ = 0;
    loginDeadline_ = DeadlineIn(params_.ConnectionTimeout);
    try {
        // A server that does not know application_name refuses it after the log-on: then once more
        // without it.
        if (!ConnectOnce(params_.ApplicationName))
            ConnectOnce({});
        connected_ = true;
        ReadServerVersion();
        net_->SetDeadline(std::nullopt);
        std::lock_guard lock(cancelMutex_);
        cancelRequest_.emplace(openSocket_, params_, IsEncrypted(), processId_, secretKey_);
    } catch (const EPgError&) {
        DropConnection();
        throw;
    } catch (const EInterrupted&) {
        DropConnection();
        throw;
    } catch (...) {
        DropConnection();
        throw BrokenExchange(std::current_exception());
    }
}

bool TPgSQLProtocol30::ConnectOnce(const std::string& applicationName) {
    const TPgSSLMode mode = params_.SSL.Mode;
    const bool local = PgIsSocketDirectory(params_.Server);
    // A binding that needs TLS where there will be none is refused before anything is sent.
    params_.Auth.CheckEncryption(!local && mode != TPgSSLMode::smDisable);
    try {
        LogOn(applicationName, !local && mode != TPgSSLMode::smDisable && mode != TPgSSLMode::smAllow);
    } catch (const EPgPasswordRequired&) {
        throw; // a password missing in clear is missing over TLS as well
    } catch (const EPgError& e) {
        // allow: a log-on the server refused in clear is tried once more over TLS; a socket that
        // could not be opened (no stream yet) is not a refusal.
        if (local || mode != TPgSSLMode::smAllow || !e.IsFatalError() || net_ == nullptr)
            throw;
        LogOn(applicationName, true);
    }
    state_ = TProtocolState::psAuthenticated;
    try {
        // Parameter statuses, the backend key and notices up to the first ReadyForQuery.
        Expect(ProcessMessageQueue(), {TPgBackendMessage::ReadyForQuery});
    } catch (const EPgError& e) {
        if (!applicationName.empty() && e.IsFatalError() && e.ErrorCode() == "42704")
            return false;
        throw;
    }
    return true;
}

void TPgSQLProtocol30::LogOn(const std::string& applicationName, bool askForTls) {
    DropConnection();
    const TPgStreamOpener opener(openSocket_, params_, loginDeadline_);
    std::unique_ptr<TCRVio> stream = opener.Open();
    if (askForTls)
        stream = opener.NegotiateTls(std::move(stream), tlsEndPoint_);
    net_ = std::make_unique<TPgSQLNet>(std::move(stream), PeerName(params_));
    net_->SetTimeout(params_.ConnectionTimeout);
    // The whole log-on, reads, writes and key derivation, lives within the connection timeout.
    net_->SetDeadline(loginDeadline_);
    SendStartup(applicationName);
    state_ = TProtocolState::psAuthenticating;
    requested_ = TPgAuthMethod::None;
    Authenticate();
}

void TPgSQLProtocol30::SendStartup(const std::string& applicationName) {
    net_->BeginUntypedMessage();
    net_->WriteInt32(ProtocolVersion30);
    net_->WriteString("user");
    net_->WriteString(params_.UserName);
    net_->WriteString("database");
    net_->WriteString(params_.Database);
    if (!applicationName.empty()) {
        net_->WriteString("application_name");
        net_->WriteString(applicationName);
    }
    if (!params_.StartupOptions.empty()) {
        net_->WriteString("options");
        net_->WriteString(params_.StartupOptions);
    }
    net_->WriteByte('\0');
    net_->EndMessage();
    net_->Flush();
}

void TPgSQLProtocol30::SendPassword(const std::string& password) {
    net_->BeginMessage(TPgFrontendMessage::PasswordMessage);
    net_->WriteString(password);
    net_->EndMessage();
    net_->Flush();
}

void TPgSQLProtocol30::Authenticate() {
    std::optional<TScramSha256Client> scram;
    for (;;) {
        TPgMessage message = net_->ReadMessage();
        if (message.Type == TPgBackendMessage::ErrorResponse)
            throw EPgError(message.Legacy ? ParsePgLegacyErrorText(message.Body)
                                          : ParsePgErrorFields(message.Body));
        if (message.Type != TPgBackendMessage::Authentication)
            throw Fatal("Unexpected server response");
        TPgMessageReader reader(message.Body);
        try {
            if (AnswerAuthRequest(reader, scram))
                return;
        } catch (const std::out_of_range&) {
            throw Fatal("Unexpected server response");
        }
    }
}

// Answers one authentication request; true once the server has accepted the log-on.
bool TPgSQLProtocol30::AnswerAuthRequest(TPgMessageReader& reader, std::optional<TScramSha256Client>& scram) {
    switch (static_cast<TPgAuthRequest>(reader.ReadInt32())) {
    case TPgAuthRequest::Ok:
        // A server that skips its final SCRAM message has not proven that it knows the password.
        if (scram && !scram->Verified())
            throw Fatal("Missing SCRAM server signature");
        params_.Auth.CheckAccepted(requested_, saslMechanism_ == TScramSha256Client::PlusMechanism);
        return true;
    case TPgAuthRequest::CleartextPassword:
        Requested(TPgAuthMethod::Password, false);
        SendPassword(RequiredPassword());
        return false;
    case TPgAuthRequest::Md5Password:
        Requested(TPgAuthMethod::Md5, false);
        SendPassword(PgMd5Password(params_.UserName, RequiredPassword(), reader.ReadBytes(4)));
        return false;
    case TPgAuthRequest::Sasl:
        if (scram)
            throw Fatal("Unexpected server response");
        StartScram(reader, scram);
        return false;
    case TPgAuthRequest::SaslContinue:
        SendSaslResponse(StartedScram(scram).ClientFinalMessage(reader.Rest()));
        return false;
    case TPgAuthRequest::SaslFinal:
        StartedScram(scram).VerifyServerFinal(reader.Rest());
        return false;
    default:
        // Crypt, Kerberos, SCM credentials, GSSAPI, SSPI and whatever comes later.
        throw Fatal("Unknown auth method");
    }
}

// Picks the SCRAM mechanism from those the server offers and sends the first message: over TLS with
// channel binding when the server offers it, so that a server in between cannot relay the log-on.
void TPgSQLProtocol30::StartScram(TPgMessageReader& reader, std::optional<TScramSha256Client>& scram) {
    bool plain = false;
    bool plus = false;
    for (std::string mechanism = reader.ReadString(); !mechanism.empty(); mechanism = reader.ReadString()) {
        plain = plain || mechanism == TScramSha256Client::PlainMechanism;
        plus = plus || mechanism == TScramSha256Client::PlusMechanism;
    }
    const bool canBind = tlsEndPoint_.has_value() && !tlsEndPoint_->empty();
    Requested(TPgAuthMethod::ScramSha256, plus && canBind);
    const bool binds = params_.Auth.Binding() != TPgChannelBinding::Disable;
    TScramChannelBinding binding;
    if (plus && canBind && binds)
        binding = TScramChannelBinding::ServerEndPoint(*tlsEndPoint_);
    else if (plain && canBind && binds)
        binding = TScramChannelBinding::NotOffered();
    else if (!plain) // binding only, and no TLS channel to bind to
        throw Fatal("Unknown auth method");
    // The server takes the user name from the startup message.
    scram.emplace("", RequiredPassword(), TScramSha256Client::RandomNonce(), std::move(binding));
    saslMechanism_ = scram->Mechanism();
    scram->SetDeadline(loginDeadline_);
    std::string first = scram->ClientFirstMessage();
    net_->BeginMessage(TPgFrontendMessage::PasswordMessage);
    net_->WriteString(saslMechanism_);
    net_->WriteInt32(static_cast<std::int32_t>(first.size()));
    net_->WriteBytes(first);
    net_->EndMessage();
    net_->Flush();
}

// The server asks for a method: the policy decides before any secret is sent.
void TPgSQLProtocol30::Requested(TPgAuthMethod method, bool canBind) {
    params_.Auth.CheckRequest(method, canBind);
    requested_ = method;
}

// The password the server asked for. An empty one counts as none, as the server refuses it anyway:
// the caller learns that a password is needed instead of a failed log-on.
const std::string& TPgSQLProtocol30::RequiredPassword() const {
    if (params_.Password.empty())
        throw EPgPasswordRequired(params_.UserName);
    return params_.Password;
}

void TPgSQLProtocol30::SendSaslResponse(std::string_view data) {
    net_->BeginMessage(TPgFrontendMessage::PasswordMessage);
    net_->WriteBytes(data);
    net_->EndMessage();
    net_->Flush();
}

void TPgSQLProtocol30::ReadServerVersion() {
    TPgSQLResult answer = RunSimpleQuery("SELECT VERSION()");
    if (answer.Rows.size() != 1 || answer.Rows[0].empty() || !answer.Rows[0][0])
        throw Fatal("Unable to get server version");
    SetServerVersion(*answer.Rows[0][0]);
}

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

std::string TPgSQLProtocol30::NextIdentifier() {
    std::string identifier = "ST" + sessionToken_ + "_" + std::to_string(stmtCounter_);
    stmtCounter_ = stmtCounter_ == std::numeric_limits<std::int64_t>::max() ? 0 : stmtCounter_ + 1;
    return identifier;
}

TPgSQLResult TPgSQLProtocol30::ExecuteStmt(const std::string& sql) {
    return Guarded([&] { return RunSimpleQuery(sql); });
}

std::vector<TPgSQLResult> TPgSQLProtocol30::ExecuteStmts(const std::vector<std::string>& sqls) {
    return Guarded([&] {
        SkipRemainingRows();
        for (const std::string& sql : sqls)
            WriteQuery(sql);
        net_->Flush();
        std::vector<TPgSQLResult> results;
        std::exception_ptr firstFailure;
        for (std::size_t i = 0; i < sqls.size(); ++i) {
            try {
                results.push_back(ReadQueryResult());
            } catch (const EPgError& e) {
                // The queries after a failed one have run all the same: their answers are read,
                // so that the stream stays in step, before the failure is raised.
                if (e.IsFatalError())
                    throw;
                if (!firstFailure)
                    firstFailure = std::current_exception();
                results.emplace_back();
            }
        }
        if (firstFailure)
            std::rethrow_exception(firstFailure);
        return results;
    });
}

TPgSQLResult TPgSQLProtocol30::RunSimpleQuery(const std::string& sql) {
    SkipRemainingRows();
    WriteQuery(sql);
    net_->Flush();
    return ReadQueryResult();
}

void TPgSQLProtocol30::WriteQuery(const std::string& sql) {
    net_->BeginMessage(TPgFrontendMessage::Query);
    net_->WriteString(sql);
    net_->EndMessage();
}

TPgSQLResult TPgSQLProtocol30::ReadQueryResult() {
    state_ = TProtocolState::psStmtExecuting;
    completion_ = {};
    TPgSQLResult result;
    std::size_t keptBytes = 0;
    for (;;) {
        using enum TPgBackendMessage;
        TPgBackendMessage type = ProcessMessageQueue();
        Expect(type, {RowDescription, DataRow, ReadyForQuery});
        if (type == RowDescription) {
            result.Fields = std::move(fieldDescs_);
            result.Rows.clear();
            keptBytes = 0;
        } else if (type == DataRow) {
            // A row that does not fit its description answers no query: the stream is out of step.
            if (row_.size() != result.Fields.size())
                throw PgUnexpectedResponse(type);
            keptBytes += KeptBytes(row_);
            if (keptBytes > SimpleAnswerCeiling)
                throw Fatal("Server answer too long for a simple query");
            result.Rows.push_back(std::move(row_));
        } else {
            result.Completion = completion_;
            return result;
        }
    }
}

// Empty descriptions, and a new name for a named statement, for the statement about to be prepared.
void TPgSQLProtocol30::StartStatement(TPgSQLStatement& stmt, bool named) {
    SkipRemainingRows();
    stmt = TPgSQLStatement();
    if (named)
        stmt.Identifier = NextIdentifier();
    state_ = TProtocolState::psStmtPreparing;
    paramDescs_.clear();
    fieldDescs_.clear();
}

void TPgSQLProtocol30::WriteParseDescribe(const TPgSQLStatement& stmt, const std::string& sql,
                                          const std::vector<std::uint32_t>& paramTypes) {
    net_->BeginMessage(TPgFrontendMessage::Parse);
    net_->WriteString(stmt.StatementName());
    net_->WriteString(sql);
    net_->WriteInt16(Count16(paramTypes.size()));
    for (std::uint32_t type : paramTypes)
        net_->WriteInt32(static_cast<std::int32_t>(type));
    net_->EndMessage();
    net_->BeginMessage(TPgFrontendMessage::Describe);
    net_->WriteByte(static_cast<char>(TPgObjectKind::Statement));
    net_->WriteString(stmt.StatementName());
    net_->EndMessage();
}

// ParseComplete, then the parameter description and the row description or NoData.
void TPgSQLProtocol30::ReadDescription(TPgSQLStatement& stmt) {
    using enum TPgBackendMessage;
    Expect(ProcessMessageQueue(), {ParseComplete});
    stmt.Prepared = !stmt.Identifier.empty();
    TPgBackendMessage described = ProcessMessageQueue();
    Expect(described, {RowDescription, NoData});
    stmt.NoData = described == NoData;
    stmt.Params = std::move(paramDescs_);
    stmt.Fields = std::move(fieldDescs_);
}

void TPgSQLProtocol30::PrepareStmt(TPgSQLStatement& stmt, const std::string& sql,
                                   const std::vector<std::uint32_t>& paramTypes) {
    Guarded([&] {
        StartStatement(stmt, true);
        WriteParseDescribe(stmt, sql, paramTypes);
        SendSync();
        try {
            ReadDescription(stmt);
            Expect(ProcessMessageQueue(), {TPgBackendMessage::ReadyForQuery});
        } catch (const EPgError& e) {
            stmt.Prepared = false;
            if (!e.IsFatalError())
                CloseStatementQuietly(stmt);
            throw;
        }
    });
}

void TPgSQLProtocol30::DescribeStmt(TPgSQLStatement& stmt, const std::string& sql) {
    Guarded([&] {
        StartStatement(stmt, false);
        WriteParseDescribe(stmt, sql, {});
        SendSync();
        ReadDescription(stmt);
        Expect(ProcessMessageQueue(), {TPgBackendMessage::ReadyForQuery});
    });
}

bool TPgSQLProtocol30::PrepareExecuteStmt(TPgSQLStatement& stmt, const std::string& sql,
                                          const std::vector<TPgSQLValue>& values,
                                          const std::vector<std::int16_t>& paramFormats) {
    return Guarded([&] {
        StartStatement(stmt, false);
        WriteParseDescribe(stmt, sql, {});
        WriteBindExecute(stmt, values, paramFormats, {}, false);
        SendSync();
        ReadDescription(stmt);
        return ReadExecution(stmt);
    });
}

// Close of a prepared statement or a portal, sent with the next Sync.
void TPgSQLProtocol30::SendClose(TPgObjectKind kind, std::string_view name) {
    net_->BeginMessage(TPgFrontendMessage::Close);
    net_->WriteByte(static_cast<char>(kind));
    net_->WriteString(name);
    net_->EndMessage();
}

// Sync ends the messages of one exchange; the server answers them up to its ReadyForQuery.
void TPgSQLProtocol30::WriteSync() {
    net_->BeginMessage(TPgFrontendMessage::Sync);
    net_->EndMessage();
}

void TPgSQLProtocol30::SendSync() {
    WriteSync();
    net_->Flush();
}

std::size_t TPgSQLProtocol30::SendPipelinedStmt(TPgSQLStatement& stmt, const std::string& sql) {
    return Guarded([&] {
        stmt = TPgSQLStatement();
        const std::size_t collected = net_->Collected();
        WriteParseDescribe(stmt, sql, {});
        WriteBindExecute(stmt, {}, {}, {}, false);
        WriteSync();
        const std::size_t bytes = net_->Collected() - collected;
        net_->Push();
        return bytes;
    });
}

void TPgSQLProtocol30::ReadPipelinedStmt(TPgSQLStatement& stmt) {
    Guarded([&] {
        state_ = TProtocolState::psStmtPreparing;
        paramDescs_.clear();
        fieldDescs_.clear();
        ReadDescription(stmt);
        if (!ReadExecution(stmt))
            return;
        firstRow_.reset();
        while (state_ == TProtocolState::psStmtFetching)
            Expect(ProcessMessageQueue(), {TPgBackendMessage::DataRow, TPgBackendMessage::ReadyForQuery});
        Complete(stmt);
    });
}

void TPgSQLProtocol30::CloseStatementQuietly(const TPgSQLStatement& stmt) {
    try {
        SendClose(TPgObjectKind::Statement, stmt.StatementName());
        SendSync();
        Expect(ProcessMessageQueue(), {TPgBackendMessage::ReadyForQuery});
    } catch (const EPgError& e) {
        if (e.IsFatalError())
            throw;
    }
}

// Bind, Execute and, with closeAfter, the closes of portal and statement; a named portal left by an
// earlier execution is closed first. A server that fails the Bind or the Execute skips the closes.
void TPgSQLProtocol30::WriteBindExecute(TPgSQLStatement& stmt, const std::vector<TPgSQLValue>& values,
                                        const std::vector<std::int16_t>& paramFormats,
                                        const std::vector<std::int16_t>& resultFormats, bool closeAfter) {
    stmt.ClosesWithExecution = closeAfter;
    if (!stmt.Identifier.empty())
        SendClose(TPgObjectKind::Portal, stmt.PortalName());

    net_->BeginMessage(TPgFrontendMessage::Bind);
    net_->WriteString(stmt.PortalName());
    net_->WriteString(stmt.StatementName());
    net_->WriteInt16(Count16(values.size()));
    for (std::size_t i = 0; i < values.size(); ++i)
        net_->WriteInt16(i < paramFormats.size() ? paramFormats[i] : pgTextFormat);
    net_->WriteInt16(Count16(values.size()));
    for (const TPgSQLValue& value : values) {
        net_->WriteInt32(value ? static_cast<std::int32_t>(value->size()) : -1);
        if (value)
            net_->WriteBytes(*value);
    }
    net_->WriteInt16(Count16(resultFormats.size()));
    for (std::int16_t format : resultFormats)
        net_->WriteInt16(format);
    net_->EndMessage();

    net_->BeginMessage(TPgFrontendMessage::Execute);
    net_->WriteString(stmt.PortalName());
    net_->WriteInt32(0); // all rows
    net_->EndMessage();

    if (closeAfter) {
        SendClose(TPgObjectKind::Portal, stmt.PortalName());
        SendClose(TPgObjectKind::Statement, stmt.StatementName());
    }
}

// BindComplete, then the first row or the completion up to ReadyForQuery.
bool TPgSQLProtocol30::ReadExecution(TPgSQLStatement& stmt) {
    state_ = TProtocolState::psStmtExecuting;
    completion_ = {};
    stmt.Completion = {};
    using enum TPgBackendMessage;
    Expect(ProcessMessageQueue(), {BindComplete});
    TPgBackendMessage type = ProcessMessageQueue();
    Expect(type, {DataRow, ReadyForQuery});
    if (type == DataRow) {
        firstRow_ = std::move(row_);
        return true;
    }
    Complete(stmt);
    return false;
}

void TPgSQLProtocol30::Complete(TPgSQLStatement& stmt) {
    stmt.Completion = completion_;
    if (stmt.ClosesWithExecution)
        stmt.Prepared = false;
}

bool TPgSQLProtocol30::BindExecutePreparedStmt(TPgSQLStatement& stmt, const std::vector<TPgSQLValue>& values,
                                               const std::vector<std::int16_t>& resultFormats,
                                               bool closeAfter) {
    return Guarded([&] {
        SkipRemainingRows();
        WriteBindExecute(stmt, values, DescribedFormats(stmt, values.size()), resultFormats, closeAfter);
        SendSync();
        try {
            return ReadExecution(stmt);
        } catch (const EPgError& e) {
            // The server skipped the closes sent with the failed execution: they go once more.
            if (closeAfter && !e.IsFatalError()) {
                stmt.Prepared = false;
                CloseStatementQuietly(stmt);
            }
            throw;
        }
    });
}

std::optional<TPgSQLRow> TPgSQLProtocol30::FetchStmt(TPgSQLStatement& stmt) {
    return Guarded([&]() -> std::optional<TPgSQLRow> {
        if (firstRow_)
            return std::exchange(firstRow_, std::nullopt);
        if (state_ != TProtocolState::psStmtFetching)
            return std::nullopt;
        using enum TPgBackendMessage;
        TPgBackendMessage type = ProcessMessageQueue();
        Expect(type, {DataRow, ReadyForQuery});
        if (type == DataRow)
            return std::move(row_);
        Complete(stmt);
        return std::nullopt;
    });
}

void TPgSQLProtocol30::UnPrepareStmt(TPgSQLStatement& stmt) {
    stmt.Prepared = false;
    if (!connected_ || stmt.Identifier.empty())
        return; // the unnamed statement needs no closing
    try {
        Guarded([&] {
            SkipRemainingRows();
            SendClose(TPgObjectKind::Portal, stmt.PortalName());
            SendClose(TPgObjectKind::Statement, stmt.StatementName());
            SendSync();
            Expect(ProcessMessageQueue(), {TPgBackendMessage::ReadyForQuery});
        });
    } catch (const EPgError&) {
        // Unpreparing never fails. A fatal error has dropped the connection: IsConnected says so, and
        // the next statement opens it anew.
    }
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

TPgCancelRequest::TPgCancelRequest(TCRVioFactory openSocket, TPgConnectParams params, bool encrypted,
                                   std::int32_t processId, std::int32_t secretKey)
    : openSocket_(std::move(openSocket)), params_(std::move(params)), encrypted_(encrypted),
      processId_(processId), secretKey_(secretKey) {
    params_.Password.clear(); // not needed, so not kept
}

void TPgCancelRequest::Send() const {
    const TPgStreamOpener opener(openSocket_, params_, DeadlineIn(params_.ConnectionTimeout));
    std::unique_ptr<TCRVio> stream = opener.Open();
    // The key goes the way the session went: over TLS when the session is encrypted.
    std::optional<std::string> endPoint;
    if (encrypted_)
        stream = opener.NegotiateTls(std::move(stream), endPoint);
    TPgSQLNet net(std::move(stream), PeerName(params_));
    net.SetTimeout(params_.ConnectionTimeout);
    net.SetDeadline(DeadlineIn(params_.ConnectionTimeout));
    net.BeginUntypedMessage();
    net.WriteInt32(CancelRequestCode);
    net.WriteInt32(processId_);
    net.WriteInt32(secretKey_);
    net.EndMessage();
    net.Flush();
    // The server answers nothing and closes the connection once it has passed the request on;
    // waiting for that makes the cancel complete when Send returns.
    try {
        net.ReadMessage();
    } catch (const EPgError&) {
    }
    net.Close();
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
