// Files streamed from the package to the disk, as installations meet them:
// a package from another writer, whose paths and contents alternate and
// whose contents are named more than once; a package damaged behind the
// files it has already written; a file that cannot be created while the
// stream goes on, answered with Retry and with Abort.
#include "support/file_steps.h"
#include "support/installer_wizard.h"
#include "support/stub_runs.h"
#include "support/test_environment.h"
#include "support/test_packages.h"
#include "support/wizard_driver.h"
#include "uiauto/ui_automation.h"

#include "builder/package/block_compressor.h"
#include "builder/package/package_writer.h"
#include "format/action_script.h"
#include "format/byte_sink.h"
#include "format/package_container.h"
#include "format/stub_texts.h"
#include "format/unattended_rules.h"
#include "resources/resource_ids.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr char kFailureText[] = "Streamed could not be installed.";

// Contents of some size that compress somewhat, different per seed.
std::string contentsOf(size_t size, uint32_t seed)
{
    std::string s;
    uint32_t state = seed * 2654435761u + 1;
    while (s.size() < size) {
        state = state * 1103515245 + 12345;
        s += char('a' + (state >> 16) % 26);
        if ((state & 0x3F) == 0)
            s += "\r\n";
    }
    s.resize(size);
    return s;
}

struct PlannedFile {
    std::string path;      // absolute
    std::string contents;  // the same contents twice are stored once
};

// The files as WriteFile actions; streamed ones name their contents by the
// position of the first file with the same contents.
ActionScript scriptFor(const std::vector<PlannedFile>& files, bool streamed)
{
    ActionScript script;
    for (size_t i = 0; i < files.size(); ++i) {
        std::unique_ptr<WriteFileAction> action(new WriteFileAction);
        action->path.assignText(files[i].path.c_str());
        action->timeLow = 0x2C3E5000;
        action->timeHigh = 0x01D9A1B2;
        if (streamed) {
            uint32_t first = uint32_t(i);
            for (size_t j = 0; j < i; ++j)
                if (files[j].contents == files[i].contents) {
                    first = uint32_t(j);
                    break;
                }
            action->dataRef.item = first;
            action->dataRef.size = uint32_t(files[i].contents.size());
        } else {
            action->data.assign(files[i].contents.data(), files[i].contents.size());
        }
        script.mainActions.actions.push(std::move(action));
    }
    // No success page: a run that succeeds ends by itself. A failure shows
    // its page, which has a text.
    for (Bytes* text : {&script.successText, &script.uninstallKeyName})
        text->assignText("");
    script.failureText.assignText(kFailureText);
    script.uninstallKeyName.assign("\0", 2);
    return script;
}

// Decoded block 1: written as another writer would (items in the order of
// first reference, paths and contents alternating), or laid out for
// streaming (records and texts, then the contents in the order they are
// written).
Bytes block1For(const std::vector<PlannedFile>& files, bool streamed)
{
    ActionScript script = scriptFor(files, streamed);
    ByteSink sink;
    Bytes block;
    EXPECT_TRUE(serializeActionScript(script, sink) && sink.flatten(block));
    if (!streamed)
        return block;
    std::string all(reinterpret_cast<const char*>(block.data()), block.size());
    for (uint32_t i = 0; i < sink.payloadCount(); ++i) {
        const std::string& contents = files[sink.payloadAt(i)].contents;
        uint8_t length[4];
        storeU32(length, uint32_t(contents.size()));
        all.append(reinterpret_cast<const char*>(length), 4);
        all += contents;
    }
    Bytes out;
    out.assign(all.data(), all.size());
    return out;
}

// The package; `cutTo` keeps that share of block 1's compressed stream and
// frames what is left as a whole block, as a package damaged in transit and
// made whole again around the damage would be.
Bytes packageWith(const Bytes& block1, double cutTo = 1.0)
{
    CompressionOptions options;
    options.preset = 6;
    options.extreme = false;
    ByteSink sink0;
    Bytes block0, framed0, framed1, package;
    EXPECT_TRUE(serializeInstallScript(sampleInstallScript(), sink0) && sink0.flatten(block0));
    EXPECT_TRUE(compressBlock(block0.data(), block0.size(), options, framed0));
    EXPECT_TRUE(compressBlock(block1.data(), block1.size(), options, framed1));
    if (cutTo < 1.0) {
        uint32_t csize = loadU32(framed1.data());
        uint32_t kept = 5 + uint32_t((csize - 5) * cutTo);
        storeU32(framed1.data(), kept);
        EXPECT_TRUE(framed1.resize(8 + kept));
    }
    EXPECT_TRUE(assemblePackageFile(stubImageBytes(), kInstallMagic, {&framed0, &framed1}, package));
    return package;
}

class StreamedInstall : public ::testing::Test {
protected:
    std::string at(const std::string& name) const { return folder_ + "\\" + name; }
    std::vector<PlannedFile> files(std::initializer_list<std::pair<const char*, std::string>> list) const
    {
        std::vector<PlannedFile> out;
        for (auto& entry : list)
            out.push_back({at(entry.first), entry.second});
        return out;
    }
    void expectInstalled(const std::vector<PlannedFile>& planned)
    {
        for (const PlannedFile& file : planned) {
            EXPECT_TRUE(readFile(file.path) == file.contents) << file.path << " is not byte for byte";
            EXPECT_EQ(lastWriteTime(file.path), (uint64_t(0x01D9A1B2) << 32) | 0x2C3E5000) << file.path;
        }
    }

    void SetUp() override { CreateDirectoryA(folder_.c_str(), nullptr); }
    void TearDown() override { removeInstalledTree(folder_); }

    // A folder of its own per test, below the temporary folder.
    std::string folder_ =
        makeTestFolder("streamed") + "\\" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
};

TEST_F(StreamedInstall, PackageWithPathsAndContentsAlternatingInstallsByteForByte)
{
    const std::string shared = contentsOf(300000, 1), big = contentsOf(1500000, 2);
    // The third and fifth files name contents stored before their own path.
    auto planned = files({{"first.txt", "a small first file"},
                          {"shared-1.bin", shared},
                          {"again.txt", "a small first file"},
                          {"deep\\er\\big.bin", big},
                          {"deep\\shared-2.bin", shared},
                          {"empty.txt", ""}});
    TestFile program(packageFolder(), "seed-order");
    ASSERT_TRUE(program.write(packageWith(block1For(planned, false))));
    QuietRun run = runQuietly(program.path(), "/quiet");
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, kExitSuccess);
    expectInstalled(planned);
}

TEST_F(StreamedInstall, StreamingLayoutInstallsByteForByte)
{
    const std::string shared = contentsOf(200000, 3);
    auto planned = files({{"a.bin", shared}, {"b\\c.bin", contentsOf(900000, 4)}, {"b\\a-again.bin", shared}});
    TestFile program(packageFolder(), "streaming-layout");
    ASSERT_TRUE(program.write(packageWith(block1For(planned, true))));
    QuietRun run = runQuietly(program.path(), "/quiet");
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, kExitSuccess);
    expectInstalled(planned);
}

// Damage behind the records: the wizard starts, the first file is written,
// the second meets the damage. Everything is rolled back.
std::vector<PlannedFile> damagedFiles(const std::string& folder)
{
    return {{folder + "\\written-first.txt", "written before the damage"},
            {folder + "\\sub\\damaged.bin", contentsOf(3000000, 5)}};
}

TEST_F(StreamedInstall, QuietRunMeetingDamageRollsBackAndEndsWith1620)
{
    TestFile program(packageFolder(), "damaged-quiet");
    ASSERT_TRUE(program.write(packageWith(block1For(damagedFiles(folder_), true), 0.6)));
    QuietRun run = runQuietly(program.path(), "/quiet");
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, kExitDamagedPackage);
    EXPECT_TRUE(folderEntries(folder_).empty()) << "something of the installation was left";
}

TEST_F(StreamedInstall, AttendedRunMeetingDamageSaysSoThenFails)
{
    TestFile program(packageFolder(), "damaged-attended");
    ASSERT_TRUE(program.write(packageWith(block1For(damagedFiles(folder_), true), 0.6)));
    uiauto::RunningProcess setup;
    ASSERT_TRUE(startProgram(setup, program.path(), ""));
    HWND frame = waitForFrame(setup);
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(waitUntilLoaded(frame)) << "the damage lies behind what the wizard needs";
    ASSERT_NE(nextUntilProgressPage(frame), nullptr);
    HWND box = waitForPrompt(setup.processId());
    ASSERT_NE(box, nullptr) << "no message about the damaged package";
    EXPECT_EQ(uiauto::messageBoxText(box), kDamagedPackage);
    EXPECT_EQ(uiauto::messageBoxCaption(box), "Error");
    uiauto::saveScreenshot(box, (testOutputFolder() + "\\streamed-damage-message.bmp").c_str());
    EXPECT_TRUE(folderEntries(folder_).empty()) << "rolled back before the message";
    ASSERT_TRUE(uiauto::answerMessageBox(box, IDOK));
    ASSERT_TRUE(waitForNextEnabled(frame));
    HWND finish = pressAndWaitForPage(frame, IDC_NEXT, PageKind::Finish);
    ASSERT_NE(finish, nullptr);
    EXPECT_EQ(pageText(finish), kFailureText);
    ASSERT_TRUE(waitForNextEnabled(frame));
    ASSERT_TRUE(uiauto::pressButton(frame, IDC_NEXT));
    DWORD exitCode = 0;
    ASSERT_TRUE(setup.wait(kExitTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, kExitDamagedPackage);
    EXPECT_TRUE(folderEntries(folder_).empty());
}

// A file that cannot be created in the middle of the stream: Retry writes it
// whole once it can be; Abort rolls everything back.
class HeldDuringStream : public StreamedInstall {
protected:
    void SetUp() override
    {
        StreamedInstall::SetUp();
        planned_ = files({{"before.bin", contentsOf(400000, 6)},
                          {"held.bin", contentsOf(700000, 7)},
                          {"after.bin", contentsOf(300000, 8)}});
        ASSERT_TRUE(writeFile(planned_[1].path, "the user's own file"));
        held_.reset(new HeldFile(planned_[1].path));
        ASSERT_TRUE(held_->held());
        ASSERT_TRUE(program_.write(packageWith(block1For(planned_, true))));
        ASSERT_TRUE(startProgram(setup_, program_.path(), "/passive"));
        prompt_ = waitForPrompt(setup_.processId());
        ASSERT_NE(prompt_, nullptr) << "no prompt for the held file";
    }

    void TearDown() override
    {
        held_.reset();
        StreamedInstall::TearDown();
    }

    std::vector<PlannedFile> planned_;
    std::unique_ptr<HeldFile> held_;
    TestFile program_{packageFolder(), "held"};
    uiauto::RunningProcess setup_;
    HWND prompt_ = nullptr;
};

TEST_F(HeldDuringStream, RetryWritesTheFileWhole)
{
    held_->release();
    ASSERT_TRUE(uiauto::answerMessageBox(prompt_, IDRETRY));
    DWORD exitCode = 0;
    ASSERT_TRUE(setup_.wait(kExitTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, kExitSuccess);
    expectInstalled(planned_);
}

TEST_F(HeldDuringStream, AbortRollsBack)
{
    ASSERT_TRUE(uiauto::answerMessageBox(prompt_, IDABORT));
    HWND frame = waitForFrame(setup_);
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(waitForNextEnabled(frame)) << "the rollback did not end";
    held_->release();
    EXPECT_EQ(readFile(planned_[1].path), "the user's own file");
    EXPECT_EQ(folderEntries(folder_), std::vector<std::string>{"held.bin"});
    ASSERT_NE(pressAndWaitForPage(frame, IDC_NEXT, PageKind::Finish), nullptr);
    ASSERT_TRUE(waitForNextEnabled(frame));
    ASSERT_TRUE(uiauto::pressButton(frame, IDC_NEXT));
    DWORD exitCode = 0;
    ASSERT_TRUE(setup_.wait(kExitTimeoutMs, &exitCode));
    EXPECT_EQ(exitCode, kExitFailed);
}

}  // namespace
