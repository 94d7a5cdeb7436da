// The sound of a viewer window: the song played from a tick while the window goes on drawing.
#pragma once

#include "SongStream.h"
#include "WriteOrder.h"

#include <cstdint>
#include <memory>
#include <vector>

// Plays through the installed surface's sound stream. The samples are made a little ahead of
// what is heard, a few frames' worth at a time, so playing starts at once even in a long song.
class ViewerPlayback {
public:
    ViewerPlayback(std::vector<TimedWrite> writes, int tickRate, std::int32_t length);
    ~ViewerPlayback();
    ViewerPlayback(const ViewerPlayback&) = delete;
    ViewerPlayback& operator=(const ViewerPlayback&) = delete;

    // Starts playing at the tick; false (and silence) when there is no audio device.
    bool Start(std::int32_t tick);
    void Stop();
    bool Playing() const { return stream_ != nullptr; }
    // Keeps the sound stream filled ahead of what is heard, and stops once the song and its
    // tail have been heard. Called once a frame while playing.
    void Feed();
    // The tick being heard.
    std::int32_t HeardTick() const;
    // Silences voices from the samples made next on (a quarter of a second ahead of what is
    // heard), for this and later plays.
    void SetMuted(VoiceSet muted);
    VoiceSet Muted() const { return muted_; }

private:
    std::vector<TimedWrite> writes_;
    int tickRate_;
    std::int64_t endSample_; // the end of the song's render, tail included
    std::unique_ptr<SongStream> stream_;
    std::vector<std::int16_t> buffer_;
    VoiceSet muted_ = 0;
};
