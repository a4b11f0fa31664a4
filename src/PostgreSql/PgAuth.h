#pragma once

#include <string>
#include <string_view>

namespace velmora {

// The answer to an MD5 password request: "md5" + md5hex(md5hex(password + user) + salt), the salt
// being the 4 raw bytes of the request.
std::string PgMd5Password(std::string_view user, std::string_view password, std::string_view salt);

// The client side of a SCRAM-SHA-256 exchange (without channel binding), a state machine over the
// three messages: ClientFirstMessage, then ClientFinalMessage for the server's first message, then
// VerifyServerFinal for its final message. Any violation throws a fatal EPgError; after a
// successful VerifyServerFinal, Verified() is true and only then may the server's
// AuthenticationOk be believed.
class TScramSha256Client {
public:
    static constexpr std::string_view Mechanism = "SCRAM-SHA-256";

    // PostgreSQL takes the user from the startup message, so the protocol passes an empty user.
    // The nonce is random unless a test fixes it.
    TScramSha256Client(std::string_view user, std::string password, std::string clientNonce = RandomNonce());

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
    std::string clientFirstBare_;
    std::string expectedServerSignature_;
};

} // namespace velmora
