#pragma once
// What the reading commands need from the window, as small interfaces so the
// commands can run without one.

#include "BrowserSelection.h"
#include "DialogueMarkup.h"
#include "ReadingSettings.h"

#include <QString>

#include <atomic>

namespace lectern::speech {

enum PageTab : int { BrowserTab = 0, DocumentTab = 1, DialogueTab = 2 };

class ReadingHost {
public:
    virtual ~ReadingHost() = default;

    virtual int currentTab() const = 0;
    virtual void showTab(int tab) = 0;

    // Document texts with every line break given as CR LF.
    virtual QString documentSelection() const = 0;
    virtual QString documentFromCaret() const = 0;
    // Throws when the page cannot be asked.
    virtual browser::BrowserSelection browserSelection() = 0;
    // The dialogue grid's markup; empty until the grid exists. Throws when a
    // pause cell is not a number.
    virtual dialogue::DialogueMarkup dialogueMarkup() { return {}; }
    // The same with a CR LF after every row's closing silence, for the
    // document page to show one row per line.
    virtual dialogue::DialogueMarkup dialogueMarkupByLine() { return {}; }
    // Moves the grid's floating cell editors out of sight; nothing to move
    // until the grid exists.
    virtual void ParkEditors() {}

    // The document's selection in offsets that count every line break as
    // two characters (CR LF), as the texts above do.
    virtual int documentSelectionStart() const = 0;
    virtual int documentSelectionLength() const = 0;
    // Selects in the same offsets; a range reaching outside the document is
    // clamped into it.
    virtual void setDocumentSelection(int start, int length) = 0;
    // Replaces the whole document; CR LF pairs become line breaks.
    virtual void setDocumentText(const QString& text) = 0;

    // The settings as they are now.
    virtual ReadingSettings readingSettings() const = 0;
    // The conversion boxes' state as a value the window keeps current, for
    // loops that read it per character while events run; null when the host
    // has none, and readingSettings() is asked instead.
    virtual const std::atomic<ScriptConversion>* conversionState() const { return nullptr; }

    // The pause button's tooltip holds the pause/resume state.
    virtual QString pauseTooltip() const = 0;
    virtual void setPauseTooltip(const QString& tooltip) = 0;

    virtual void setBusyCursor() = 0;
    virtual void setNormalCursor() = 0;
};

class ClipboardSource {
public:
    virtual ~ClipboardSource() = default;
    // Plain text with every line break given as CR LF; empty when none.
    virtual QString text() const = 0;
};

// The first of two sources that holds any text: another program's
// selection before the clipboard, so F9 there needs no copy keystroke.
class FirstTextOf : public ClipboardSource {
public:
    FirstTextOf(const ClipboardSource& first, const ClipboardSource& second)
        : m_first(first), m_second(second) {}
    QString text() const override {
        QString text = m_first.text();
        return text.isEmpty() ? m_second.text() : text;
    }

private:
    const ClipboardSource& m_first;
    const ClipboardSource& m_second;
};

} // namespace lectern::speech
