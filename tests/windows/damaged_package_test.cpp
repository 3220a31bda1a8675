// Every package the stub cannot run ends in the same message box: "The setup
// package is damaged. Please try again with original file.", caption "Error",
// and the process ends with 0 once it is answered.
#include "support/stub_runs.h"
#include "support/test_environment.h"
#include "support/test_packages.h"
#include "uiauto/ui_automation.h"

#include "format/pe_image.h"
#include "startup/startup.h"
#include "builder/package/package_writer.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <functional>
#include <ostream>
#include <string>

namespace {

// What one case runs: the bytes of the file that is started, and its tail.
// `other` is the path of a second, valid package file that a case may name.
struct DamagedRun {
    Bytes program;
    std::string tail;
};

struct DamagedCase {
    const char* name;
    std::function<DamagedRun(const Bytes& validPackage, const std::string& other)> make;
};

void PrintTo(const DamagedCase& damagedCase, std::ostream* out)
{
    *out << damagedCase.name;
}

DamagedRun damagedCopy(const Bytes& package, const std::function<void(Bytes&, const PackageOffsets&)>& damage)
{
    DamagedRun run{copyBytes(package), ""};
    damage(run.program, packageOffsets(package));
    return run;
}

void setTrailer(Bytes& bytes, const PackageOffsets& offsets, uint32_t length)
{
    storeU32(bytes.data() + offsets.trailer, length);
}

const DamagedCase kDamagedCases[] = {
    {"BareStubWithoutPackage",
     [](const Bytes&, const std::string&) {
         return DamagedRun{stubImageBytes(), ""};
     }},
    {"TrailerZero",
     [](const Bytes& p, const std::string&) {
         return damagedCopy(p, [](Bytes& b, const PackageOffsets& o) { setTrailer(b, o, 0); });
     }},
    {"TrailerBelowFour",
     [](const Bytes& p, const std::string&) {
         return damagedCopy(p, [](Bytes& b, const PackageOffsets& o) { setTrailer(b, o, 3); });
     }},
    {"TrailerBeyondItsOwnOffset",
     [](const Bytes& p, const std::string&) {
         return damagedCopy(p, [](Bytes& b, const PackageOffsets& o) { setTrailer(b, o, o.trailer + 1); });
     }},
    {"TrailerOfAllOnes",
     [](const Bytes& p, const std::string&) {
         return damagedCopy(p, [](Bytes& b, const PackageOffsets& o) { setTrailer(b, o, 0xFFFFFFFF); });
     }},
    {"BadMagic",
     [](const Bytes& p, const std::string&) {
         return damagedCopy(p, [](Bytes& b, const PackageOffsets& o) { b.data()[o.start] ^= 0xFF; });
     }},
    {"UndecodableBlock0",
     [](const Bytes& p, const std::string&) {
         // An LZMA stream's first byte is always 0; anything else is a data
         // error to the decoder.
         return damagedCopy(p, [](Bytes& b, const PackageOffsets& o) { b.data()[o.block0Stream] = 0xFF; });
     }},
    {"UninstallPackageTooShort",
     [](const Bytes&, const std::string&) {
         DamagedRun run;
         Bytes body;
         EXPECT_TRUE(body.assign("\0\0\0\0\0\0\0\0", 8));
         EXPECT_TRUE(assemblePackageFile(stubImageBytes(), kUninstallMagic, {&body}, run.program));
         return run;
     }},
    {"PackagePathArgumentTooLong",
     [](const Bytes& p, const std::string& other) {
         // Cut to 260 characters, the argument would still name the valid
         // package (trailing blanks are dropped from file names), and the
         // wizard would run: it must be refused as a whole.
         std::string argument = other;
         argument.resize(300, ' ');
         FILE* cut = fopen(argument.substr(0, 260).c_str(), "rb");
         EXPECT_NE(cut, nullptr) << "the cut argument should name the valid package";
         if (cut)
             fclose(cut);
         return DamagedRun{copyBytes(p), "-ip " + argument};
     }},
    {"PackagePathArgumentNamesAMissingFile",
     [](const Bytes& p, const std::string& other) {
         return DamagedRun{copyBytes(p), "-ip " + other + ".missing.exe"};
     }},
    {"SignedInstallerTakesNoOtherPackage",
     [](const Bytes& p, const std::string& other) {
         // A certificate table behind the trailer, named by the security
         // directory: to the stub, a signed installer.
         DamagedRun run{copyBytes(p), "-ip " + other};
         Bytes& b = run.program;
         PeHeaderFields fields;
         EXPECT_TRUE(findPeHeaderFields(b.data(), b.size(), fields) && fields.hasCertificateEntry);
         const size_t table = b.size();
         Bytes withTable;
         EXPECT_TRUE(withTable.allocate(table + 16));
         memcpy(withTable.data(), b.data(), table);
         memset(withTable.data() + table, 0, 16);
         storeU32(withTable.data() + table, 16);
         storeU32(withTable.data() + fields.certificateEntry, uint32_t(table));
         storeU32(withTable.data() + fields.certificateEntry + 4, 16);
         run.program = static_cast<Bytes&&>(withTable);
         return run;
     }},
    {"PackagePathArgumentRunsToTheEndOfTheTail",
     [](const Bytes& p, const std::string& other) {
         // "-ip" takes everything behind it, the "/quiet" included, so the
         // path names no file.
         return DamagedRun{copyBytes(p), "-ip " + other + " /quiet"};
     }},
};

class DamagedPackage : public ::testing::TestWithParam<DamagedCase> {
protected:
    static void SetUpTestSuite() { validPackage_ = new Bytes(buildSamplePackage()); }
    static void TearDownTestSuite()
    {
        delete validPackage_;
        validPackage_ = nullptr;
    }

    static Bytes* validPackage_;
};

Bytes* DamagedPackage::validPackage_ = nullptr;

}  // namespace

TEST_P(DamagedPackage, ShowsTheDamagedPackageMessage)
{
    ASSERT_GT(validPackage_->size(), 0u);
    TestFile other(packageFolder(), "valid");
    ASSERT_TRUE(other.write(*validPackage_));
    DamagedRun made = GetParam().make(*validPackage_, other.path());
    TestFile program(packageFolder(), GetParam().name);
    ASSERT_TRUE(program.write(made.program));

    uiauto::RunningProcess stub;
    ASSERT_TRUE(startProgram(stub, program.path(), made.tail));
    EXPECT_TRUE(answerDamagedPackageMessage(stub));
}

INSTANTIATE_TEST_SUITE_P(EveryCase, DamagedPackage, ::testing::ValuesIn(kDamagedCases),
                         [](const ::testing::TestParamInfo<DamagedCase>& info) { return info.param.name; });

TEST(DamagedPackageMessage, Screenshot)
{
    // For people to look at: the box as the user sees it.
    TestFile program(packageFolder(), "bare-stub");
    ASSERT_TRUE(program.write(stubImageBytes()));
    uiauto::RunningProcess stub;
    ASSERT_TRUE(startProgram(stub, program.path(), ""));
    EXPECT_TRUE(answerDamagedPackageMessage(stub, testOutputFolder() + "\\damaged-package-message.bmp"));
}

TEST(DamagedPackageMessage, TheValidPackageOfTheseCasesRuns)
{
    // The cases above damage this package; undamaged, it opens the wizard.
    TestFile program(packageFolder(), "valid");
    ASSERT_TRUE(program.write(buildSamplePackage()));
    uiauto::RunningProcess stub;
    ASSERT_TRUE(startProgram(stub, program.path(), ""));
    HWND frame = waitForFrame(stub);
    ASSERT_NE(frame, nullptr);
    EXPECT_TRUE(cancelFrame(stub, frame));
}
