#include "format/block_reader.h"

#include "format/block_decoder.h"
#include "format/file_io.h"

namespace {

// The first output allocation: what honest compression of csize bytes
// usually decodes to, at least 1 MiB, at most usize.
constexpr uint32_t kMinimumOutput = 1 << 20;

uint32_t nextOutputSize(uint32_t size, uint32_t csize, uint32_t usize)
{
    uint32_t target = size == 0 ? (csize < usize / 8 ? csize * 8 : usize) : (size < usize / 2 ? size * 2 : usize);
    if (target < kMinimumOutput)
        target = kMinimumOutput;
    return target < usize ? target : usize;
}

}  // namespace

// The output grows as decoding fills it, up to usize, rather than being
// allocated at usize up front: a header can name any size, but only the
// bytes the stream really decodes to (or a few times the compressed bytes)
// are ever allocated.
BlockResult readBlock(FILE* file, uint64_t available, Bytes& out)
{
    out.reset();
    BlockDecoder decoder;
    BlockResult result = decoder.open(file, available);
    if (result == BlockResult::Ok && decoder.decodedSize() > kMaxDecodedBlockSize)
        result = BlockResult::TooLarge;
    uint32_t usize = decoder.decodedSize();
    uint32_t done = 0;
    while (result == BlockResult::Ok && done < usize) {
        uint32_t target = nextOutputSize(done, decoder.compressedSize(), usize);
        if (!out.resize(target)) {
            result = BlockResult::OutOfMemory;
            break;
        }
        result = decoder.read(out.data() + done, target - done);
        done = target;
    }
    if (result == BlockResult::Ok)
        result = decoder.finish();
    if (result != BlockResult::Ok)
        out.reset();
    if (decoder.hasHeader())
        seekTo(file, decoder.endOffset());
    return result;
}
