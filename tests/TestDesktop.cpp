// Every window of a test program lives in the project's virtual desktop, where Dovex runs in the tests.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/TestSupport.h"

namespace {

// Joined with care: a desktop that is closing is started anew (see TestSupport.h).
const auto* const kJoinDesktop = ::testing::AddGlobalTestEnvironment(new dovex::test::ProjectDesktop);

} // namespace
