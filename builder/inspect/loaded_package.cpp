#include "builder/inspect/loaded_package.h"

#include "builder/inspect/block_survey.h"
#include "format/block_reader.h"
#include "format/byte_cursor.h"
#include "format/file_io.h"
#include "format/streamed_action_script.h"

#include <stdio.h>

#include <algorithm>
#include <memory>
#include <new>
#include <utility>

namespace {

std::string mebibytes(uint64_t bytes)
{
    char text[32];
    snprintf(text, sizeof text, "%.1f MiB", double(bytes) / (1024.0 * 1024.0));
    return text;
}

bool readBlockHeader(FILE* file, uint64_t offset, BlockFacts& facts)
{
    uint8_t header[kBlockHeaderSize + kLzmaPropertiesSize];
    if (!seekTo(file, offset) || !readExactly(file, header, sizeof header))
        return false;
    facts.offset = offset;
    facts.csize = loadU32(header);
    facts.usize = loadU32(header + 4);
    for (uint32_t i = 0; i < kLzmaPropertiesSize; ++i)
        facts.properties[i] = header[kBlockHeaderSize + i];
    return true;
}

// Why a block did not decode, in words; `facts` holds its header.
std::string blockDamage(BlockResult result, const BlockFacts& facts)
{
    char text[160];
    switch (result) {
    case BlockResult::Ok: return "it decodes";
    case BlockResult::Truncated: return "the file ends inside it";
    case BlockResult::BeyondPackage:
        snprintf(text, sizeof text, "its compressed size (%u bytes) does not fit between its header and the trailer",
                 unsigned(facts.csize));
        return text;
    case BlockResult::TooLarge:
        snprintf(text, sizeof text, "its decoded size (%u bytes) is more than a 32-bit installer can hold",
                 unsigned(facts.usize));
        return text;
    case BlockResult::BadProperties:
        snprintf(text, sizeof text, "its LZMA properties byte 0x%02X names no valid lc, lp, pb (lc + lp at most 4)",
                 unsigned(facts.properties[0]));
        return text;
    case BlockResult::OutOfMemory: return "there is not enough memory to decode it";
    case BlockResult::BadStream: return "its LZMA stream holds data that does not decode";
    case BlockResult::WrongSize: return "its LZMA stream does not decode to its stated size";
    }
    return "it does not decode";
}

// A cursor holds a 128 KiB item table: keep it off the stack. Reading
// through it is bounded by readingMemoryBound.
std::unique_ptr<ByteCursor> attachCursor(const Bytes& block)
{
    std::unique_ptr<ByteCursor> cursor(new (std::nothrow) ByteCursor);
    if (cursor && !cursor->attach(block.data(), block.size()))
        cursor.reset();
    if (cursor)
        cursor->limitMemory(readingMemoryBound(block.size()));
    return cursor;
}

// Why a cursor failed: its memory bound, or a read out of its block.
bool boundReached(const ByteCursor* cursor)
{
    return cursor && cursor->memoryExhausted();
}

// Every pool item the script names as a file's contents, each once.
void listPayloads(const ActionScript& script, PayloadDigests& out)
{
    std::vector<uint32_t> items;
    auto collect = [&](const ActionList& list) {
        for (const Action* action : list.actions)
            if (action->kind() == WriteFileAction::kKind) {
                const PayloadRef& ref = static_cast<const WriteFileAction*>(action)->dataRef;
                if (ref.streamed())
                    items.push_back(ref.item);
            }
    };
    collect(script.mainActions);
    for (const Component* component : script.components)
        collect(component->actions);
    std::sort(items.begin(), items.end());
    items.erase(std::unique(items.begin(), items.end()), items.end());
    out.assign(items.size(), ItemDigest());
    for (size_t i = 0; i < items.size(); ++i)
        out[i].item = items[i];
}

bool everyPayloadInPool(const PayloadDigests& digests, uint32_t poolItems)
{
    return digests.empty() || digests.back().item < poolItems;
}

// Block 1 is read twice over, through two handles on the file: the pool
// takes the record stream and the texts (and later hands out the files'
// contents), and a survey decodes the whole block to check it. A damaged
// stream is named before any fault of the records, as a reader that
// decoded the block whole would find it first.
bool loadInstallBlocks(const char* path, OpenedPackage& opened, PackageUse use, LoadedPackage& out, std::string& error)
{
    FILE* file = out.file.get();
    ContainerFacts& container = out.container;
    uint64_t block0Offset = uint64_t(container.stubSize) + 4;
    readBlockHeader(file, block0Offset, out.blocks[0]);
    if (!measureBlock(opened.block0, out.blocks[0])) {
        error = "block 0 (the install script) is damaged: its record stream runs past the block";
        return false;
    }
    out.installScript = std::move(opened.installScript);

    uint64_t block1Offset = block0Offset + kBlockHeaderSize + out.blocks[0].csize;
    BlockFacts& facts = out.blocks[1];
    const char* damaged = "block 1 (the action script) is damaged: ";
    if (!readBlockHeader(file, block1Offset, facts)) {
        error = std::string(damaged) + "the file ends inside it";
        return false;
    }
    uint64_t available = opened.remainingAfterBlock0;
    uint64_t memoryLimit = readingMemoryBound(facts.usize);
    // One decoder, with its dictionary, at a time: extract surveys before
    // the pool opens (it keeps the pool), inspect after the pool has gone.
    bool describe = use == PackageUse::Describe;
    BlockSurvey survey;
    auto runSurvey = [&] {
        UniqueFile second(fopen(path, "rb"));
        if (second)
            survey = surveyBlock(second.get(), block1Offset, available, describe, facts, out.payloads);
    };
    if (!describe)
        runSurvey();
    out.pool.reset(new (std::nothrow) StreamedPool);
    BlockResult scriptResult = !out.pool                     ? BlockResult::OutOfMemory
                               : !seekTo(file, block1Offset) ? BlockResult::Truncated
                                                             : loadStreamedActionScript(file, available, memoryLimit,
                                                                                        *out.pool, out.actionScript);
    if (scriptResult == BlockResult::Ok)
        listPayloads(out.actionScript, out.payloads);
    if (describe) {
        out.pool.reset();
        runSurvey();
    }
    if (survey.result != BlockResult::Ok) {
        error = damaged + blockDamage(survey.result, facts);
        return false;
    }
    if (!survey.recordStreamFits) {
        error = std::string(damaged) + "its record stream runs past the block";
        return false;
    }
    if (scriptResult == BlockResult::OutOfMemory) {
        error = std::string(damaged) + "its records name its items so often that reading them would take more than " +
                mebibytes(memoryLimit) + " of memory";
        return false;
    }
    // Contents named from beyond the pool are found only by the survey.
    if (scriptResult != BlockResult::Ok || !everyPayloadInPool(out.payloads, facts.poolItems)) {
        error = std::string(damaged) + "a record reads past its record stream or string pool";
        return false;
    }
    container.fillerBytes = container.trailerOffset - (block1Offset + kBlockHeaderSize + out.blocks[1].csize);
    return true;
}

bool loadUninstallScript(const OpenedPackage& opened, LoadedPackage& out, std::string& error)
{
    std::unique_ptr<ByteCursor> cursor = attachCursor(opened.uninstallBody);
    if (!cursor || !readUninstallScript(*cursor, out.uninstallScript)) {
        error = boundReached(cursor.get())
                    ? "the uninstall package is damaged: its records name its items so often that reading them "
                      "would take more than " +
                          mebibytes(readingMemoryBound(opened.uninstallBody.size())) + " of memory"
                    : "the uninstall package is damaged: a record reads past its record stream or string pool";
        return false;
    }
    return true;
}

}  // namespace

uint64_t readingMemoryBound(size_t blockSize)
{
    return 8 * uint64_t(blockSize) + (64ull << 20);
}

bool measureBlock(const Bytes& block, BlockFacts& facts)
{
    if (block.size() < 4 || loadU32(block.data()) > block.size() - 4)
        return false;
    facts.recordStreamLength = loadU32(block.data());
    facts.poolItems = 0;
    size_t position = 4 + size_t(facts.recordStreamLength);
    while (block.size() - position >= 4) {
        uint32_t length = loadU32(block.data() + position);
        if (length > block.size() - position - 4)
            break;
        position += 4 + size_t(length);
        ++facts.poolItems;
    }
    facts.bytesBehindPool = block.size() - position;
    return true;
}

const ItemDigest* findDigest(const PayloadDigests& digests, uint32_t item)
{
    auto found = std::lower_bound(digests.begin(), digests.end(), item,
                                  [](const ItemDigest& digest, uint32_t wanted) { return digest.item < wanted; });
    return found != digests.end() && found->item == item ? &*found : nullptr;
}

bool loadPackage(const char* path, LoadedPackage& out, std::string& error, PackageUse use)
{
    out.file.reset(fopen(path, "rb"));
    if (!out.file) {
        error = "cannot open the file";
        return false;
    }
    FILE* file = out.file.get();
    int64_t size = fileLength(file);
    std::unique_ptr<OpenedPackage> package(new OpenedPackage);
    package->keepBlock0 = true;
    PackageResult result = size < 0 ? PackageResult::NoPackage : openPackage(file, *package);
    const PackageLocation& location = package->location;
    switch (result) {
    case PackageResult::Ok: break;
    case PackageResult::NoPackage:
        error = "no package: the file does not end with a trailer that leads to a package magic";
        return false;
    case PackageResult::Truncated: error = "the package cannot be read whole: the file ends inside it"; return false;
    case PackageResult::OutOfMemory:
        error = location.magic == kInstallMagic ? "there is not enough memory for the stub image"
                                                : "there is not enough memory for the uninstall package";
        return false;
    case PackageResult::Block0Damaged: {
        BlockFacts facts;
        readBlockHeader(file, uint64_t(location.start()) + 4, facts);
        error = "block 0 (the install script) is damaged: " + blockDamage(package->block0Result, facts);
        return false;
    }
    case PackageResult::InstallScriptDamaged:
        error = "block 0 (the install script) is damaged: a record reads past its record stream or string pool";
        return false;
    }
    ContainerFacts& container = out.container;
    container.fileSize = uint64_t(size);
    container.stubSize = location.start();
    container.packageLength = location.length;
    container.trailerOffset = location.trailerOffset;
    container.certificateOffset = certificateOffset(file);

    bool loaded = package->kind == PackageKind::Install ? loadInstallBlocks(path, *package, use, out, error)
                                                        : loadUninstallScript(*package, out, error);
    if (loaded)
        out.kind = package->kind;
    return loaded;
}
