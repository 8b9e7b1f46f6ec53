// Every window of a test program lives in the project's virtual desktop, where Dovex runs in the tests.
#include <windows.h>

#include <gtest/gtest.h>

#include "ShowEnvironment.h"

namespace {

class JoinDesktop : public ::testing::Environment {
public:
    void SetUp() override {
        const std::wstring name = dovex::test::DesktopName();
        if (name.empty())
            return;
        if (HDESK desk = ::OpenDesktopW(name.c_str(), 0, FALSE, GENERIC_ALL))
            ::SetThreadDesktop(desk);
    }
};
const auto* const kJoinDesktop = ::testing::AddGlobalTestEnvironment(new JoinDesktop);

} // namespace
