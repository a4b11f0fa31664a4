#include "Common/Exceptions.h"

namespace velmora {

std::string InnermostMessage(const std::exception& e) {
    const auto* wrapper = dynamic_cast<const Exception*>(&e);
    if (wrapper == nullptr || !wrapper->InnerException())
        return e.what();
    try {
        std::rethrow_exception(wrapper->InnerException());
    } catch (const std::exception& inner) {
        return InnermostMessage(inner);
    } catch (...) {
        return e.what();
    }
}

} // namespace velmora
