#include "ui-toolkit/ui/Theme.h"

#include <atomic>
#include <mutex>
#include <utility>
#include <vector>

#include "Brindle/MainQueue.h"
#include "Brindle/StringExtensions.h"
#include "rx/PublishSubject.h"

namespace brindle_ui {

namespace {

std::atomic<std::uint8_t> currentTheme{Theme::dark};
std::atomic<std::uint8_t> backgroundVariantValue{0};
std::atomic<std::uint8_t> secondaryVariantValue{1};

const rx::PublishSubject<Theme>& changeSubject() {
    static const auto* subject = new rx::PublishSubject<Theme>();
    return *subject;
}

// The observer list is changed only on the main thread, but read by notifications on any thread:
// the lock makes each read a consistent snapshot.
struct ObserverList {
    std::mutex mutex;
    std::vector<std::shared_ptr<Closure>> records;
};

ObserverList& observerList() {
    static auto* list = new ObserverList();
    return *list;
}

bool sameOwner(const std::weak_ptr<void>& left, const std::weak_ptr<void>& right) {
    return !left.owner_before(right) && !right.owner_before(left);
}

void cleanUp() {
    Brindle::runOnMainThread([] {
        auto& list = observerList();
        std::lock_guard lock(list.mutex);
        std::erase_if(list.records, [](const auto& record) { return record->owner.expired(); });
    });
}

void notifyObservers() {
    std::vector<std::shared_ptr<Closure>> snapshot;
    {
        auto& list = observerList();
        std::lock_guard lock(list.mutex);
        snapshot = list.records;
    }
    auto theme = Theme::current();
    for (const auto& record : snapshot)
        if (record->closure) record->closure(theme);
}

}  // namespace

std::string Theme::name() const { return value_ == light ? "light" : "dark"; }

Theme Theme::current() { return Theme(static_cast<Value>(currentTheme.load() & 1)); }

void Theme::setCurrent(Theme theme) {
    auto next = static_cast<std::uint8_t>(theme.value() & 1);
    if (currentTheme.exchange(next) == next) return;
    changeSubject().onNext(Theme(static_cast<Value>(next)));
    cleanUp();
    notifyObservers();
}

std::uint8_t Theme::backgroundVariant() { return backgroundVariantValue.load(); }

void Theme::setBackgroundVariant(std::uint8_t variant) {
    backgroundVariantValue.store(variant);
    cleanUp();
    notifyObservers();
}

std::uint8_t Theme::secondaryVariant() { return secondaryVariantValue.load(); }

void Theme::setSecondaryVariant(std::uint8_t variant) {
    secondaryVariantValue.store(variant);
    cleanUp();
    notifyObservers();
}

rx::Observable<Theme> Theme::observable() {
    auto atRead = current();
    return rx::Observable<Theme>::create([atRead](const rx::Observer<Theme>& observer) {
        observer.onNext(atRead);
        return changeSubject().subscribe(observer);
    });
}

brindle_core::IDisposablePtr Theme::observe(std::shared_ptr<void> owner, std::string file,
                                            std::function<void(Theme)> closure) {
    closure(current());
    cleanUp();
    auto placeholder = Brindle::make<ThemeObserverDisposable::Empty>();
    std::weak_ptr<void> recordOwner = owner ? std::weak_ptr<void>(owner) : std::weak_ptr<void>(placeholder);
    auto record = Brindle::make<Closure>(recordOwner, std::move(closure), std::move(file));
    auto handle = Brindle::make<ThemeObserverDisposable>(record, placeholder);
    Brindle::runOnMainThread([record] {
        auto& list = observerList();
        std::lock_guard lock(list.mutex);
        list.records.push_back(record);
    });
    return handle;
}

std::size_t Theme::observerCount() {
    auto& list = observerList();
    std::lock_guard lock(list.mutex);
    return list.records.size();
}

void ThemeObserverDisposable::dispose() {
    if (!closure) return;
    Brindle::runOnMainThread([owner = closure->owner] {
        auto& list = observerList();
        std::lock_guard lock(list.mutex);
        std::erase_if(list.records, [&](const auto& record) {
            return record->owner.expired() || sameOwner(record->owner, owner);
        });
    });
}

std::string RawColors::shade() {
    bool isLight = Theme::current() == Theme::light;
    const auto& base = isLight ? black : white;
    std::string text = isLight ? "#4c" : "#23";
    text += Brindle::substring(base, 1, Brindle::characterCount(base));
    return text;
}

}  // namespace brindle_ui
