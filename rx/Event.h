#pragma once

#include <concepts>
#include <exception>
#include <ostream>
#include <utility>
#include <variant>

namespace rx {

// One event of a sequence: an element, an error or the completion.
template <class T>
class Event {
public:
    enum class Kind { next, error, completed };

    static Event next(T element) { return Event(std::in_place_index<0>, std::move(element)); }
    static Event error(std::exception_ptr error) { return Event(std::in_place_index<1>, std::move(error)); }
    static Event completed() { return Event(std::in_place_index<2>, Completed{}); }

    Kind kind() const { return static_cast<Kind>(storage_.index()); }
    bool isNext() const { return storage_.index() == 0; }
    bool isStopEvent() const { return storage_.index() != 0; }
    // Only for a next event.
    const T& element() const { return std::get<0>(storage_); }
    T& element() { return std::get<0>(storage_); }
    // Only for an error event.
    const std::exception_ptr& errorValue() const { return std::get<1>(storage_); }

    // Errors are equal when they carry the same exception object.
    friend bool operator==(const Event& a, const Event& b) requires std::equality_comparable<T> {
        return a.storage_ == b.storage_;
    }

private:
    struct Completed {
        friend bool operator==(Completed, Completed) { return true; }
    };

    template <std::size_t I, class V>
    Event(std::in_place_index_t<I> index, V&& value) : storage_(index, std::forward<V>(value)) {}

    std::variant<T, std::exception_ptr, Completed> storage_;
};

template <class T>
std::ostream& operator<<(std::ostream& out, const Event<T>& event) {
    switch (event.kind()) {
        case Event<T>::Kind::next:
            if constexpr (requires { out << event.element(); })
                return out << "next(" << event.element() << ")";
            else
                return out << "next(?)";
        case Event<T>::Kind::error:
            try {
                if (event.errorValue()) std::rethrow_exception(event.errorValue());
                return out << "error(null)";
            } catch (const std::exception& e) {
                return out << "error(" << e.what() << ")";
            } catch (...) {
                return out << "error(?)";
            }
        case Event<T>::Kind::completed:
            return out << "completed";
    }
    return out;
}

}  // namespace rx
