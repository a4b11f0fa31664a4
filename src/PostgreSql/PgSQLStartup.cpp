#include "Common/CRVioTls.h"
#include "Common/Interrupt.h"
#include "PostgreSql/PgAuth.h"
#include "PostgreSql/PgSQLNet.h"
#include "PostgreSql/PgSQLProtocol.h"
#include "PostgreSql/PgSQLProtocolImpl.h"
#include "PostgreSql/PgSqlState.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <openssl/rand.h>
#include <utility>

namespace velmora {

namespace {

constexpr std::int32_t ProtocolVersion30 = 196608;

constexpr std::int32_t CancelRequestCode = 80877102;

constexpr std::int32_t SslRequestCode = 80877103;

// A SCRAM message the server sends before the exchange has started is out of step.
TScramSha256Client& StartedScram(std::optional<TScramSha256Client>& scram) {
    if (!scram)
        throw Fatal("Unexpected server response");
    return *scram;
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
            const std::string& address = params_.HostAddr.empty() ? server : params_.HostAddr;
            auto stream =
                openSocket_(PgIsSocketDirectory(server) ? PgSocketPath(server, params_.Port) : address,
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
            BoundByDeadline(stream, deadline_);
            stream.Write(request, sizeof request);
            BoundByDeadline(stream, deadline_);
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

} // namespace

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
        if (!applicationName.empty() && e.IsFatalError() && e.SqlState() == PgSqlState::UndefinedObject)
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

} // namespace velmora
