#pragma once

#include <string>

namespace velmora {

enum class TMessageBoxKind { Warning, Information, Error, Question };

// The modal message boxes of the program: a caption, an icon for the kind, the text and one OK
// button, or for a question the buttons "Ja" and "Nein". The window and the login dialog ask this service
// instead of opening boxes themselves, so that tests can answer it and see what was shown.
class TMessageBoxService {
public:
    TMessageBoxService() = default;
    virtual ~TMessageBoxService() = default;
    TMessageBoxService(const TMessageBoxService&) = delete;
    TMessageBoxService& operator=(const TMessageBoxService&) = delete;

    // Returns when the user has pressed OK.
    virtual void Show(TMessageBoxKind kind, const std::string& caption, const std::string& text) = 0;
    // A question; true when the user pressed "Ja". "Nein" is the default button, so that a hasty
    // Enter destroys nothing.
    virtual bool Ask(const std::string& caption, const std::string& text) = 0;
};

} // namespace velmora
