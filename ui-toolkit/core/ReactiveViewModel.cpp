#include "ui-toolkit/core/ReactiveViewModel.h"

#include <functional>
#include <utility>

#include "Brindle/Diagnostics.h"

namespace brindle_core {

namespace {
constexpr const char* errorTitle = "An error as occured";
constexpr const char* unknownErrorText =
    "An unknown error has occured for this action. Please try again later.";
constexpr const char* okTitle = "OK";
}  // namespace

ReactiveListItemViewModel::ReactiveListItemViewModel() : ReactiveListItemViewModel(std::nullopt) {}

ReactiveListItemViewModel::ReactiveListItemViewModel(std::optional<std::type_index> viewType)
    : disposeBagOnDestroy(Brindle::make<IDisposeBag>()),
      disposeBag(Brindle::make<IDisposeBag>()),
      viewType(viewType) {
    Brindle::MemoryAllocationTracker::shared();
}

std::size_t ReactiveListItemViewModel::hashValue() const { return hashValue(0); }

std::size_t ReactiveListItemViewModel::hashValue(std::size_t seed) const {
    hash(seed);
    return seed;
}

void ReactiveListItemViewModel::add(IDisposablePtr disposable, bool onDestroy) {
    (onDestroy ? disposeBagOnDestroy : disposeBag)->add(std::move(disposable));
}

ButtonViewModel::ButtonViewModel(std::string title, Style style, std::function<void()> action)
    : ReactiveListItemViewModel(std::type_index(typeid(Brindle::Object))),
      title(std::move(title)),
      action(std::move(action)),
      style(style) {}

void MessagePublisher::publish(const std::string& title) {
    publish(AlertTextContent{title, std::nullopt, {}});
}

void MessagePublisher::publish(const std::string& title, const std::string& text) {
    publish(AlertTextContent{title, text, {}});
}

void MessagePublisher::publish(const std::string& title, const std::string& text,
                               const std::vector<std::shared_ptr<ButtonViewModel>>& buttons) {
    publish(AlertTextContent{title, text, buttons});
}

void MessagePublisher::publishError(const Brindle::AnyError& error, std::function<void()> onOk) {
    Brindle::FeedbackManager::shared()->notifyError();
    auto ok = Brindle::make<ButtonViewModel>(okTitle, ButtonViewModel::Style::defaultStyle,
                                             [onOk = std::move(onOk)] {
                                                 if (onOk) onOk();
                                             });
    auto text = error ? error->localizedDescription() : std::string(unknownErrorText);
    publish(errorTitle, text, {ok});
}

void MessagePublisher::publishError(const Brindle::BaseResponse& response,
                                    const Brindle::SharedResponseBody& body, std::function<void()> onOk) {
    publishError(std::make_shared<Brindle::BackendError>(response, body), std::move(onOk));
}

ReactiveViewModel::ReactiveViewModel()
    : messages(Brindle::make<HotSingleObservable<AlertTextContent>>(1)),
      presentView(Brindle::make<HotSingleObservable<platform::ViewFactory>>(1)),
      popToRootObservable(Brindle::make<HotSingleObservable<rx::Unit>>(1)),
      disposeBagOnDestroy(Brindle::make<IDisposeBag>()),
      disposeBag(Brindle::make<IDisposeBag>()) {
    // Only the first disappearance drops their listeners and buffers; both stay usable after.
    disposeBag->add(messages);
    disposeBag->add(presentView);
}

void ReactiveViewModel::postInit() {
    Object::postInit();
    didInit();
    Brindle::MemoryAllocationTracker::shared();
}

void ReactiveViewModel::publish(const AlertTextContent& content) { messages->onNext(content); }

void ReactiveViewModel::publish(const std::string& title) {
    publish(AlertTextContent{title, std::nullopt, {}});
}

void ReactiveViewModel::publish(const std::string& title, const std::string& text) {
    publish(AlertTextContent{title, text, {}});
}

void ReactiveViewModel::publish(const std::string& title, const std::string& text,
                                const std::vector<std::shared_ptr<ButtonViewModel>>& buttons) {
    publish(AlertTextContent{title, text, buttons});
}

void ReactiveViewModel::add(IDisposablePtr disposable, bool onDestroy) {
    (onDestroy ? disposeBagOnDestroy : disposeBag)->add(std::move(disposable));
}

void ReactiveViewModel::appear() {
    if (onScreen) return;
    onScreen = true;
    didAppear();
}

void ReactiveViewModel::present(const platform::ViewFactory& view) { presentView->onNext(view); }

void ReactiveViewModel::popToRoot() { popToRootObservable->onNext(rx::Unit{}); }

void ReactiveViewModel::disappear() {
    if (!onScreen) return;
    disposeBag->dispose();
    disposeBag = Brindle::make<IDisposeBag>();
    didDisappear();
    onScreen = false;
}

void disposed(const rx::Disposable& disposable, ReactiveViewModel& model, bool onDestroy) {
    (onDestroy ? model.disposeBagOnDestroy : model.disposeBag)
        ->add(Brindle::make<DisposableToIDisposable>(disposable));
}

void disposed(const rx::Disposable& disposable, ReactiveListItemViewModel& item, bool onDestroy) {
    (onDestroy ? item.disposeBagOnDestroy : item.disposeBag)
        ->add(Brindle::make<DisposableToIDisposable>(disposable));
}

}  // namespace brindle_core
