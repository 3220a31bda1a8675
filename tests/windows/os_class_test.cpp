// Windows version classes under the versions Wine can report. Wine reports a
// version per program file name (the value "Version" under
// HKCU\Software\Wine\AppDefaults\<name>), so each case runs a uniquely named
// copy: of this program, started with --report-os-class to print the class
// the stub's query gives, or of a package, to see the stub itself run.
#include "support/stub_runs.h"
#include "support/test_environment.h"
#include "support/test_packages.h"
#include "uiauto/ui_automation.h"

#include "startup/startup.h"
#include "format/startup_rules.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <string>

namespace {

const char kReportOsClass[] = "--report-os-class";

// The child's side: the class, then the platform and version it came from.
int reportOsClass()
{
    OSVERSIONINFOA version;
    uint32_t osClass = queryOsClass(version);
    printf("%u %lu %lu.%lu", unsigned(osClass), version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion);
    fflush(stdout);
    return 0;
}

std::string ownPath()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(path, length) : std::string();
}

struct VersionCase {
    const char* wineVersion;
    uint32_t osClass;
};

void PrintTo(const VersionCase& versionCase, std::ostream* out)
{
    *out << versionCase.wineVersion;
}

const VersionCase kVersionCases[] = {
    {"win95", OsWin95}, {"win98", OsWin98},    {"winme", OsWinMe}, {"nt40", OsWinNt4}, {"win2k", OsWin2000},
    {"winxp", OsWinXp}, {"vista", OsWinVista}, {"win7", OsWin7},   {"win8", OsWin7},   {"win10", OsWin7},
};

class VersionClass : public ::testing::TestWithParam<VersionCase> {};

}  // namespace

TEST_P(VersionClass, FollowsTheReportedVersion)
{
    const VersionCase& versionCase = GetParam();
    const std::string self = ownPath();
    ASSERT_FALSE(self.empty());
    TestFile copy(packageFolder(), std::string("osclass-") + versionCase.wineVersion);
    ASSERT_TRUE(CopyFileA(self.c_str(), copy.path().c_str(), FALSE)) << GetLastError();
    AppDefaultsVersion version(copy.name(), versionCase.wineVersion);
    ASSERT_TRUE(version.ok());

    QuietRun run = runQuietly(copy.path(), kReportOsClass);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 0u);
    unsigned reported = 0;
    ASSERT_EQ(sscanf(run.output.c_str(), "%u", &reported), 1) << "output: " << run.output;
    EXPECT_EQ(reported, versionCase.osClass) << "class, platform, version: " << run.output;
}

INSTANTIATE_TEST_SUITE_P(WineVersions, VersionClass, ::testing::ValuesIn(kVersionCases),
                         [](const ::testing::TestParamInfo<VersionCase>& info) {
                             return std::string(info.param.wineVersion);
                         });

TEST(OsClassOfThisProgram, MatchesItsOwnVersionQuery)
{
    // Without a version of its own, the program gets the prefix's.
    OSVERSIONINFOA version;
    uint32_t osClass = queryOsClass(version);
    EXPECT_EQ(version.dwOSVersionInfoSize, 148u);
    EXPECT_EQ(osClass, osClassFor(version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion));
    EXPECT_EQ(version.dwPlatformId, DWORD(VER_PLATFORM_WIN32_NT));
}

TEST(OsClassOfTheStub, On9xPlatformTheWizardRunsWithoutAnyElevationStep)
{
    // Reported as Windows 98 the stub makes no administrator test and no
    // relaunch: the frame appears in the process this test started.
    TestFile package(packageFolder(), "setup-win98");
    ASSERT_TRUE(package.write(buildSamplePackage()));
    AppDefaultsVersion version(package.name(), "win98");
    ASSERT_TRUE(version.ok());

    uiauto::RunningProcess stub;
    ASSERT_TRUE(startProgram(stub, package.path(), ""));
    HWND frame = waitForFrame(stub);
    ASSERT_NE(frame, nullptr) << "the wizard frame did not appear";
    EXPECT_EQ(uiauto::windowProcessId(frame), stub.processId());
    EXPECT_EQ(uiauto::processIdsByExeName(package.name().c_str()), std::vector<DWORD>{stub.processId()});
    EXPECT_TRUE(cancelFrame(stub, frame));
}

int main(int argc, char** argv)
{
    if (argc == 2 && strcmp(argv[1], kReportOsClass) == 0)
        return reportOsClass();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
