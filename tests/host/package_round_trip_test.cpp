// A package written by the writer is read back by the stub's own readers.
#include "test_packages.h"

#include "format/package_container.h"

#include <gtest/gtest.h>

TEST(PackageRoundTrip, InstallPackageOpensWithItsScript)
{
    InstallScript script = sampleInstallScript();
    Bytes file = buildSamplePackage(script);
    ASSERT_FALSE(file.isNull());
    EXPECT_EQ(file.size() % 8, 0u);

    OpenedPackage package;
    ASSERT_EQ(openFromMemory(file, package), PackageKind::Install);
    EXPECT_STREQ(package.installScript.title.text(), script.title.text());
    EXPECT_STREQ(package.installScript.defaultFolder.text(), "Slipway Test Product");
    EXPECT_EQ(package.stubImage.size(), sampleStubImage().size());
}
