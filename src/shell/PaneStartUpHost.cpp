#include "PaneStartUpHost.h"

#include "FormatList.h"
#include "KeyWatcher.h"
#include "SettingsPane.h"

#include <QComboBox>

namespace lectern::shell {

namespace {

void replaceEntries(QComboBox& list, const QStringList& names) {
    list.clear();
    list.addItems(names);
    if (list.count() > 0)
        list.setCurrentIndex(0);
}

} // namespace

void AddFormat(QComboBox& list) {
    list.clear();
    list.addItems(audio::formatNames());
}

PaneStartUpHost::PaneStartUpHost(SettingsPane& pane, speech::ReadingHost& window,
                                 bool& settingsHidden)
    : m_pane(pane), m_window(window), m_settingsHidden(settingsHidden) {}

void PaneStartUpHost::showTab(int tab) {
    m_window.showTab(tab);
}

void PaneStartUpHost::setNormalCursor() {
    m_window.setNormalCursor();
}

void PaneStartUpHost::setSettingsHidden(bool hidden) {
    m_settingsHidden = hidden;
}

QComboBox& PaneStartUpHost::voiceList(speech::VoiceList list) const {
    return list == speech::VoiceList::Abc ? *m_pane.Combo1 : *m_pane.Combo2;
}

void PaneStartUpHost::setVoiceNames(speech::VoiceList list, const QStringList& names) {
    replaceEntries(voiceList(list), names);
}

void PaneStartUpHost::setOutputNames(const QStringList& names) {
    replaceEntries(*m_pane.Combo3, names);
}

void PaneStartUpHost::setFormatNames(const QStringList& names) {
    m_pane.Combo4->clear();
    m_pane.Combo4->addItems(names);
}

QStringList PaneStartUpHost::voiceNames(speech::VoiceList list) const {
    const QComboBox& combo = voiceList(list);
    QStringList names;
    for (int i = 0; i < combo.count(); ++i)
        names << combo.itemText(i);
    return names;
}

void PaneStartUpHost::selectVoice(speech::VoiceList list, int index) {
    voiceList(list).setCurrentIndex(index);
}

speech::ReadingSettings PaneStartUpHost::readingSettings() const {
    return m_pane.readingSettings();
}

void PaneStartUpHost::applyReadingSettings(const speech::ReadingSettings& settings) {
    m_pane.applyReadingSettings(settings);
}

void PaneStartUpHost::installKeyWatcher() {
    if (m_keys)
        m_keys->start();
}

void PaneStartUpHost::removeKeyWatcher() {
    if (m_keys)
        m_keys->stop();
}

} // namespace lectern::shell
