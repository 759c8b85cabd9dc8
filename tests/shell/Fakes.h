#pragma once
// Stand-ins for the window, the clipboard and the message boxes, so the
// reading commands run against the real engine without a window.

#include "Prompter.h"
#include "ReadingHost.h"

#include <QList>
#include <QString>

#include <QPair>
#include <QStringList>

#include <functional>
#include <optional>
#include <stdexcept>

struct Prompt {
    QString title;
    QString text;
    lectern::speech::PromptIcon icon;
    lectern::speech::PromptButtons buttons;
};

class RecordingPrompter : public lectern::speech::Prompter {
public:
    lectern::speech::PromptAnswer answer = lectern::speech::PromptAnswer::Yes;
    QList<Prompt> prompts;

    lectern::speech::PromptAnswer prompt(const QString& title, const QString& text,
                                         lectern::speech::PromptIcon icon,
                                         lectern::speech::PromptButtons buttons) override {
        prompts.append({title, text, icon, buttons});
        return buttons == lectern::speech::PromptButtons::Ok ? lectern::speech::PromptAnswer::Ok
                                                             : answer;
    }
};

class FakeClipboard : public lectern::shell::ClipboardSource {
public:
    QString content;
    QString text() const override { return content; }
};

class FakeHost : public lectern::shell::ReadingHost {
public:
    int tab = lectern::shell::DocumentTab;
    QString selection;
    QString fromCaret;
    lectern::browser::BrowserSelection browser;
    bool browserFails = false;
    QString dialogue;
    bool dialogueStoppedEarly = false;
    QString format = QStringLiteral("SAFT22kHz16BitMono");
    int16_t flags = 11;
    lectern::speech::VoiceProfile abc{QStringLiteral("English (America)"), 0, 100, 0};
    lectern::speech::VoiceProfile other{QStringLiteral("Chinese (Mandarin)"), 0, 100, 0};
    bool own = false;
    lectern::speech::ScriptConversion conv = lectern::speech::ScriptConversion::None;
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

    int currentTab() const override { return tab; }
    void showTab(int t) override { tab = t; }
    QString documentSelection() const override { return selection; }
    QString documentFromCaret() const override { return fromCaret; }
    lectern::browser::BrowserSelection browserSelection() override {
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
    QString formatName() const override { return format; }
    int audioOutputIndex() const override { return 0; }
    int16_t speakFlags() const override { return flags; }
    lectern::speech::VoiceProfile abcProfile() const override { return abc; }
    lectern::speech::VoiceProfile otherProfile() const override { return other; }
    bool ownMarkup() const override { return own; }
    lectern::speech::ScriptConversion conversion() const override { return conv; }
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
