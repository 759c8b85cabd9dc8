#include "StoredSettings.h"

namespace lectern::speech {

const std::array<const char*, 8> StoredSettingKeys = {"voice1", "rate1", "volume1", "pitch1",
                                                      "voice2", "rate2", "volume2", "pitch2"};

// Blanks around the number are ignored and a sign ("+3", "-60") is accepted;
// anything else that is not a whole decimal number ("1.5", "abc", "3 4") is
// refused, like a number outside the slider's range.
std::optional<int> storedSliderValue(const QString& stored, int min, int max) {
    const QString trimmed = stored.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    bool ok = false;
    const int value = trimmed.toInt(&ok, 10);
    if (!ok || value < min || value > max)
        return std::nullopt;
    return value;
}

// The name as stored selects its entry; a name that only differs by blanks
// around it (a hand-edited store) still finds its voice.
std::optional<int> storedVoiceIndex(const QString& stored, const QStringList& voices) {
    const QString trimmed = stored.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    qsizetype index = voices.indexOf(stored);
    if (index < 0)
        index = voices.indexOf(trimmed);
    if (index < 0)
        return std::nullopt;
    return int(index);
}

} // namespace lectern::speech
