#pragma once
// The eight stored voice settings and the rules that decide whether a stored
// value is applied to its control.

#include "ReadingSettings.h"

#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <optional>

namespace lectern::speech {

// The keys of one voice profile in the store.
struct ProfileKeys {
    const char* voice;
    const char* rate;
    const char* volume;
    const char* pitch;
};
constexpr ProfileKeys AbcProfileKeys{"voice1", "rate1", "volume1", "pitch1"};
constexpr ProfileKeys OtherProfileKeys{"voice2", "rate2", "volume2", "pitch2"};

// "voice1", "rate1", "volume1", "pitch1", "voice2", "rate2", "volume2", "pitch2"
extern const std::array<const char*, 8> StoredSettingKeys;

// The store every setting lives in: organisation and application "Lectern",
// group "ini".
class SettingsStore {
public:
    SettingsStore();
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // Applies each stored value of the profile that passes its refusal
    // rule; `voices` are the names the voice list offers.
    void restoreProfile(const ProfileKeys& keys, const QStringList& voices,
                        VoiceProfile& profile) const;
    void saveProfile(const ProfileKeys& keys, const VoiceProfile& profile);
    // Writes everything out; throws std::runtime_error when that failed.
    void commit();
    // False when the file exists but could not be read (no permission, a
    // folder in its place, broken syntax).
    bool readable() const;
    QString fileName() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// The value to apply to a slider of range [min, max], or nullopt when the
// stored text is blank, not a number or outside the range.
std::optional<int> storedSliderValue(const QString& stored, int min, int max);
// The list index to select for a stored voice name, or nullopt when the name
// is blank or not in the list.
std::optional<int> storedVoiceIndex(const QString& stored, const QStringList& voices);

} // namespace lectern::speech
