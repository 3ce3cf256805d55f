#include "Velmora/taskbar/views/TaskbarThemeComponent.h"

#include <QPointer>
#include <QShowEvent>
#include <QVBoxLayout>
#include <utility>

#include "Brindle/RxHelpers.h"

namespace Velmora {

TaskbarThemeComponent::TaskbarThemeComponent(QWidget* content, Content apply,
                                             std::shared_ptr<SettingsManager> settings, QWidget* parent)
    : QWidget(parent),
      content_(content),
      apply_(std::move(apply)),
      settings_(std::move(settings)),
      theme_(settings_->taskbarTheme.value()) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (content_) layout->addWidget(content_);
    if (apply_) apply_(theme_.settings());
}

void TaskbarThemeComponent::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // One subscription for the component's whole life: a view shown again and again must not pile
    // up listeners.
    if (event->spontaneous() || following_) return;
    following_ = true;
    Brindle::subscribeNext(settings_->taskbarTheme.asObservable(), false,
                           [guard = QPointer<TaskbarThemeComponent>(this)](TaskbarTheme theme) {
                               if (guard) guard->setTheme(theme);
                           })
        .disposed(disposeBag_);
}

void TaskbarThemeComponent::setTheme(TaskbarTheme theme) {
    if (theme == theme_) return;
    theme_ = theme;
    if (apply_) apply_(theme_.settings());
}

}  // namespace Velmora
