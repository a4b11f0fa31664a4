#include "Setup/cli/ConsoleHost.h"

namespace velmora::cli {

TConsoleHost::TConsoleHost(std::string tenantCode, TTenantMasterData masterData, bool replace,
                           std::ostream& out, std::ostream& err)
    : tenantCode_(std::move(tenantCode)), masterData_(std::move(masterData)), replace_(replace), out_(out),
      err_(err) {}

void TConsoleHost::SetProgress(int value) {
    progress_ = value;
    if (value % 10 == 0)
        out_ << "Fortschritt " << value << " %" << std::endl;
}

void TConsoleHost::ShowWarning(const std::string& text) {
    err_ << "Warnung: " << text << std::endl;
}

bool TConsoleHost::Confirm(const std::string& question) {
    if (replace_) {
        out_ << question << " Ja (--replace)" << std::endl;
        return true;
    }
    err_ << question << std::endl
         << "Nichts wurde verändert. Mit --replace wird der Mandant ersetzt." << std::endl;
    return false;
}

void TConsoleHost::ShowInformation(const std::string& text) {
    out_ << text << std::endl;
}

void TConsoleHost::SetIsolatedTenantForced(const std::optional<std::string>& reason) {
    if (reason && !isolatedTenantRequested_)
        out_ << "Hinweis: " << *reason << "." << std::endl;
}

} // namespace velmora::cli
