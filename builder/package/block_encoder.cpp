#include "builder/package/block_encoder.h"

#include "format/block_reader.h"
#include "format/bytes.h"
#include "format/file_io.h"

#include <errno.h>
#include <string.h>

namespace {

std::string writeProblem()
{
    return std::string("cannot write the installer: ") + strerror(errno);
}

}  // namespace

uint64_t encoderMemoryFor(uint64_t decodedSize, const CompressionOptions& options)
{
    LzmaFilterChain chain;
    LzmaProperties properties;
    if (!setUpEncoderChain(chain, properties, decodedSize, options))
        return 0;
    uint64_t need = lzma_raw_encoder_memusage(chain.filters);
    return need == UINT64_MAX ? 0 : need;
}

bool BlockEncoder::begin(FILE* file, uint64_t decodedSize, const CompressionOptions& options,
                         const CompressionProgress* progress, std::string& problem)
{
    file_ = file;
    decodedSize_ = decodedSize;
    progress_ = progress;
    LzmaProperties properties;
    if (decodedSize > UINT32_MAX || !setUpEncoderChain(chain_, properties, decodedSize, options)) {
        problem = "the block cannot be described (its size or the compression options are out of range)";
        return false;
    }
    int64_t at = tellPosition(file);
    if (at < 0) {
        problem = writeProblem();
        return false;
    }
    start_ = uint64_t(at);
    uint8_t header[kBlockHeaderSize + kLzmaPropertiesSize];
    storeU32(header, 0);  // csize, written once known
    storeU32(header + 4, uint32_t(decodedSize));
    storeLzmaProperties(properties, header + kBlockHeaderSize);
    if (fwrite(header, 1, sizeof header, file) != sizeof header) {
        problem = writeProblem();
        return false;
    }
    if (lzma_raw_encoder(&lzma_.stream, chain_.filters) != LZMA_OK) {
        problem = "the compressor cannot start (out of memory?)";
        return false;
    }
    output_.reset(new uint8_t[kEncoderBuffer]);
    lzma_.stream.next_out = output_.get();
    lzma_.stream.avail_out = kEncoderBuffer;
    return true;
}

bool BlockEncoder::flushOutput(std::string& problem)
{
    size_t pending = kEncoderBuffer - lzma_.stream.avail_out;
    if (pending && fwrite(output_.get(), 1, pending, file_) != pending) {
        problem = writeProblem();
        return false;
    }
    streamSize_ += pending;
    lzma_.stream.next_out = output_.get();
    lzma_.stream.avail_out = kEncoderBuffer;
    return true;
}

bool BlockEncoder::drain(lzma_action action, std::string& problem)
{
    for (;;) {
        lzma_ret result = lzma_code(&lzma_.stream, action);
        if (result != LZMA_OK && result != LZMA_STREAM_END) {
            problem = result == LZMA_MEM_ERROR ? "the compressor ran out of memory" : "the compressor failed";
            return false;
        }
        if (lzma_.stream.avail_out == 0 && !flushOutput(problem))
            return false;
        if (action == LZMA_RUN ? lzma_.stream.avail_in == 0 : result == LZMA_STREAM_END)
            return true;
    }
}

bool BlockEncoder::write(const void* bytes, size_t size, std::string& problem)
{
    if (size > decodedSize_ - fed_) {
        problem = "the block grew beyond its announced size";
        return false;
    }
    // In slices, so that progress is told between them; the encoder's
    // output does not depend on the slicing.
    const uint8_t* next = static_cast<const uint8_t*>(bytes);
    while (size > 0) {
        size_t slice = size < kEncoderBuffer ? size : kEncoderBuffer;
        lzma_.stream.next_in = next;
        lzma_.stream.avail_in = slice;
        if (!drain(LZMA_RUN, problem))
            return false;
        next += slice;
        size -= slice;
        fed_ += slice;
        if (progress_ && progress_->report)
            progress_->report(progress_->context, fed_, decodedSize_);
    }
    return true;
}

bool BlockEncoder::finish(uint64_t& framedSize, std::string& problem)
{
    if (fed_ != decodedSize_) {
        problem = "the block ended before its announced size";
        return false;
    }
    lzma_.stream.next_in = nullptr;
    lzma_.stream.avail_in = 0;
    if (!drain(LZMA_FINISH, problem) || !flushOutput(problem))
        return false;
    uint64_t csize = kLzmaPropertiesSize + streamSize_;
    if (csize > UINT32_MAX) {
        problem = "the compressed block is larger than its header can describe (4 GiB - 1 byte)";
        return false;
    }
    uint8_t raw[4];
    storeU32(raw, uint32_t(csize));
    uint64_t end = start_ + kBlockHeaderSize + csize;
    if (!seekTo(file_, start_) || fwrite(raw, 1, 4, file_) != 4 || !seekTo(file_, end)) {
        problem = writeProblem();
        return false;
    }
    framedSize = kBlockHeaderSize + csize;
    output_.reset();
    return true;
}
