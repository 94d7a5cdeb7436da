#include "FaithfulCopy.h"

#include "UnheardWrites.h"

FaithfulCopy CopyFaithfully(const SongSource& source, int tickRate, SongFileKind kind,
                            const DropSettings& drop) {
    FaithfulCopy copy;
    const int captureUnits = SongFileFormatOf(kind).timeUnits;
    const int units = source.IsCapture() && captureUnits > 0 ? captureUnits : tickRate;
    copy.writes = source.Writes(units);
    copy.before = static_cast<std::int64_t>(copy.writes.writes.size()) + copy.writes.registerZero +
                  copy.writes.absent;
    copy.counts = DropUnheardWrites(copy.writes, drop.rules, units, drop.deep);
    copy.output.tickRate = units;
    copy.output.kmfRate = source.kmfRate;
    if (source.IsCapture())
        copy.output.tag = source.capture->tag;
    return copy;
}
