#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

#include "platform/qt/Menu.h"
#include "platform/qt/testing/GuiTestLoop.h"

using namespace platform::qt;

TEST(Menu, ItemsCarryTheirSymbolsRolesAndActionsAndPopUpReturnsAtOnce) {
    GuiTestLoop loop;
    std::vector<std::string> chosen;
    std::unique_ptr<QMenu> menu(makeMenu({
        MenuItem{"Unpin", "pin", [&] { chosen.push_back("unpin"); }},
        MenuItem::divider(),
        MenuItem{"Quit", "pip.exit", [&] { chosen.push_back("quit"); }, MenuItem::Role::destructive},
        MenuItem{"Plain", "", {}},
    }));
    auto actions = menu->actions();
    ASSERT_EQ(actions.size(), 4);
    EXPECT_EQ(actions[0]->text(), "Unpin");
    EXPECT_EQ(symbolName(actions[0]), "pin");
    EXPECT_FALSE(isDestructive(actions[0]) || actions[0]->icon().isNull());
    EXPECT_TRUE(actions[1]->isSeparator() && isDestructive(actions[2]) && actions[3]->icon().isNull());
    popUpMenu(menu.get(), QPoint(100, 100));
    loop.runUntilIdle();
    EXPECT_TRUE(menu->isVisible());
    for (int index : {2, 0, 3}) actions[index]->trigger();
    EXPECT_EQ(chosen, (std::vector<std::string>{"quit", "unpin"}));
    menu->close();
}
