#include "format/block_decoder.h"

#include "format/file_io.h"

#include <string.h>

namespace {

// Compressed bytes are read from the file through a window of this size.
constexpr uint32_t kWindowSize = 64 * 1024;
// Dropped bytes are decoded into a buffer of this size, made when first needed.
constexpr size_t kSkipChunk = 64 * 1024;

}  // namespace

BlockDecoder::~BlockDecoder()
{
    lzma_end(&stream_);
}

// Every caller runs only while result_ is Ok (open() sets it, the others
// return the failure already recorded), so the first failure is the one kept.
BlockResult BlockDecoder::fail(BlockResult result)
{
    result_ = result;
    return result;
}

BlockResult BlockDecoder::open(FILE* file, uint64_t available)
{
    file_ = file;
    result_ = BlockResult::Ok;
    int64_t here = tellPosition(file);
    uint8_t header[kBlockHeaderSize + kLzmaPropertiesSize];
    if (here < 0 || !readExactly(file, header, kBlockHeaderSize))
        return fail(BlockResult::Truncated);
    start_ = uint64_t(here);
    hasHeader_ = true;
    csize_ = loadU32(header);
    usize_ = loadU32(header + 4);
    if (available < kBlockHeaderSize || csize_ > available - kBlockHeaderSize || csize_ < kLzmaPropertiesSize)
        return fail(BlockResult::BeyondPackage);
    if (!readExactly(file, header + kBlockHeaderSize, kLzmaPropertiesSize))
        return fail(BlockResult::Truncated);
    // liblzma refuses lc + lp > 4, which plain LZMA1 allows; no package
    // writer of ours makes such a stream, so it counts as a damaged block.
    if (!parseLzmaProperties(header + kBlockHeaderSize, properties_) || properties_.lc + properties_.lp > 4)
        return fail(BlockResult::BadProperties);
    // liblzma allocates the whole dictionary the properties name, but a
    // dictionary larger than the decoded size is never used.
    uint32_t& dictionary = properties_.dictionarySize;
    uint32_t needed = usize_ < 4096 ? 4096 : usize_;
    if (dictionary > needed)
        dictionary = needed;
    if (dictionary < 4096)
        dictionary = 4096;
    // Refused before the decoder allocates it: a dictionary beyond what a
    // 32-bit process is asked to hold would only fail there, and a package's
    // header must not make a reader on a larger machine try.
    if (dictionary > kMaxDecodedBlockSize)
        return fail(BlockResult::TooLarge);
    // The input window, then the room that dropped bytes decode into.
    if (!window_.allocate(kWindowSize + kSkipChunk))
        return fail(BlockResult::OutOfMemory);
    return start();
}

BlockResult BlockDecoder::start()
{
    lzma_end(&stream_);
    stream_ = LZMA_STREAM_INIT;
    LzmaFilterChain chain;
    memset(&chain.options, 0, sizeof chain.options);
    // Known size, no end marker: decoding stops when usize bytes are out.
    setUpLzma1(chain, properties_, usize_);
    lzma_ret started = lzma_raw_decoder(&stream_, chain.filters);
    if (started != LZMA_OK)
        return fail(started == LZMA_MEM_ERROR ? BlockResult::OutOfMemory : BlockResult::BadProperties);
    inputLeft_ = csize_ - kLzmaPropertiesSize;
    position_ = 0;
    ended_ = false;
    return result_;
}

BlockResult BlockDecoder::rewind()
{
    if (result_ != BlockResult::Ok)
        return result_;
    if (!seekTo(file_, start_ + kBlockHeaderSize + kLzmaPropertiesSize))
        return fail(BlockResult::Truncated);
    return start();
}

// Decodes into out until `count` bytes are there (count may be 0, which
// only lets the decoder confirm the stream's end). Input is read from the
// file as the decoder asks for it.
BlockResult BlockDecoder::decode(uint8_t* out, size_t count)
{
    uint8_t none;
    stream_.next_out = count ? out : &none;
    stream_.avail_out = count;
    for (;;) {
        if (stream_.avail_in == 0 && inputLeft_ > 0) {
            uint32_t chunk = inputLeft_ < kWindowSize ? inputLeft_ : kWindowSize;
            if (!readExactly(file_, window_.data(), chunk))
                return fail(BlockResult::Truncated);
            inputLeft_ -= chunk;
            stream_.next_in = window_.data();
            stream_.avail_in = chunk;
        }
        bool last = inputLeft_ == 0;
        size_t inBefore = stream_.avail_in;
        size_t outBefore = stream_.avail_out;
        lzma_ret r = lzma_code(&stream_, last ? LZMA_FINISH : LZMA_RUN);
        if (r == LZMA_MEM_ERROR || r == LZMA_MEMLIMIT_ERROR)
            return fail(BlockResult::OutOfMemory);
        if (r == LZMA_BUF_ERROR)
            return fail(BlockResult::WrongSize);  // the stream wants input that is not there
        if (r == LZMA_STREAM_END) {
            ended_ = true;
            // The stream ends before the bytes asked for.
            return stream_.avail_out == 0 ? result_ : fail(BlockResult::WrongSize);
        }
        // An error once usize bytes are out is input left behind them.
        if (r != LZMA_OK)
            return fail(position_ + (count - stream_.avail_out) == usize_ ? BlockResult::WrongSize
                                                                          : BlockResult::BadStream);
        if (stream_.avail_out == 0 && count != 0)
            return result_;
        // No progress with input at hand (no room for output behind the
        // stated size), or with none left to go on with.
        if (stream_.avail_in == inBefore && stream_.avail_out == outBefore && (last || stream_.avail_in != 0))
            return fail(BlockResult::WrongSize);
    }
}

BlockResult BlockDecoder::read(void* out, size_t count)
{
    if (result_ != BlockResult::Ok)
        return result_;
    if (count > usize_ - position_ || (count && ended_))
        return fail(BlockResult::WrongSize);
    while (count > 0 && result_ == BlockResult::Ok) {
        size_t chunk = out || count < kSkipChunk ? count : kSkipChunk;
        if (decode(out ? static_cast<uint8_t*>(out) : window_.data() + kWindowSize, chunk) == BlockResult::Ok)
            position_ += chunk;
        if (out)
            out = static_cast<uint8_t*>(out) + chunk;
        count -= chunk;
    }
    return result_;
}

BlockResult BlockDecoder::finish()
{
    if (result_ != BlockResult::Ok)
        return result_;
    if (position_ != usize_)
        return fail(BlockResult::WrongSize);
    // Every byte is out; the decoder confirms that the stream ends here, and
    // every input byte must have been consumed.
    if (!ended_ && decode(nullptr, 0) != BlockResult::Ok)
        return result_;
    if (!ended_ || stream_.avail_in != 0 || inputLeft_ != 0)
        return fail(BlockResult::WrongSize);
    return result_;
}
