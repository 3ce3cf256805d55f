#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/foundation/UserDefaults.h"
#include "tests/support/FreshDefaults.h"

namespace button_views_testing {

using test_support::FreshDefaults;

}  // namespace button_views_testing
