#include "platform/qt/Appearance.h"

#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPalette>
#include <QPointer>

#include "platform/xdg/DesktopColorScheme.h"

namespace platform::qt {

Appearance* Appearance::shared() {
    // Parented to the application so it goes with it; created after the application exists.
    static Appearance* instance = new Appearance();
    return instance;
}

Appearance::Appearance() : QObject(QCoreApplication::instance()) {
    if (auto* application = QCoreApplication::instance()) application->installEventFilter(this);
}

ColorScheme Appearance::colorScheme() const {
    if (schemeOverride_) return *schemeOverride_;
    if (desktop_)
        if (auto preference = desktop_->preference())
            return *preference == xdg::ColorSchemePreference::dark ? ColorScheme::dark : ColorScheme::light;
    // A dark window background means a dark appearance.
    return QGuiApplication::palette().color(QPalette::Window).lightnessF() < 0.5 ? ColorScheme::dark
                                                                                 : ColorScheme::light;
}

QColor Appearance::accentColor() const {
    if (accentOverride_) return *accentOverride_;
    return QGuiApplication::palette().color(QPalette::Active, QPalette::Highlight);
}

void Appearance::setColorSchemeOverride(std::optional<ColorScheme> scheme) {
    if (schemeOverride_ == scheme) return;
    schemeOverride_ = scheme;
    emit changed();
}

void Appearance::setAccentColorOverride(std::optional<QColor> color) {
    if (accentOverride_ == color) return;
    accentOverride_ = color;
    emit changed();
}

void Appearance::followDesktop(std::shared_ptr<xdg::DesktopColorScheme> desktop) {
    if (desktop_) desktop_->setChangeHandler(nullptr);
    desktop_ = std::move(desktop);
    if (desktop_) {
        // The reader tells of changes on its own thread.
        QPointer<Appearance> self(this);
        desktop_->setChangeHandler([self] {
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [self] {
                    if (self) self->desktopChanged();
                },
                Qt::QueuedConnection);
        });
    }
    desktopChanged();
}

void Appearance::desktopChanged() {
    // A palette change announces itself through the event filter.
    if (!applyDesktopPalette()) emit changed();
}

bool Appearance::applyDesktopPalette() {
    auto preference = desktop_ ? desktop_->preference() : std::nullopt;
    if (!ownPalette_) ownPalette_ = QGuiApplication::palette();
    const bool paletteDark = isDark(*ownPalette_);
    if (!preference || (*preference == xdg::ColorSchemePreference::dark) == paletteDark) {
        if (!desktopPaletteApplied_) return false;
        desktopPaletteApplied_ = false;
        setPalette(*ownPalette_);
        return true;
    }
    // Texts drawn in the palette's colours must stay readable on the desktop's scheme.
    desktopPaletteApplied_ = true;
    setPalette(schemePalette(*preference == xdg::ColorSchemePreference::dark, *ownPalette_));
    return true;
}

void Appearance::setPalette(const QPalette& palette) {
    settingPalette_ = true;
    QGuiApplication::setPalette(palette);
    settingPalette_ = false;
}

bool Appearance::isDark(const QPalette& palette) {
    return palette.color(QPalette::Window).lightnessF() < 0.5;
}

QPalette Appearance::schemePalette(bool dark, const QPalette& own) {
    const QColor window = dark ? QColor(45, 45, 45) : QColor(239, 239, 239);
    const QColor base = dark ? QColor(30, 30, 30) : QColor(255, 255, 255);
    const QColor text = dark ? QColor(240, 240, 240) : QColor(20, 20, 20);
    const QColor muted = dark ? QColor(130, 130, 130) : QColor(150, 150, 150);
    QPalette palette(text, window, window.lighter(130), window.darker(150), window.darker(120), text, text,
                     base, window);
    palette.setColor(QPalette::AlternateBase, dark ? QColor(53, 53, 53) : QColor(247, 247, 247));
    palette.setColor(QPalette::ToolTipBase, base);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, muted);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, muted);
    // The accent stays the system's.
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Highlight, own.color(group, QPalette::Highlight));
        palette.setColor(group, QPalette::HighlightedText, own.color(group, QPalette::HighlightedText));
    }
    return palette;
}

bool Appearance::eventFilter(QObject* watched, QEvent* event) {
    if (watched == QCoreApplication::instance() && event->type() == QEvent::ApplicationPaletteChange) {
        // A palette set by anyone else is the program's own from now on.
        if (!settingPalette_) {
            ownPalette_ = QGuiApplication::palette();
            desktopPaletteApplied_ = false;
        }
        emit changed();
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace platform::qt
