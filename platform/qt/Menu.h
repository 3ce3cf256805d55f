#pragma once

#include <QPoint>
#include <functional>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QWidget;

namespace platform::qt {

// One entry of a context or pull-down menu.
struct MenuItem {
    enum class Role { plain, destructive };

    std::string title;
    std::string symbolName;  // a system symbol shown as the item's icon; empty for none
    std::function<void()> action;
    Role role = Role::plain;
    bool isDivider = false;

    static MenuItem divider() {
        MenuItem item;
        item.isDivider = true;
        return item;
    }
};

// Builds a menu owned by `parent`. Each action keeps its symbol name (see `symbolName`).
QMenu* makeMenu(const std::vector<MenuItem>& items, QWidget* parent = nullptr);
QAction* addMenuItem(QMenu* menu, const MenuItem& item);

// The system symbol name an action was made with; empty for none.
std::string symbolName(const QAction* action);
bool isDestructive(const QAction* action);

// Shows the menu at a global Qt position and returns at once: menus never run a nested loop,
// so timers and the main queue keep running while one is open.
void popUpMenu(QMenu* menu, const QPoint& globalPosition);

}  // namespace platform::qt
