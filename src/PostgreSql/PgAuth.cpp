#include "PostgreSql/PgAuth.h"

#include "PostgreSql/PgError.h"

#include <array>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>
#include <stringprep.h>

namespace velmora {
namespace {

using TDigest = std::array<unsigned char, 32>;
using Clock = std::chrono::steady_clock;

[[noreturn]] void Fail(const std::string& message) {
    throw EPgError(TPgSeverity::sFatal, message);
}

const unsigned char* Bytes(std::string_view text) {
    return reinterpret_cast<const unsigned char*>(text.data());
}

std::string_view Text(const TDigest& digest) {
    return {reinterpret_cast<const char*>(digest.data()), digest.size()};
}

std::string Md5Hex(std::string_view data) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(data.data(), data.size(), digest, &length, EVP_md5(), nullptr) != 1)
        Fail("MD5 is not available");
    static constexpr char hex[] = "0123456789abcdef";
    std::string text;
    for (unsigned i = 0; i < length; ++i) {
        text += hex[digest[i] >> 4];
        text += hex[digest[i] & 0xF];
    }
    return text;
}

TDigest Sha256(std::string_view data) {
    TDigest digest{};
    if (EVP_Digest(data.data(), data.size(), digest.data(), nullptr, EVP_sha256(), nullptr) != 1)
        Fail("SHA-256 is not available");
    return digest;
}

// HMAC-SHA-256 with one key for many messages: the key is set up once.
class THmacSha256 {
public:
    explicit THmacSha256(std::string_view key) {
        std::unique_ptr<EVP_MAC, decltype(&EVP_MAC_free)> mac(EVP_MAC_fetch(nullptr, "HMAC", nullptr),
                                                              EVP_MAC_free);
        if (mac)
            context_.reset(EVP_MAC_CTX_new(mac.get()));
        char digestName[] = "SHA256";
        OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digestName, 0),
                               OSSL_PARAM_construct_end()};
        if (!context_ || EVP_MAC_init(context_.get(), Bytes(key), key.size(), params) != 1)
            Fail("HMAC-SHA-256 is not available");
    }

    TDigest Digest(std::string_view data) {
        TDigest digest{};
        std::size_t length = 0;
        // An init without a key starts a new message under the same key.
        if (EVP_MAC_init(context_.get(), nullptr, 0, nullptr) != 1 ||
            EVP_MAC_update(context_.get(), Bytes(data), data.size()) != 1 ||
            EVP_MAC_final(context_.get(), digest.data(), &length, digest.size()) != 1)
            Fail("HMAC-SHA-256 is not available");
        return digest;
    }

private:
    std::unique_ptr<EVP_MAC_CTX, decltype(&EVP_MAC_CTX_free)> context_{nullptr, EVP_MAC_CTX_free};
};

TDigest HmacSha256(std::string_view key, std::string_view data) {
    return THmacSha256(key).Digest(data);
}

// PBKDF2-HMAC-SHA-256 of one block, computed here rather than in one library call so that it can
// give up at the deadline: the server chooses the iteration count.
TDigest SaltedPassword(std::string_view password, std::string_view salt, int iterations,
                       const std::optional<Clock::time_point>& deadline) {
    constexpr int iterationsPerClockCheck = 1024;
    THmacSha256 hmac(password);
    TDigest block = hmac.Digest(std::string(salt) + std::string("\0\0\0\1", 4));
    TDigest salted = block;
    for (int i = 1; i < iterations; ++i) {
        if (deadline && i % iterationsPerClockCheck == 0 && Clock::now() >= *deadline)
            Fail("Connection timed out while deriving the SCRAM key (" + std::to_string(iterations) +
                 " iterations)");
        block = hmac.Digest(Text(block));
        for (std::size_t k = 0; k < salted.size(); ++k)
            salted[k] ^= block[k];
    }
    OPENSSL_cleanse(block.data(), block.size());
    return salted;
}

std::string Base64Encode(std::string_view data) {
    std::string text(4 * ((data.size() + 2) / 3) + 1, '\0');
    int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), Bytes(data),
                                 static_cast<int>(data.size()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

// Strict Base64: a malformed text from the server is a protocol violation.
std::string Base64Decode(std::string_view text, const char* what) {
    if (text.empty() || text.size() % 4 != 0)
        Fail(std::string("Invalid SCRAM ") + what);
    std::string data(text.size() / 4 * 3, '\0');
    int length = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(data.data()), Bytes(text),
                                 static_cast<int>(text.size()));
    if (length < 0)
        Fail(std::string("Invalid SCRAM ") + what);
    // EVP_DecodeBlock counts the padding as zero bytes.
    std::size_t padding = text.ends_with("==") ? 2 : text.ends_with("=") ? 1 : 0;
    data.resize(static_cast<std::size_t>(length) - padding);
    return data;
}

// The value of attribute name ("r", "s", ...) in a comma-separated SCRAM message; the attributes
// stand in the order the RFC fixes, so each is looked for after the previous one.
std::string_view Attribute(std::string_view message, std::size_t& pos, char name, const char* what) {
    if (pos + 2 > message.size() || message[pos] != name || message[pos + 1] != '=')
        Fail(std::string("Invalid SCRAM ") + what);
    std::size_t end = message.find(',', pos);
    if (end == std::string_view::npos)
        end = message.size();
    std::string_view value = message.substr(pos + 2, end - pos - 2);
    pos = end + 1;
    return value;
}

// A user name in SCRAM's escaped form: "=" and "," are written "=3D" and "=2C".
std::string SaslName(std::string_view user) {
    std::string name;
    for (char c : user) {
        if (c == '=')
            name += "=3D";
        else if (c == ',')
            name += "=2C";
        else
            name += c;
    }
    return name;
}

} // namespace

std::string PgSaslPrep(const std::string& password) {
    char* prepared = nullptr;
    // Unassigned code points make the preparation fail, as they do on the server.
    if (stringprep_profile(password.c_str(), &prepared, "SASLprep", STRINGPREP_NO_UNASSIGNED) !=
        STRINGPREP_OK) {
        std::free(prepared);
        return password;
    }
    std::string result(prepared);
    OPENSSL_cleanse(prepared, std::strlen(prepared));
    std::free(prepared);
    return result;
}

std::string PgMd5Password(std::string_view user, std::string_view password, std::string_view salt) {
    // The server's challenge is answered from the stored verifier without its "md5" prefix.
    return "md5" + Md5Hex(PgMd5Verifier(user, password).substr(3) + std::string(salt));
}

std::string PgScramSha256Verifier(const std::string& password, std::string_view salt, int iterations) {
    std::string prepared = PgSaslPrep(password);
    TDigest salted = SaltedPassword(prepared, salt, iterations, std::nullopt);
    OPENSSL_cleanse(prepared.data(), prepared.size());
    const TDigest storedKey = Sha256(Text(HmacSha256(Text(salted), "Client Key")));
    const TDigest serverKey = HmacSha256(Text(salted), "Server Key");
    OPENSSL_cleanse(salted.data(), salted.size());
    return std::string(TScramSha256Client::PlainMechanism) + "$" + std::to_string(iterations) + ":" +
           Base64Encode(salt) + "$" + Base64Encode(Text(storedKey)) + ":" + Base64Encode(Text(serverKey));
}

std::string PgMd5Verifier(std::string_view role, std::string_view password) {
    return "md5" + Md5Hex(std::string(password) + std::string(role));
}

std::string PgPasswordVerifier(std::string_view passwordEncryption, std::string_view role,
                               const std::string& password) {
    if (passwordEncryption == "md5" || passwordEncryption == "on")
        return PgMd5Verifier(role, password);
    std::array<unsigned char, 16> salt{};
    if (RAND_bytes(salt.data(), static_cast<int>(salt.size())) != 1)
        Fail("No random numbers for the SCRAM salt");
    return PgScramSha256Verifier(password, {reinterpret_cast<const char*>(salt.data()), salt.size()});
}

TScramSha256Client::TScramSha256Client(std::string_view user, std::string password, std::string clientNonce,
                                       TScramChannelBinding binding)
    : password_(std::move(password)), clientNonce_(std::move(clientNonce)), binding_(std::move(binding)),
      clientFirstBare_("n=" + SaslName(user) + ",r=" + clientNonce_) {}

std::string TScramSha256Client::RandomNonce() {
    std::array<unsigned char, 18> random{};
    if (RAND_bytes(random.data(), static_cast<int>(random.size())) != 1)
        Fail("No random numbers for the SCRAM nonce");
    return Base64Encode({reinterpret_cast<const char*>(random.data()), random.size()});
}

void TScramSha256Client::Expect(TStep step) const {
    if (step_ != step)
        Fail("Unexpected SCRAM authentication message");
}

std::string TScramSha256Client::ClientFirstMessage() {
    Expect(TStep::Init);
    step_ = TStep::NonceSent;
    // The header names the binding; no authorization identity follows it.
    return binding_.Header + clientFirstBare_;
}

std::string TScramSha256Client::ClientFinalMessage(std::string_view serverFirstMessage) {
    Expect(TStep::NonceSent);
    std::size_t pos = 0;
    std::string_view nonce = Attribute(serverFirstMessage, pos, 'r', "server nonce");
    std::string salt = Base64Decode(Attribute(serverFirstMessage, pos, 's', "salt"), "salt");
    std::string_view count = Attribute(serverFirstMessage, pos, 'i', "iteration count");
    if (!nonce.starts_with(clientNonce_) || nonce.size() == clientNonce_.size())
        Fail("Invalid SCRAM server nonce");
    int iterations = 0;
    auto [end, error] = std::from_chars(count.data(), count.data() + count.size(), iterations);
    if (error != std::errc() || end != count.data() + count.size() || iterations < 1)
        Fail("Invalid SCRAM iteration count");

    std::string prepared = PgSaslPrep(password_);
    TDigest salted = SaltedPassword(prepared, salt, iterations, deadline_);
    OPENSSL_cleanse(prepared.data(), prepared.size());
    OPENSSL_cleanse(password_.data(), password_.size());
    password_.clear();
    TDigest clientKey = HmacSha256(Text(salted), "Client Key");
    TDigest storedKey = Sha256(Text(clientKey));
    std::string finalWithoutProof =
        "c=" + Base64Encode(binding_.Header + binding_.Data) + ",r=" + std::string(nonce);
    std::string authMessage =
        clientFirstBare_ + "," + std::string(serverFirstMessage) + "," + finalWithoutProof;
    TDigest proof = HmacSha256(Text(storedKey), authMessage);
    for (std::size_t i = 0; i < proof.size(); ++i)
        proof[i] ^= clientKey[i];
    TDigest serverKey = HmacSha256(Text(salted), "Server Key");
    expectedServerSignature_ = Text(HmacSha256(Text(serverKey), authMessage));
    OPENSSL_cleanse(salted.data(), salted.size());
    OPENSSL_cleanse(clientKey.data(), clientKey.size());

    step_ = TStep::ProofSent;
    return finalWithoutProof + ",p=" + Base64Encode(Text(proof));
}

void TScramSha256Client::VerifyServerFinal(std::string_view serverFinalMessage) {
    Expect(TStep::ProofSent);
    if (serverFinalMessage.starts_with("e="))
        Fail("SCRAM authentication failed: " + std::string(serverFinalMessage.substr(2)));
    std::size_t pos = 0;
    std::string signature =
        Base64Decode(Attribute(serverFinalMessage, pos, 'v', "server signature"), "server signature");
    if (signature.size() != expectedServerSignature_.size() ||
        CRYPTO_memcmp(signature.data(), expectedServerSignature_.data(), signature.size()) != 0)
        Fail("Invalid SCRAM server signature");
    step_ = TStep::Finished;
}

} // namespace velmora
