#pragma once

#include <cstdint>

#include "rx/Observable.h"

namespace rx {

// Emits 0, 1, 2, ... every `period` seconds, the first one period after subscribing; never ends.
inline Observable<std::int64_t> interval(TimeInterval period, SchedulerPtr scheduler) {
    return detail::makeObservable<std::int64_t>(
        [period, scheduler](const Observer<std::int64_t>& downstream) {
            return scheduler->schedulePeriodic(
                period, [downstream, tick = std::int64_t{0}]() mutable { downstream.onNext(tick++); });
        });
}

}  // namespace rx
