#include <gtest/gtest.h>

#include <any>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui-toolkit/ui/PluginBridge.h"

using namespace brindle_ui;

namespace {

// Notes each message with its argument and answers the position and home directory ones.
class FakePlugin : public PluginClass {
public:
    std::any perform(const std::string& selector, const std::optional<std::any>& argument) override {
        std::string text;
        if (auto value = argument ? std::any_cast<std::string>(&*argument) : nullptr) text = *value;
        if (auto value = argument ? std::any_cast<int>(&*argument) : nullptr) text = std::to_string(*value);
        messages.push_back(selector + (argument ? "(" + text + ")" : ""));
        if (selector == "mousePositionX") return x;
        if (selector == "mousePositionY") return 20.5;
        return selector == "homeDirectory" ? home : std::any();
    }
    std::vector<std::string> messages;
    std::any x = 10;
    std::any home = platform::URL::fileURL("/home/someone", true);
};

TEST(PluginBridgeTest, SendsEachMessageToTheClassLookedUpOnce) {
    auto fake = std::make_shared<FakePlugin>();
    int loads = 0;
    PluginBridge bridge([&] { return ++loads, fake; });
    bridge.openSystemPreferencesFullDiskAccess();
    bridge.openMailApp();
    bridge.executeShell("ls -la 'a b'");
    bridge.openFile("/tmp/x y.txt");
    EXPECT_EQ(bridge.mousePosition(), (std::optional<std::pair<double, double>>{{10.0, 20.5}}));
    EXPECT_EQ(bridge.homeDirectory().value().path(), "/home/someone");
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(fake->messages,
              (std::vector<std::string>{"openSystemPreferencesFullDiskAccess:(0)", "openMailApp:(0)",
                                        "executeShell:(ls -la 'a b')", "openFile:(/tmp/x y.txt)",
                                        "mousePositionX", "mousePositionY", "homeDirectory"}));

    // Answers of another kind give no value.
    fake->x = std::string("left");
    fake->home = 42;
    EXPECT_EQ(bridge.mousePosition(), std::nullopt);
    EXPECT_EQ(bridge.homeDirectory(), std::nullopt);
}

TEST(PluginBridgeTest, WithoutThePluginNothingHappens) {
    PluginBridge missing([] { return std::shared_ptr<PluginClass>(); });
    missing.openMailApp();
    missing.executeShell("true");
    EXPECT_EQ(missing.mousePosition(), std::nullopt);
    EXPECT_EQ(missing.homeDirectory(), std::nullopt);
    // The program's own bridge: no bundle beside the test program.
    EXPECT_EQ(PluginBridge::shared().homeDirectory(), std::nullopt);
    EXPECT_EQ(PluginBridge::shared().plugin(), nullptr);
}

}  // namespace
