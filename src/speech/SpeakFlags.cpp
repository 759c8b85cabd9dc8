#include "SpeakFlags.h"

namespace lectern::speech {

const std::array<SpeakFlagBox, SpeakFlagBoxCount>& speakFlagBoxes() {
    static const std::array<SpeakFlagBox, SpeakFlagBoxCount> boxes{{
        {"SVSFDefault", 0, false, "Specifies that the default settings should be used. "},
        {"SVSFlagsAsync", 1, true,
         "Specifies that the Speak call should be asynchronous. That is, it will return "
         "immediately after the speak request is queued. \n"},
        {"SVSFPurgeBeforeSpeak", 2, true,
         "Purges all pending speak requests prior to this speak call."},
        {"SVSFIsFilename", 4, false,
         "The string passed to the Speak method is a file name rather than text. As a result, "
         "the string itself is not spoken but rather the file the path that points to is "
         "spoken."},
        {"SVSFIsXML", 8, true, "The input text will be parsed for XML markup."},
        {"SVSFIsNotXML", 16, false, "The input text will not be parsed for XML markup."},
        {"SVSFPersistXML", 32, false,
         "Global state changes in the XML markup will persist across speak calls."},
        {"SVSFNLPSpeakPunc", 64, false, "Punctuation characters should be expanded into words."},
        {"SVSFNLPMask", 64, false,
         "Flags handled by SAPI (as opposed to the text-to-speech engine) are set in this "
         "mask."},
        {"SVSFVoiceMask", 127, false, "This mask has every flag bit set."},
        {"SVSFUnusedFlags", -128, false, "This mask has every unused bit set."},
    }};
    return boxes;
}

SpeakFlagStates defaultSpeakFlagStates() {
    SpeakFlagStates states{};
    for (int i = 0; i < SpeakFlagBoxCount; ++i)
        states[i] = speakFlagBoxes()[i].tickedAtStart;
    return states;
}

int16_t GetSpeakFlags(const SpeakFlagStates& states) {
    // A sum, not an OR: overlapping masks add up. The range of all sums
    // (-128..318) fits 16 bits, so the narrowing never wraps.
    int sum = 0;
    for (int i = 0; i < SpeakFlagBoxCount; ++i)
        if (states[i])
            sum += speakFlagBoxes()[i].value;
    return static_cast<int16_t>(sum);
}

SpeakFlagStates applySpeakFlagInterlock(SpeakFlagStates states, int index) {
    if (index == 0) {
        for (int i = 1; i < SpeakFlagBoxCount; ++i)
            states[i] = false;
    } else if (index == 4 && states[4]) {
        states[5] = false;
    } else if (index == 5 && states[5]) {
        states[4] = false;
    }
    return states;
}

} // namespace lectern::speech
