// Block 1 read as a stream: the records and texts up front, each file's
// contents decoded as it is copied, whatever order the writer gave the pool.
#include "format/streamed_action_script.h"

#include "test_packages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A decoded block 1 written by hand, so the pool's order is the test's:
// WriteFile actions naming (path, data) items, and one text item for the
// seventeen texts.
struct HandBlock {
    std::vector<std::string> items;
    std::vector<std::pair<uint32_t, uint32_t>> files;  // path item, data item
    uint32_t textItem = 0;

    uint32_t add(const std::string& item)
    {
        items.push_back(item);
        return uint32_t(items.size() - 1);
    }
    Bytes decoded() const
    {
        std::vector<uint32_t> stream = {0};  // pageFlags
        for (auto& file : files)
            stream.insert(stream.end(), {1, 1, file.first, file.second, 10, 20, 0, 0});
        stream.push_back(0);  // end of the main list
        stream.push_back(0);  // no components
        for (int i = 0; i < 17; ++i)
            stream.push_back(textItem);
        stream.push_back(0);  // upgrade rules
        std::string block(4, '\0');
        storeU32(reinterpret_cast<uint8_t*>(&block[0]), uint32_t(stream.size() * 4));
        for (uint32_t value : stream) {
            uint8_t raw[4];
            storeU32(raw, value);
            block.append(reinterpret_cast<char*>(raw), 4);
        }
        for (const std::string& item : items) {
            uint8_t raw[4];
            storeU32(raw, uint32_t(item.size()));
            block.append(reinterpret_cast<char*>(raw), 4);
            block += item;
        }
        return bytesOf(block);
    }
};

std::string content(size_t size, uint32_t seed)
{
    std::string s;
    uint32_t state = seed;
    while (s.size() < size) {
        state = state * 1103515245 + 12345;
        s += "row " + std::to_string(state % 1000) + (state & 0x10000 ? " of data\n" : "\n");
    }
    s.resize(size);
    return s;
}

bool appendTo(void* context, const uint8_t* bytes, size_t size)
{
    static_cast<std::string*>(context)->append(reinterpret_cast<const char*>(bytes), size);
    return true;
}

// Reads a framed block 1 with the streamed reader.
struct Loaded {
    FileHandle file;
    StreamedPool pool;
    ActionScript script;
    BlockResult result = BlockResult::Truncated;

    Loaded(const Bytes& framed, uint64_t available = 0) : file(fileWith(framed))
    {
        result = loadStreamedActionScript(file.get(), available ? available : framed.size(), 64u << 20, pool, script);
    }
    WriteFileAction& file_(uint32_t i) { return *static_cast<WriteFileAction*>(script.mainActions.actions[i]); }
    // The contents of action i, or "<damaged>".
    std::string copy(uint32_t i)
    {
        std::string out;
        uint32_t length = 0;
        bool refused = false;
        if (pool.copyItem(file_(i).dataRef.item, appendTo, &out, length, refused) != BlockResult::Ok || refused)
            return "<damaged>";
        EXPECT_EQ(length, out.size());
        return out;
    }
};

TEST(StreamedPool, SeedOrderWithPathsAndDataAlternatingCopiesByteForByte)
{
    HandBlock hand;
    std::vector<std::string> data;
    for (uint32_t i = 0; i < 5; ++i) {
        data.push_back(content(1000 + 70000 * i, i));
        uint32_t path = hand.add("C:\\p\\file" + std::to_string(i) + ".txt");
        hand.files.push_back({path, hand.add(data.back())});
    }
    hand.textItem = hand.add(std::string("text", 5));
    Loaded loaded(framedBlock(hand.decoded()));
    ASSERT_EQ(loaded.result, BlockResult::Ok);
    ASSERT_EQ(loaded.script.mainActions.actions.count(), 5u);
    for (uint32_t i = 0; i < 5; ++i) {
        EXPECT_STREQ(loaded.file_(i).path.text(), ("C:\\p\\file" + std::to_string(i) + ".txt").c_str());
        EXPECT_TRUE(loaded.file_(i).dataRef.streamed());
        EXPECT_TRUE(loaded.file_(i).data.isNull()) << "contents are never held";
        EXPECT_EQ(loaded.copy(i), data[i]) << i;
    }
    EXPECT_STREQ(loaded.script.successText.text(), "text");
}

TEST(StreamedPool, StreamingLayoutDecodesOnlyRecordsAndTextsUpFront)
{
    HandBlock hand;
    hand.textItem = hand.add(std::string("text", 5));
    uint32_t path0 = hand.add(std::string("a.bin", 6));
    uint32_t path1 = hand.add(std::string("b.bin", 6));
    std::string big = content(3 << 20, 7), small = content(5000, 8);
    hand.files.push_back({path0, hand.add(big)});
    hand.files.push_back({path1, hand.add(small)});
    Bytes decoded = hand.decoded();
    Loaded loaded(framedBlock(decoded));
    ASSERT_EQ(loaded.result, BlockResult::Ok);
    // Nothing of the files' contents was decoded to enable the wizard.
    EXPECT_LT(loaded.pool.position(), decoded.size() - big.size() - small.size());
    EXPECT_FALSE(loaded.file_(0).dataRef.sizeKnown);
    EXPECT_EQ(loaded.copy(0), big);
    EXPECT_EQ(loaded.copy(1), small);
    EXPECT_EQ(loaded.pool.position(), decoded.size()) << "one pass, no decoding again";
}

TEST(StreamedPool, RepeatedDataAndDataBeforeItsPathCopyWhole)
{
    HandBlock hand;
    std::string first = content(200000, 1), second = content(90000, 2);
    uint32_t firstData = hand.add(first);  // before the path that names it
    uint32_t path0 = hand.add(std::string("one", 4));
    uint32_t secondData = hand.add(second);
    uint32_t path1 = hand.add(std::string("two", 4));
    uint32_t path2 = hand.add(std::string("three", 6));
    hand.textItem = hand.add(std::string("", 1));
    hand.files = {{path0, firstData}, {path1, secondData}, {path2, firstData}, {path0, secondData}};
    Loaded loaded(framedBlock(hand.decoded()));
    ASSERT_EQ(loaded.result, BlockResult::Ok);
    EXPECT_EQ(loaded.copy(0), first);
    EXPECT_EQ(loaded.copy(1), second);
    EXPECT_EQ(loaded.copy(2), first);
    EXPECT_EQ(loaded.copy(3), second);
    EXPECT_EQ(loaded.copy(1), second) << "and again, in any order";
}

TEST(StreamedPool, CopyStoppedByItsSinkStartsOverWhole)
{
    HandBlock hand;
    hand.textItem = hand.add(std::string("", 1));
    std::string data = content(300000, 3);
    hand.files.push_back({hand.add(std::string("f", 2)), hand.add(data)});
    Loaded loaded(framedBlock(hand.decoded()));
    ASSERT_EQ(loaded.result, BlockResult::Ok);
    std::string partial;
    auto refuseAfterOneChunk = [](void* context, const uint8_t* bytes, size_t size) {
        std::string& out = *static_cast<std::string*>(context);
        out.append(reinterpret_cast<const char*>(bytes), size);
        return out.size() < 100000;
    };
    uint32_t length = 0;
    bool refused = false;
    EXPECT_EQ(loaded.pool.copyItem(loaded.file_(0).dataRef.item, refuseAfterOneChunk, &partial, length, refused),
              BlockResult::Ok);
    EXPECT_TRUE(refused);
    EXPECT_LT(partial.size(), data.size());
    EXPECT_EQ(loaded.copy(0), data) << "a retry gets every byte from the first";
}

TEST(StreamedPool, DamageBehindTheTextsShowsWhenTheFileIsCopied)
{
    HandBlock hand;
    hand.textItem = hand.add(std::string("text", 5));
    std::string head = content(2000, 4), tail = content(4 << 20, 5);
    hand.files.push_back({hand.add(std::string("a", 2)), hand.add(head)});
    hand.files.push_back({hand.add(std::string("b", 2)), hand.add(tail)});
    Bytes framed = framedBlock(hand.decoded());
    // The package was cut short: the file ends two thirds into the stream.
    Bytes cut;
    cut.assign(framed.data(), framed.size() * 2 / 3);
    Loaded loaded(cut, framed.size());
    ASSERT_EQ(loaded.result, BlockResult::Ok) << "the wizard can start";
    EXPECT_EQ(loaded.copy(0), head);
    EXPECT_EQ(loaded.copy(1), "<damaged>");
}

TEST(StreamedPool, RefusesAnItemPastThePool)
{
    HandBlock hand;
    hand.textItem = hand.add(std::string("text", 5));
    hand.files.push_back({hand.add(std::string("a", 2)), hand.add("data")});
    Loaded loaded(framedBlock(hand.decoded()));
    ASSERT_EQ(loaded.result, BlockResult::Ok);
    std::string out;
    uint32_t length = 0;
    bool refused = false;
    EXPECT_NE(loaded.pool.copyItem(99, appendTo, &out, length, refused), BlockResult::Ok);
    EXPECT_EQ(loaded.copy(0), "<damaged>") << "damage found once stays found";
}

TEST(StreamedPool, RecordsNamingAnItemPastThePoolAreRefused)
{
    HandBlock hand;
    hand.textItem = 5;  // the pool has one item
    hand.add(std::string("only", 5));
    Loaded loaded(framedBlock(hand.decoded()));
    EXPECT_NE(loaded.result, BlockResult::Ok);
}

TEST(BlockDecoder, RewindDecodesTheSameBytesAgainAndFinishChecksTheEnd)
{
    Bytes decoded = bytesOf(content(500000, 9));
    Bytes framed = framedBlock(decoded);
    FileHandle file = fileWith(framed);
    BlockDecoder decoder;
    ASSERT_EQ(decoder.open(file.get(), framed.size()), BlockResult::Ok);
    std::string first(1000, '\0'), again(1000, '\0');
    ASSERT_EQ(decoder.skip(250000), BlockResult::Ok);
    ASSERT_EQ(decoder.read(&first[0], first.size()), BlockResult::Ok);
    ASSERT_EQ(decoder.rewind(), BlockResult::Ok);
    EXPECT_EQ(decoder.position(), 0u);
    ASSERT_EQ(decoder.skip(250000), BlockResult::Ok);
    ASSERT_EQ(decoder.read(&again[0], again.size()), BlockResult::Ok);
    EXPECT_EQ(first, again);
    EXPECT_EQ(first, asString(decoded).substr(250000, 1000));
    EXPECT_EQ(decoder.finish(), BlockResult::WrongSize) << "not every byte is out yet";
}

TEST(BlockDecoder, ReadingPastTheDecodedSizeFails)
{
    Bytes decoded = bytesOf(content(1000, 10));
    Bytes framed = framedBlock(decoded);
    FileHandle file = fileWith(framed);
    BlockDecoder decoder;
    ASSERT_EQ(decoder.open(file.get(), framed.size()), BlockResult::Ok);
    std::string all(1000, '\0');
    ASSERT_EQ(decoder.read(&all[0], all.size()), BlockResult::Ok);
    EXPECT_EQ(decoder.finish(), BlockResult::Ok);
    char more;
    EXPECT_EQ(decoder.read(&more, 1), BlockResult::WrongSize);
}

TEST(BlockDecoder, ADictionaryNoInstallerCouldHoldIsRefusedBeforeItIsMade)
{
    // A streamed block may name any u32 decoded size, so the dictionary
    // (cut to that size) is what must be bounded: 4 GiB here, which the
    // decoder would otherwise ask liblzma for.
    Bytes framed = framedBlock(bytesOf(content(1000, 11)));
    uint8_t* header = framed.data();
    storeU32(header + 4, 0xFFFFFFFF);  // usize
    storeU32(header + 9, 0xFFFFFFFF);  // the properties' dictionary size
    FileHandle file = fileWith(framed);
    BlockDecoder decoder;
    EXPECT_EQ(decoder.open(file.get(), framed.size()), BlockResult::TooLarge);
}

}  // namespace

namespace {

TEST(StreamedPool, TextsNamedAgainComeFromWhatWasReadNotFromTheStart)
{
    // Thousands of records naming one path: read once, not decoded again
    // from the block's start for every record.
    HandBlock hand;
    hand.textItem = hand.add(std::string("text", 5));
    uint32_t path = hand.add(std::string("same\\path", 10));
    uint32_t data = hand.add(content(4 << 20, 11));
    for (int i = 0; i < 20000; ++i)
        hand.files.push_back({path, data});
    Loaded loaded(framedBlock(hand.decoded()));
    ASSERT_EQ(loaded.result, BlockResult::Ok);
    EXPECT_EQ(loaded.script.mainActions.actions.count(), 20000u);
    EXPECT_STREQ(loaded.file_(19999).path.text(), "same\\path");
    EXPECT_LT(loaded.pool.position(), 1u << 20) << "the contents behind the texts were never decoded";
}

}  // namespace
