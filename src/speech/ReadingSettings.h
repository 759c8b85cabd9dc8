#pragma once
// Everything a reading takes from the settings pane, as one value: the
// pane maps its controls to and from it, start-up and shut-down store parts
// of it, and the reading commands read it once per command.

#include "ScriptConversion.h"
#include "SpeakFlags.h"
#include "VoiceMarkup.h"

#include <QString>

#include <cstdint>

namespace lectern::speech {

struct SliderRange {
    int min;
    int max;
};
constexpr SliderRange SpeedRange{-10, 10};
constexpr SliderRange VolumeRange{0, 100};
constexpr SliderRange PitchRange{-100, 100};

struct ReadingSettings {
    VoiceProfile abc;                                     // Combo1, Slider1, Slider2, Slider6
    VoiceProfile other;                                   // Combo2, Slider3, Slider4, Slider7
    SpeakFlagStates flags = defaultSpeakFlagStates();     // Check1..Check11
    int outputIndex = 0;                                  // Combo3
    QString formatName;                                   // Combo4
    bool ownMarkup = false;                               // Check12
    ScriptConversion conversion = ScriptConversion::None; // Check13, Check14

    int16_t speakFlags() const { return GetSpeakFlags(flags); }
};

} // namespace lectern::speech
