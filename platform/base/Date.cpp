#include "platform/base/Date.h"

#include "platform/base/Clock.h"

namespace platform {

Date::Date() : seconds_(Clock::wallSeconds() - referenceDateSince1970) {}

}  // namespace platform
