#include "Common/CRVio.h"

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

} // namespace velmora
