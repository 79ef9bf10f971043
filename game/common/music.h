// Sound effects: every tune goes out as ANSI music while Music is on; with
// it off, a short silent pause keeps the pacing.
#pragma once

#include <string>

extern bool Music;
// Back to the start of a session: music on.
void MusicReset();

void PlayMusic(const std::string& tune);
// PlayMusic, then a pause: ms with music on, a fixed 150 ms with it off.
void PlayBeat(const std::string& tune, int ms);

// The game's tunes. A replayed turn plays the same strings as the turn it
// replays, so each lives here once.
inline constexpr const char* kDraftTune = "MFT64L64O5CDP32CDP32CDP16";
inline constexpr const char* kFanfare = "MFT96O4L32P32CP64CP64CP64L16EP64L32CP64L12E";
inline constexpr const char* kBeat = "MFO1T128L64CEB";
inline constexpr const char* kNoDamageTune = "MFT32L2O1L8dL4C";
inline constexpr const char* kDirge = "MFO2T96L2P32CL3CL8CP32L3CP6E-L8DL3DL8CL3CO1L8BO2L1C";
inline constexpr const char* kInfiltrationTune = "MFO1T32L8EL64DL8EL64DL8EL64DL8EP8";
inline constexpr const char* kChargeTune = "MFT32O3L16CL8FL16CL8FL64CP64CP64CP64L8F";
inline constexpr const char* kGronelVolley = "MFO1L64T128BAAGGFFEEDDCP4";
inline constexpr const char* kSlingardVolley = "MFT76L64O2CDEFGABAGFEDCP4";
inline constexpr const char* kWagonSound = "MFT80O5L64FP64CFP64F";
