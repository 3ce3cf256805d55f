#pragma once

#include "rx/Disposable.h"
#include "rx/Observer.h"

namespace rx::detail {

// What an Observable subscribes to: an operator's recipe, a subject, a relay.
template <class T>
class Source {
public:
    virtual ~Source() = default;
    virtual Disposable subscribe(const Observer<T>& observer) = 0;
};

}  // namespace rx::detail
