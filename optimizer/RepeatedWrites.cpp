#include "RepeatedWrites.h"

#include "InaudibleWrites.h"
#include "WriteOrder.h"

#include <array>
#include <vector>

std::int64_t DropRepeatedWrites(TImfSong& song) {
    // The chip's registers as the writes so far left them; 256 stands for never written.
    constexpr std::uint16_t kUnwritten = 256;
    std::array<std::uint16_t, 256> image;
    image.fill(kUnwritten);
    std::array<std::vector<bool>, 10> keep;
    for (std::size_t list = 0; list < keep.size(); ++list)
        keep[list].reserve(song.channels[list].size());

    WalkChannelLists(song, [&](const TInstruction& write, int list, std::uint8_t reg) {
        bool repeat = reg != kTimerControlReg && image[reg] == write.val;
        image[reg] = write.val;
        keep[static_cast<std::size_t>(list)].push_back(!repeat);
    });

    return KeepFlaggedWrites(song, keep);
}
