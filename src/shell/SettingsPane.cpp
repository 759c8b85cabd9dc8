#include "SettingsPane.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QWidget>

namespace lectern::shell {

namespace {

QComboBox* makeCombo(QWidget* parent, const char* name, const QString& tooltip) {
    auto* combo = new QComboBox(parent);
    combo->setObjectName(QString::fromLatin1(name));
    combo->setEditable(false);
    combo->setToolTip(tooltip);
    combo->setAccessibleName(tooltip);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    // Long enough for eSpeak's longest descriptions, such as
    // "Chinese (Mandarin, latin as English)".
    combo->setMinimumContentsLength(26);
    return combo;
}

} // namespace

SettingsPane::SettingsPane(QWidget* parent) : QTabWidget(parent) {
    setObjectName(QStringLiteral("SSTab2"));

    // Voice tab: one row per profile, each slider labelled with its role and
    // current value so the two groups cannot be mistaken for each other.
    auto* voicePage = new QWidget(this);
    auto* voiceGrid = new QGridLayout(voicePage);
    voiceGrid->setContentsMargins(6, 4, 6, 4);
    voiceGrid->setVerticalSpacing(2);

    voiceGrid->addWidget(new QLabel(QStringLiteral("ABC Voice"), voicePage), 0, 0);
    Combo1 = makeCombo(voicePage, "Combo1", QStringLiteral("ABC Voice"));
    voiceGrid->addWidget(Combo1, 0, 1);
    Slider1 = addSlider(voiceGrid, 0, 2, QStringLiteral("ABC Voice"), QStringLiteral("Speed"), -10,
                        10, 0);
    Slider2 = addSlider(voiceGrid, 0, 5, QStringLiteral("ABC Voice"), QStringLiteral("Volume"), 0,
                        100, 100);
    Slider6 = addSlider(voiceGrid, 0, 8, QStringLiteral("ABC Voice"), QStringLiteral("Pitch"), -100,
                        100, 0);

    voiceGrid->addWidget(new QLabel(QStringLiteral("Other Voice"), voicePage), 1, 0);
    Combo2 = makeCombo(voicePage, "Combo2", QStringLiteral("Other Voice"));
    voiceGrid->addWidget(Combo2, 1, 1);
    Slider3 = addSlider(voiceGrid, 1, 2, QStringLiteral("Other Voice"), QStringLiteral("Speed"),
                        -10, 10, 0);
    Slider4 = addSlider(voiceGrid, 1, 5, QStringLiteral("Other Voice"), QStringLiteral("Volume"), 0,
                        100, 100);
    Slider7 = addSlider(voiceGrid, 1, 8, QStringLiteral("Other Voice"), QStringLiteral("Pitch"),
                        -100, 100, 0);

    Slider1->setObjectName(QStringLiteral("Slider1"));
    Slider2->setObjectName(QStringLiteral("Slider2"));
    Slider6->setObjectName(QStringLiteral("Slider6"));
    Slider3->setObjectName(QStringLiteral("Slider3"));
    Slider4->setObjectName(QStringLiteral("Slider4"));
    Slider7->setObjectName(QStringLiteral("Slider7"));

    voiceGrid->addWidget(new QLabel(QStringLiteral("Mixer Volume"), voicePage), 2, 0);
    auto* mixerRow = new QHBoxLayout;
    Slider5 = new QSlider(Qt::Horizontal, voicePage);
    Slider5->setObjectName(QStringLiteral("Slider5"));
    Slider5->setRange(0, 65535);
    Slider5->setSingleStep(1);
    Slider5->setPageStep(5000);
    Slider5->setToolTip(QStringLiteral("Mixer Volume"));
    Slider5->setAccessibleName(QStringLiteral("Mixer Volume"));
    Command5 = new QPushButton(voicePage);
    Command5->setObjectName(QStringLiteral("Command5"));
    Command5->setToolTip(QStringLiteral("Silence"));
    Command5->setAccessibleName(QStringLiteral("Silence"));
    Command5->setIcon(QIcon::fromTheme(QStringLiteral("audio-volume-muted"),
                                       style()->standardIcon(QStyle::SP_MediaVolumeMuted)));
    mixerRow->addWidget(Slider5, 1);
    mixerRow->addWidget(Command5);
    voiceGrid->addLayout(mixerRow, 2, 1);
    voiceGrid->setColumnStretch(3, 1);
    voiceGrid->setColumnStretch(6, 1);
    voiceGrid->setColumnStretch(9, 1);
    addTab(voicePage, QStringLiteral("語音"));

    // Format tab.
    auto* formatPage = new QWidget(this);
    auto* formatGrid = new QGridLayout(formatPage);
    formatGrid->setContentsMargins(6, 4, 6, 4);
    formatGrid->setVerticalSpacing(2);
    formatGrid->addWidget(new QLabel(QStringLiteral("Audio"), formatPage), 0, 0);
    Combo3 = makeCombo(formatPage, "Combo3", QStringLiteral("Audio"));
    formatGrid->addWidget(Combo3, 0, 1);
    formatGrid->addWidget(new QLabel(QStringLiteral("Output Format"), formatPage), 1, 0);
    Combo4 = makeCombo(formatPage, "Combo4", QStringLiteral("Output Format"));
    formatGrid->addWidget(Combo4, 1, 1);

    auto* flagGrid = new QGridLayout;
    flagGrid->setVerticalSpacing(0);
    const auto& boxes = speech::speakFlagBoxes();
    constexpr int flagColumns = 4;
    for (int i = 0; i < speech::SpeakFlagBoxCount; ++i) {
        auto* box = new QCheckBox(QString::fromLatin1(boxes[i].caption), formatPage);
        box->setObjectName(QStringLiteral("Check%1").arg(i + 1));
        box->setToolTip(QString::fromLatin1(boxes[i].tooltip));
        box->setChecked(boxes[i].tickedAtStart);
        Check[i + 1] = box;
        flagGrid->addWidget(box, i / flagColumns, i % flagColumns);
    }
    formatGrid->addLayout(flagGrid, 0, 2, 3, 1);

    Check[12] = new QCheckBox(QStringLiteral("朗讀自編XML內容 (停用內建XML設定)"), formatPage);
    Check[12]->setToolTip(QStringLiteral("XML Content"));
    Check[13] = new QCheckBox(QStringLiteral("繁中轉簡中"), formatPage);
    Check[14] = new QCheckBox(QStringLiteral("簡中轉繁中"), formatPage);
    auto* ownRow = new QHBoxLayout;
    for (int i = 12; i <= 14; ++i) {
        Check[i]->setObjectName(QStringLiteral("Check%1").arg(i));
        ownRow->addWidget(Check[i]);
    }
    ownRow->addStretch(1);
    formatGrid->addLayout(ownRow, 3, 0, 1, 3);
    formatGrid->setColumnStretch(2, 1);
    addTab(formatPage, QStringLiteral("格式"));

    // A box's handler runs on every change of its value, programmatic ones
    // included, as the interlocks must hold whoever ticks a box.
    for (int i = 1; i <= 14; ++i)
        connect(Check[i], &QCheckBox::toggled, this, [this, i] { boxChanged(i); });
    // After the interlock's handlers, so the stored state is the boxes' final one.
    for (int i : {13, 14})
        connect(Check[i], &QCheckBox::toggled, this,
                [this] { m_conversionState.store(conversion(), std::memory_order_relaxed); });
}

QSlider* SettingsPane::addSlider(QGridLayout* grid, int row, int column, const QString& group,
                                 const QString& caption, int min, int max, int value) {
    QWidget* page = grid->parentWidget();
    auto* label = new QLabel(caption, page);
    auto* slider = new QSlider(Qt::Horizontal, page);
    auto* shown = new QLabel(page);
    slider->setRange(min, max);
    slider->setSingleStep(1);
    slider->setValue(value);
    slider->setToolTip(caption);
    slider->setAccessibleName(group + QLatin1Char(' ') + caption);
    slider->setMinimumWidth(60);
    label->setBuddy(slider);
    shown->setNum(value);
    // Wide enough for "-100" so the row does not jump while dragging.
    shown->setMinimumWidth(shown->fontMetrics().horizontalAdvance(QStringLiteral("-100")));
    shown->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(slider, &QSlider::valueChanged, shown, qOverload<int>(&QLabel::setNum));
    grid->addWidget(label, row, column);
    grid->addWidget(slider, row, column + 1);
    grid->addWidget(shown, row, column + 2);
    return slider;
}

void SettingsPane::boxChanged(int index) {
    // Clearing a box runs that box's own handler, which only ever clears;
    // the guard keeps the nested calls from re-reading a half-applied state.
    if (m_applyingInterlock)
        return;
    m_applyingInterlock = true;
    if (index <= speech::SpeakFlagBoxCount) {
        const auto before = flagStates();
        const auto after = speech::applySpeakFlagInterlock(before, index - 1);
        for (int i = 0; i < speech::SpeakFlagBoxCount; ++i)
            if (after[i] != before[i])
                Check[i + 1]->setChecked(after[i]);
    } else if (index == 13 && Check[13]->isChecked()) {
        Check[14]->setChecked(false);
    } else if (index == 14 && Check[14]->isChecked()) {
        Check[13]->setChecked(false);
    }
    m_applyingInterlock = false;
}

speech::VoiceProfile SettingsPane::abcProfile() const {
    return {Combo1->currentText(), Slider1->value(), Slider2->value(), Slider6->value()};
}

speech::VoiceProfile SettingsPane::otherProfile() const {
    return {Combo2->currentText(), Slider3->value(), Slider4->value(), Slider7->value()};
}

speech::SpeakFlagStates SettingsPane::flagStates() const {
    speech::SpeakFlagStates states{};
    for (int i = 0; i < speech::SpeakFlagBoxCount; ++i)
        states[i] = Check[i + 1]->isChecked();
    return states;
}

int16_t SettingsPane::speakFlags() const {
    return speech::GetSpeakFlags(flagStates());
}

speech::ScriptConversion SettingsPane::conversion() const {
    if (Check[13]->isChecked())
        return speech::ScriptConversion::TradToSimp;
    if (Check[14]->isChecked())
        return speech::ScriptConversion::SimpToTrad;
    return speech::ScriptConversion::None;
}

bool SettingsPane::ownMarkup() const {
    return Check[12]->isChecked();
}

speech::ReadingSettings SettingsPane::readingSettings() const {
    speech::ReadingSettings settings;
    settings.abc = abcProfile();
    settings.other = otherProfile();
    settings.flags = flagStates();
    settings.outputIndex = Combo3->currentIndex();
    settings.formatName = Combo4->currentText();
    settings.ownMarkup = ownMarkup();
    settings.conversion = conversion();
    return settings;
}

namespace {

void selectText(QComboBox* list, const QString& text) {
    if (list->currentText() == text)
        return;
    const int index = list->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0)
        list->setCurrentIndex(index);
}

void setChecked(QCheckBox* box, bool checked) {
    if (box->isChecked() != checked)
        box->setChecked(checked);
}

} // namespace

void SettingsPane::applyReadingSettings(const speech::ReadingSettings& settings) {
    auto applyProfile = [](const speech::VoiceProfile& profile, QComboBox* voice, QSlider* speed,
                           QSlider* volume, QSlider* pitch) {
        selectText(voice, profile.voiceName);
        speed->setValue(profile.speed);
        volume->setValue(profile.volume);
        pitch->setValue(profile.pitch);
    };
    applyProfile(settings.abc, Combo1, Slider1, Slider2, Slider6);
    applyProfile(settings.other, Combo2, Slider3, Slider4, Slider7);
    for (int i = 0; i < speech::SpeakFlagBoxCount; ++i)
        setChecked(Check[i + 1], settings.flags[i]);
    if (settings.outputIndex >= 0 && settings.outputIndex < Combo3->count())
        Combo3->setCurrentIndex(settings.outputIndex);
    selectText(Combo4, settings.formatName);
    setChecked(Check[12], settings.ownMarkup);
    setChecked(Check[13], settings.conversion == speech::ScriptConversion::TradToSimp);
    setChecked(Check[14], settings.conversion == speech::ScriptConversion::SimpToTrad);
}

} // namespace lectern::shell
