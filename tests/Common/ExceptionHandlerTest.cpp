#include "Common/ExceptionHandler.h"

#include "Common/Exceptions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace velmora;
using testing::ElementsAre;

namespace {

// Installs a handler that records what it is shown, and puts the previous one back.
class RecordingHandler {
public:
    RecordingHandler() {
        previous_ = SetApplicationExceptionHandler(
            [this](const std::exception& e) { messages.push_back(ErrorBoxMessage(e)); });
    }
    ~RecordingHandler() { SetApplicationExceptionHandler(std::move(previous_)); }
    RecordingHandler(const RecordingHandler&) = delete;
    RecordingHandler& operator=(const RecordingHandler&) = delete;

    std::vector<std::string> messages;

private:
    TApplicationExceptionHandler previous_;
};

std::exception_ptr Wrapped(const std::string& message) {
    return std::make_exception_ptr(Exception(message));
}

} // namespace

TEST(ErrorBoxMessage, AppendsAFullStopOnlyAfterCharactersThatSortAfterIt) {
    struct Case {
        const char* message;
        const char* shown;
    };
    const Case cases[] = {
        {"relation \"x\" does not exist", "relation \"x\" does not exist."},
        {"Already a sentence.", "Already a sentence."},
        {"ends in a comma,", "ends in a comma,"},     // ',' sorts before '.'
        {"ends in a bracket)", "ends in a bracket)"}, // so does ')'
        {"ends in a dash-", "ends in a dash-"},
        {"ends in a slash/", "ends in a slash/."},
        {"ends in a digit 7", "ends in a digit 7."},
        {"Rücklieferung fehlt: ß", "Rücklieferung fehlt: ß."}, // a multibyte last character
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ErrorBoxMessage(Exception(c.message)), c.shown) << c.message;
}

TEST(ErrorBoxMessage, ShowsTheInnermostMessageOfWrappedExceptions) {
    const Exception outer("outer", std::make_exception_ptr(Exception("middle", Wrapped("innermost"))));
    EXPECT_EQ(ErrorBoxMessage(outer), "innermost.");
    EXPECT_EQ(ErrorBoxMessage(std::runtime_error("plain")), "plain.");
}

// What a component's error stands for: the first exception of the wanted class, outside in.
TEST(WrappedException, FindsTheWantedClassAtAnyDepth) {
    const Exception outer("outer", std::make_exception_ptr(EDAError("middle", 7, Wrapped("innermost"))));
    EXPECT_EQ(WrappedException<Exception>(outer)->Message(), "outer");
    const std::optional<EDAError> middle = WrappedException<EDAError>(outer);
    ASSERT_TRUE(middle.has_value());
    EXPECT_EQ(middle->ErrorCode(), 7);
    EXPECT_FALSE(WrappedException<EAbort>(outer).has_value());
    EXPECT_FALSE(WrappedException<EDAError>(std::runtime_error("plain")).has_value());
    EXPECT_FALSE(WrappedException<EDAError>(Exception("no inner")).has_value());
}

TEST(ApplicationExceptionHandler, ReceivesEveryExceptionButTheSilentCancel) {
    RecordingHandler handler;
    ASSERT_TRUE(HasApplicationExceptionHandler());
    HandleApplicationException(EDatabaseError("Connection is not defined"));
    HandleApplicationException(EAbort());
    HandleApplicationException(EDAError("duplicate key", 23505));
    EXPECT_THAT(handler.messages, ElementsAre("Connection is not defined.", "duplicate key."));
}

TEST(ApplicationExceptionHandler, InstallingReturnsThePreviousHandler) {
    int firstCalls = 0;
    auto original = SetApplicationExceptionHandler([&](const std::exception&) { ++firstCalls; });
    auto first = SetApplicationExceptionHandler(nullptr);
    EXPECT_FALSE(HasApplicationExceptionHandler());
    HandleApplicationException(Exception("dropped without a handler"));
    EXPECT_EQ(firstCalls, 0);

    SetApplicationExceptionHandler(std::move(first));
    HandleApplicationException(Exception("shown"));
    EXPECT_EQ(firstCalls, 1);
    SetApplicationExceptionHandler(std::move(original));
}
