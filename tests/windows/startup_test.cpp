// The stub started as a user would: query switches and start-up messages.
#include "support/test_environment.h"
#include "uiauto/ui_automation.h"

#include "app/startup.h"

#include <gtest/gtest.h>

TEST(StubStartup, InstallerInfoPrintsTheBannerAndNothingElse)
{
    uiauto::ProcessOptions options;
    options.captureOutput = true;
    options.mergeStderr = false;
    uiauto::RunningProcess stub;
    ASSERT_TRUE(stub.start(uiauto::quoteArgument(stubPath()) + " -installerinfo", options)) << stub.error();
    DWORD exitCode = 99;
    ASSERT_TRUE(stub.wait(30000, &exitCode));
    EXPECT_EQ(stub.output(), kInstallerBanner);
    EXPECT_EQ(exitCode, 0u);
}
