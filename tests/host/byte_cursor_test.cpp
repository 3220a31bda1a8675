// The cursor over a block's record stream and string pool, and the bounds
// that keep a damaged block from being read outside its bytes.
#include "format/byte_cursor.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string.h>
#include <string>
#include <vector>

namespace {

void putU32(std::vector<uint8_t>& out, uint32_t value)
{
    uint8_t raw[4];
    storeU32(raw, value);
    out.insert(out.end(), raw, raw + 4);
}

// A block laid out by hand: S, the stream of u32 values, then the items.
std::vector<uint8_t> blockOf(const std::vector<uint32_t>& stream, const std::vector<std::string>& items)
{
    std::vector<uint8_t> block;
    putU32(block, uint32_t(stream.size() * 4));
    for (uint32_t value : stream)
        putU32(block, value);
    for (const std::string& item : items) {
        putU32(block, uint32_t(item.size()));
        block.insert(block.end(), item.begin(), item.end());
    }
    return block;
}

std::string text(const char* s)
{
    return std::string(s, strlen(s) + 1);
}

// Holds the block in an allocation of exactly its size, so that the address
// sanitizer reports any read behind its last byte, and a cursor on the heap.
class CursorTest : public ::testing::Test {
protected:
    bool attach(const std::vector<uint8_t>& bytes)
    {
        size_ = bytes.size();
        block_.reset(new uint8_t[size_ ? size_ : 1]);
        if (size_)
            memcpy(block_.get(), bytes.data(), size_);
        return cursor_->attach(block_.get(), size_);
    }

    std::string nextString()
    {
        Bytes out;
        if (!cursor_->readString(out))
            return "<failed>";
        return std::string(reinterpret_cast<const char*>(out.data()), out.size());
    }

    const uint8_t* block() const { return block_.get(); }

    std::unique_ptr<ByteCursor> cursor_ = std::make_unique<ByteCursor>();
    std::unique_ptr<uint8_t[]> block_;
    size_t size_ = 0;
};

// --- Layout -------------------------------------------------------------

TEST_F(CursorTest, EmptyStreamLeavesNothingToReadAndThePoolUntouched)
{
    // S = 0: the first item's length field sits right behind S and must
    // not be taken for a stream value.
    ASSERT_TRUE(attach(blockOf({}, {text("a")})));
    EXPECT_TRUE(cursor_->atStreamEnd());
    EXPECT_EQ(cursor_->readU32(), 0u);
    EXPECT_TRUE(cursor_->failed());
}

TEST_F(CursorTest, FirstItemStartsRightBehindTheStream)
{
    ASSERT_TRUE(attach(blockOf({0}, {text("first")})));
    uint32_t length = 0;
    const uint8_t* bytes = cursor_->stringRef(&length);
    EXPECT_EQ(bytes, block() + 4 + 4 + 4);
    EXPECT_EQ(length, 6u);
    EXPECT_TRUE(cursor_->atStreamEnd());
    EXPECT_FALSE(cursor_->failed());
}

TEST_F(CursorTest, ValuesBytesAndStringsReadInStreamOrder)
{
    std::vector<uint8_t> bytes = blockOf({}, {text("pooled")});
    // Stream by hand: a u32, three raw bytes, an index.
    std::vector<uint8_t> stream;
    putU32(stream, 0xA1B2C3D4);
    stream.insert(stream.end(), {'x', 'y', 'z'});
    putU32(stream, 0);
    storeU32(bytes.data(), uint32_t(stream.size()));
    bytes.insert(bytes.begin() + 4, stream.begin(), stream.end());

    ASSERT_TRUE(attach(bytes));
    EXPECT_EQ(cursor_->readU32(), 0xA1B2C3D4u);
    char raw[3];
    ASSERT_TRUE(cursor_->readBytes(raw, 3));
    EXPECT_EQ(std::string(raw, 3), "xyz");
    EXPECT_EQ(nextString(), text("pooled"));
    EXPECT_TRUE(cursor_->atStreamEnd());
    EXPECT_FALSE(cursor_->failed());
}

// --- Lazy location of items -------------------------------------------

TEST_F(CursorTest, ItemsAreFoundInAnyOrder)
{
    ASSERT_TRUE(attach(
        blockOf({5, 2, 0, 5, 2}, {text("zero"), text("one"), text("two"), text("three"), text("four"), text("five")})));
    EXPECT_EQ(nextString(), text("five"));
    EXPECT_EQ(nextString(), text("two"));
    EXPECT_EQ(nextString(), text("zero"));
    EXPECT_EQ(nextString(), text("five"));
    EXPECT_EQ(nextString(), text("two"));
    EXPECT_FALSE(cursor_->failed());
}

TEST_F(CursorTest, IndexZeroNeedsNoWalk)
{
    // Item 1 claims more bytes than the block holds: only asking for it fails.
    std::vector<uint8_t> bytes = blockOf({0, 0, 1}, {text("zero")});
    putU32(bytes, 1000);
    bytes.push_back('!');
    ASSERT_TRUE(attach(bytes));
    EXPECT_EQ(nextString(), text("zero"));
    EXPECT_EQ(nextString(), text("zero"));
    EXPECT_FALSE(cursor_->failed());
    EXPECT_EQ(nextString(), "<failed>");
    EXPECT_TRUE(cursor_->failed());
}

TEST_F(CursorTest, WalksOnlyAsFarAsTheHighestIndexAskedFor)
{
    std::vector<uint8_t> bytes = blockOf({2, 1}, {text("a"), text("b"), text("c")});
    putU32(bytes, 0xFFFFFFFF);  // item 3, never asked for
    ASSERT_TRUE(attach(bytes));
    EXPECT_EQ(nextString(), text("c"));
    EXPECT_EQ(nextString(), text("b"));
    EXPECT_FALSE(cursor_->failed());
}

TEST_F(CursorTest, RepeatedIndexPointsAtTheSameBytes)
{
    ASSERT_TRUE(attach(blockOf({1, 0, 1}, {text("x"), text("shared")})));
    const uint8_t* first = cursor_->stringRef(nullptr);
    cursor_->stringRef(nullptr);
    const uint8_t* again = cursor_->stringRef(nullptr);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(first, again);
}

TEST_F(CursorTest, ZeroLengthItemGivesAnEmptyOwnedCopy)
{
    ASSERT_TRUE(attach(blockOf({0, 1}, {std::string(), text("after")})));
    Bytes empty;
    ASSERT_TRUE(cursor_->readString(empty));
    EXPECT_FALSE(empty.isNull());
    EXPECT_EQ(empty.size(), 0u);
    EXPECT_STREQ(empty.text(), "");
    EXPECT_EQ(nextString(), text("after"));
}

// --- Bounds -------------------------------------------------------------

TEST_F(CursorTest, StreamReadPastSFails)
{
    // The pool's first length would read as 0x55 if the stream ran on.
    ASSERT_TRUE(attach(blockOf({7}, {std::string(0x55, 'p')})));
    EXPECT_EQ(cursor_->readU32(), 7u);
    EXPECT_EQ(cursor_->readU32(), 0u);
    EXPECT_TRUE(cursor_->failed());
}

TEST_F(CursorTest, PartialReadPastSFailsAndZeroesTheDestination)
{
    std::vector<uint8_t> bytes = {6, 0, 0, 0, 1, 2, 3, 4, 5, 6, 9, 9, 9, 9};
    ASSERT_TRUE(attach(bytes));
    uint8_t raw[8];
    memset(raw, 0xCC, sizeof raw);
    EXPECT_FALSE(cursor_->readBytes(raw, sizeof raw));
    EXPECT_EQ(std::vector<uint8_t>(raw, raw + 8), std::vector<uint8_t>(8, 0));
    EXPECT_TRUE(cursor_->failed());
}

TEST_F(CursorTest, IndexReadPastSFailsWithoutTouchingThePool)
{
    ASSERT_TRUE(attach(blockOf({}, {text("x")})));
    uint32_t length = 99;
    EXPECT_EQ(cursor_->stringRef(&length), nullptr);
    EXPECT_EQ(length, 0u);
    Bytes out;
    out.assignText("stale");
    EXPECT_FALSE(cursor_->readString(out));
    EXPECT_TRUE(out.isNull());
}

TEST_F(CursorTest, FailureIsSticky)
{
    ASSERT_TRUE(attach(blockOf({5, 0}, {text("only")})));
    EXPECT_EQ(nextString(), "<failed>");  // index 5 does not exist
    // The next index is valid, but the block is already damaged.
    EXPECT_EQ(nextString(), "<failed>");
    EXPECT_EQ(cursor_->readU32(), 0u);
    EXPECT_TRUE(cursor_->failed());
}

struct ItemLengthCase {
    const char* name;
    uint32_t excess;  // how far the length reaches past the block's end
    bool fits;
};
// Cases print as their names, in the test list and in failures.
void PrintTo(const ItemLengthCase& c, std::ostream* os)
{
    *os << c.name;
}

class ItemLength : public CursorTest, public ::testing::WithParamInterface<ItemLengthCase> {};

TEST_P(ItemLength, MustEndInsideTheBlock)
{
    std::vector<uint8_t> bytes = blockOf({0}, {});
    const uint32_t stored = 10;
    uint32_t length = stored + GetParam().excess;
    putU32(bytes, length);
    bytes.insert(bytes.end(), stored, 'i');
    ASSERT_TRUE(attach(bytes));
    uint32_t got = 0;
    const uint8_t* item = cursor_->stringRef(&got);
    EXPECT_EQ(item != nullptr, GetParam().fits);
    EXPECT_EQ(cursor_->failed(), !GetParam().fits);
    if (GetParam().fits)
        EXPECT_EQ(got, stored);
}

INSTANTIATE_TEST_SUITE_P(Bounds, ItemLength,
                         ::testing::Values(ItemLengthCase{"EndsAtBlockEnd", 0, true},
                                           ItemLengthCase{"OneBytePast", 1, false},
                                           ItemLengthCase{"FarPast", 0x7FFFFFF0, false},
                                           // Would wrap a pointer addition.
                                           ItemLengthCase{"WrapsAround", 0xFFFFFFF5, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CursorTest, LengthFieldCutByTheBlockEndFails)
{
    std::vector<uint8_t> bytes = blockOf({1}, {text("a")});
    bytes.insert(bytes.end(), {3, 0});  // half a length field
    ASSERT_TRUE(attach(bytes));
    EXPECT_EQ(cursor_->stringRef(nullptr), nullptr);
    EXPECT_TRUE(cursor_->failed());
}

TEST_F(CursorTest, IndicesRunToTheLastItemOfTheBlock)
{
    // Far beyond the 16,384 items a fixed table once held.
    const uint32_t count = 40000;
    std::vector<std::string> items(count, text(""));
    items[count - 2] = text("next to last");
    items.back() = text("last");
    ASSERT_TRUE(attach(blockOf({count - 2, count - 1, 3, count}, items)));
    EXPECT_EQ(nextString(), text("next to last"));
    EXPECT_EQ(nextString(), text("last"));
    EXPECT_EQ(nextString(), text(""));
    EXPECT_FALSE(cursor_->failed());
    EXPECT_EQ(nextString(), "<failed>");
    EXPECT_TRUE(cursor_->failed());
}

TEST_F(CursorTest, HugeIndexFails)
{
    ASSERT_TRUE(attach(blockOf({0xFFFFFFFF}, {text("x")})));
    EXPECT_EQ(cursor_->stringRef(nullptr), nullptr);
    EXPECT_TRUE(cursor_->failed());
}

struct ShortBlockCase {
    const char* name;
    std::vector<uint8_t> bytes;
    bool attaches;
};
void PrintTo(const ShortBlockCase& c, std::ostream* os)
{
    *os << c.name;
}

class BlockSize : public CursorTest, public ::testing::WithParamInterface<ShortBlockCase> {};

TEST_P(BlockSize, MustHoldItsSFieldAndStream)
{
    EXPECT_EQ(attach(GetParam().bytes), GetParam().attaches);
    EXPECT_EQ(cursor_->failed(), !GetParam().attaches);
    if (!GetParam().attaches) {
        EXPECT_EQ(cursor_->readU32(), 0u);
        EXPECT_EQ(cursor_->stringRef(nullptr), nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(Bounds, BlockSize,
                         ::testing::Values(ShortBlockCase{"Empty", {}, false},
                                           ShortBlockCase{"ThreeBytes", {0, 0, 0}, false},
                                           ShortBlockCase{"OnlyAnEmptyStream", {0, 0, 0, 0}, true},
                                           ShortBlockCase{"StreamOneBytePastTheEnd", {5, 0, 0, 0, 1, 2, 3, 4}, false},
                                           ShortBlockCase{"StreamEndsAtTheEnd", {4, 0, 0, 0, 1, 2, 3, 4}, true},
                                           ShortBlockCase{"HugeS", {0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3, 4}, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(CursorTest, ReattachingStartsAfresh)
{
    ASSERT_TRUE(attach(blockOf({9}, {text("a")})));
    EXPECT_EQ(nextString(), "<failed>");
    ASSERT_TRUE(attach(blockOf({1, 0}, {text("new0"), text("new1")})));
    EXPECT_FALSE(cursor_->failed());
    EXPECT_EQ(nextString(), text("new1"));
    EXPECT_EQ(nextString(), text("new0"));
}

}  // namespace
