#pragma once

#include "Dabrix/MessageBoxService.h"

#include <string>

namespace velmora {

// The message boxes as Qt shows them: application-modal, centred on the screen. Error boxes show
// the footnote, when there is one, under their text.
class TQtMessageBoxService final : public TMessageBoxService {
public:
    explicit TQtMessageBoxService(std::string errorFootnote = {});

    void Show(TMessageBoxKind kind, const std::string& caption, const std::string& text) override;
    bool Ask(const std::string& caption, const std::string& text) override;

private:
    std::string errorFootnote_;
};

} // namespace velmora
