#pragma once
// Stand-ins for the window and the clipboard, so the reading commands and
// start-up run without one.

#include "ReadingHost.h"
#include "RecordingPrompter.h"
#include "StartUp.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>
#include <initializer_list>
#include <stdexcept>

// Box states with only the given boxes (1-based, as Check1..Check11) ticked.
inline lectern::speech::SpeakFlagStates flagBoxes(std::initializer_list<int> ticked) {
    lectern::speech::SpeakFlagStates states{};
    for (int box : ticked)
        states[box - 1] = true;
    return states;
}

class FakeClipboard : public lectern::speech::ClipboardSource {
public:
    QString content;
    QString text() const override { return content; }
};

class FakeHost : public lectern::speech::ReadingHost {
public:
    int tab = lectern::speech::DocumentTab;
    QString selection;
    QString fromCaret;
    lectern::browser::BrowserSelection browser;
    bool browserFails = false;
    QString dialogue;
    bool dialogueStoppedEarly = false;
    // Runs while the page is asked, as window events do.
    std::function<void()> whileAskingPage;
    lectern::speech::ReadingSettings settings = defaultSettings();
    QString tooltip = QStringLiteral("Pause Reading");
    bool busy = false;
    int normalCursorCalls = 0;
    // The document: its text once a command wrote it, and its selection.
    QString document;
    bool documentWritten = false;
    int selectionStart = 0;
    int selectionLength = 0;
    QList<QPair<int, int>> selections; // every selection a command made
    // The window-side steps in the order they were taken.
    QStringList steps;
    std::function<void(const QString&)> onStep;

    static lectern::speech::ReadingSettings defaultSettings() {
        lectern::speech::ReadingSettings s;
        s.abc = {QStringLiteral("English (America)"), 0, 100, 0};
        s.other = {QStringLiteral("Chinese (Mandarin)"), 0, 100, 0};
        s.flags = flagBoxes({2, 3, 5}); // 11
        s.formatName = QStringLiteral("SAFT22kHz16BitMono");
        return s;
    }

    int currentTab() const override { return tab; }
    void showTab(int t) override { tab = t; }
    QString documentSelection() const override { return selection; }
    QString documentFromCaret() const override { return fromCaret; }
    lectern::browser::BrowserSelection browserSelection() override {
        if (whileAskingPage)
            std::exchange(whileAskingPage, nullptr)();
        if (browserFails)
            throw std::runtime_error("The web page did not report its selection in time.");
        return browser;
    }
    lectern::dialogue::DialogueMarkup dialogueMarkup() override {
        return {dialogue, dialogueStoppedEarly};
    }
    lectern::dialogue::DialogueMarkup dialogueMarkupByLine() override {
        return {dialogue, dialogueStoppedEarly};
    }
    void ParkEditors() override { step(QStringLiteral("park")); }
    int documentSelectionStart() const override { return selectionStart; }
    int documentSelectionLength() const override { return selectionLength; }
    void setDocumentSelection(int start, int length) override {
        selectionStart = start;
        selectionLength = length;
        selections.append({start, length});
    }
    void setDocumentText(const QString& text) override {
        document = text;
        documentWritten = true;
    }
    lectern::speech::ReadingSettings readingSettings() const override { return settings; }
    QString pauseTooltip() const override { return tooltip; }
    void setPauseTooltip(const QString& t) override {
        tooltip = t;
        step(QStringLiteral("tooltip ") + t);
    }
    void setBusyCursor() override {
        busy = true;
        step(QStringLiteral("busy"));
    }
    void setNormalCursor() override {
        busy = false;
        ++normalCursorCalls;
        step(QStringLiteral("normal"));
    }

private:
    void step(const QString& name) {
        steps << name;
        if (onStep)
            onStep(name);
    }
};

// Start-up's window as plain lists and one settings value; the hooks of the
// other panes record the order they ran in.
class FakeStartUpHost : public lectern::speech::StartUpHost {
public:
    int tab = lectern::speech::DocumentTab;
    bool settingsHidden = true;
    QStringList abcVoices, otherVoices, outputs, formats;
    lectern::speech::ReadingSettings settings;
    QStringList hooks;

    void showTab(int t) override { tab = t; }
    void setNormalCursor() override { hooks << QStringLiteral("normalCursor"); }
    void setSettingsHidden(bool hidden) override { settingsHidden = hidden; }
    void setVoiceNames(lectern::speech::VoiceList list, const QStringList& names) override {
        voices(list) = names;
        (list == lectern::speech::VoiceList::Abc ? settings.abc : settings.other).voiceName =
            names.value(0);
    }
    void setOutputNames(const QStringList& names) override {
        outputs = names;
        settings.outputIndex = names.isEmpty() ? -1 : 0;
    }
    void setFormatNames(const QStringList& names) override {
        formats = names;
        settings.formatName = names.value(0);
    }
    QStringList voiceNames(lectern::speech::VoiceList list) const override {
        return list == lectern::speech::VoiceList::Abc ? abcVoices : otherVoices;
    }
    void selectVoice(lectern::speech::VoiceList list, int index) override {
        (list == lectern::speech::VoiceList::Abc ? settings.abc : settings.other).voiceName =
            voices(list).value(index);
    }
    lectern::speech::ReadingSettings readingSettings() const override { return settings; }
    void applyReadingSettings(const lectern::speech::ReadingSettings& s) override { settings = s; }

    void fillFontList() override { hooks << QStringLiteral("fonts"); }
    void pointFileBrowser() override { hooks << QStringLiteral("fileBrowser"); }
    void startMixer() override { hooks << QStringLiteral("mixer"); }
    void goHome() override { hooks << QStringLiteral("home"); }
    void installKeyWatcher() override { hooks << QStringLiteral("installKeyWatcher"); }
    void removeKeyWatcher() override { hooks << QStringLiteral("removeKeyWatcher"); }
    void buildDialogueGrid() override { hooks << QStringLiteral("dialogueGrid"); }

private:
    QStringList& voices(lectern::speech::VoiceList list) {
        return list == lectern::speech::VoiceList::Abc ? abcVoices : otherVoices;
    }
};
