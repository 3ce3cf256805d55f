#include "ui-toolkit/core/widgets/ReactiveComponent.h"

#include <QPointer>
#include <QShowEvent>
#include <QVBoxLayout>

#include "platform/base/MainQueue.h"
#include "platform/system/Alert.h"

namespace brindle_core {

namespace {
constexpr const char* missingTextPlaceholder = "x";
constexpr const char* cancelTitle = "Cancel";
}  // namespace

ReactiveComponentBase::ReactiveComponentBase(std::weak_ptr<ReactiveViewModel> viewModel, QWidget* content,
                                             QWidget* parent)
    : QWidget(parent), viewModel_(std::move(viewModel)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    if (content) layout->addWidget(content);
}

ReactiveComponentBase::~ReactiveComponentBase() {
    if (!onScreen_) return;
    if (auto model = viewModel_.lock()) model->disappear();
}

void ReactiveComponentBase::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) return;
    auto model = viewModel_.lock();
    if (!model) return;
    onScreen_ = true;
    bindModel(model);
    model->appear();
    // The stream keeps this listener after the component is gone: the guard makes it inert then.
    model->messages->subscribe(
        [guard = QPointer<ReactiveComponentBase>(this)](const AlertTextContent& content) {
            if (guard) guard->receive(content);
        });
}

void ReactiveComponentBase::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (event->spontaneous() || !onScreen_) return;
    onScreen_ = false;
    if (auto model = viewModel_.lock()) model->disappear();
}

void ReactiveComponentBase::receive(const AlertTextContent& content) {
    alert_ = content;
    showAlert_ = true;
    if (presentationPending_) return;
    // Shown on a later turn, with the newest content by then, never inside the model's publish.
    presentationPending_ = true;
    platform::MainQueue::async([guard = QPointer<ReactiveComponentBase>(this)] {
        if (guard) guard->presentAlert();
    });
}

void ReactiveComponentBase::presentAlert() {
    presentationPending_ = false;
    if (!showAlert_ || !alert_) return;
    auto content = *alert_;
    platform::Alert alert;
    alert.messageText = content.title;
    std::function<void()> firstAction;
    std::function<void()> secondAction;
    if (content.buttons.size() >= 2) {
        alert.informativeText = content.text.value_or(missingTextPlaceholder);
        alert.addButton(content.buttons[0]->title);
        alert.addButton(content.buttons[1]->title);
        firstAction = content.buttons[0]->action;
        secondAction = content.buttons[1]->action;
    } else if (content.buttons.size() == 1) {
        alert.informativeText = content.text.value_or("");
        alert.addButton(content.buttons[0]->title);
        firstAction = content.buttons[0]->action;
    } else {
        alert.informativeText = content.text.value_or("");
        alert.addButton(cancelTitle);
        alert.addButton(cancelTitle);
    }
    QPointer<ReactiveComponentBase> guard(this);
    auto response = alert.runModal();
    if (guard) guard->showAlert_ = false;
    if (response == platform::alertFirstButtonReturn && firstAction)
        firstAction();
    else if ((response == platform::alertSecondButtonReturn || response == platform::modalResponseAbort) &&
             secondAction)
        secondAction();
}

}  // namespace brindle_core
