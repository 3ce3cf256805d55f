#include "ui-toolkit/ui/widgets/ThemeComponent.h"

#include <QPointer>
#include <QShowEvent>

#include "Brindle/MainQueue.h"
#include "Brindle/RxHelpers.h"

namespace brindle_ui {

ThemeComponent::ThemeComponent(std::function<void(Theme)> content, QWidget* parent)
    : QWidget(parent), content_(std::move(content)), theme_(Theme::current()) {
    if (content_) content_(theme_);
}

void ThemeComponent::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) return;
    Brindle::subscribeNext(Theme::observable(), false,
                           [guard = QPointer<ThemeComponent>(this)](const Theme& theme) {
                               // A theme set on another thread is applied on the main thread.
                               Brindle::runOnMainThread([guard, theme] {
                                   if (guard) guard->receive(theme);
                               });
                           })
        .disposed(disposeBag_);
}

void ThemeComponent::receive(Theme theme) {
    if (theme == theme_) return;
    theme_ = theme;
    themeChanged();
}

void ThemeComponent::themeChanged() {
    if (content_) content_(theme_);
    update();
}

}  // namespace brindle_ui
