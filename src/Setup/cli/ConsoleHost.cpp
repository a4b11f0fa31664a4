#include "Setup/cli/ConsoleHost.h"

namespace velmora::cli {

TConsoleHost::TConsoleHost(std::string tenantCode, TTenantMasterData masterData, std::ostream& out,
                           std::ostream& err)
    : tenantCode_(std::move(tenantCode)), masterData_(std::move(masterData)), out_(out), err_(err) {}

void TConsoleHost::SetProgress(int value) {
    progress_ = value;
    if (value % 10 == 0)
        out_ << "Fortschritt " << value << " %" << std::endl;
}

void TConsoleHost::ShowWarning(const std::string& text) {
    warned_ = true;
    err_ << "Warnung: " << text << std::endl;
}

void TConsoleHost::ShowInformation(const std::string& text) {
    finished_ = true;
    out_ << text << std::endl;
}

} // namespace velmora::cli
