#pragma once
// The settings strip under the page tabs: the two voices with their sliders
// and the mixer on one tab, the output, format and flag boxes on the other.

#include "ReadingSettings.h"

#include <QTabWidget>

#include <array>
#include <atomic>
#include <cstdint>

class QCheckBox;
class QGridLayout;
class QComboBox;
class QLabel;
class QPushButton;
class QSlider;

namespace lectern::shell {

class SettingsPane : public QTabWidget {
    Q_OBJECT
public:
    explicit SettingsPane(QWidget* parent = nullptr);

    QComboBox *Combo1 = nullptr, *Combo2 = nullptr, *Combo3 = nullptr, *Combo4 = nullptr;
    QSlider *Slider1 = nullptr, *Slider2 = nullptr, *Slider3 = nullptr, *Slider4 = nullptr,
            *Slider6 = nullptr, *Slider7 = nullptr;
    // Mixer volume and mute.
    QSlider* Slider5 = nullptr;
    QPushButton* Command5 = nullptr;
    std::array<QCheckBox*, 15> Check{}; // Check[1]..Check[14]; Check[0] stays null

    speech::VoiceProfile abcProfile() const;
    speech::VoiceProfile otherProfile() const;
    speech::SpeakFlagStates flagStates() const;
    int16_t speakFlags() const;
    speech::ScriptConversion conversion() const;
    // conversion() kept up to date on every change of Check13/Check14, for
    // loops that read it per character.
    const std::atomic<speech::ScriptConversion>& conversionState() const {
        return m_conversionState;
    }
    bool ownMarkup() const;

    // The controls as one value, and back: only the controls whose value
    // differs are set, so their change handlers (the interlocks) run as for
    // a click. A voice or format name the list lacks, or an output index
    // outside it, leaves that list as it is.
    speech::ReadingSettings readingSettings() const;
    void applyReadingSettings(const speech::ReadingSettings& settings);

private:
    QSlider* addSlider(QGridLayout* grid, int row, int column, const QString& group,
                       const QString& caption, int min, int max, int value);
    void boxChanged(int index);

    bool m_applyingInterlock = false;
    std::atomic<speech::ScriptConversion> m_conversionState{speech::ScriptConversion::None};
};

} // namespace lectern::shell
