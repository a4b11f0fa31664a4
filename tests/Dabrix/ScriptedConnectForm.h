#pragma once

#include "Dabrix/UniConnectDialog.h"

#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace velmora::test {

// A login form without widgets whose user is a test function: it looks at the fields, types into
// them and presses the buttons through the form's controller.
class TScriptedConnectForm final : public TConnectFormView {
public:
    using TUser = std::function<void(TScriptedConnectForm&)>;

    explicit TScriptedConnectForm(TUser user) : user_(std::move(user)) {}

    std::string caption;
    std::map<TConnectField, std::string> labels;
    std::string connectCaption, cancelCaption;
    std::map<TConnectField, std::string> texts;
    std::map<TConnectField, std::vector<std::string>> items;
    TConnectField focus = TConnectField::Provider;
    int busyCount = 0; // how often the busy pointer was shown
    bool busy = false;
    // What the SSL dialog showed the last time, and what the user does there: confirm with the
    // answer, or cancel when there is none.
    TSSLTexts sslTexts;
    std::vector<std::string> sslModes;
    std::optional<TSSLChoice> sslShown;
    std::optional<TSSLChoice> sslAnswer;

    // The user's actions; each returns what the form did.
    TConnectFormController::TConnectResult PressConnect() {
        const auto result = Controller().ConnectClicked();
        if (result == TConnectFormController::TConnectResult::Connected)
            Close(true);
        else if (result == TConnectFormController::TConnectResult::GivenUp)
            Close(false);
        return result;
    }
    void PressCancel() { Close(false); }
    void DropDownServers() { Controller().ServerDropDown(); }
    void DropDownDatabases() { Controller().DatabaseDropDown(); }
    void ChooseProvider(const std::string& name) {
        texts[TConnectField::Provider] = name;
        Controller().ProviderChosen();
    }
    // Opens the SSL dialog, which confirms with the mode and file given, or is cancelled without them.
    void ChooseSSL(std::optional<TSSLChoice> answer) {
        sslAnswer = std::move(answer);
        Controller().SSLClicked();
    }
    bool IsOpen() const { return controller_ != nullptr && !closed_; }

    void SetCaption(const std::string& text) override { caption = text; }
    void SetLabel(TConnectField field, const std::string& text) override { labels[field] = text; }
    void SetButtonCaptions(const std::string& connect, const std::string& cancel) override {
        connectCaption = connect;
        cancelCaption = cancel;
    }
    std::string Text(TConnectField field) const override {
        const auto found = texts.find(field);
        return found == texts.end() ? std::string() : found->second;
    }
    void SetText(TConnectField field, const std::string& text) override { texts[field] = text; }
    void SetItems(TConnectField field, const std::vector<std::string>& entries) override {
        items[field] = entries;
    }
    void SetFocus(TConnectField field) override { focus = field; }
    void SetBusy(bool value) override {
        busy = value;
        busyCount += value ? 1 : 0;
    }

    bool EditSSL(const TSSLTexts& shownTexts, const std::vector<std::string>& modes,
                 TSSLChoice& choice) override {
        sslTexts = shownTexts;
        sslModes = modes;
        sslShown = choice;
        if (sslAnswer)
            choice = *sslAnswer;
        return sslAnswer.has_value();
    }

    bool ShowModal(TConnectFormController& controller) override {
        controller_ = &controller;
        user_(*this);
        EXPECT_TRUE(closed_) << "the scripted user left the form open";
        controller_ = nullptr;
        return confirmed_;
    }

private:
    TConnectFormController& Controller() {
        if (!IsOpen())
            throw std::logic_error("the form is not open");
        return *controller_;
    }
    void Close(bool confirmed) {
        closed_ = true;
        confirmed_ = confirmed;
    }

    TUser user_;
    TConnectFormController* controller_ = nullptr;
    bool closed_ = false;
    bool confirmed_ = false;
};

} // namespace velmora::test
