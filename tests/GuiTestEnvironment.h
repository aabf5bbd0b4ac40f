#pragma once
// One QGuiApplication for a whole test run, on the offscreen platform unless
// QT_QPA_PLATFORM says otherwise; its clipboard lives in the process, so no
// display is needed. Register it once per test program:
//   ::testing::AddGlobalTestEnvironment(new zelvo::test::GuiTestEnvironment("name"));

#include <gtest/gtest.h>

#include <QGuiApplication>

#include <memory>
#include <string>

namespace zelvo::test {

class GuiTestEnvironment : public ::testing::Environment {
public:
    explicit GuiTestEnvironment(std::string name) : name_(std::move(name)) {}
    void SetUp() override {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        argv_[0] = name_.data();
        app_ = std::make_unique<QGuiApplication>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

private:
    std::string name_;
    int argc_ = 1;
    char* argv_[2] = {nullptr, nullptr};
    std::unique_ptr<QGuiApplication> app_;
};

}  // namespace zelvo::test
