// ByteSink: interning, growth, the flattened layout and the pool's limit.
#include "engine_samples.h"

#include "format/byte_cursor.h"
#include "format/byte_sink.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using samples::stringOf;

namespace {

Bytes flattened(const ByteSink& sink)
{
    Bytes block;
    EXPECT_TRUE(sink.flatten(block));
    return block;
}

// The u32 values of a flattened sink's record stream.
std::vector<uint32_t> streamOf(const Bytes& block)
{
    std::vector<uint32_t> values;
    uint32_t length = loadU32(block.data());
    for (uint32_t i = 0; i < length; i += 4)
        values.push_back(loadU32(block.data() + 4 + i));
    return values;
}

}  // namespace

TEST(ByteSinkPool, EqualBytesAreStoredOnceUnderTheirFirstIndex)
{
    ByteSink sink;
    sink.addText("alpha");
    sink.addText("beta");
    sink.addText("alpha");
    sink.addString("alpha", 5);  // the same bytes without the NUL: another item
    sink.addString("", 0);       // an empty blob is not an empty text
    sink.addText("");
    sink.addString("", 0);
    EXPECT_EQ(sink.itemCount(), 5u);
    Bytes block = flattened(sink);
    EXPECT_EQ(streamOf(block), (std::vector<uint32_t>{0, 1, 0, 2, 3, 4, 3}));
}

TEST(ByteSinkPool, FlattenedBlockIsWhatTheCursorReads)
{
    ByteSink sink;
    sink.appendU32(0xA1B2C3D4);
    sink.addText("text");
    sink.addString("\x01\x02\x00\x03", 4);
    Bytes block = flattened(sink);
    EXPECT_EQ(block.size(), sink.flattenedSize());
    const std::string expected = std::string("\x0C\0\0\0", 4) + std::string("\xD4\xC3\xB2\xA1", 4) +
                                 std::string("\0\0\0\0", 4) + std::string("\x01\0\0\0", 4) +
                                 std::string("\x05\0\0\0text\0", 9) + std::string("\x04\0\0\0\x01\x02\x00\x03", 8);
    EXPECT_EQ(stringOf(block), expected);

    std::unique_ptr<ByteCursor> cursor(new ByteCursor);
    ASSERT_TRUE(cursor->attach(block.data(), block.size()));
    EXPECT_EQ(cursor->readU32(), 0xA1B2C3D4u);
    Bytes first, second;
    ASSERT_TRUE(cursor->readString(first));
    ASSERT_TRUE(cursor->readString(second));
    EXPECT_STREQ(first.text(), "text");
    EXPECT_EQ(stringOf(second), std::string("\x01\x02\x00\x03", 4));
    EXPECT_TRUE(cursor->atStreamEnd());
}

TEST(ByteSinkGrowth, StreamLargerThanTheFirstCapacityKeepsEveryByte)
{
    ByteSink sink;
    const uint32_t values = ByteSink::kInitialCapacity;  // four times the first capacity in bytes
    for (uint32_t i = 0; i < values; ++i)
        ASSERT_TRUE(sink.appendU32(i * 2654435761u));
    std::string big(3 * ByteSink::kInitialCapacity, 'x');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = char(i * 7);
    ASSERT_TRUE(sink.appendBytes(big.data(), big.size()));
    EXPECT_EQ(sink.streamLength(), 4 * size_t(values) + big.size());

    Bytes block = flattened(sink);
    for (uint32_t i = 0; i < values; ++i)
        ASSERT_EQ(loadU32(block.data() + 4 + 4 * i), i * 2654435761u) << i;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(block.data()) + 4 + 4 * values, big.size()), big);
}

TEST(ByteSinkLimit, PoolsGrowPastSixteenThousandItems)
{
    const uint32_t count = 40000;
    ByteSink sink;
    for (uint32_t i = 0; i < count; ++i)
        ASSERT_TRUE(sink.addText(std::to_string(i).c_str())) << i;
    EXPECT_EQ(sink.itemCount(), count);
    // A string the pool already holds still resolves to its index.
    EXPECT_TRUE(sink.addText("16383"));
    EXPECT_FALSE(sink.failed());
    EXPECT_EQ(sink.itemCount(), count);
}

TEST(ByteSinkLimit, LargePoolIsReadBackToTheLastIndex)
{
    const uint32_t count = 40000;
    ByteSink sink;
    for (uint32_t i = 0; i < count; ++i)
        sink.addText(std::to_string(i).c_str());
    Bytes block = flattened(sink);
    std::unique_ptr<ByteCursor> cursor(new ByteCursor);
    ASSERT_TRUE(cursor->attach(block.data(), block.size()));
    Bytes item;
    for (uint32_t i = 0; i < count; ++i)
        ASSERT_TRUE(cursor->readString(item)) << i;
    EXPECT_STREQ(item.text(), "39999");
}
