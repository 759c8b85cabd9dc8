#pragma once
// The eight stored voice settings and the rules that decide whether a stored
// value is applied to its control.

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace lectern::speech {

// "voice1", "rate1", "volume1", "pitch1", "voice2", "rate2", "volume2", "pitch2"
extern const std::array<const char*, 8> StoredSettingKeys;

// The value to apply to a slider of range [min, max], or nullopt when the
// stored text is blank, not a number or outside the range.
std::optional<int> storedSliderValue(const QString& stored, int min, int max);
// The list index to select for a stored voice name, or nullopt when the name
// is blank or not in the list.
std::optional<int> storedVoiceIndex(const QString& stored, const QStringList& voices);

} // namespace lectern::speech
