#pragma once

#include <algorithm>
#include <atomic>
#include <concepts>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Brindle/JSONCoding.h"
#include "Brindle/Object.h"
#include "platform/foundation/URL.h"
#include "rx/BehaviorRelay.h"
#include "rx/Disposable.h"
#include "rx/MainScheduler.h"
#include "rx/Observable.h"

namespace Brindle {

enum class SimpleDatabaseType {
    cache,       // the user's caches folder
    persistant,  // the user's documents folder
};

// The file side of SimpleDatabase, the same for every element type.
class SimpleDatabaseFile {
public:
    // "<folder>/simpleDatabase/<name>..json" (two dots), making the "simpleDatabase" folder when it
    // is missing.
    static platform::URL fileURL(const std::string& name, SimpleDatabaseType type);

    enum class ReadOutcome { missing, read, setAside, cannotSetAside };
    // Reads the file at `path`. A file that exists but that `decodes` turns down (or that cannot be
    // read) is moved aside as "<file>.corrupt-<time>", so that no later save writes over it.
    static ReadOutcome read(const std::string& path, const std::function<bool(const std::string&)>& decodes);

    // Writes atomically; a failure is reported on standard error and leaves the old file.
    static void write(const std::string& path, const std::string& text);
    static void reportUnsaved(const std::string& path, const std::string& reason);
};

// A list of JSON-codable elements kept in memory and mirrored to one JSON file, which is read when
// the database is made and written 100 ms after the last of a burst of changes (on the main
// thread), and once more when the database goes while a change is still unsaved. Every value
// published through `data`, by these operations or by anyone else, is saved.
//
// Operations read the list and publish a new one in two steps: changes made from several threads
// at once can lose one another.
template <class Element>
class SimpleDatabase : public Object {
public:
    using List = std::vector<Element>;

    // Reads the file at once; made with `make`, which starts the saving.
    SimpleDatabase(std::string name, SimpleDatabaseType databaseType)
        : name_(std::move(name)), databaseType_(databaseType) {
        load();
    }

    void postInit() override {
        Object::postInit();
        std::weak_ptr<SimpleDatabase> weakSelf = sharedAs<SimpleDatabase>();
        data_
            .subscribe([weakSelf](const List&) {
                if (auto self = weakSelf.lock()) self->savePending_.store(true);
            })
            .disposed(disposeBag_);
        data_.debounce(0.1, rx::MainScheduler::instance())
            .subscribe([weakSelf](const List&) {
                if (auto self = weakSelf.lock()) self->save();
            })
            .disposed(disposeBag_);
    }

    ~SimpleDatabase() override {
        if (savePending_.load()) save();
    }

    const std::string& name() const { return name_; }
    SimpleDatabaseType databaseType() const { return databaseType_; }
    const rx::BehaviorRelay<List>& data() const { return data_; }

    virtual platform::URL fileURL() const { return SimpleDatabaseFile::fileURL(name_, databaseType_); }

    virtual void removeAll() { data_.accept({}); }
    // Every element equal to `element`, order kept.
    void remove(const Element& element) requires std::equality_comparable<Element> {
        auto list = data_.value();
        std::erase(list, element);
        data_.accept(list);
    }
    virtual void add(const Element& element) {
        auto list = data_.value();
        list.push_back(element);
        data_.accept(list);
    }
    virtual void add(const List& elements) {
        auto list = data_.value();
        list.insert(list.end(), elements.begin(), elements.end());
        data_.accept(list);
    }
    virtual List getAll() const { return data_.value(); }
    // Publishes the list again, unchanged, which schedules a save.
    virtual void republish() { data_.accept(data_.value()); }

    // Writes the current list now. A list that cannot be encoded is kept in memory and the file left
    // as it is.
    virtual void save() {
        std::lock_guard lock(saveMutex_);
        savePending_.store(false);
        const auto path = fileURL().path();
        if (!writable_) {
            SimpleDatabaseFile::reportUnsaved(path, "an unreadable file could not be moved aside");
            return;
        }
        std::string text;
        try {
            text = encodeJSON(data_.value());
        } catch (const std::exception& error) {
            SimpleDatabaseFile::reportUnsaved(path, error.what());
            return;
        }
        SimpleDatabaseFile::write(path, text);
    }

    // Reads the file and publishes its list; a missing file or one that does not decode leaves the
    // list as it is.
    virtual void load() {
        std::optional<List> decoded;
        auto outcome = SimpleDatabaseFile::read(fileURL().path(), [&decoded](const std::string& text) {
            try {
                decoded = decodeJSON<List>(text);
                return true;
            } catch (const std::exception&) {
                return false;
            }
        });
        if (outcome == SimpleDatabaseFile::ReadOutcome::cannotSetAside) writable_ = false;
        if (decoded) data_.accept(*decoded);
    }

private:
    rx::DisposeBag disposeBag_;
    const std::string name_;
    const SimpleDatabaseType databaseType_;
    const rx::BehaviorRelay<List> data_{List{}};

    std::mutex saveMutex_;
    std::atomic<bool> savePending_{false};
    // False once a damaged file stayed where it was: it is never written over.
    std::atomic<bool> writable_{true};
};

}  // namespace Brindle
