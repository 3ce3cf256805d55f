#include "platform/qt/QtViewFactory.h"

namespace platform::qt {

ViewFactory makeViewFactory(std::function<QWidget*()> make) {
    if (!make) return ViewFactory();
    return ViewFactory([make = std::move(make)]() -> void* { return make(); });
}

std::unique_ptr<QWidget> makeView(const ViewFactory& factory) {
    return std::unique_ptr<QWidget>(static_cast<QWidget*>(factory.make()));
}

}  // namespace platform::qt
