#include "Common/CRVioTls.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <cstring>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace velmora {
namespace {

[[noreturn]] void Fail(const std::string& message) {
    throw ESocketError(message, 0);
}

// The library's reason for its last failure, e.g. "certificate verify failed".
std::string LastSslReason() {
    unsigned long code = ERR_peek_last_error();
    const char* reason = code != 0 ? ERR_reason_error_string(code) : nullptr;
    return reason != nullptr ? reason : "unknown SSL error";
}

bool IsIpAddress(const std::string& host) {
    unsigned char address[sizeof(in6_addr)];
    return inet_pton(AF_INET, host.c_str(), address) == 1 || inet_pton(AF_INET6, host.c_str(), address) == 1;
}

// A key that others may read is no secret: like the server, refuse it unless only its owner may
// read it (or, for a key that belongs to root, its group too).
void CheckKeyFilePermissions(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0)
        Fail("Cannot read the private key file '" + path + "': " + std::strerror(errno));
    if (!S_ISREG(status.st_mode))
        Fail("The private key file '" + path + "' is not a regular file");
    const bool ownKeyShared = status.st_uid == geteuid() && (status.st_mode & (S_IRWXG | S_IRWXO)) != 0;
    const bool rootKeyShared = status.st_uid == 0 && (status.st_mode & (S_IWGRP | S_IXGRP | S_IRWXO)) != 0;
    if (ownKeyShared || rootKeyShared)
        Fail("The private key file '" + path +
             "' may be read by others; it must have permissions u=rw (0600) or less, or u=rw,g=r (0640) "
             "or less when it belongs to root");
}

// A key protected by a passphrase fails to load instead of prompting on the terminal.
int NoPassphrase(char*, int, int, void*) {
    return 0;
}

void LoadRoots(SSL_CTX* context, const std::string& caFile) {
    if (caFile.empty())
        Fail("The server certificate cannot be verified: no root certificate file is given");
    const int loaded = caFile == "system" ? SSL_CTX_set_default_verify_paths(context)
                                          : SSL_CTX_load_verify_locations(context, caFile.c_str(), nullptr);
    if (loaded != 1)
        Fail("Cannot read the root certificate file '" + caFile + "': " + LastSslReason());
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
}

void LoadClientCertificate(SSL_CTX* context, const std::string& certFile, const std::string& keyFile) {
    if (SSL_CTX_use_certificate_chain_file(context, certFile.c_str()) != 1)
        Fail("Cannot read the client certificate file '" + certFile + "': " + LastSslReason());
    CheckKeyFilePermissions(keyFile);
    if (SSL_CTX_use_PrivateKey_file(context, keyFile.c_str(), SSL_FILETYPE_PEM) != 1)
        Fail("Cannot read the private key file '" + keyFile + "': " + LastSslReason());
    if (SSL_CTX_check_private_key(context) != 1)
        Fail("The private key file '" + keyFile + "' does not belong to the client certificate '" + certFile +
             "'");
}

// The tls-server-end-point hash of a certificate.
std::string EndPointHash(X509* certificate) {
    int digestNid = NID_undef;
    if (certificate == nullptr ||
        OBJ_find_sigid_algs(X509_get_signature_nid(certificate), &digestNid, nullptr) != 1)
        return {};
    if (digestNid == NID_md5 || digestNid == NID_sha1)
        digestNid = NID_sha256;
    const EVP_MD* digest = EVP_get_digestbynid(digestNid);
    unsigned char hash[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (digest == nullptr || X509_digest(certificate, digest, hash, &length) != 1)
        return {};
    return std::string(reinterpret_cast<const char*>(hash), length);
}

} // namespace

void TCRVioTls::TSslDeleter::operator()(ssl_ctx_st* context) const {
    SSL_CTX_free(context);
}

void TCRVioTls::TSslDeleter::operator()(ssl_st* ssl) const {
    SSL_free(ssl);
}

int TCRVioTls::BioWrite(bio_st* bio, const char* data, int size) {
    auto* self = static_cast<TCRVioTls*>(BIO_get_data(bio));
    self->cipherOut_.append(data, static_cast<std::size_t>(size));
    return size;
}

int TCRVioTls::BioRead(bio_st* bio, char* buffer, int size) {
    auto* self = static_cast<TCRVioTls*>(BIO_get_data(bio));
    try {
        self->BoundByHandshakeDeadline();
        self->SendCipher(self->handshaking_);
        self->BoundByHandshakeDeadline();
        return static_cast<int>(self->inner_->Read(buffer, static_cast<std::size_t>(size)));
    } catch (...) {
        self->innerFailure_ = std::current_exception();
        return -1;
    }
}

void TCRVioTls::SendCipher(bool wait) {
    if (cipherOut_.empty())
        return;
    if (wait) {
        inner_->Write(cipherOut_.data(), cipherOut_.size());
        cipherOut_.clear();
    } else {
        cipherOut_.erase(0, inner_->WriteSome(cipherOut_.data(), cipherOut_.size()));
    }
}

void TCRVioTls::BoundByHandshakeDeadline() {
    if (handshaking_)
        BoundByDeadline(*inner_, handshakeDeadline_);
}

namespace {

long BioControl(BIO*, int command, long, void*) {
    return command == BIO_CTRL_FLUSH ? 1 : 0;
}

int BioCreate(BIO* bio) {
    BIO_set_init(bio, 1);
    return 1;
}

} // namespace

TCRVioTls::TCRVioTls(std::unique_ptr<TCRVio> inner, const TCRTlsOptions& options) : inner_(std::move(inner)) {
    Handshake(options);
}

TCRVioTls::~TCRVioTls() {
    Close();
}

void TCRVioTls::Handshake(const TCRTlsOptions& options) {
    // One method table for every stream; it lives as long as the process.
    static BIO_METHOD* const method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "velmora stream");
        BIO_meth_set_write(m, &TCRVioTls::BioWrite);
        BIO_meth_set_read(m, &TCRVioTls::BioRead);
        BIO_meth_set_ctrl(m, BioControl);
        BIO_meth_set_create(m, BioCreate);
        return m;
    }();

    ERR_clear_error();
    context_.reset(SSL_CTX_new(TLS_client_method()));
    if (!context_ || method == nullptr)
        Fail("Cannot set up SSL: " + LastSslReason());
    SSL_CTX* context = context_.get();
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    // A server that closes without a TLS goodbye has closed the connection all the same.
    SSL_CTX_set_options(context, SSL_OP_IGNORE_UNEXPECTED_EOF | SSL_OP_NO_COMPRESSION);
    SSL_CTX_set_default_passwd_cb(context, NoPassphrase);
    if (!options.CipherList.empty() && SSL_CTX_set_cipher_list(context, options.CipherList.c_str()) != 1)
        Fail("Invalid SSL cipher list '" + options.CipherList + "': " + LastSslReason());
    if (options.VerifyChain)
        LoadRoots(context, options.CACertFile);
    if (!options.CertFile.empty())
        LoadClientCertificate(context, options.CertFile,
                              options.KeyFile.empty() ? options.CertFile : options.KeyFile);

    ssl_.reset(SSL_new(context));
    BIO* bio = ssl_ ? BIO_new(method) : nullptr;
    if (bio == nullptr)
        Fail("Cannot set up SSL: " + LastSslReason());
    BIO_set_data(bio, this);
    SSL* ssl = ssl_.get();
    SSL_set_bio(ssl, bio, bio);

    const bool isAddress = IsIpAddress(options.HostName);
    if (!options.HostName.empty() && !isAddress)
        SSL_set_tlsext_host_name(ssl, options.HostName.c_str());
    if (options.VerifyHost) {
        SSL_set_hostflags(ssl, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        const int set = isAddress
                            ? X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), options.HostName.c_str())
                            : SSL_set1_host(ssl, options.HostName.c_str());
        if (set != 1)
            Fail("Cannot check the server certificate against the host '" + options.HostName + "'");
    }

    handshaking_ = true;
    handshakeDeadline_ = options.HandshakeDeadline;
    const int result = SSL_connect(ssl);
    handshaking_ = false;
    if (result == 1)
        SendCipher(true); // the client's last handshake message, which no read of ours follows
    if (result != 1) {
        const long verification = SSL_get_verify_result(ssl);
        if (verification == X509_V_ERR_HOSTNAME_MISMATCH || verification == X509_V_ERR_IP_ADDRESS_MISMATCH)
            Fail("The server certificate does not match the host name '" + options.HostName + "'");
        if (verification != X509_V_OK)
            Fail("The server certificate of host '" + options.HostName +
                 "' is not trusted: " + X509_verify_cert_error_string(verification));
        ThrowSslError("Cannot establish an SSL connection to host '" + options.HostName + "':", result);
    }
    serverEndPoint_ = EndPointHash(SSL_get0_peer_certificate(ssl));
}

void TCRVioTls::RethrowInnerFailure() {
    if (innerFailure_)
        std::rethrow_exception(std::exchange(innerFailure_, nullptr));
}

void TCRVioTls::ThrowSslError(const std::string& headline, int result) {
    RethrowInnerFailure();
    const int error = SSL_get_error(ssl_.get(), result);
    // A connection that ended in the middle of the handshake has no reason in the error queue.
    const std::string reason = error == SSL_ERROR_SYSCALL && ERR_peek_last_error() == 0
                                   ? "the server closed the connection"
                                   : LastSslReason();
    Fail(headline + "\n" + reason + ".");
}

void TCRVioTls::Write(const char* data, std::size_t size) {
    ERR_clear_error();
    std::size_t written = 0;
    const int result = SSL_write_ex(ssl_.get(), data, size, &written);
    if (result != 1 || written != size)
        ThrowSslError("Error on data writing to the connection:", result);
    SendCipher(true);
}

// One record at a time, and only once the last one has left: what is encrypted but unsent stays
// within a record's size.
std::size_t TCRVioTls::WriteSome(const char* data, std::size_t size) {
    constexpr std::size_t RecordSize = 16384;
    SendCipher(false);
    if (!cipherOut_.empty() || size == 0)
        return 0;
    const std::size_t chunk = std::min(size, RecordSize);
    ERR_clear_error();
    std::size_t written = 0;
    const int result = SSL_write_ex(ssl_.get(), data, chunk, &written);
    if (result != 1 || written != chunk)
        ThrowSslError("Error on data writing to the connection:", result);
    SendCipher(false);
    return chunk;
}

bool TCRVioTls::Wait(bool forWrite) {
    for (;;) {
        // Data the library has read already answers a read without the socket.
        if (SSL_has_pending(ssl_.get()) == 1)
            return true;
        SendCipher(false);
        const bool sending = !cipherOut_.empty();
        const bool readable = inner_->Wait(forWrite || sending);
        if (readable || !sending)
            return readable;
    }
}

std::size_t TCRVioTls::Read(char* buffer, std::size_t size) {
    ERR_clear_error();
    std::size_t received = 0;
    const int result = SSL_read_ex(ssl_.get(), buffer, size, &received);
    if (result == 1)
        return received;
    RethrowInnerFailure();
    if (SSL_get_error(ssl_.get(), result) == SSL_ERROR_ZERO_RETURN)
        return 0;
    ThrowSslError("Error on data reading from the connection:", result);
}

void TCRVioTls::SetTimeout(std::chrono::milliseconds timeout) {
    inner_->SetTimeout(timeout);
}

void TCRVioTls::Close() {
    if (ssl_) {
        // The goodbye is a courtesy: a stream that is already broken ends without it.
        ERR_clear_error();
        SSL_shutdown(ssl_.get());
        try {
            SendCipher(false);
        } catch (const ESocketError&) {
        }
        innerFailure_ = nullptr;
        ssl_.reset();
    }
    inner_->Close();
}

} // namespace velmora
