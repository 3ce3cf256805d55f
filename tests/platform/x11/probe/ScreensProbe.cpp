// Prints the platform's screens as the program sees the display through Qt, a screen a line:
//   IDENTIFIER X Y WIDTH HEIGHT SCALE
#include <QGuiApplication>
#include <cstdio>

#include "platform/qt/QtDesktopBridge.h"

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    for (const auto& screen : platform::qt::QtDesktopBridge::currentScreens())
        std::printf("%s %.17g %.17g %.17g %.17g %.17g\n", screen.identifier.c_str(), screen.frame.origin.x,
                    screen.frame.origin.y, screen.frame.size.width, screen.frame.size.height,
                    screen.backingScaleFactor);
    return 0;
}
