#include "platform/qt/DisplayQueries.h"

#include <QCursor>
#include <QGuiApplication>

namespace platform::qt {

bool onX11Display() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

bool programHasFocus() { return QGuiApplication::focusWindow() != nullptr; }

bool programWindowUnderPointer() { return QGuiApplication::topLevelAt(QCursor::pos()) != nullptr; }

}  // namespace platform::qt
