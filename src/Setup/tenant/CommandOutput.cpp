#include "Setup/tenant/CommandOutput.h"

#include <stdexcept>

namespace velmora::tenant {

void TCommandOutput::Document(const nlohmann::json& document) {
    if (!json_)
        return;
    if (documentWritten_)
        throw std::logic_error("a run writes one JSON document");
    // Text that is not UTF-8 (a server's message in another encoding) is replaced, not refused:
    // the document must be written whatever the server said.
    out_ << document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << std::endl;
    documentWritten_ = true;
}

} // namespace velmora::tenant
