#include "PostgreSql/PgConnectionString.h"

#include <optional>
#include <vector>

namespace velmora {
namespace {

constexpr std::string_view kUriPrefixes[] = {"postgresql://", "postgres://"};

std::optional<std::string_view> UriPrefix(std::string_view text) {
    for (std::string_view prefix : kUriPrefixes) {
        if (text.starts_with(prefix))
            return prefix;
    }
    return std::nullopt;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

void RequireKeyword(std::string_view name, const std::string& complaint) {
    if (FindPgConnectionKeyword(name) == nullptr)
        throw EPgConnectionValueError(complaint);
}

// Reads "keyword = value" pairs.
class TKeywordValueReader {
public:
    explicit TKeywordValueReader(std::string_view text) : text_(text) {}

    TPgConnectionValues Read() {
        TPgConnectionValues values;
        for (SkipBlanks(); pos_ < text_.size(); SkipBlanks()) {
            const std::string keyword = ReadKeyword();
            SkipBlanks();
            if (pos_ == text_.size() || text_[pos_] != '=')
                throw EPgConnectionValueError("missing \"=\" after " + PgQuoted(keyword) +
                                              " in connection info string");
            ++pos_;
            SkipBlanks();
            std::string value = pos_ < text_.size() && text_[pos_] == '\'' ? ReadQuoted() : ReadPlain();
            RequireKeyword(keyword, "invalid connection option " + PgQuoted(keyword));
            values[keyword] = std::move(value);
        }
        return values;
    }

private:
    void SkipBlanks() {
        while (pos_ < text_.size() && IsBlank(text_[pos_]))
            ++pos_;
    }

    std::string ReadKeyword() {
        const std::size_t start = pos_;
        while (pos_ < text_.size() && !IsBlank(text_[pos_]) && text_[pos_] != '=')
            ++pos_;
        return std::string(text_.substr(start, pos_ - start));
    }

    std::string ReadPlain() {
        std::string value;
        while (pos_ < text_.size() && !IsBlank(text_[pos_]))
            AppendCharacter(value);
        return value;
    }

    std::string ReadQuoted() {
        std::string value;
        for (++pos_; pos_ < text_.size(); AppendCharacter(value)) {
            if (text_[pos_] == '\'') {
                ++pos_;
                return value;
            }
        }
        throw EPgConnectionValueError("unterminated quoted string in connection info string");
    }

    // The character at the position, or the one a backslash escapes.
    void AppendCharacter(std::string& value) {
        if (text_[pos_] == '\\' && pos_ + 1 < text_.size())
            ++pos_;
        value += text_[pos_++];
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string PercentDecoded(std::string_view part) {
    std::string decoded;
    for (std::size_t i = 0; i < part.size(); ++i) {
        if (part[i] != '%') {
            decoded += part[i];
            continue;
        }
        const int high = i + 2 < part.size() ? HexDigit(part[i + 1]) : -1;
        const int low = high < 0 ? -1 : HexDigit(part[i + 2]);
        if (low < 0)
            throw EPgConnectionValueError("invalid percent-encoded token: " + PgQuoted(part));
        if (high == 0 && low == 0)
            throw EPgConnectionValueError("forbidden value %00 in percent-encoded value: " + PgQuoted(part));
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return decoded;
}

// Reads postgresql://[user[:password]@][host][:port][,...][/dbname][?keyword=value[&...]].
class TUriReader {
public:
    TUriReader(std::string_view uri, std::size_t prefixLength) : uri_(uri), pos_(prefixLength) {}

    TPgConnectionValues Read() {
        ReadUser();
        ReadHosts();
        if (Next() == '/') {
            ++pos_;
            SetDecoded("dbname", Until("?"));
        }
        if (Next() == '?') {
            ++pos_;
            ReadQuery();
        }
        return std::move(values_);
    }

private:
    char Next() const { return pos_ < uri_.size() ? uri_[pos_] : '\0'; }

    // The text from the position up to the first of the stop characters or the end.
    std::string_view Until(std::string_view stops) {
        const std::size_t end = std::min(uri_.find_first_of(stops, pos_), uri_.size());
        const std::string_view part = uri_.substr(pos_, end - pos_);
        pos_ = end;
        return part;
    }

    void SetDecoded(const char* keyword, std::string_view part) {
        if (!part.empty())
            values_[keyword] = PercentDecoded(part);
    }

    void ReadUser() {
        const std::size_t at = uri_.find_first_of("@/?", pos_);
        if (at == std::string_view::npos || uri_[at] != '@')
            return;
        const std::string_view user = Until("@");
        ++pos_;
        const std::size_t colon = user.find(':');
        SetDecoded("user", user.substr(0, colon));
        if (colon != std::string_view::npos)
            values_["password"] = PercentDecoded(user.substr(colon + 1));
    }

    // host[:port] pairs separated by commas; an IPv6 address stands in brackets.
    void ReadHosts() {
        std::string hosts;
        std::string ports;
        for (bool first = true; first || Next() == ','; first = false) {
            if (!first) {
                ++pos_;
                hosts += ',';
                ports += ',';
            }
            hosts += PercentDecoded(Next() == '[' ? ReadBracketedAddress() : Until(":/?,"));
            if (Next() == ':') {
                ++pos_;
                ports += PercentDecoded(Until("/?,"));
            }
        }
        if (!hosts.empty())
            values_["host"] = hosts;
        if (!ports.empty())
            values_["port"] = ports;
    }

    std::string_view ReadBracketedAddress() {
        ++pos_;
        const std::size_t close = uri_.find(']', pos_);
        if (close == std::string_view::npos)
            throw EPgConnectionValueError(
                "end of string reached when looking for matching \"]\" in IPv6 host address in URI: " +
                PgQuoted(uri_));
        if (close == pos_)
            throw EPgConnectionValueError("IPv6 host address may not be empty in URI: " + PgQuoted(uri_));
        const std::string_view address = uri_.substr(pos_, close - pos_);
        pos_ = close + 1;
        if (pos_ < uri_.size() && std::string_view(":/?,").find(Next()) == std::string_view::npos)
            throw EPgConnectionValueError("unexpected character \"" + std::string(1, Next()) +
                                          "\" at position " + std::to_string(pos_ + 1) +
                                          " in URI (expected \":\" or \"/\"): " + PgQuoted(uri_));
        return address;
    }

    void ReadQuery() {
        while (pos_ < uri_.size()) {
            const std::string_view parameter = Until("&");
            if (Next() == '&')
                ++pos_;
            if (!parameter.empty())
                ReadParameter(parameter);
        }
    }

    void ReadParameter(std::string_view parameter) {
        const std::size_t equals = parameter.find('=');
        if (equals == std::string_view::npos)
            throw EPgConnectionValueError("missing key/value separator \"=\" in URI query parameter: " +
                                          PgQuoted(parameter));
        if (parameter.find('=', equals + 1) != std::string_view::npos)
            throw EPgConnectionValueError("extra key/value separator \"=\" in URI query parameter: " +
                                          PgQuoted(parameter));
        std::string keyword = PercentDecoded(parameter.substr(0, equals));
        std::string value = PercentDecoded(parameter.substr(equals + 1));
        // The form Java programs write for an encrypted connection.
        if (keyword == "ssl" && value == "true") {
            keyword = "sslmode";
            value = "require";
        }
        RequireKeyword(keyword, "invalid URI query parameter: " + PgQuoted(keyword));
        values_[keyword] = std::move(value);
    }

    std::string_view uri_;
    std::size_t pos_;
    TPgConnectionValues values_;
};

} // namespace

bool PgIsConnectionString(std::string_view text) {
    return UriPrefix(text).has_value() || text.find('=') != std::string_view::npos;
}

TPgConnectionValues ParsePgConnectionString(std::string_view text) {
    if (const auto prefix = UriPrefix(text))
        return TUriReader(text, prefix->size()).Read();
    return TKeywordValueReader(text).Read();
}

} // namespace velmora
