#include "platform/qt/Menu.h"

#include <QAction>
#include <QMenu>

#include "platform/qt/Symbols.h"

namespace platform::qt {
namespace {

constexpr const char* symbolProperty = "velmoraSymbolName";
constexpr const char* destructiveProperty = "velmoraDestructive";
// Destructive items show their symbol in the system's red.
const QColor destructiveColor(0xff, 0x3b, 0x30);

}  // namespace

QAction* addMenuItem(QMenu* menu, const MenuItem& item) {
    if (item.isDivider) return menu->addSeparator();
    auto* action = menu->addAction(QString::fromStdString(item.title));
    bool destructive = item.role == MenuItem::Role::destructive;
    action->setProperty(symbolProperty, QString::fromStdString(item.symbolName));
    action->setProperty(destructiveProperty, destructive);
    if (!item.symbolName.empty())
        action->setIcon(Symbols::icon(item.symbolName, destructive ? destructiveColor : QColor()));
    if (item.action)
        QObject::connect(action, &QAction::triggered, action, [callback = item.action] { callback(); });
    return action;
}

QMenu* makeMenu(const std::vector<MenuItem>& items, QWidget* parent) {
    auto* menu = new QMenu(parent);
    for (const auto& item : items) addMenuItem(menu, item);
    return menu;
}

std::string symbolName(const QAction* action) {
    return action->property(symbolProperty).toString().toStdString();
}

bool isDestructive(const QAction* action) { return action->property(destructiveProperty).toBool(); }

void popUpMenu(QMenu* menu, const QPoint& globalPosition) { menu->popup(globalPosition); }

}  // namespace platform::qt
