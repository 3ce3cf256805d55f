#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "ui-toolkit/core/ReactiveViewModel.h"

namespace brindle_core {

// Hosts a view model's content: when shown it binds the model to the view, puts the model on
// screen and shows the alerts the model publishes; when hidden or destroyed while shown it takes
// the model off screen. It does not keep the model alive.
class ReactiveComponentBase : public QWidget {
    Q_OBJECT
public:
    ~ReactiveComponentBase() override;

    bool showAlert() const { return showAlert_; }
    const std::optional<AlertTextContent>& alert() const { return alert_; }

protected:
    // `content` becomes the component's only child, filling it.
    ReactiveComponentBase(std::weak_ptr<ReactiveViewModel> viewModel, QWidget* content, QWidget* parent);

    virtual void bindModel(const std::shared_ptr<ReactiveViewModel>& viewModel) = 0;

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void receive(const AlertTextContent& content);
    void presentAlert();

    std::weak_ptr<ReactiveViewModel> viewModel_;
    bool onScreen_ = false;
    bool showAlert_ = false;
    bool presentationPending_ = false;
    std::optional<AlertTextContent> alert_;
};

template <class VM>
class ReactiveComponent : public ReactiveComponentBase {
public:
    using Bind = std::function<void(const std::shared_ptr<VM>&)>;

    ReactiveComponent(const std::shared_ptr<VM>& viewModel, Bind bind, QWidget* content,
                      QWidget* parent = nullptr)
        : ReactiveComponentBase(viewModel, content, parent), bind_(std::move(bind)) {}

protected:
    void bindModel(const std::shared_ptr<ReactiveViewModel>& viewModel) override {
        if (bind_) bind_(std::static_pointer_cast<VM>(viewModel));
    }

private:
    Bind bind_;
};

}  // namespace brindle_core
