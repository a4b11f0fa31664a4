#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace velmora {

// The password as the server prepares it before deriving a SCRAM key: normalised by the SASLprep
// profile of stringprep, or the bytes unchanged when that fails (not UTF-8, prohibited or
// unassigned characters), as the server then uses them.
std::string PgSaslPrep(const std::string& password);

// The answer to an MD5 password request: "md5" + md5hex(md5hex(password + user) + salt), the salt
// being the 4 raw bytes of the request.
std::string PgMd5Password(std::string_view user, std::string_view password, std::string_view salt);

// A role's password as the server stores it, computed here so that CREATE ROLE ... PASSWORD never
// carries the clear text into the server's statement log, and the bytes hashed are the UTF-8 ones
// the role will log on with, whatever the encoding of the session that creates it.
//
// SCRAM-SHA-256 (RFC 5802, 7677): "SCRAM-SHA-256$<iterations>:<salt>$<StoredKey>:<ServerKey>" in
// Base64, the password prepared by PgSaslPrep as at log-on.
std::string PgScramSha256Verifier(const std::string& password, std::string_view salt, int iterations = 4096);
// MD5: "md5" + md5hex(password + role).
std::string PgMd5Verifier(std::string_view role, std::string_view password);
// The verifier for the server's setting password_encryption: MD5 where it says md5 (or, before
// version 10, on), else SCRAM-SHA-256 with 16 random bytes of salt.
std::string PgPasswordVerifier(std::string_view passwordEncryption, std::string_view role,
                               const std::string& password);

// How a SCRAM exchange is bound to the TLS channel under it: the header the client's messages begin
// with, and the binding data that the client's final message carries.
struct TScramChannelBinding {
    std::string Header = "n,,"; // no TLS under the exchange
    std::string Data;

    // Over TLS when the server offers no binding: the server then knows that the offer it made
    // (or an attacker in between made for it) did not include binding.
    static TScramChannelBinding NotOffered() { return {"y,,", {}}; }
    // tls-server-end-point: certificateHash is the hash of the server's TLS certificate.
    static TScramChannelBinding ServerEndPoint(std::string certificateHash) {
        return {"p=tls-server-end-point,,", std::move(certificateHash)};
    }
};

// The client side of a SCRAM-SHA-256 exchange, with or without channel binding
// (SCRAM-SHA-256-PLUS), a state machine over the three messages: ClientFirstMessage, then ClientFinalMessage
// for the server's first message, then VerifyServerFinal for its final message. Any violation throws a fatal
// EPgError; after a successful VerifyServerFinal, Verified() is true and only then may the server's
// AuthenticationOk be believed.
class TScramSha256Client {
public:
    static constexpr std::string_view PlainMechanism = "SCRAM-SHA-256";
    static constexpr std::string_view PlusMechanism = "SCRAM-SHA-256-PLUS";

    // PostgreSQL takes the user from the startup message, so the protocol passes an empty user.
    // The nonce is random unless a test fixes it.
    TScramSha256Client(std::string_view user, std::string password, std::string clientNonce = RandomNonce(),
                       TScramChannelBinding binding = {});

    // The mechanism to name to the server: with binding data, the PLUS variant.
    std::string_view Mechanism() const { return binding_.Data.empty() ? PlainMechanism : PlusMechanism; }

    // The key derivation gives up with a fatal EPgError at this point in time: the iteration count
    // is the server's choice and must not hold the log-on past its timeout.
    void SetDeadline(std::optional<std::chrono::steady_clock::time_point> deadline) { deadline_ = deadline; }

    std::string ClientFirstMessage();
    std::string ClientFinalMessage(std::string_view serverFirstMessage);
    void VerifyServerFinal(std::string_view serverFinalMessage);
    bool Verified() const { return step_ == TStep::Finished; }

    static std::string RandomNonce();

private:
    enum class TStep { Init, NonceSent, ProofSent, Finished };

    void Expect(TStep step) const;

    TStep step_ = TStep::Init;
    std::string password_;
    std::string clientNonce_;
    TScramChannelBinding binding_;
    std::string clientFirstBare_;
    std::string expectedServerSignature_;
    std::optional<std::chrono::steady_clock::time_point> deadline_;
};

} // namespace velmora
