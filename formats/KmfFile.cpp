#include "KmfFile.h"

#include "ByteReader.h"
#include "ByteWriter.h"
#include "Console.h"
#include "FileBytes.h"
#include "ImfError.h"
#include "TickRate.h"
#include "TickedWrites.h"
#include "WriteOrder.h"

#include <fstream>
#include <string>

namespace {
constexpr std::uint32_t kKmfMagic = 0x1A464D4B; // "KMF", 0x1A
constexpr std::int32_t kMaxPause = 255;
constexpr std::int32_t kMaxWrites = 255;
constexpr std::int64_t kMaxSize = 65535;

// Builds the chain block by block; `size` counts the bytes of block data.
class ChainBuilder {
public:
    ChainBuilder() : first_(std::make_unique<TKMFBlock>()), current_(first_.get()) {}

    // Ends the current block with `ticks` of pause, in blocks of at most 255 ticks.
    void Pause(std::int64_t ticks) {
        while (ticks > 0) {
            if (size_ > kMaxSize) {
                size_ += 2 * ((ticks + kMaxPause - 1) / kMaxPause); // one block per 255 ticks
                // The stand-in block starts again empty, as the next block would.
                current_->instructions.clear();
                current_->count = 0;
                return;
            }
            current_->pause = static_cast<std::int32_t>(std::min<std::int64_t>(ticks, kMaxPause));
            ticks -= current_->pause;
            NextBlock();
        }
    }

    void Add(std::uint8_t reg, std::uint8_t val) {
        if (current_->count == kMaxWrites)
            NextBlock(); // the full block keeps pause 0: the next follows at the same tick
        current_->instructions.push_back(MakeInstruction(reg, val, 0));
        ++current_->count;
        size_ += 2;
    }

    std::int64_t Size() const { return size_; }
    std::unique_ptr<TKMFBlock> Release() { return std::move(first_); }

private:
    void NextBlock() {
        size_ += 2;
        if (size_ > kMaxSize) {
            // Too large already: the current block stands in for all further ones.
            current_->instructions.clear();
            current_->count = 0;
            current_->pause = 0;
            return;
        }
        current_->succ = std::make_unique<TKMFBlock>();
        current_ = current_->succ.get();
    }

    std::unique_ptr<TKMFBlock> first_;
    TKMFBlock* current_;
    std::int64_t size_ = 2; // the first block's count and pause
};
} // namespace

namespace {
template <class Sink> void ReadBlocks(Sink& song, ByteReader& stream) {
    std::int32_t remaining = stream.U16();
    song.InitRead();
    // The size is checked only between blocks: a size that does not end on a block boundary
    // reads on to the end of the stream.
    while (remaining != 0 && !stream.AtEnd()) {
        std::uint8_t count = stream.U8();
        std::uint8_t pause = stream.U8();
        for (; count != 0 && !stream.AtEnd(); --count) {
            std::uint8_t reg = stream.U8();
            std::uint8_t val = stream.U8();
            song.ProcessCommand(reg, val);
            remaining -= 2;
        }
        song.ProcessPause(pause);
        remaining -= 2;
    }
}
} // namespace

namespace {
// A reader at the size field: past the magic and the rate, which KmfRate reads.
ByteReader AtSizeField(std::span<const std::uint8_t> bytes) {
    ByteReader stream(bytes);
    stream.Seek(4);
    stream.U16();
    return stream;
}
} // namespace

bool IsKmf(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 4 && ByteReader(bytes).U32() == kKmfMagic;
}

SongFileLayout LoadKmfBytes(TImfSong& song, std::span<const std::uint8_t> bytes) {
    ByteReader stream = AtSizeField(bytes);
    ReadKMFData(song, stream);
    return SongFileLayout::Kmf;
}

SongFileLayout LoadKmfWrites(TickedWrites& song, std::span<const std::uint8_t> bytes) {
    ByteReader stream = AtSizeField(bytes);
    WriteCollector collector(song);
    ReadBlocks(collector, stream);
    return SongFileLayout::Kmf;
}

int ReadKMFData(TImfSong& song, ByteReader& stream) {
    ReadBlocks(song, stream);
    return 0;
}

std::unique_ptr<TKMFBlock> BuildKMFBlocks(const TImfSong& song, std::int64_t& size) {
    std::vector<TimedWrite> writes = MergeChannelLists(song);
    ChainBuilder chain;
    std::int32_t previous = 0;
    for (const TimedWrite& write : writes) {
        // A write earlier than the one before (a list out of time order) joins the current block.
        chain.Pause(std::int64_t{write.time} - previous);
        previous = write.time;
        chain.Add(write.reg, write.val);
    }
    if (!writes.empty())
        chain.Pause(std::int64_t{song.globaltime} - previous);
    size = chain.Size();
    return chain.Release();
}

std::vector<std::uint8_t> KmfBytes(const TImfSong& song, std::uint16_t rate) {
    std::int64_t size = 0;
    std::unique_ptr<TKMFBlock> chain = BuildKMFBlocks(song, size);
    if (size > kMaxSize)
        throw ImfError("ERROR: KMF data too large: " + std::to_string(size) + " bytes");

    ByteWriter out;
    out.U32(kKmfMagic);
    out.U16(rate == 0 ? static_cast<std::uint16_t>(kDefaultTickRate) : rate);
    out.U16(static_cast<std::uint16_t>(size));
    for (const TKMFBlock* block = chain.get(); block; block = block->succ.get()) {
        out.U8(static_cast<std::uint8_t>(block->instructions.size()));
        out.U8(static_cast<std::uint8_t>(block->pause));
        for (const InstructionRef& write : block->instructions) {
            out.U8(write->reg);
            out.U8(write->val);
        }
    }
    std::vector<std::uint8_t> bytes = out.Release();
    MendKmfSize(bytes, size);
    return bytes;
}

void MendKmfSize(std::vector<std::uint8_t>& bytes, std::int64_t size) {
    const std::int64_t written = static_cast<std::int64_t>(bytes.size()) - 8;
    if (written != size) {
        Notice("bad KMF size!\n\nsize=" + std::to_string(size) +
               " written=" + std::to_string(written));
        bytes[6] = static_cast<std::uint8_t>(written);
        bytes[7] = static_cast<std::uint8_t>(written >> 8);
    }
}

int SaveKMF(const TImfSong& song, const std::string& path, std::uint16_t rate) {
    WriteFileReplacing(path, KmfBytes(song, rate));
    return 0;
}

std::uint16_t GetKMFRate(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::uint8_t header[8];
    if (!file.read(reinterpret_cast<char*>(header), sizeof header))
        return 0;
    return KmfRate(header);
}

std::uint16_t KmfRate(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 8)
        return 0;
    if (!IsKmf(bytes))
        return 0;
    ByteReader stream(bytes);
    stream.Seek(4);
    std::uint16_t rate = stream.U16();
    return rate == 0 ? static_cast<std::uint16_t>(kDefaultTickRate) : rate;
}
