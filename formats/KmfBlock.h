// TKMFBlock: one block of a KMF file under construction, linked to the next one.
#pragma once

#include "Instruction.h"

#include <cstdint>
#include <memory>
#include <vector>

// The writes of one tick (at most 255, real register numbers) and the pause after them. The
// blocks of a file form a chain owned by its first block.
struct TKMFBlock {
    std::vector<InstructionRef> instructions;
    std::int32_t count = 0;
    std::int32_t pause = 0;
    std::unique_ptr<TKMFBlock> succ;

    TKMFBlock() = default;
    TKMFBlock(const TKMFBlock&) = delete;
    TKMFBlock& operator=(const TKMFBlock&) = delete;
    // Drops the rest of the chain one block at a time, so that a long chain cannot exhaust the
    // stack through nested destructors.
    ~TKMFBlock() {
        std::unique_ptr<TKMFBlock> rest = std::move(succ);
        while (rest)
            rest = std::move(rest->succ);
    }
};
