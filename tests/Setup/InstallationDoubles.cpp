#include "InstallationDoubles.h"

#include "Common/ExceptionHandler.h"
#include "support/Sandbox.h"

namespace velmora::test {

void RecordingHost::SetProgress(int value) {
    progress.push_back(value);
    if (onProgress)
        onProgress(value);
}

ScriptedLogin::ScriptedLogin(int cancels, TAdminLogin login)
    : TUnattendedConnectDialog(std::move(login)), cancels_(cancels) {}

bool ScriptedLogin::Execute() {
    ++showings;
    if (showings <= cancels_)
        return false;
    return TUnattendedConnectDialog::Execute();
}

TAdminLogin ScriptedLogin::sandboxLogin() {
    const SandboxEnv& env = sandbox();
    return {env.host, std::stoi(env.port), "postgres", env.user, env.password};
}

ErrorRecorder::ErrorRecorder(const RecordingHost& host) {
    SetApplicationExceptionHandler([this, &host](const std::exception& e) {
        errors.push_back({host.lastProgress(), ErrorBoxMessage(e)});
    });
}

ErrorRecorder::~ErrorRecorder() {
    SetApplicationExceptionHandler(nullptr);
}

std::vector<std::string> ErrorRecorder::at(int progress) const {
    std::vector<std::string> messages;
    for (const Error& error : errors) {
        if (error.progress == progress)
            messages.push_back(error.message);
    }
    return messages;
}

} // namespace velmora::test
