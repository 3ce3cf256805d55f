#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <typeindex>
#include <vector>

#include "Brindle/Error.h"
#include "Brindle/Object.h"
#include "Brindle/RestTypes.h"
#include "platform/system/ViewFactory.h"
#include "rx/Disposable.h"
#include "rx/Unit.h"
#include "ui-toolkit/core/Disposables.h"
#include "ui-toolkit/core/HotSingleObservable.h"

namespace brindle_core {

// A position in a list: section, then row.
using IndexPath = std::vector<int>;

// The base of list-row models: two bags and the row's layout hints. Rows are equal only to
// themselves.
class ReactiveListItemViewModel : public Brindle::Object {
public:
    ReactiveListItemViewModel();
    explicit ReactiveListItemViewModel(std::optional<std::type_index> viewType);

    virtual bool isEqual(const ReactiveListItemViewModel& other) const { return this == &other; }
    // Adds nothing here: every row hashes alike, which agrees with equality by identity.
    virtual void hash(std::size_t& seed) const { (void)seed; }
    std::size_t hashValue() const;
    std::size_t hashValue(std::size_t seed) const;

    virtual void add(IDisposablePtr disposable, bool onDestroy);

    std::shared_ptr<IDisposeBag> disposeBagOnDestroy;
    std::shared_ptr<IDisposeBag> disposeBag;
    std::optional<std::type_index> viewType;
    std::optional<IndexPath> indexPath;
    std::optional<double> height;
    std::optional<double> estimatedRowHeight;
};

inline bool operator==(const ReactiveListItemViewModel& left, const ReactiveListItemViewModel& right) {
    return left.isEqual(right);
}

// A button of an alert or a list.
class ButtonViewModel : public ReactiveListItemViewModel {
public:
    enum class Style { defaultStyle, centered };

    ButtonViewModel(std::string title, Style style, std::function<void()> action);

    std::string title;
    std::function<void()> action;
    Style style;
};

struct AlertTextContent {
    std::string title;
    std::optional<std::string> text;
    std::vector<std::shared_ptr<ButtonViewModel>> buttons;
};

// Something that can ask its view to show an alert.
class MessagePublisher {
public:
    virtual ~MessagePublisher() = default;

    virtual void publish(const AlertTextContent& content) = 0;
    virtual void publish(const std::string& title);
    virtual void publish(const std::string& title, const std::string& text);
    virtual void publish(const std::string& title, const std::string& text,
                         const std::vector<std::shared_ptr<ButtonViewModel>>& buttons);

    // An alert with one "OK" button that calls `onOk`, telling what `error` says (or that an
    // unknown error happened when there is none).
    void publishError(const Brindle::AnyError& error = nullptr, std::function<void()> onOk = nullptr);
    // The same for the generic backend error built from a reply and its body.
    void publishError(const Brindle::BaseResponse& response, const Brindle::SharedResponseBody& body,
                      std::function<void()> onOk = nullptr);
};

// The base of the models that views drive: an on-screen lifecycle with hooks, a bag that lives as
// long as the model and one that is emptied whenever the model leaves the screen, and the
// one-listener streams through which the model asks its view for alerts, presented views and a
// return to the root. Used on the main thread.
class ReactiveViewModel : public Brindle::Object, public MessagePublisher {
public:
    enum class LifecycleEvent { disappear, destroyed };

    ReactiveViewModel();
    // Subclasses that override it call the base first; the base ends by calling didInit().
    void postInit() override;

    using MessagePublisher::publish;
    void publish(const AlertTextContent& content) override;
    void publish(const std::string& title) override;
    void publish(const std::string& title, const std::string& text) override;
    void publish(const std::string& title, const std::string& text,
                 const std::vector<std::shared_ptr<ButtonViewModel>>& buttons) override;

    virtual void add(IDisposablePtr disposable, bool onDestroy);
    virtual void didInit() {}
    virtual void didAppear() {}
    virtual void didDisappear() {}
    virtual void appear();
    virtual void present(const platform::ViewFactory& view);
    virtual void popToRoot();
    virtual void disappear();

    const std::shared_ptr<HotSingleObservable<AlertTextContent>> messages;
    const std::shared_ptr<HotSingleObservable<platform::ViewFactory>> presentView;
    const std::shared_ptr<HotSingleObservable<rx::Unit>> popToRootObservable;
    std::shared_ptr<IDisposeBag> disposeBagOnDestroy;
    std::shared_ptr<IDisposeBag> disposeBag;
    bool onScreen = false;
};

// Puts an rx subscription into one of the model's bags: the one that lives as long as the model
// (`onDestroy`) or the one emptied when it leaves the screen.
void disposed(const rx::Disposable& disposable, ReactiveViewModel& model, bool onDestroy);
void disposed(const rx::Disposable& disposable, ReactiveListItemViewModel& item, bool onDestroy);

}  // namespace brindle_core
