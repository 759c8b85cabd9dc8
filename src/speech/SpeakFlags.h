#pragma once
// The speak-flag boxes Check1..Check11 as a model: their captions, values,
// tooltips, the flag word and the interlocks.

#include <QString>

#include <array>
#include <cstdint>

namespace lectern::speech {

struct SpeakFlagBox {
    const char* caption;
    int16_t value;
    bool tickedAtStart;
    const char* tooltip;
};
constexpr int SpeakFlagBoxCount = 11;
// Check1..Check11 in order.
const std::array<SpeakFlagBox, SpeakFlagBoxCount>& speakFlagBoxes();

using SpeakFlagStates = std::array<bool, SpeakFlagBoxCount>; // index 0 is Check1

SpeakFlagStates defaultSpeakFlagStates();
// Signed 16-bit sum of the ticked boxes' values (not an OR).
int16_t GetSpeakFlags(const SpeakFlagStates& states);
// The engine's flags argument: the sum sign-extended to 32 bits.
inline int32_t widenSpeakFlags(int16_t flags) {
    return flags;
}

// Interlocks: return the states after the click handler of box `index`
// (0-based: 0 is Check1, 4 is Check5, 5 is Check6) has run on `states`,
// where `states` already holds the box's new value.
SpeakFlagStates applySpeakFlagInterlock(SpeakFlagStates states, int index);

} // namespace lectern::speech
