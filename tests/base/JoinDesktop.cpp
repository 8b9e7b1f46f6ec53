// Every window of the test program lives in the project's virtual desktop, where real input reaches it.
#include <gtest/gtest.h>

#include "DesktopInput.h"

namespace {

class JoinDesktop : public ::testing::Environment {
public:
    void SetUp() override { dovex::test::JoinTestDesktop(); }
};
const auto* const kJoinDesktop = ::testing::AddGlobalTestEnvironment(new JoinDesktop);

} // namespace
