#pragma once

#include <QApplication>
#include <QString>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <string>

namespace velmora::test {

// The application lives from before the first test to after the last, and ends before main returns.
// Its executable is named as the setup's, so that the application title is the one the program has.
class QtApplicationEnvironment : public testing::Environment {
public:
    void SetUp() override { application_ = std::make_unique<QApplication>(argc_, argv_); }
    void TearDown() override { application_.reset(); }

private:
    int argc_ = 1;
    char name_[6] = "Setup";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> application_;
};

inline const testing::Environment* const kQtApplication =
    testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

// The child widget of that object name; a missing one fails the test with its name.
template <class TWidget>
TWidget& Child(const QWidget& parent, const char* name) {
    auto* child = parent.findChild<TWidget*>(QString::fromLatin1(name));
    if (child == nullptr)
        throw std::logic_error(std::string("no widget ") + name);
    return *child;
}

} // namespace velmora::test
