// Loudness of a whole song: the level of every operator that is heard moved at once.
#pragma once

#include "ImfSong.h"

// Lowers the attenuation (total level 0..63, clamped; bits 7-6 kept) of every carrier by
// `amount` (negative: softer): the second operator of each channel list, the first as well
// where the channel is additive (0xC0 bit 0 set at that tick), and in rhythm sections (list 0)
// the operators the drums sound with: bass drum (channel 6's second), hi-hat and snare
// (channel 7), tom-tom and cymbal (channel 8). `list` 1..9 limits the change to that channel
// list; 0 changes every list.
void ChangeCarrierLevels(TImfSong& song, int amount, int list = 0);
