#include "Velmora/taskbar/views/Theme.h"

#include <QCoreApplication>

namespace Velmora {

Theme* Theme::shared() {
    // Goes with the application, like the appearance it follows.
    static auto* theme = new Theme();
    return theme;
}

Theme::Theme()
    : QObject(QCoreApplication::instance()), colorScheme_(platform::qt::Appearance::shared()->colorScheme()) {
    connect(platform::qt::Appearance::shared(), &platform::qt::Appearance::changed, this, &Theme::refresh);
}

void Theme::refresh() {
    auto scheme = platform::qt::Appearance::shared()->colorScheme();
    if (scheme == colorScheme_) return;
    colorScheme_ = scheme;
    emit colorSchemeChanged(scheme);
}

}  // namespace Velmora
