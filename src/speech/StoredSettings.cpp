#include "StoredSettings.h"

#include <QSettings>

#include <stdexcept>

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

struct SettingsStore::Impl {
    QSettings store{QStringLiteral("Lectern"), QStringLiteral("Lectern")};
};

SettingsStore::SettingsStore() : d(std::make_unique<Impl>()) {
    d->store.beginGroup(QStringLiteral("ini"));
}

SettingsStore::~SettingsStore() = default;

void SettingsStore::restoreProfile(const ProfileKeys& keys, const QStringList& voices,
                                   VoiceProfile& profile) const {
    const QString voice = d->store.value(QLatin1String(keys.voice), profile.voiceName).toString();
    if (const auto index = storedVoiceIndex(voice, voices))
        profile.voiceName = voices[*index];
    auto restore = [&](const char* key, SliderRange range, int& value) {
        const QString stored =
            d->store.value(QLatin1String(key), QString::number(value)).toString();
        if (const auto accepted = storedSliderValue(stored, range.min, range.max))
            value = *accepted;
    };
    restore(keys.rate, SpeedRange, profile.speed);
    restore(keys.volume, VolumeRange, profile.volume);
    restore(keys.pitch, PitchRange, profile.pitch);
}

void SettingsStore::saveProfile(const ProfileKeys& keys, const VoiceProfile& profile) {
    d->store.setValue(QLatin1String(keys.voice), profile.voiceName);
    d->store.setValue(QLatin1String(keys.rate), QString::number(profile.speed));
    d->store.setValue(QLatin1String(keys.volume), QString::number(profile.volume));
    d->store.setValue(QLatin1String(keys.pitch), QString::number(profile.pitch));
}

void SettingsStore::commit() {
    d->store.sync();
    if (d->store.status() != QSettings::NoError)
        throw std::runtime_error(QStringLiteral("The voice settings could not be saved to \"%1\".")
                                     .arg(fileName())
                                     .toStdString());
}

bool SettingsStore::readable() const {
    return d->store.status() == QSettings::NoError;
}

QString SettingsStore::fileName() const {
    return d->store.fileName();
}

} // namespace lectern::speech
