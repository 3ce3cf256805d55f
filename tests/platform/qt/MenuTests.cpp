#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

#include "platform/qt/Menu.h"

using namespace platform::qt;

// Actions and popping up are the taskbar button's context menu tests'.
TEST(Menu, ItemsCarryTheirSymbolsAndRoles) {
    std::unique_ptr<QMenu> menu(makeMenu({
        MenuItem{"Unpin", "pin", {}},
        MenuItem::divider(),
        MenuItem{"Quit", "pip.exit", {}, MenuItem::Role::destructive},
        MenuItem{"Plain", "", {}},
    }));
    auto actions = menu->actions();
    ASSERT_EQ(actions.size(), 4);
    EXPECT_EQ(symbolName(actions[0]), "pin");
    EXPECT_FALSE(isDestructive(actions[0]) || actions[0]->icon().isNull());
    EXPECT_TRUE(actions[1]->isSeparator() && isDestructive(actions[2]) && actions[3]->icon().isNull());
}
