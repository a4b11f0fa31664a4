#include "Common/ExceptionHandler.h"

#include "Common/Exceptions.h"

#include <utility>

namespace velmora {

namespace {

TApplicationExceptionHandler& InstalledHandler() {
    static TApplicationExceptionHandler handler;
    return handler;
}

} // namespace

TApplicationExceptionHandler SetApplicationExceptionHandler(TApplicationExceptionHandler handler) {
    return std::exchange(InstalledHandler(), std::move(handler));
}

bool HasApplicationExceptionHandler() {
    return static_cast<bool>(InstalledHandler());
}

void HandleApplicationException(const std::exception& e) {
    if (dynamic_cast<const EAbort*>(&e) != nullptr || !InstalledHandler())
        return;
    InstalledHandler()(e);
}

std::string ErrorBoxMessage(const std::exception& e) {
    std::string message = InnermostMessage(e);
    // Bytes compare unsigned, so a message ending in a multibyte character gets its full stop too.
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        message += '.';
    return message;
}

} // namespace velmora
