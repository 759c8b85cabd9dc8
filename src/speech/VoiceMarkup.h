#pragma once
// Cutting a text into script runs and wrapping each run in voice markup.

#include "ScriptConversion.h"

#include <QString>
#include <QStringView>

#include <atomic>
#include <functional>

namespace lectern::speech {

class EventPump;

struct VoiceProfile {
    QString voiceName;
    int speed = 0;    // -10..10
    int volume = 100; // 0..100
    int pitch = 0;    // -100..100
};

enum class CommaRule { AfterAbcRun, AfterEveryRun };

// "<VOICE REQUIRED="NAME=" or, for the clipboard reading and the export,
// "<VOICE REQUIRED=" NAME=".
enum class HeadVariant { Plain, SpacedName };

enum class RunKind { Abc, Other };

// The 29 characters that stay with the run that is open.
bool isNeutral(char16_t unit);
extern const char16_t NeutralChars[29];

struct ProfileMarkup {
    QString head;
    QString tail;
};
// The run neutral characters join before any letter: Other when the text's
// first 20 units hold a wide one, else ABC.
RunKind leadingRunKind(QStringView text);

// Pieces 1-9 and 11 of a run's markup; both empty for the own-markup mode.
ProfileMarkup buildProfileMarkup(const VoiceProfile& profile, HeadVariant variant, bool ownMarkup);

// TradToSimp or SimpToTrad by direction; None leaves the character as it is.
char16_t convertCharacter(ScriptConversion direction, char16_t ch);

// What BuildVoiceMarkup reads besides the text: the two profiles' heads and
// tails, built once per reading command, and the conversion boxes, read
// afresh for every character (events run inside the loop and may tick one).
struct MarkupContext {
    ProfileMarkup abc;
    ProfileMarkup other;
    // The boxes' state, kept in step by the window when they change; read
    // in preference to `conversion`, as it costs a load per character
    // rather than a call into the widgets.
    const std::atomic<ScriptConversion>* conversionState = nullptr;
    std::function<ScriptConversion()> conversion; // null: no conversion
    // The per-character converter behind the boxes; replaceable in tests.
    char16_t (*convert)(ScriptConversion, char16_t) = convertCharacter;
    EventPump* pump = nullptr; // null: events are not run
};

// Returns the markup string; sets currentRunText at every run flush (the
// caller empties it first). Events run inside, so the text must be one the
// events cannot change (the caller's own copy, not a view of a live widget).
QString BuildVoiceMarkup(QStringView text, CommaRule rule, const MarkupContext& context,
                         QString& currentRunText);

} // namespace lectern::speech
