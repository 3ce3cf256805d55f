#pragma once

#include <QObject>

#include "platform/qt/Appearance.h"

namespace Velmora {

// The appearance the bar's views draw in, shared by every bar. Main thread only.
class Theme final : public QObject {
    Q_OBJECT
public:
    // Made on first use and never destroyed.
    static Theme* shared();

    platform::qt::ColorScheme colorScheme() const { return colorScheme_; }

signals:
    void colorSchemeChanged(platform::qt::ColorScheme scheme);

private:
    Theme();
    void refresh();

    platform::qt::ColorScheme colorScheme_;
};

}  // namespace Velmora
