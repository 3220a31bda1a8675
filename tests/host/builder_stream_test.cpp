// Block 1 as the builder lays it out for streaming: the record stream and
// every small item first, then each distinct content once, in the order the
// installation writes it; and the limits the format alone sets.
#include "builder_test_support.h"

#include "builder/assembly/file_contents.h"
#include "builder/assembly/package_limits.h"
#include "builder/assembly/write_order.h"
#include "builder/package/block_encoder.h"
#include "format/block_reader.h"
#include "format/file_io.h"
#include "format/byte_sink.h"
#include "format/streamed_action_script.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

std::string raw(const Bytes& bytes)
{
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// Every WriteFileAction of a script, in the order the installation meets
// them: the main list, then each component's.
std::vector<const WriteFileAction*> writesOf(const ActionScript& script)
{
    std::vector<const WriteFileAction*> writes;
    auto add = [&](const ActionList& list) {
        for (Action* action : list.actions) {
            if (action->kind() == WriteFileAction::kKind)
                writes.push_back(static_cast<const WriteFileAction*>(action));
        }
    };
    add(script.mainActions);
    for (const Component* component : script.components)
        add(component->actions);
    return writes;
}

// The number of pool items in a decoded block.
uint32_t poolItems(const Bytes& block)
{
    uint64_t at = 4 + uint64_t(loadU32(block.data()));
    uint32_t count = 0;
    while (at + 4 <= block.size()) {
        at += 4 + uint64_t(loadU32(block.data() + at));
        ++count;
    }
    EXPECT_EQ(at, block.size());
    return count;
}

// A product whose files repeat contents across folders and lists; the two
// `files` entries of the main list make one run of writes.
void layOutRepeatingProduct(const ManifestFolder& folder)
{
    std::string large(300000, 'x');
    for (size_t i = 0; i < large.size(); i += 7)
        large[i] = char('a' + i % 23);
    folder.write("app/Main.EXE", peImageWithVersion(1, 2, 3, 4));
    folder.write("app/b/notes.txt", "same text\n");
    folder.write("app/a/notes.TXT", "same text\n");
    folder.write("app/data.bin", large);
    folder.write("app/z.dll", "library");
    folder.write("more/copy.bin", large);
    folder.write("more/other.txt", "other text\n");
    folder.write("extra/notes.txt", "same text\n");
    folder.writeManifest(productTable() +
                         "[[files]]\nsource = \"app\"\n"
                         "[[actions]]\nkind = \"remove_on_uninstall\"\npath = \"$PROGRAMFILESFOLDER$\\\\x.log\"\n"
                         "[[files]]\nsource = \"more\"\n"
                         "[[components]]\nname = \"Extra\"\n"
                         "[[components.files]]\nsource = \"extra\"\ndestination = \"$PROGRAMFILESFOLDER$\\\\extra\"\n");
}

}  // namespace

TEST(BuilderStreamLayout, SmallItemsFirstThenEachContentOnceInWriteOrder)
{
    ManifestFolder folder;
    layOutRepeatingProduct(folder);
    BuildOutcome outcome = buildFolder(folder);
    ASSERT_TRUE(outcome.ok) << outcome.report;

    FileHandle file = fileWith(outcome.installer);
    OpenedPackage package;
    ASSERT_EQ(openPackage(file.get(), package), PackageResult::Ok);
    int64_t block1Start = tellPosition(file.get());
    Bytes block1;
    ASSERT_EQ(readBlock(file.get(), package.remainingAfterBlock0, block1), BlockResult::Ok);
    uint32_t items = poolItems(block1);

    // Read as the stub reads it: the files' contents stay references.
    ASSERT_TRUE(seekTo(file.get(), uint64_t(block1Start)));
    StreamedPool pool;
    ActionScript script;
    ASSERT_EQ(loadStreamedActionScript(file.get(), package.remainingAfterBlock0, 64u << 20, pool, script),
              BlockResult::Ok);
    std::vector<const WriteFileAction*> writes = writesOf(script);
    ASSERT_EQ(writes.size(), 8u);

    // Within each run: by extension, then name, then path, whatever the case.
    std::vector<std::string> paths;
    for (const WriteFileAction* write : writes)
        paths.push_back(write->path.text());
    // The two entries of the main list make one run; the action follows it.
    const std::string at = "$PROGRAMFILESFOLDER$\\";
    EXPECT_EQ(paths, (std::vector<std::string>{at + "copy.bin", at + "data.bin", at + "z.dll", at + "Main.EXE",
                                               at + "a\\notes.TXT", at + "b\\notes.txt", at + "other.txt",
                                               at + "extra\\notes.txt"}));
    ASSERT_EQ(script.mainActions.actions.count(), 8u);
    EXPECT_EQ(script.mainActions.actions[7]->kind(), RemoveOnUninstallAction::kKind);

    // Data items: the pool's tail, first met in write order, one per
    // distinct content, however many files hold it.
    std::map<uint32_t, std::string> contentOf;
    uint32_t next = items - 5;  // copy.bin, z.dll, Main.EXE, notes, other.txt
    for (size_t i = 0; i < writes.size(); ++i) {
        const PayloadRef& ref = writes[i]->dataRef;
        ASSERT_TRUE(ref.streamed()) << paths[i];
        if (!contentOf.count(ref.item)) {
            EXPECT_EQ(ref.item, next) << paths[i] << ": data items follow in write order";
            ++next;
        }
        contentOf[ref.item] = paths[i];
    }
    EXPECT_EQ(next, items);
    EXPECT_EQ(writes[4]->dataRef.item, writes[5]->dataRef.item);  // the two notes
    EXPECT_EQ(writes[7]->dataRef.item, writes[5]->dataRef.item);  // and the component's
    EXPECT_EQ(writes[1]->dataRef.item, writes[0]->dataRef.item);  // data.bin is copy.bin
    EXPECT_EQ(writes[3]->versionHigh, 1u << 16 | 2u);             // read from the header alone
    EXPECT_EQ(writes[3]->versionLow, 3u << 16 | 4u);
}

TEST(BuilderStreamLayout, WholeBlockReaderInstallsTheSameFiles)
{
    ManifestFolder folder;
    layOutRepeatingProduct(folder);
    BuildOutcome outcome = buildFolder(folder);
    ASSERT_TRUE(outcome.ok) << outcome.report;
    OpenedPackage package;
    ActionScript script;
    ASSERT_TRUE(readBack(outcome.installer, package, script));
    std::map<std::string, std::string> expected = {
        {"$PROGRAMFILESFOLDER$\\Main.EXE", peImageWithVersion(1, 2, 3, 4)},
        {"$PROGRAMFILESFOLDER$\\b\\notes.txt", "same text\n"},
        {"$PROGRAMFILESFOLDER$\\a\\notes.TXT", "same text\n"},
        {"$PROGRAMFILESFOLDER$\\z.dll", "library"},
        {"$PROGRAMFILESFOLDER$\\other.txt", "other text\n"},
        {"$PROGRAMFILESFOLDER$\\extra\\notes.txt", "same text\n"},
    };
    std::vector<const WriteFileAction*> writes = writesOf(script);
    ASSERT_EQ(writes.size(), 8u);
    for (const WriteFileAction* write : writes) {
        EXPECT_FALSE(write->dataRef.streamed());
        auto known = expected.find(write->path.text());
        if (known != expected.end())
            EXPECT_EQ(raw(write->data), known->second) << write->path.text();
        else
            EXPECT_EQ(write->data.size(), 300000u) << write->path.text();
    }
}

TEST(BuilderStreamOrder, KindThenNameThenPathAndStableForOneDestination)
{
    std::vector<std::string> paths = {
        "$I$\\b\\Z.TXT",  // 0
        "$I$\\a\\y.dll",  // 1
        "$I$\\c\\x.txt",  // 2
        "$I$\\README",    // 3: no kind sorts first
        "$I$\\A\\X.TXT",  // 4
        "$I$\\a\\x.txt",  // 5: the destination of 4, written after it
        "$I$\\.hidden",   // 6: a leading dot names, it does not kind
    };
    EXPECT_EQ(orderOfWrites(paths), (std::vector<size_t>{6, 3, 1, 4, 5, 2, 0}));
    std::swap(paths[4], paths[5]);
    EXPECT_EQ(orderOfWrites(paths), (std::vector<size_t>{6, 3, 1, 4, 5, 2, 0}))
        << "two writes to one destination keep their order";
    EXPECT_TRUE(orderOfWrites({}).empty());
}

TEST(BuilderStreamLimits, OnlyTheFormatsSizesLimitAPackage)
{
    EXPECT_TRUE(block1SizeProblem(UINT32_MAX, 1, 1).empty());
    std::string tooLarge = block1SizeProblem(uint64_t(UINT32_MAX) + 1, uint64_t(UINT32_MAX) - 100, 3);
    EXPECT_NE(tooLarge.find("4 GiB - 1 byte"), std::string::npos) << tooLarge;
    EXPECT_NE(tooLarge.find("3 files"), std::string::npos) << tooLarge;
    EXPECT_TRUE(fileSizeProblem("f", UINT32_MAX - 4).empty());
    EXPECT_NE(fileSizeProblem("big.iso", UINT32_MAX - 3).find("big.iso"), std::string::npos);
    EXPECT_TRUE(packageLengthProblem(90000, 100u << 20).empty());
    EXPECT_NE(packageLengthProblem(90000, UINT32_MAX - 50000).find("trailer"), std::string::npos);
    EXPECT_FALSE(packageLengthProblem(0, uint64_t(UINT32_MAX) + 1).empty());
}

TEST(BuilderStreamLimits, FileLargerThanABlockIsRefusedBeforeReading)
{
    ManifestFolder folder;
    folder.write("big/huge.bin", "");
    // Sparse: 5 GiB that take no disk space and are never read.
    ASSERT_EQ(truncate(folder.path("big/huge.bin").c_str(), 5ll << 30), 0);
    folder.writeManifest(productTable() + "[[files]]\nsource = \"big\"\n");
    BuildOutcome outcome = buildFolder(folder);
    EXPECT_FALSE(outcome.ok);
    EXPECT_NE(outcome.report.find("slipway.toml:6:10: error: the file "), std::string::npos) << outcome.report;
    EXPECT_NE(outcome.report.find("5120.0 MiB"), std::string::npos) << outcome.report;
    EXPECT_NE(outcome.report.find("at most 4 GiB - 1 byte"), std::string::npos) << outcome.report;
}

TEST(BuilderStreamPool, TwoHundredThousandItemsAddInLinearTime)
{
    // A linear scan per item would take minutes here.
    const uint32_t count = 250000;
    ByteSink sink;
    for (uint32_t i = 0; i < count; ++i)
        ASSERT_TRUE(sink.addText(("$PROGRAMFILESFOLDER$\\f" + std::to_string(i)).c_str())) << i;
    for (uint32_t i = 0; i < count; i += 997)
        ASSERT_TRUE(sink.addText(("$PROGRAMFILESFOLDER$\\f" + std::to_string(i)).c_str()));
    ASSERT_FALSE(sink.failed());
    EXPECT_EQ(sink.itemCount(), count);
    Bytes block;
    ASSERT_TRUE(sink.flatten(block));
    // Each repeat names the item it repeats.
    uint32_t stream = loadU32(block.data());
    for (uint32_t k = 0, i = 0; i < count; i += 997, ++k)
        ASSERT_EQ(loadU32(block.data() + 4 + 4 * (count + k)), i) << i;
    EXPECT_EQ(stream, 4u * (count + (count + 996) / 997));
}

TEST(BuilderStreamContents, FileChangedSinceItWasFirstReadStopsTheBuildByName)
{
    ManifestFolder folder;
    folder.write("a.txt", "first contents");
    std::vector<uint8_t> buffer(kReadChunk);
    ContentCatalog catalog;
    SourceContent content;
    std::string problem;
    ASSERT_TRUE(readFileInChunks(folder.path("a.txt"), buffer.data(), nullptr, content, problem)) << problem;
    std::vector<uint32_t> contents = {catalog.numberFor(content), catalog.numberFor(content)};
    EXPECT_EQ(contents[0], contents[1]);

    // Streams the one content into a block of its announced size.
    auto stream = [&]() {
        TemporaryFolder out;
        FileHandle file(fopen(out.file("block").c_str(), "w+b"));
        BlockEncoder encoder;
        CompressionOptions quick;
        quick.preset = 1;
        problem.clear();
        uint64_t framed = 0;
        return encoder.begin(file.get(), 4 + content.size, quick, nullptr, problem) &&
               streamContents(encoder, {contents[0]}, catalog, buffer.data(), problem) &&
               encoder.finish(framed, problem);
    };
    EXPECT_TRUE(stream()) << problem;
    folder.write("a.txt", "FIRST contents");
    EXPECT_FALSE(stream());
    EXPECT_NE(problem.find("a.txt changed while the installer was built"), std::string::npos) << problem;
    folder.write("a.txt", "first contents, and more");
    EXPECT_FALSE(stream());
    EXPECT_NE(problem.find("a.txt changed size while the installer was built"), std::string::npos) << problem;
    folder.write("a.txt", "first");
    EXPECT_FALSE(stream());
    EXPECT_NE(problem.find("a.txt changed size"), std::string::npos) << problem;
}
