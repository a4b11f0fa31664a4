#pragma once

#include "Common/CRVio.h"

#include <chrono>
#include <exception>
#include <memory>
#include <optional>
#include <string>

struct bio_st;
struct ssl_ctx_st;
struct ssl_st;

namespace velmora {

// What an encrypted stream checks and presents.
struct TCRTlsOptions {
    // The name or address the client asked for: sent as the server name (names only) and, with
    // VerifyHost, compared with the names and addresses in the server's certificate.
    std::string HostName;
    bool VerifyChain = false; // the server's certificate must chain to a root in CACertFile
    bool VerifyHost = false;  // and be issued for HostName
    std::string CACertFile;   // PEM roots; "system" takes the system's trusted roots
    std::string CertFile;     // client certificate (PEM), sent when the server asks for one
    std::string KeyFile;      // its private key; refused when others may read it
    std::string CipherList;   // ciphers for TLS 1.2, in the library's notation; empty: its default
    // The handshake's every wait ends by then, however slowly the server's bytes arrive; none: each
    // wait takes the inner stream's timeout.
    std::optional<std::chrono::steady_clock::time_point> HandshakeDeadline;
};

// A TLS session over another stream: the handshake runs in the constructor, then reads and writes
// are encrypted. The inner stream's receive timeout bounds every read, and the handshake's deadline
// the handshake as a whole.
class TCRVioTls final : public TCRVio {
public:
    // Throws ESocketError when the material cannot be loaded, the handshake fails or the server's
    // certificate does not pass the checks asked for.
    TCRVioTls(std::unique_ptr<TCRVio> inner, const TCRTlsOptions& options);
    ~TCRVioTls() override;
    TCRVioTls(const TCRVioTls&) = delete;
    TCRVioTls& operator=(const TCRVioTls&) = delete;

    void Write(const char* data, std::size_t size) override;
    std::size_t Read(char* buffer, std::size_t size) override;
    void SetTimeout(std::chrono::milliseconds timeout) override;
    std::size_t WriteSome(const char* data, std::size_t size) override;
    bool Wait(bool forWrite) override;
    void Close() override;

    // The tls-server-end-point channel binding data: the hash of the server's certificate with the
    // hash of its signature (SHA-256 in place of MD5 and SHA-1); empty when that hash is unknown.
    const std::string& ServerEndPoint() const { return serverEndPoint_; }

private:
    struct TSslDeleter {
        void operator()(ssl_ctx_st* context) const;
        void operator()(ssl_st* ssl) const;
    };

    // The bridge from the library's I/O callbacks to the inner stream. What the library writes is
    // collected and sent by SendCipher, so that a write need not wait for the server; a read sends
    // what was collected first. A failure of the inner stream is kept here and rethrown once the
    // library returns.
    static int BioWrite(bio_st* bio, const char* data, int size);
    static int BioRead(bio_st* bio, char* buffer, int size);
    void RethrowInnerFailure();
    // Sends the collected encrypted bytes: all of them with wait, else what the stream takes now.
    void SendCipher(bool wait);
    // During the handshake: gives the inner stream's next wait what is left until the deadline.
    void BoundByHandshakeDeadline();
    [[noreturn]] void ThrowSslError(const std::string& headline, int result);

    void Handshake(const TCRTlsOptions& options);

    std::unique_ptr<TCRVio> inner_;
    std::unique_ptr<ssl_ctx_st, TSslDeleter> context_;
    std::unique_ptr<ssl_st, TSslDeleter> ssl_;
    std::exception_ptr innerFailure_;
    std::string cipherOut_;    // encrypted bytes not yet sent
    bool handshaking_ = false; // the handshake waits for its own bytes to leave
    std::optional<std::chrono::steady_clock::time_point> handshakeDeadline_;
    std::string serverEndPoint_;
};

} // namespace velmora
