// The uninstall package: the script with its undo log written and read back,
// and every kind of damage refused.
#include "engine_samples.h"
#include "test_packages.h"

#include "format/byte_cursor.h"
#include "format/package_container.h"
#include "format/byte_sink.h"
#include "format/uninstall_script.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using samples::fieldsOf;
using samples::text;

namespace {

bool readBody(const Bytes& body, UninstallScript& out, bool* atStreamEnd = nullptr)
{
    std::unique_ptr<ByteCursor> cursor(new ByteCursor);
    if (!cursor->attach(body.data(), body.size()))
        return false;
    bool ok = readUninstallScript(*cursor, out);
    if (atStreamEnd)
        *atStreamEnd = cursor->atStreamEnd();
    return ok;
}

std::vector<std::string> entriesOf(const UninstallScript& script)
{
    std::vector<std::string> entries;
    for (const UndoEntry* entry = script.undoLog.first(); entry; entry = entry->next)
        entries.push_back(fieldsOf(*entry));
    return entries;
}

// A body written by hand: the 18 field references (all to one empty text),
// then whatever the test appends.
struct HandWrittenBody {
    ByteSink sink;
    HandWrittenBody()
    {
        for (int i = 0; i < 18; ++i)
            sink.addText("");
    }
    Bytes flatten()
    {
        Bytes body;
        EXPECT_TRUE(sink.flatten(body));
        return body;
    }
};

Bytes with(const Bytes& bytes, size_t offset, uint32_t value)
{
    std::string copy = samples::stringOf(bytes);
    storeU32(reinterpret_cast<uint8_t*>(&copy[offset]), value);
    Bytes out;
    out.assign(copy.data(), copy.size());
    return out;
}

}  // namespace

// ------------------------------------------------------------ round trip

TEST(UninstallPackageRoundTrip, EveryFieldAndUndoKindReadsBackInOrder)
{
    UninstallScript written;
    samples::fillEveryUndoKind(written);
    Bytes body = samples::serializedUninstallBody(written);

    UninstallScript read;
    bool atStreamEnd = false;
    ASSERT_TRUE(readBody(body, read, &atStreamEnd));
    EXPECT_TRUE(atStreamEnd);
    auto readFields = byteFieldsOf(static_cast<const UninstallScript&>(read));
    auto writtenFields = byteFieldsOf(static_cast<const UninstallScript&>(written));
    ASSERT_EQ(readFields.size(), 18u);
    for (size_t i = 0; i < readFields.size(); ++i)
        EXPECT_EQ(samples::stringOf(*readFields[i].second), samples::stringOf(*writtenFields[i].second))
            << readFields[i].first;
    EXPECT_EQ(entriesOf(read), entriesOf(written));
    // Pushed in kind order, so the newest (kind 6) comes first.
    ASSERT_EQ(read.undoLog.count(), 6u);
    EXPECT_EQ(read.undoLog.first()->kind(), 6u);
    EXPECT_STREQ(read.undoLog.first()->className(), "CallLibraryUndo");
}

TEST(UninstallPackageRoundTrip, ReserializingGivesTheSameBytes)
{
    UninstallScript written;
    samples::fillEveryUndoKind(written);
    Bytes body = samples::serializedUninstallBody(written);
    UninstallScript read;
    ASSERT_TRUE(readBody(body, read));
    EXPECT_EQ(samples::stringOf(samples::serializedUninstallBody(read)), samples::stringOf(body));
}

TEST(UninstallPackageRoundTrip, WholeFileOpensAsAnUninstallPackage)
{
    UninstallScript written;
    samples::fillEveryUndoKind(written);
    Bytes file = samples::uninstallPackageWith(written);
    ASSERT_FALSE(file.isNull());
    // Stub, magic, body, trailer; no filler behind an uninstall body.
    EXPECT_EQ(file.size(), sampleStubImage().size() + 4 + samples::serializedUninstallBody(written).size() + 4);

    OpenedPackage package;
    ASSERT_EQ(openFromMemory(file, package), PackageKind::Uninstall);
    UninstallScript read;
    ASSERT_TRUE(readBody(package.uninstallBody, read));
    EXPECT_EQ(entriesOf(read), entriesOf(written));
}

TEST(UninstallPackageLayout, RunWithoutUndoEntriesHasNineteenValues)
{
    UninstallScript written;
    int n = 0;
    for (auto& field : byteFieldsOf(written))
        *field.second = text("field " + std::to_string(n++));
    Bytes body = samples::serializedUninstallBody(written);
    EXPECT_EQ(loadU32(body.data()), 19u * 4);
    // title is the first reference of the stream, so it is item 0.
    EXPECT_EQ(loadU32(body.data() + 4), 0u);
    EXPECT_EQ(loadU32(body.data() + 4 + 18 * 4), 0u);
}

// What only a failed installation needs never reaches the package: the
// bytes are those of the same log without it.
TEST(UninstallPackageLayout, RollbackEntriesAreNotWritten)
{
    UninstallScript plain, withRollback;
    samples::fillEveryUndoKind(plain);
    samples::fillEveryUndoKind(withRollback);
    RestoreFileRollback* kept = new RestoreFileRollback;
    ASSERT_TRUE(kept->path.assignText("C:\\Product\\settings.ini") &&
                kept->keptCopy.assignText("C:\\Product\\swk1.tmp"));
    withRollback.undoLog.push(kept);
    withRollback.undoLog.push(new RegistryRollback);
    Bytes a = samples::serializedUninstallBody(plain), b = samples::serializedUninstallBody(withRollback);
    ASSERT_FALSE(a.isNull());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(a.data()), a.size()),
              std::string(reinterpret_cast<const char*>(b.data()), b.size()));
}

TEST(UninstallPackageLayout, EqualFieldsShareAnItemAndReadBackAsSeparateCopies)
{
    UninstallScript written;
    for (auto& field : byteFieldsOf(written))
        *field.second = text("");
    written.bannerInfo.reset();
    written.bannerBits.reset();
    ByteSink sink;
    ASSERT_TRUE(writeUninstallScript(written, sink));
    // One empty text (length 1) and one empty byte block (length 0).
    EXPECT_EQ(sink.itemCount(), 2u);
    Bytes body;
    ASSERT_TRUE(sink.flatten(body));

    UninstallScript read;
    ASSERT_TRUE(readBody(body, read));
    EXPECT_EQ(read.progressHint.size(), 1u);
    EXPECT_EQ(read.finishHint.size(), 1u);
    EXPECT_NE(read.progressHint.data(), read.finishHint.data());
    EXPECT_EQ(read.bannerInfo.size(), 0u);
    EXPECT_EQ(read.bannerBitsSize(), 0u);
}

TEST(UninstallPackageLayout, ShowCommandKeepsItsLowSixteenBits)
{
    HandWrittenBody hand;
    hand.sink.appendU32(1);
    hand.sink.appendU32(RunProgramUndo::kKind);
    hand.sink.addText("Cleaning up");
    hand.sink.addText("cleanup.exe /all");
    hand.sink.addText("");
    hand.sink.appendU32(0x10005);
    hand.sink.appendU32(0);
    UninstallScript read;
    ASSERT_TRUE(readBody(hand.flatten(), read));
    ASSERT_EQ(read.undoLog.count(), 1u);
    const RunProgramUndo& entry = static_cast<const RunProgramUndo&>(*read.undoLog.first());
    EXPECT_EQ(entry.show, 5);
    EXPECT_STREQ(entry.caption(), "Cleaning up");
}

TEST(UninstallPackageLayout, UnknownKindsAreSkippedWithoutFields)
{
    HandWrittenBody hand;
    for (uint32_t unknown : {0u, 7u, 0xFFFFFFFFu}) {
        hand.sink.appendU32(1);
        hand.sink.appendU32(unknown);
    }
    hand.sink.appendU32(1);
    hand.sink.appendU32(RemoveFolderUndo::kKind);
    hand.sink.addText("C:\\Program Files\\Sample");
    hand.sink.appendU32(0);
    UninstallScript read;
    bool atStreamEnd = false;
    ASSERT_TRUE(readBody(hand.flatten(), read, &atStreamEnd));
    EXPECT_TRUE(atStreamEnd);
    ASSERT_EQ(read.undoLog.count(), 1u);
    EXPECT_STREQ(read.undoLog.first()->className(), "RemoveFolderUndo");
}

TEST(UninstallPackageLayout, PoolsBeyondSixteenThousandStringsRoundTrip)
{
    // 18 fields share one text; each entry brings one distinct path.
    auto scriptWith = [](uint32_t distinct, UninstallScript& script) {
        for (auto& field : byteFieldsOf(script))
            *field.second = text("");
        for (uint32_t i = 1; i < distinct; ++i) {
            RemoveFolderUndo* entry = new RemoveFolderUndo;
            entry->path = text("folder " + std::to_string(i));
            script.undoLog.push(entry);
        }
    };
    // Beyond the 16,384 distinct strings a block once held.
    const uint32_t distinct = 30000;
    UninstallScript largest;
    scriptWith(distinct, largest);
    Bytes body = samples::serializedUninstallBody(largest);
    ASSERT_FALSE(body.isNull());
    UninstallScript read;
    ASSERT_TRUE(readBody(body, read));
    EXPECT_EQ(read.undoLog.count(), distinct - 1);
}

// ------------------------------------------------------------ rejections

TEST(UninstallPackageDamage, FieldIndexPastThePoolIsRefused)
{
    UninstallScript written;
    samples::fillEveryUndoKind(written);
    Bytes body = samples::serializedUninstallBody(written);
    ByteSink sink;
    ASSERT_TRUE(writeUninstallScript(written, sink));
    for (uint32_t index : {sink.itemCount(), 16384u, 0xFFFFFFFFu}) {
        UninstallScript read;
        EXPECT_FALSE(readBody(with(body, 4 + 5 * 4, index), read)) << index;
    }
}

TEST(UninstallPackageDamage, EntryIndexPastThePoolIsRefused)
{
    HandWrittenBody hand;
    hand.sink.appendU32(1);
    hand.sink.appendU32(DeleteFileUndo::kKind);
    hand.sink.appendU32(1);  // the pool holds only item 0
    hand.sink.appendU32(1);
    hand.sink.appendU32(0);
    UninstallScript read;
    EXPECT_FALSE(readBody(hand.flatten(), read));
}

TEST(UninstallPackageDamage, ItemLengthRunningPastTheDataIsRefused)
{
    UninstallScript written;
    samples::fillEveryUndoKind(written);
    Bytes body = samples::serializedUninstallBody(written);
    // Make the last item claim one byte more than the body holds.
    size_t offset = 4 + loadU32(body.data());
    size_t lastOffset = offset;
    while (offset < body.size()) {
        lastOffset = offset;
        offset += 4 + loadU32(body.data() + offset);
    }
    ASSERT_EQ(offset, body.size());
    UninstallScript read;
    EXPECT_FALSE(readBody(with(body, lastOffset, loadU32(body.data() + lastOffset) + 1), read));
}

TEST(UninstallPackageDamage, StreamLongerThanTheBodyIsRefused)
{
    UninstallScript written;
    samples::fillEveryUndoKind(written);
    Bytes body = samples::serializedUninstallBody(written);
    UninstallScript read;
    EXPECT_FALSE(readBody(with(body, 0, uint32_t(body.size())), read));
    EXPECT_FALSE(readBody(with(body, 0, 0xFFFFFFFF), read));
}

TEST(UninstallPackageDamage, StreamEndingInsideTheLogIsRefused)
{
    UninstallScript written;
    samples::fillEveryUndoKind(written);
    Bytes body = samples::serializedUninstallBody(written);
    uint32_t streamLength = loadU32(body.data());
    // Every shorter stream (the pool moved up behind it) misses a value the
    // reader needs: a field, a marker or the terminating 0.
    for (uint32_t cut = 4; cut <= streamLength; cut += 4) {
        std::string bytes = samples::stringOf(body);
        storeU32(reinterpret_cast<uint8_t*>(&bytes[0]), streamLength - cut);
        bytes.erase(4 + streamLength - cut, cut);
        Bytes shortened;
        shortened.assign(bytes.data(), bytes.size());
        UninstallScript read;
        EXPECT_FALSE(readBody(shortened, read)) << "stream cut by " << cut;
    }
}

TEST(UninstallPackageDamage, BodyTooShortForItsLengthFieldIsRefused)
{
    for (size_t size : {0u, 1u, 3u}) {
        Bytes body;
        body.assign("\0\0\0", size);
        UninstallScript read;
        EXPECT_FALSE(readBody(body, read)) << size;
    }
}
