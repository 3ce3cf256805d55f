#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

#include "platform/qt/Menu.h"

using namespace platform::qt;

// Dividers, actions and popping up are the taskbar button's context menu tests'.
TEST(Menu, ItemsCarryTheirSymbolsAndRoles) {
    std::unique_ptr<QMenu> menu(makeMenu({
        MenuItem{"Unpin", "pin", {}},
        MenuItem{"Quit", "pip.exit", {}, MenuItem::Role::destructive},
        MenuItem{"Plain", "", {}},
    }));
    auto actions = menu->actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_EQ(symbolName(actions[0]), "pin");
    EXPECT_FALSE(isDestructive(actions[0]) || actions[0]->icon().isNull());
    EXPECT_TRUE(isDestructive(actions[1]) && actions[2]->icon().isNull());
}
