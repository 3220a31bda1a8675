// inspect and extract read block 1 as a stream: what they show and write
// must be what a reader of the whole block finds, whatever order the pool
// keeps paths and contents in, and damage anywhere in the block is refused.
#include "builder_test_support.h"
#include "engine_samples.h"
#include "test_packages.h"

#include "builder/commands.h"
#include "builder/inspect/loaded_package.h"
#include "builder/inspect/package_description.h"
#include "builder/inspect/report_writers.h"
#include "builder/sha256.h"
#include "format/block_reader.h"
#include "format/byte_cursor.h"
#include "format/file_io.h"
#include "format/streamed_action_script.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace {

// Block 1 decoded whole and its script read from it, contents held.
struct WholeBlock {
    Bytes block;
    ActionScript script;
};

bool readWhole(const std::string& path, const BlockFacts& facts, WholeBlock& out)
{
    UniqueFile file(fopen(path.c_str(), "rb"));
    int64_t size = file ? fileLength(file.get()) : -1;
    if (size < 0 || !seekTo(file.get(), facts.offset) ||
        readBlock(file.get(), uint64_t(size) - facts.offset, out.block) != BlockResult::Ok)
        return false;
    ByteCursor cursor;
    return cursor.attach(out.block.data(), out.block.size()) && readActionScript(cursor, out.script);
}

std::vector<const Action*> actionsOf(const ActionScript& script)
{
    std::vector<const Action*> actions(script.mainActions.actions.begin(), script.mainActions.actions.end());
    for (const Component* component : script.components)
        actions.insert(actions.end(), component->actions.actions.begin(), component->actions.actions.end());
    return actions;
}

// The streamed reading against the whole one: the block's layout, every
// action as inspect shows it (contents by size and digest), every text.
void expectSameAsWholeReading(const std::string& path)
{
    std::unique_ptr<LoadedPackage> package(new LoadedPackage);
    std::string error;
    ASSERT_TRUE(loadPackage(path.c_str(), *package, error)) << error;
    WholeBlock whole;
    ASSERT_TRUE(readWhole(path, package->blocks[1], whole));

    BlockFacts measured = package->blocks[1];
    ASSERT_TRUE(measureBlock(whole.block, measured));
    EXPECT_EQ(package->blocks[1].recordStreamLength, measured.recordStreamLength);
    EXPECT_EQ(package->blocks[1].poolItems, measured.poolItems);
    EXPECT_EQ(package->blocks[1].bytesBehindPool, measured.bytesBehindPool);

    std::vector<const Action*> streamed = actionsOf(package->actionScript);
    std::vector<const Action*> held = actionsOf(whole.script);
    ASSERT_EQ(streamed.size(), held.size());
    for (size_t i = 0; i < held.size(); ++i)
        EXPECT_EQ(renderReportText(describeAction(*streamed[i], &package->payloads)),
                  renderReportText(describeAction(*held[i])))
            << "action " << i;
    const ActionScriptTexts& texts = package->actionScript;
    auto streamedTexts = byteFieldsOf(texts);
    auto heldTexts = byteFieldsOf(static_cast<const ActionScriptTexts&>(whole.script));
    ASSERT_EQ(streamedTexts.size(), heldTexts.size());
    for (size_t i = 0; i < heldTexts.size(); ++i)
        EXPECT_EQ(asString(*streamedTexts[i].second), asString(*heldTexts[i].second)) << heldTexts[i].first;
}

// Block 1 laid out by hand: the record stream's words, then the items in
// the order given, so contents may come before the paths that name them.
Bytes rawBlock(const std::vector<uint32_t>& stream, const std::vector<std::string>& items)
{
    ByteSink sink;
    sink.appendU32(uint32_t(stream.size() * 4));
    for (uint32_t word : stream)
        sink.appendU32(word);
    for (const std::string& item : items) {
        sink.appendU32(uint32_t(item.size()));
        sink.appendBytes(item.data(), item.size());
    }
    Bytes flat, block;
    // The sink's own flattening puts its length first: drop those 4 bytes.
    if (sink.flatten(flat))
        block.assign(flat.data() + 4, flat.size() - 4);
    return block;
}

// A main list of WriteFile records (path item, data item), no components,
// every text naming item `textItem`.
std::vector<uint32_t> fileRecords(const std::vector<std::pair<uint32_t, uint32_t>>& files, uint32_t textItem)
{
    std::vector<uint32_t> words = {0};  // page flags
    for (const auto& file : files) {
        words.insert(words.end(), {1, WriteFileAction::kKind, file.first, file.second});
        words.insert(words.end(), {0, 0, 0, 0});  // time and version
    }
    words.insert(words.end(), {0, 0});  // end of the main list, no components
    words.insert(words.end(), 17, textItem);
    words.push_back(0);  // upgrade rules
    return words;
}

std::string packageFile(const samples::ScratchFolder& folder, const std::string& name, const Bytes& block1)
{
    CompressionOptions options;
    options.preset = 1;
    options.extreme = false;
    Bytes file;
    std::string path = folder.path() + "/" + name;
    EXPECT_TRUE(buildInstallPackage(sampleStubImage(), sampleInstallScript(), block1, options, file));
    EXPECT_TRUE(samples::writeBytes(path, file));
    return path;
}

// Bytes that do not compress to nothing, so a file spans many chunks.
std::string noise(size_t size, uint32_t seed)
{
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        seed = seed * 1103515245 + 12345;
        c = char(seed >> 23);
    }
    return bytes;
}

std::string readFile(const std::string& path)
{
    Bytes bytes;
    return readWholeFile(path.c_str(), bytes) ? asString(bytes) : "<missing>";
}

int runCommand(int (*command)(int, char**), std::vector<std::string> arguments, std::string& output,
               std::string& errors)
{
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(&argument[0]);
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    int code = command(int(argv.size()), argv.data());
    fflush(stdout);
    output = ::testing::internal::GetCapturedStdout();
    errors = ::testing::internal::GetCapturedStderr();
    return code;
}

}  // namespace

TEST(StreamedPackage, WriterLaidOutPackagesReadAsAWholeBlockReaderReadsThem)
{
    samples::ScratchFolder folder;
    ActionScript every;
    samples::fillEveryKind(every);
    std::string path = folder.path() + "/every.exe";
    ASSERT_TRUE(samples::writeBytes(path, samples::installPackageWith(every)));
    expectSameAsWholeReading(path);

    // Files larger than a chunk, one of them installed twice.
    ActionScript large;
    large.mainActions.actions.push(samples::writeFile("big.bin", noise(300000, 1)));
    large.mainActions.actions.push(samples::writeFile("small.txt", "small"));
    large.mainActions.actions.push(samples::writeFile("again.bin", noise(300000, 1)));
    samples::clearTexts(large);
    std::string largePath = folder.path() + "/large.exe";
    ASSERT_TRUE(samples::writeBytes(largePath, samples::installPackageWith(large)));
    expectSameAsWholeReading(largePath);
}

TEST(StreamedPackage, ContentsBeforeTheirPathsAndNamedTwiceComeOutWhole)
{
    samples::ScratchFolder folder;
    const std::string first = noise(200000, 7);
    const std::string second = "the second file";
    // Items: the two files' contents, the empty text, then the paths; the
    // third file names the first contents again after the stream has passed
    // them.
    Bytes block1 = rawBlock(fileRecords({{3, 0}, {4, 1}, {5, 0}}, 2),
                            {first, second, std::string(1, '\0'), std::string("a.bin\0", 6), std::string("b.bin\0", 6),
                             std::string("c.bin\0", 6)});
    std::string path = packageFile(folder, "layout.exe", block1);
    expectSameAsWholeReading(path);

    std::string report, errors;
    std::string out = folder.path() + "/out";
    ASSERT_EQ(runCommand(runExtractCommand, {path, "-o", out}, report, errors), 0) << errors;
    EXPECT_EQ(readFile(out + "/a.bin"), first);
    EXPECT_EQ(readFile(out + "/b.bin"), second);
    EXPECT_EQ(readFile(out + "/c.bin"), first);
    EXPECT_NE(report.find("3 files, " + std::to_string(2 * first.size() + second.size()) + " bytes written"),
              std::string::npos)
        << report;

    ASSERT_EQ(runCommand(runInspectCommand, {path}, report, errors), 0) << errors;
    std::string firstData = "size: 200000\n          sha256: \"" + sha256Hex(first.data(), first.size()) + "\"\n";
    size_t at = report.find(firstData);
    ASSERT_NE(at, std::string::npos) << report;
    EXPECT_NE(report.find(firstData, at + 1), std::string::npos) << "the item named twice, described twice";
    EXPECT_NE(report.find("poolItems: 6\n"), std::string::npos);
}

TEST(StreamedPackage, DamageBehindTheLastNamedItemIsStillFound)
{
    samples::ScratchFolder folder;
    // A file, then a large item nothing names, and the stream cut short
    // inside it: every named byte decodes, the block does not.
    Bytes block1 = rawBlock(fileRecords({{1, 0}}, 2),
                            {"contents", std::string("f.txt\0", 6), std::string(1, '\0'), noise(100000, 3)});
    std::string good = packageFile(folder, "good.exe", block1);
    std::unique_ptr<LoadedPackage> probe(new LoadedPackage);
    std::string error;
    ASSERT_TRUE(loadPackage(good.c_str(), *probe, error)) << error;
    std::string bytes = readFile(good);
    storeU32(reinterpret_cast<uint8_t*>(&bytes[probe->blocks[1].offset]), probe->blocks[1].csize - 64);
    std::string cut = folder.path() + "/cut.exe";
    ASSERT_TRUE(samples::writeBytes(cut, bytesOf(bytes)));

    std::string report, errors;
    EXPECT_EQ(runCommand(runInspectCommand, {cut}, report, errors), 1);
    EXPECT_EQ(report, "");
    EXPECT_NE(errors.find("block 1 (the action script) is damaged: its LZMA stream does not decode to its stated size"),
              std::string::npos)
        << errors;
    std::string out = folder.path() + "/out";
    EXPECT_EQ(runCommand(runExtractCommand, {cut, "-o", out}, report, errors), 1);
    EXPECT_NE(errors.find("its LZMA stream does not decode"), std::string::npos) << errors;
    struct stat info;
    EXPECT_NE(lstat((out + "/f.txt").c_str(), &info), 0) << "nothing is written from a damaged package";
}

TEST(StreamedPackage, ContentsNamedBeyondThePoolAreDamage)
{
    samples::ScratchFolder folder;
    Bytes block1 = rawBlock(fileRecords({{0, 40}}, 1), {std::string("f.txt\0", 6), std::string(1, '\0')});
    std::string path = packageFile(folder, "beyond.exe", block1);
    for (PackageUse use : {PackageUse::Describe, PackageUse::Extract}) {
        std::unique_ptr<LoadedPackage> package(new LoadedPackage);
        std::string error;
        EXPECT_FALSE(loadPackage(path.c_str(), *package, error, use));
        EXPECT_NE(error.find("block 1 (the action script) is damaged: a record reads past"), std::string::npos)
            << error;
    }
}

namespace {

std::string u32Bytes(uint32_t value)
{
    uint8_t raw[4];
    storeU32(raw, value);
    return std::string(reinterpret_cast<char*>(raw), 4);
}

// The lengths the stub's streamed reading gives the files before any is
// written, and how far it decoded the block to learn them.
std::vector<uint32_t> lengthsUpFront(const std::string& path, uint32_t& decodedSoFar)
{
    std::unique_ptr<LoadedPackage> package(new LoadedPackage);
    std::string error;
    EXPECT_TRUE(loadPackage(path.c_str(), *package, error)) << error;
    UniqueFile file(fopen(path.c_str(), "rb"));
    StreamedPool pool;
    ActionScript script;
    int64_t size = file ? fileLength(file.get()) : -1;
    EXPECT_TRUE(size > 0 && seekTo(file.get(), package->blocks[1].offset));
    EXPECT_EQ(loadStreamedActionScript(file.get(), uint64_t(size) - package->blocks[1].offset, 1u << 30, pool,
                                       script),
              BlockResult::Ok);
    std::vector<uint32_t> lengths;
    for (const Action* action : actionsOf(script))
        lengths.push_back(static_cast<const WriteFileAction*>(action)->dataSize());
    decodedSoFar = pool.position();
    return lengths;
}

}  // namespace

TEST(StreamedPackage, ContentsLengthsComeFromTheTableBeforeTheContents)
{
    samples::ScratchFolder folder;
    const std::string big = noise(200000, 5);
    const std::vector<uint32_t> records = fileRecords({{1, 5}, {2, 6}, {3, 5}}, 0);
    auto blockWithTable = [&](const std::string& table) {
        return rawBlock(records, {std::string(1, '\0'), std::string("a.txt\0", 6), std::string("b.bin\0", 6),
                                  std::string("c.txt\0", 6), table, "hello", big});
    };
    // Items 0 to 3 are texts, 4 the table, 5 and 6 the contents.
    const std::string good = "LENS" + u32Bytes(5) + u32Bytes(uint32_t(big.size()));
    std::string path = packageFile(folder, "table.exe", blockWithTable(good));
    uint32_t decoded = 0;
    EXPECT_EQ(lengthsUpFront(path, decoded), (std::vector<uint32_t>{5, 200000, 5}));
    uint32_t beforeContents = 4 + uint32_t(records.size() * 4) + (4 + 1) + 3 * (4 + 6) + 4 + uint32_t(good.size());
    EXPECT_EQ(decoded, beforeContents) << "the contents are not decoded to learn their lengths";
    // Any other reader passes the table by as an item nothing names.
    expectSameAsWholeReading(path);

    // A table that does not fit the contents is not believed: wrong tag,
    // one length short, one too many.
    for (const std::string& bad : {"LENX" + u32Bytes(5) + u32Bytes(200000), "LENS" + u32Bytes(5),
                                   "LENS" + u32Bytes(5) + u32Bytes(200000) + u32Bytes(1)}) {
        std::string badPath = packageFile(folder, "bad.exe", blockWithTable(bad));
        EXPECT_EQ(lengthsUpFront(badPath, decoded), (std::vector<uint32_t>{0, 0, 0}));
        expectSameAsWholeReading(badPath);
    }
}

TEST(StreamedPackage, BuiltInstallersTellTheirContentsLengthsUpFront)
{
    ManifestFolder product;
    product.write("files/one.txt", "one");
    product.write("files/big.bin", noise(100000, 9));
    product.write("files/same.txt", "one");
    product.writeManifest(productTable() + "\n[[files]]\nsource = \"files\"\n");
    BuildOutcome built = buildFolder(product);
    ASSERT_TRUE(built.ok) << built.report;
    samples::ScratchFolder folder;
    std::string setup = folder.path() + "/setup.exe";
    ASSERT_TRUE(samples::writeBytes(setup, built.installer));
    uint32_t decoded = 0;
    std::vector<uint32_t> lengths = lengthsUpFront(setup, decoded);
    std::sort(lengths.begin(), lengths.end());
    EXPECT_EQ(lengths, (std::vector<uint32_t>{3, 3, 100000})) << "equal contents, stored once, count for each file";
    expectSameAsWholeReading(setup);
}
