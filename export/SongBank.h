// A song's timbres made into an instrument bank, in order of first use.
#pragma once

#include "InstrumentBank.h"
#include "SongVoices.h"
#include "Timbre.h"

#include <string>
#include <vector>

// The song's timbres as a bank: melodic timbres as programs 0 and up, then the percussion
// timbres; WOPL puts each drum's first timbre at its drum note in the percussion set (later
// ones of the same drum at the lowest free other notes) with its pitch as the key to play, the
// other formats after the melodic ones. `names`, one per timbre in that order, replace the
// names "v3 t12" (voice 3, first heard at tick 12; drums "bd t12").
InstrumentBank SongBank(const SongVoices& voices, const std::vector<std::string>& names,
                        BankFormat format);

BankInstrument InstrumentFromTimbre(const TTimbre& timbre);
