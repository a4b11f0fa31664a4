#include "Common/CRVio.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace velmora {

std::size_t TCRVio::WriteSome(const char* data, std::size_t size) {
    Write(data, size);
    return size;
}

bool TCRVio::Wait(bool) {
    return true;
}

std::string SocketErrorCodeLine(int code) {
    char line[64];
    std::snprintf(line, sizeof line, "Socket Error Code: %d($%X)", code, static_cast<unsigned>(code));
    return line;
}

std::string SocketErrorText(const std::string& headline, int code) {
    return headline + "\n" + std::system_category().message(code) + ".\n" + SocketErrorCodeLine(code);
}

void BoundByDeadline(TCRVio& stream, std::optional<std::chrono::steady_clock::time_point> deadline) {
    if (!deadline)
        return;
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(*deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0)
        throw ESocketError(SocketErrorText("Error on data reading from the connection:", ETIMEDOUT),
                           ETIMEDOUT);
    stream.SetTimeout(left);
}

} // namespace velmora
