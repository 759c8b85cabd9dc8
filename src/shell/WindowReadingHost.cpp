#include "WindowReadingHost.h"

#include "BrowserPage.h"
#include "MainToolBar.h"
#include "SettingsPane.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QTabWidget>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>

namespace lectern::shell {

QString withCrLfBreaks(const QString& text) {
    // Selections can be megabytes long: size the result exactly, then fill
    // it through a pointer.
    const char16_t* const begin = QStringView(text).utf16();
    const char16_t* const end = begin + text.size();
    auto isBreak = [](char16_t c) {
        return c == u'\n' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
    };
    qsizetype grown = 0;
    for (const char16_t* p = begin; p != end; ++p)
        if (isBreak(*p) && !(*p == u'\n' && p != begin && p[-1] == u'\r'))
            ++grown;
    if (grown == 0)
        return text;

    QString out(text.size() + grown, Qt::Uninitialized);
    char16_t* d = reinterpret_cast<char16_t*>(out.data());
    for (const char16_t* p = begin; p != end; ++p) {
        const char16_t c = *p;
        if (c == u'\r' && p + 1 != end && p[1] == u'\n')
            continue; // the LF that follows writes the pair
        if (isBreak(c)) {
            *d++ = u'\r';
            *d++ = u'\n';
        } else {
            *d++ = c;
        }
    }
    return out;
}

namespace {

bool isBreakUnit(char16_t c) {
    return c == u'\n' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator;
}

// How many units the character at `i` takes in the CR LF form.
int crLfWidth(QStringView plain, qsizetype i) {
    const char16_t c = plain[i].unicode();
    if (c == u'\r' && i + 1 < plain.size() && plain[i + 1] == u'\n')
        return 0; // the LF after it stands for the pair
    return isBreakUnit(c) ? 2 : 1;
}

} // namespace

qsizetype crLfOffsetOf(QStringView plain, qsizetype position) {
    position = std::clamp<qsizetype>(position, 0, plain.size());
    qsizetype offset = 0;
    for (qsizetype i = 0; i < position; ++i)
        offset += crLfWidth(plain, i);
    return offset;
}

qsizetype positionOfCrLfOffset(QStringView plain, qsizetype offset) {
    qsizetype reached = 0;
    for (qsizetype i = 0; i < plain.size(); ++i) {
        const int width = crLfWidth(plain, i);
        if (reached + width > offset)
            return i;
        reached += width;
    }
    return plain.size();
}

WindowReadingHost::WindowReadingHost(QTabWidget& pages, QTextEdit& document,
                                     browser::BrowserPage& browser, SettingsPane& settings,
                                     MainToolBar& toolbar)
    : m_pages(pages), m_document(document), m_browser(browser), m_settings(settings),
      m_toolbar(toolbar) {}

int WindowReadingHost::currentTab() const {
    return m_pages.currentIndex();
}

void WindowReadingHost::showTab(int tab) {
    m_pages.setCurrentIndex(tab);
}

QString WindowReadingHost::documentSelection() const {
    return withCrLfBreaks(m_document.textCursor().selectedText());
}

QString WindowReadingHost::documentFromCaret() const {
    const QString text = m_document.document()->toPlainText();
    return withCrLfBreaks(text.mid(m_document.textCursor().selectionStart()));
}

browser::BrowserSelection WindowReadingHost::browserSelection() {
    browser::BrowserSelection selection = m_browser.readSelection();
    selection.page = withCrLfBreaks(selection.page);
    if (selection.frame)
        selection.frame = withCrLfBreaks(*selection.frame);
    return selection;
}

speech::ReadingSettings WindowReadingHost::readingSettings() const {
    return m_settings.readingSettings();
}

dialogue::DialogueMarkup WindowReadingHost::dialogueMarkup() {
    return m_dialogue ? dialogue::BuildDialogueMarkup(*m_dialogue) : dialogue::DialogueMarkup{};
}

dialogue::DialogueMarkup WindowReadingHost::dialogueMarkupByLine() {
    return m_dialogue ? dialogue::BuildDialogueMarkup(*m_dialogue, u"\r\n")
                      : dialogue::DialogueMarkup{};
}

void WindowReadingHost::ParkEditors() {
    if (m_parkEditors)
        m_parkEditors();
}

int WindowReadingHost::documentSelectionStart() const {
    return int(crLfOffsetOf(m_document.document()->toPlainText(),
                            m_document.textCursor().selectionStart()));
}

int WindowReadingHost::documentSelectionLength() const {
    const QString plain = m_document.document()->toPlainText();
    const QTextCursor cursor = m_document.textCursor();
    return int(crLfOffsetOf(plain, cursor.selectionEnd()) -
               crLfOffsetOf(plain, cursor.selectionStart()));
}

void WindowReadingHost::setDocumentSelection(int start, int length) {
    const QString plain = m_document.document()->toPlainText();
    const qsizetype total = crLfOffsetOf(plain, plain.size());
    const qsizetype from = std::clamp<qsizetype>(start, 0, total);
    const qsizetype to = std::clamp<qsizetype>(qsizetype(from) + std::max(length, 0), from, total);
    QTextCursor cursor(m_document.document());
    cursor.setPosition(int(positionOfCrLfOffset(plain, from)));
    cursor.setPosition(int(positionOfCrLfOffset(plain, to)), QTextCursor::KeepAnchor);
    m_document.setTextCursor(cursor);
}

void WindowReadingHost::setDocumentText(const QString& text) {
    m_document.setPlainText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

const std::atomic<speech::ScriptConversion>* WindowReadingHost::conversionState() const {
    return &m_settings.conversionState();
}

QString WindowReadingHost::pauseTooltip() const {
    return m_toolbar.action(MainToolBar::PauseButton)->toolTip();
}

void WindowReadingHost::setPauseTooltip(const QString& tooltip) {
    m_toolbar.action(MainToolBar::PauseButton)->setToolTip(tooltip);
}

void WindowReadingHost::setBusyCursor() {
    if (!QApplication::overrideCursor())
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

void WindowReadingHost::setNormalCursor() {
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

QString SystemClipboard::text() const {
    QClipboard* clipboard = QApplication::clipboard();
    if (m_selection && !clipboard->supportsSelection())
        return {};
    return withCrLfBreaks(
        clipboard->text(m_selection ? QClipboard::Selection : QClipboard::Clipboard));
}

} // namespace lectern::shell
