#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "platform/system/ViewFactory.h"

namespace platform::qt {

// Wraps a function building a new widget into the Qt-free handle models carry.
ViewFactory makeViewFactory(std::function<QWidget*()> make);
// Builds the widget; null for an empty factory.
std::unique_ptr<QWidget> makeView(const ViewFactory& factory);

}  // namespace platform::qt
