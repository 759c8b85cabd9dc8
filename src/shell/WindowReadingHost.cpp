#include "WindowReadingHost.h"

#include "BrowserPage.h"
#include "MainToolBar.h"
#include "SettingsPane.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QTabWidget>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace lectern::shell {

QString withCrLfBreaks(const QString& text) {
    // One pass: selections can be megabytes long.
    QString out;
    out.reserve(text.size() + text.size() / 16);
    const QChar* p = text.constData();
    const QChar* const end = p + text.size();
    for (; p != end; ++p) {
        const char16_t c = p->unicode();
        if (c == u'\r' && p + 1 != end && p[1] == u'\n')
            continue; // the LF that follows writes the pair
        if (c == u'\n' || c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            out.append(QLatin1String("\r\n"));
        else
            out.append(*p);
    }
    return out;
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

QString WindowReadingHost::formatName() const {
    return m_settings.Combo4->currentText();
}

int WindowReadingHost::audioOutputIndex() const {
    return m_settings.Combo3->currentIndex();
}

int16_t WindowReadingHost::speakFlags() const {
    return m_settings.speakFlags();
}

speech::VoiceProfile WindowReadingHost::abcProfile() const {
    return m_settings.abcProfile();
}

speech::VoiceProfile WindowReadingHost::otherProfile() const {
    return m_settings.otherProfile();
}

bool WindowReadingHost::ownMarkup() const {
    return m_settings.ownMarkup();
}

speech::ScriptConversion WindowReadingHost::conversion() const {
    return m_settings.conversion();
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
    return withCrLfBreaks(QApplication::clipboard()->text(QClipboard::Clipboard));
}

} // namespace lectern::shell
