#pragma once

#include "Dabrix/MessageBoxService.h"

#include <functional>
#include <string>
#include <vector>

namespace velmora::test {

// The message-box service of tests: every box is recorded and answered at once.
class TRecordingMessageBoxes final : public TMessageBoxService {
public:
    struct TBox {
        TMessageBoxKind kind;
        std::string caption;
        std::string text;
    };

    std::vector<TBox> shown;
    // The answer to every question.
    bool answer = false;
    // Runs while a box is "open", e.g. to look at the form behind it.
    std::function<void(const TBox&)> whileShown;

    void Show(TMessageBoxKind kind, const std::string& caption, const std::string& text) override {
        shown.push_back({kind, caption, text});
        if (whileShown)
            whileShown(shown.back());
    }

    bool Ask(const std::string& caption, const std::string& text) override {
        Show(TMessageBoxKind::Question, caption, text);
        return answer;
    }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const TBox& box : shown)
            texts.push_back(box.text);
        return texts;
    }
};

} // namespace velmora::test
