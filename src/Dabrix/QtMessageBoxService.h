#pragma once

#include "Dabrix/MessageBoxService.h"

namespace velmora {

// The message boxes as Qt shows them: application-modal, centred on the screen.
class TQtMessageBoxService final : public TMessageBoxService {
public:
    void Show(TMessageBoxKind kind, const std::string& caption, const std::string& text) override;
};

} // namespace velmora
