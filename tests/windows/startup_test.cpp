// The stub started as a user would: query switches, the package named with
// "-ip ", and the wizard running in the very process that was started.
#include "support/stub_runs.h"
#include "support/test_environment.h"
#include "support/test_packages.h"
#include "uiauto/ui_automation.h"

#include "startup/startup.h"

#include <gtest/gtest.h>

namespace {

const char kExpectedBanner[] =
    "Slipway setup 1.0, made with Slipway: small, fast, dependable Windows installers.\n"
    "Switches: /passive, /quiet (no window, no question, no finish programs), /norestart, "
    "/dir=\"FOLDER\", /log=FILE, /nouninstall, /allowdowngrade, /? or /help; - for / works too; "
    "-extractallfiles, -ip PACKAGE, -installerinfo.\n"
    "Exit codes: 0 done, 3010 done but restart needed, 1602 cancelled, 1603 failed, "
    "1620 damaged package, 1638 another version is installed (downgrade refused), 1 no administrator rights.\n";

// A package file of the sample script (plus any extra info switches),
// written for one test and deleted after it.
class SamplePackage {
public:
    explicit SamplePackage(const std::vector<InfoSwitch>& extraSwitches = {}) : file_(packageFolder(), "setup")
    {
        std::vector<InfoSwitch> switches = sampleInfoSwitches();
        switches.insert(switches.end(), extraSwitches.begin(), extraSwitches.end());
        written_ = file_.write(buildSamplePackage(sampleInstallScript(switches)));
    }

    bool written() const { return written_; }
    const std::string& path() const { return file_.path(); }
    std::string name() const { return file_.name(); }

private:
    TestFile file_;
    bool written_ = false;
};

// A copy of the bare stub, no package behind it.
class BareStub {
public:
    BareStub() : file_(packageFolder(), "bare-stub") { written_ = file_.write(stubImageBytes()); }
    bool written() const { return written_; }
    const std::string& path() const { return file_.path(); }

private:
    TestFile file_;
    bool written_ = false;
};

}  // namespace

TEST(StubStartup, InstallerInfoPrintsTheBannerAndNothingElse)
{
    uiauto::ProcessOptions options;
    options.captureOutput = true;
    options.mergeStderr = false;
    uiauto::RunningProcess stub;
    ASSERT_TRUE(stub.start(uiauto::quoteArgument(stubPath()) + " -installerinfo", options)) << stub.error();
    DWORD exitCode = 99;
    ASSERT_TRUE(stub.wait(30000, &exitCode));
    EXPECT_EQ(stub.output(), kExpectedBanner);
    EXPECT_EQ(exitCode, 0u);
}

TEST(StubStartup, InstallerInfoComesBeforeThePackageAndShowsNoWindow)
{
    // Behind a package the banner is still the answer: it is given before
    // the package is even looked at.
    SamplePackage package;
    ASSERT_TRUE(package.written());
    QuietRun run = runQuietly(package.path(), "-installerinfo");
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, kExpectedBanner);
    EXPECT_FALSE(run.showedWindow);
}

TEST(StubStartup, InfoSwitchPrintsExactlyItsTextAndShowsNoWindow)
{
    // A text with line feeds checks that standard output is written in
    // binary: the runtime's text mode would turn each into CR LF.
    const InfoSwitch notes{"-notes", "first line\nsecond line\n"};
    SamplePackage package({notes});
    ASSERT_TRUE(package.written());
    std::vector<InfoSwitch> switches = sampleInfoSwitches();
    switches.push_back(notes);
    for (const InfoSwitch& pair : switches) {
        SCOPED_TRACE(pair.key);
        QuietRun run = runQuietly(package.path(), pair.key);
        ASSERT_TRUE(run.ended);
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_EQ(run.output, pair.text);
        EXPECT_FALSE(run.showedWindow);
    }
}

TEST(StubStartup, InfoSwitchWithATrailingBlankRunsTheWizardInstead)
{
    SamplePackage package;
    ASSERT_TRUE(package.written());
    uiauto::RunningProcess stub;
    ASSERT_TRUE(startProgram(stub, package.path(), "-version ", true));
    HWND frame = waitForFrame(stub);
    ASSERT_NE(frame, nullptr) << "the wizard frame did not appear";
    EXPECT_TRUE(cancelFrame(stub, frame));
    EXPECT_EQ(stub.output(), "");
}

TEST(StubStartup, PackagePathSwitchOpensThatPackage)
{
    // The named package answers an info switch whose key is the whole tail,
    // "-ip" and its own path; the bare stub that runs it has no package of
    // its own, so the answer can only come from the named file.
    TestFile named(packageFolder(), "named");
    const std::string tail = "-ip " + named.path();
    const InfoSwitch answer{tail, "answered by the package named with -ip"};
    std::vector<InfoSwitch> switches = sampleInfoSwitches();
    switches.push_back(answer);
    ASSERT_TRUE(named.write(buildSamplePackage(sampleInstallScript(switches))));
    BareStub stub;
    ASSERT_TRUE(stub.written());

    QuietRun run = runQuietly(stub.path(), tail);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.output, answer.text);
    EXPECT_FALSE(run.showedWindow);
}

TEST(StubStartup, WizardRunsInTheProcessThatWasStarted)
{
    // Wine grants administrator rights, so no elevated copy is started: the
    // frame belongs to the process this test started, and no second process
    // of the same file exists.
    SamplePackage package;
    ASSERT_TRUE(package.written());
    uiauto::RunningProcess stub;
    ASSERT_TRUE(startProgram(stub, package.path(), ""));
    HWND frame = waitForFrame(stub);
    ASSERT_NE(frame, nullptr) << "the wizard frame did not appear";
    EXPECT_EQ(uiauto::windowProcessId(frame), stub.processId());
    EXPECT_EQ(uiauto::processIdsByExeName(package.name().c_str()), std::vector<DWORD>{stub.processId()});
    ASSERT_TRUE(waitUntilLoaded(frame));
    EXPECT_TRUE(uiauto::saveScreenshot(frame, (testOutputFolder() + "\\wizard-frame.bmp").c_str()));
    EXPECT_TRUE(cancelFrame(stub, frame));
}
