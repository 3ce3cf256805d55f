#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include "platform/qt/Menu.h"
#include "platform/qt/QtAlert.h"
#include "platform/qt/testing/GuiTestLoop.h"

using namespace platform;
using namespace platform::qt;

TEST(Menu, ItemsCarryTheirTitlesSymbolsRolesAndActions) {
    std::vector<std::string> chosen;
    std::unique_ptr<QMenu> menu(makeMenu({
        MenuItem{"Unpinn", "pin", [&] { chosen.push_back("unpin"); }},
        MenuItem::divider(),
        MenuItem{"Force quit", "pip.exit", [&] { chosen.push_back("force quit"); },
                 MenuItem::Role::destructive},
        MenuItem{"Quit", "pip.exit", [&] { chosen.push_back("quit"); }, MenuItem::Role::destructive},
        MenuItem{"Plain", "", {}},
    }));
    auto actions = menu->actions();
    ASSERT_EQ(actions.size(), 5);
    EXPECT_EQ(actions[0]->text(), "Unpinn");
    EXPECT_EQ(symbolName(actions[0]), "pin");
    EXPECT_FALSE(isDestructive(actions[0]));
    EXPECT_FALSE(actions[0]->icon().isNull());
    EXPECT_TRUE(actions[1]->isSeparator());
    EXPECT_EQ(symbolName(actions[2]), "pip.exit");
    EXPECT_TRUE(isDestructive(actions[3]));
    EXPECT_TRUE(actions[4]->icon().isNull());
    EXPECT_EQ(symbolName(actions[4]), "");

    actions[3]->trigger();
    actions[0]->trigger();
    actions[4]->trigger();
    EXPECT_EQ(chosen, (std::vector<std::string>{"quit", "unpin"}));
}

TEST(Menu, PopUpReturnsAtOnce) {
    GuiTestLoop loop;
    int chosen = 0;
    std::unique_ptr<QMenu> menu(makeMenu({MenuItem{"Settings", "gearshape", [&] { ++chosen; }}}));
    popUpMenu(menu.get(), QPoint(100, 100));
    loop.runUntilIdle();
    EXPECT_TRUE(menu->isVisible());
    menu->actions().front()->trigger();
    EXPECT_EQ(chosen, 1);
    menu->close();
}
