#include "format/package_container.h"

#include "format/block_reader.h"
#include "format/byte_cursor.h"
#include "format/file_io.h"
#include "format/pe_image.h"

#include <memory>

namespace {

bool isKnownMagic(uint32_t magic)
{
    return magic == kInstallMagic || magic == kUninstallMagic;
}

// Reads the trailer that ends at `trailerEnd` and checks that it leads to a
// package with a known magic.
bool tryTrailer(FILE* file, uint64_t trailerEnd, PackageLocation& out)
{
    if (trailerEnd < 4 || trailerEnd - 4 > UINT32_MAX)
        return false;
    uint32_t trailerOffset = uint32_t(trailerEnd - 4);
    uint8_t raw[4];
    if (!seekTo(file, trailerOffset) || !readExactly(file, raw, 4))
        return false;
    uint32_t length = loadU32(raw);
    if (length < 4 || length > trailerOffset)
        return false;
    if (!seekTo(file, trailerOffset - length) || !readExactly(file, raw, 4))
        return false;
    out.trailerOffset = trailerOffset;
    out.length = length;
    out.magic = loadU32(raw);
    return isKnownMagic(out.magic);
}

}  // namespace

bool framePackage(uint32_t magic, uint64_t stubSize, uint64_t bodySize, PackageFrame& out)
{
    uint64_t unpadded = stubSize + 4 + bodySize + 4;
    uint64_t filler = magic == kInstallMagic ? (8 - unpadded % 8) % 8 : 0;
    uint64_t length = 4 + bodySize + filler;  // L: magic to trailer
    if (bodySize > UINT32_MAX || stubSize > UINT32_MAX || length > UINT32_MAX || unpadded + filler - 4 > UINT32_MAX)
        return false;
    storeU32(out.magic, magic);
    out.fillerSize = uint32_t(filler);
    storeU32(out.trailer, uint32_t(length));
    return true;
}

uint32_t certificateOffset(FILE* file)
{
    uint8_t dos[kPeDosHeaderSize];
    uint32_t ntOffset = 0;
    if (!seekTo(file, 0) || !readExactly(file, dos, sizeof dos) || !findPeNtHeaders(dos, ntOffset))
        return 0;
    uint8_t nt[kPeNtHeadersSpan];
    PeHeaderFields fields;
    if (!seekTo(file, ntOffset) || !readExactly(file, nt, sizeof nt) || !findPeFieldsInNtHeaders(nt, fields) ||
        !fields.hasCertificateEntry)
        return 0;
    uint32_t offset = loadU32(nt + fields.certificateEntry);
    uint32_t size = loadU32(nt + fields.certificateEntry + 4);
    int64_t length = fileLength(file);
    if (size == 0 || offset < 4 || length < 0 || offset > uint64_t(length))
        return 0;
    return offset;
}

bool locatePackage(FILE* file, PackageLocation& out)
{
    uint32_t certificate = certificateOffset(file);
    if (certificate && tryTrailer(file, certificate, out))
        return true;
    int64_t length = fileLength(file);
    if (length < 0)
        return false;
    return tryTrailer(file, uint64_t(length), out);
}

PackageResult openPackage(FILE* file, OpenedPackage& out)
{
    out.kind = PackageKind::None;
    PackageLocation& location = out.location;
    if (!locatePackage(file, location))
        return PackageResult::NoPackage;
    uint32_t start = location.start();
    if (!seekTo(file, 0))
        return PackageResult::Truncated;
    if (!out.stubImage.allocate(start))
        return PackageResult::OutOfMemory;
    uint8_t raw[4];
    if (!readExactly(file, out.stubImage.data(), start) || !readExactly(file, raw, 4) ||
        loadU32(raw) != location.magic) {
        out.stubImage.reset();
        return PackageResult::Truncated;
    }
    uint64_t bodySize = location.length - 4;

    if (location.magic == kUninstallMagic) {
        if (!out.uninstallBody.allocate(bodySize))
            return PackageResult::OutOfMemory;
        if (!readExactly(file, out.uninstallBody.data(), bodySize)) {
            out.uninstallBody.reset();
            return PackageResult::Truncated;
        }
        out.kind = PackageKind::Uninstall;
        return PackageResult::Ok;
    }

    Bytes block0;
    out.block0Result = readBlock(file, bodySize, block0);
    if (out.block0Result != BlockResult::Ok)
        return PackageResult::Block0Damaged;
    // readBlock keeps within bodySize, so block 0 ends before the trailer.
    int64_t behind = tellPosition(file);
    if (behind < 0 || uint64_t(behind) > location.trailerOffset)
        return PackageResult::Truncated;
    std::unique_ptr<ByteCursor> cursor(new (std::nothrow) ByteCursor);
    if (!cursor)
        return PackageResult::OutOfMemory;
    if (!cursor->attach(block0.data(), block0.size()) || !readInstallScript(*cursor, out.installScript))
        return PackageResult::InstallScriptDamaged;
    if (out.keepBlock0)
        out.block0 = static_cast<Bytes&&>(block0);
    out.remainingAfterBlock0 = location.trailerOffset - uint32_t(behind);
    out.kind = PackageKind::Install;
    return PackageResult::Ok;
}
