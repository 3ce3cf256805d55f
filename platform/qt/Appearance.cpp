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
                    if (self) emit self->changed();
                },
                Qt::QueuedConnection);
        });
    }
    emit changed();
}

bool Appearance::eventFilter(QObject* watched, QEvent* event) {
    if (watched == QCoreApplication::instance() && event->type() == QEvent::ApplicationPaletteChange)
        emit changed();
    return QObject::eventFilter(watched, event);
}

}  // namespace platform::qt
