#pragma once
// The walk of follow reading: the text is cut into script runs as the voice
// markup cuts it, then a Latin run is spoken a word at a time and a run of
// the other script a character at a time, each piece a separate utterance
// that is waited for. Plain logic: the engine, the events and the stop
// request come in through callbacks, so a test can drive it without a window.

#include "ReadingState.h"
#include "VoiceMarkup.h"

#include <QString>
#include <QStringView>

#include <functional>

namespace lectern::speech {

struct FollowCallbacks {
    // True when a stop was asked for (the pause button); the request is
    // consumed.
    std::function<bool()> takeInterrupt;
    // Lets pending window events run; `often` is true before every letter of
    // the walk, where a rate-limited pump keeps long texts fast.
    std::function<void(bool often)> pumpEvents;
    // The conversion boxes, read afresh for every character.
    std::function<char16_t(char16_t)> convert;
    // Puts the profile's voice, speed and volume on the speech object.
    std::function<void(RunKind)> selectVoice;
    // Speaks one piece and returns once it has been heard.
    std::function<void(const QString& piece)> speakAndWait;
};

enum class FollowOutcome { Completed, Interrupted };

// Walks `text` (CR LF already turned into two spaces, so offsets match the
// document) starting at document offset `state.FollowPosition`, keeping
// `CurrentRunText` and `FollowPosition` as the word highlight expects: before
// each piece is spoken, CurrentRunText is the piece and FollowPosition the
// document offset just past it.
FollowOutcome walkFollowReading(QStringView text, ReadingState& state,
                                const FollowCallbacks& callbacks);

// Where a word event's highlight starts in the document: the word's offset in
// the piece last spoken, moved to the piece's place in the document.
int highlightStart(qsizetype currentRunLength, double followPosition, int characterPosition);

// The markup as the document shows it: lower-cased, each voice element
// ending its line.
QString markupForDocument(const QString& markup);

// The markup of the repeated reading: the text's runs 100 times over in one
// string, every run closed with the pause comma, events run after each
// repetition.
constexpr int CycleRepetitions = 100;
QString BuildCycleMarkup(QStringView text, const MarkupContext& context, QString& currentRunText);

} // namespace lectern::speech
