#pragma once
// The reading commands' and start-up's view of the real window and
// clipboard.

#include "ReadingHost.h"

#include <functional>

class QTabWidget;
class QTextEdit;

namespace lectern::browser {
class BrowserPage;
}

namespace lectern::shell {

class MainToolBar;
class SettingsPane;

// Line breaks as the reading rules expect them: every paragraph or line
// separator becomes CR LF, and a CR LF already there stays one.
QString withCrLfBreaks(const QString& text);

// Between a position in the document's plain text and the offset of the
// same place in its CR LF form (withCrLfBreaks): every line break counts
// twice there. An offset between the CR and the LF of one break maps to the
// break itself; offsets outside the text are clamped into it.
qsizetype crLfOffsetOf(QStringView plain, qsizetype position);
qsizetype positionOfCrLfOffset(QStringView plain, qsizetype offset);

class WindowReadingHost : public speech::ReadingHost {
public:
    WindowReadingHost(QTabWidget& pages, QTextEdit& document, browser::BrowserPage& browser,
                      SettingsPane& settings, MainToolBar& toolbar);

    int currentTab() const override;
    void showTab(int tab) override;
    QString documentSelection() const override;
    QString documentFromCaret() const override;
    browser::BrowserSelection browserSelection() override;
    speech::ReadingSettings readingSettings() const override;
    dialogue::DialogueMarkup dialogueMarkup() override;
    void setDialogueGrid(const dialogue::DialogueGrid* grid) { m_dialogue = grid; }
    dialogue::DialogueMarkup dialogueMarkupByLine() override;
    void ParkEditors() override;
    // The grid's editors, once it exists, are parked through this.
    void setParkEditors(std::function<void()> park) { m_parkEditors = std::move(park); }
    int documentSelectionStart() const override;
    int documentSelectionLength() const override;
    void setDocumentSelection(int start, int length) override;
    void setDocumentText(const QString& text) override;
    const std::atomic<speech::ScriptConversion>* conversionState() const override;
    QString pauseTooltip() const override;
    void setPauseTooltip(const QString& tooltip) override;
    void setBusyCursor() override;
    void setNormalCursor() override;

private:
    QTabWidget& m_pages;
    QTextEdit& m_document;
    browser::BrowserPage& m_browser;
    SettingsPane& m_settings;
    MainToolBar& m_toolbar;
    std::function<void()> m_parkEditors;
    const dialogue::DialogueGrid* m_dialogue = nullptr;
};

// The clipboard, or with `selection` the X11 PRIMARY selection: the text
// selected last in any program.
class SystemClipboard : public speech::ClipboardSource {
public:
    explicit SystemClipboard(bool selection = false) : m_selection(selection) {}
    QString text() const override;

private:
    bool m_selection;
};

} // namespace lectern::shell
