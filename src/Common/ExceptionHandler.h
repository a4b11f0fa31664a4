#pragma once

#include <exception>
#include <functional>
#include <string>

namespace velmora {

// The application's report of an exception that nobody else handles: the window shows the error box,
// the command-line installer prints to standard error, tests record. One handler serves the process;
// it is installed at start-up, before any component runs.
using TApplicationExceptionHandler = std::function<void(const std::exception& e)>;

// Installs handler (none uninstalls) and returns the one it replaces.
TApplicationExceptionHandler SetApplicationExceptionHandler(TApplicationExceptionHandler handler);
bool HasApplicationExceptionHandler();

// Hands e to the installed handler; EAbort, the silent cancel, is dropped. Without a handler the
// exception is dropped too: callers that must not lose it ask HasApplicationExceptionHandler first.
void HandleApplicationException(const std::exception& e);

// The text an error box shows for e: the innermost wrapped exception's message, with a full stop
// appended when its last character sorts after ".".
std::string ErrorBoxMessage(const std::exception& e);

} // namespace velmora
