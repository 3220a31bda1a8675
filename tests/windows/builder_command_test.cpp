// slipway.exe under Wine: inspect and extract on a package written here, and
// a build of the example product.
#include "support/builder_runs.h"
#include "support/test_environment.h"
#include "support/test_packages.h"
#include "support/wine_host.h"
#include "uiauto/ui_automation.h"

#include "builder/package/package_writer.h"
#include "format/action_script.h"
#include "format/byte_sink.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

// 2000-02-29 12:34:56 UTC.
constexpr uint64_t kFileTime = 125963012960000000ull;
const char kContents[] = "Hello from the test.\r\n";
const char kContentsSha256[] = "3f77475af6768e8f42d48278ba4fe71c707d915647aa4cad7de809f55c0e0fdd";

WriteFileAction* writeFile(const char* path, const std::string& contents, uint64_t fileTime = 0)
{
    WriteFileAction* action = new WriteFileAction;
    action->path.assignText(path);
    action->data.assign(contents.data(), contents.size());
    action->timeLow = uint32_t(fileTime);
    action->timeHigh = uint32_t(fileTime >> 32);
    return action;
}

// The test's package: one file in the main list, hostile names in a component.
Bytes packageWithFiles()
{
    ActionScript script;
    script.mainActions.pageFlags = kPageFlagInstallFolder;
    script.mainActions.actions.push(writeFile("$PROGRAMFILESFOLDER$\\Sample\\hello.txt", kContents, kFileTime));
    Component* hostile = new Component;
    hostile->placement = kPlacementList;
    hostile->name.assignText("Hostile names");
    hostile->description.assignText("");
    for (const char* path : {"..\\..\\evil", "C:\\x", "\\\\server\\share", "$A:$", "dir\\NUL.txt"})
        hostile->actions.actions.push(writeFile(path, path));
    script.components.push(hostile);
    forEachByteField(static_cast<ActionScriptTexts&>(script), [](const char*, Bytes& text) { text.assignText(""); });
    script.uninstallKeyName.assign("Sample\0\0", 8);

    ByteSink sink;
    Bytes block1, file;
    CompressionOptions quick;
    quick.preset = 1;
    quick.extreme = false;
    if (!serializeActionScript(script, sink) || !sink.flatten(block1) ||
        !buildInstallPackage(stubImageBytes(), sampleInstallScript(), block1, quick, file))
        file.reset();
    return file;
}

std::string argument(const std::string& path)
{
    return uiauto::quoteArgument(path);
}

std::string readFile(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string contents;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read)
        contents.append(buffer, read);
    CloseHandle(file);
    return contents;
}

uint64_t lastWriteTime(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return 0;
    return uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32 | data.ftLastWriteTime.dwLowDateTime;
}

bool exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(SlipwayExe, InspectShowsAPackageWrittenHere)
{
    TestFile package(packageFolder(), "inspect");
    ASSERT_TRUE(package.write(packageWithFiles()));

    BuilderRun text = runBuilder("inspect " + argument(package.path()));
    ASSERT_TRUE(text.ended);
    EXPECT_EQ(text.exitCode, 0u) << text.output;
    EXPECT_TRUE(contains(text.output, "package: \"install\"\n")) << text.output;
    EXPECT_TRUE(contains(text.output, "stubSize: " + std::to_string(stubImageBytes().size()) + "\n"));
    EXPECT_TRUE(contains(text.output,
                         "      - kind: \"WriteFileAction\"\n"
                         "        code: 1\n"
                         "        stage: 0\n"
                         "        path: \"$PROGRAMFILESFOLDER$\\\\Sample\\\\hello.txt\"\n"
                         "        data:\n"
                         "          size: 22\n"
                         "          sha256: \"" +
                             std::string(kContentsSha256) + "\"\n"))
        << text.output;
    EXPECT_TRUE(contains(text.output, "modified: \"2000-02-29T12:34:56.0000000Z\"\n"));
    EXPECT_TRUE(contains(text.output, "name: \"Hostile names\"\n"));
    for (const InfoSwitch& pair : sampleInfoSwitches())
        EXPECT_TRUE(contains(text.output, "- key: \"" + pair.key + "\"\n")) << pair.key;

    BuilderRun json = runBuilder("inspect --json " + argument(package.path()));
    ASSERT_TRUE(json.ended);
    EXPECT_EQ(json.exitCode, 0u);
    EXPECT_EQ(json.output.compare(0, 2, "{\n"), 0) << json.output;
    EXPECT_TRUE(contains(json.output, "\"sha256\": \"" + std::string(kContentsSha256) + "\""));
    EXPECT_TRUE(contains(json.output, "\"uninstallKeyName\": [\n        \"Sample\"\n      ]"));
}

TEST(SlipwayExe, InspectRefusesADamagedPackage)
{
    Bytes good = packageWithFiles();
    ASSERT_FALSE(good.isNull());
    // Cut behind block 0: the trailer is gone, no package can be found.
    Bytes cut;
    cut.assign(good.data(), good.size() - 3);
    TestFile damaged(packageFolder(), "damaged");
    ASSERT_TRUE(damaged.write(cut));
    BuilderRun run = runBuilder("inspect " + argument(damaged.path()));
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.output, "");
}

TEST(SlipwayExe, ExtractWritesFilesWithTheirTimesAndKeepsNamesInside)
{
    TestFile package(packageFolder(), "extract");
    ASSERT_TRUE(package.write(packageWithFiles()));
    // Wine hands out the same small process ids run after run: a folder
    // left by an earlier run would make extract refuse every file.
    removeTestTree(makeTestFolder("extract"));
    std::string base = makeTestFolder("extract");
    std::string out = base + "\\out";

    BuilderRun run = runBuilder("extract " + argument(package.path()) + " -o " + argument(out));
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    std::string hello = out + "\\$PROGRAMFILESFOLDER$\\Sample\\hello.txt";
    EXPECT_EQ(readFile(hello), kContents);
    EXPECT_EQ(lastWriteTime(hello), kFileTime);

    EXPECT_EQ(readFile(out + "\\_\\_\\evil"), "..\\..\\evil");
    EXPECT_EQ(readFile(out + "\\C_\\x"), "C:\\x");
    EXPECT_EQ(readFile(out + "\\server\\share"), "\\\\server\\share");
    EXPECT_EQ(readFile(out + "\\$A_$"), "$A:$");
    EXPECT_EQ(readFile(out + "\\dir\\_NUL.txt"), "dir\\NUL.txt");
    EXPECT_FALSE(exists(base + "\\evil"));
    EXPECT_TRUE(contains(run.output, "6 files, ")) << run.output;
}

TEST(SlipwayExe, BuildsTheExampleProduct)
{
    std::string manifest = helloManifestPath();
    if (manifest.empty())
        GTEST_SKIP() << "examples/hello/slipway.toml is missing, so there is nothing to build";
    std::string setup = makeTestFolder("build") + "\\hello-setup.exe";
    BuilderRun build = runBuilder("build " + argument(manifest) + " -o " + argument(setup));
    ASSERT_TRUE(build.ended);
    ASSERT_EQ(build.exitCode, 0u) << build.output;
    BuilderRun inspect = runBuilder("inspect " + argument(setup));
    ASSERT_TRUE(inspect.ended);
    EXPECT_EQ(inspect.exitCode, 0u) << inspect.output;
    EXPECT_TRUE(contains(inspect.output, "package: \"install\"\n"));
    EXPECT_TRUE(contains(inspect.output, "kind: \"WriteFileAction\"\n"));
}
