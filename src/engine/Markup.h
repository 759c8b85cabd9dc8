#pragma once
// Turns the speech markup a voice is given into plain runs of text, each with
// the prosody it is spoken in, and silences. Pure: no engine, no audio.

#include <QString>
#include <QStringView>

#include <functional>
#include <vector>

namespace lectern::engine {

struct ProsodyState {
    QString voiceId;
    int rate = 0;     // -10..10
    int volume = 100; // 0..100
    int pitch = 0;    // -100..100
    bool operator==(const ProsodyState&) const = default;
};

struct SpeechSegment {
    enum class Kind { Text, Silence };
    Kind kind = Kind::Text;
    QString text;
    // offsets[i] is where text[i] starts in the string given to Speak;
    // one extra entry marks the end of the last character.
    std::vector<int> offsets;
    ProsodyState prosody;
    int silenceMs = 0;
};

// Maps the NAME= of a VOICE element to a voice id; empty when unknown.
using VoiceResolver = std::function<QString(QStringView name)>;

// Longest silence one element can ask for; longer values are cut to it.
constexpr int MaxSilenceMs = 10 * 60 * 1000;

// Never throws on malformed input: what is not markup is spoken as text.
// Linear in the length of the text, no recursion.
std::vector<SpeechSegment> parseSpeechMarkup(QStringView text, const ProsodyState& initial,
                                             const VoiceResolver& resolveVoice);

// The whole text as one segment, read literally.
SpeechSegment plainSegment(QStringView text, const ProsodyState& prosody);

// True when the text, after leading white space, starts with "<".
bool looksLikeMarkup(QStringView text);

} // namespace lectern::engine
