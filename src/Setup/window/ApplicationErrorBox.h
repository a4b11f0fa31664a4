#pragma once

#include "Common/ExceptionHandler.h"
#include "Dabrix/MessageBoxService.h"

#include <string>
#include <string_view>

namespace velmora {

// The application's title, made from the path of its executable: the file name, cut at its first
// dot, with every character after the first in lower case ("/opt/SETUP.EXE" gives "Setup"). It
// captions the error boxes and names the program's entry in the settings store.
std::string ApplicationTitle(std::string_view executablePath);

// The line under the text of the program's error boxes: its version, so that a reported error
// says which release showed it.
std::string ErrorBoxFootnote();

// The application's exception handler of the window program for as long as it lives: every
// exception that leaves an event handler is shown in an error box with the application title as
// caption, the error icon and one OK button. The cancel exception shows nothing. The handler it
// replaced comes back when it is destroyed.
class TApplicationErrorBox {
public:
    TApplicationErrorBox(TMessageBoxService& messageBoxes, std::string applicationTitle);
    ~TApplicationErrorBox();
    TApplicationErrorBox(const TApplicationErrorBox&) = delete;
    TApplicationErrorBox& operator=(const TApplicationErrorBox&) = delete;

private:
    TApplicationExceptionHandler replaced_;
};

} // namespace velmora
