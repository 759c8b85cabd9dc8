#pragma once
// The browser pane's view of the window: pages, document, clipboard and the
// reading commands.

#include "BrowserPane.h"

namespace lectern::speech {
class ClipboardSource;
class ReadingCommands;
class ReadingHost;
} // namespace lectern::speech

namespace lectern::shell {

using speech::ClipboardSource;
using speech::ReadingCommands;
using speech::ReadingHost;

class WindowBrowserHost : public browser::BrowserPaneHost {
public:
    WindowBrowserHost(ReadingHost& host, ClipboardSource& clipboard, ReadingCommands& commands)
        : m_host(host), m_clipboard(clipboard), m_commands(commands) {}

    int currentTab() const override;
    browser::BrowserSelection browserSelection() override;
    QString documentSelection() const override;
    QString clipboardText() const override;
    void showBrowserTab() override;
    void stopAndReset() override;
    void setNormalCursor() override;

private:
    ReadingHost& m_host;
    ClipboardSource& m_clipboard;
    ReadingCommands& m_commands;
};

} // namespace lectern::shell
