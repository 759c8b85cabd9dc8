#pragma once
// Turns the speech markup a voice is given into plain runs of text, each with
// the prosody it is spoken in, and silences. Pure: no engine, no audio.

#include <QString>
#include <QStringView>

#include <functional>
#include <memory>
#include <optional>
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

// Reads markup a segment at a time, so that speech can start, and stop,
// without the whole text being parsed first. Never throws on malformed input:
// what is not markup is spoken as text. Linear in the length of the text, no
// recursion. `text` must outlive the reader.
class SpeechMarkupReader {
public:
    SpeechMarkupReader(QStringView text, const ProsodyState& initial, VoiceResolver resolveVoice);
    ~SpeechMarkupReader();
    SpeechMarkupReader(const SpeechMarkupReader&) = delete;
    SpeechMarkupReader& operator=(const SpeechMarkupReader&) = delete;

    // The next run or silence in reading order; nullopt once the text is used up.
    std::optional<SpeechSegment> next();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// Every segment of the text at once.
std::vector<SpeechSegment> parseSpeechMarkup(QStringView text, const ProsodyState& initial,
                                             const VoiceResolver& resolveVoice);

// The whole text as one segment, read literally.
SpeechSegment plainSegment(QStringView text, const ProsodyState& prosody);

// True when the text, after leading white space, starts with "<".
bool looksLikeMarkup(QStringView text);

} // namespace lectern::engine
