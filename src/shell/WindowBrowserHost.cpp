#include "WindowBrowserHost.h"

#include "ReadingCommands.h"
#include "ReadingHost.h"

namespace lectern::shell {

int WindowBrowserHost::currentTab() const {
    return m_host.currentTab();
}

browser::BrowserSelection WindowBrowserHost::browserSelection() {
    return m_host.browserSelection();
}

QString WindowBrowserHost::documentSelection() const {
    return m_host.documentSelection();
}

QString WindowBrowserHost::clipboardText() const {
    return m_clipboard.text();
}

void WindowBrowserHost::showBrowserTab() {
    m_host.showTab(speech::BrowserTab);
}

void WindowBrowserHost::stopAndReset() {
    m_commands.StopAndReset();
}

void WindowBrowserHost::setNormalCursor() {
    m_host.setNormalCursor();
}

} // namespace lectern::shell
