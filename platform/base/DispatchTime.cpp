#include "platform/base/DispatchTime.h"

#include "platform/base/Clock.h"

namespace platform {

DispatchTime DispatchTime::now() { return DispatchTime(Clock::monotonicSeconds()); }

}  // namespace platform
