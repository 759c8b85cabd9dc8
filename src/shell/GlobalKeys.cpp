#include "GlobalKeys.h"

#include "ReadingCommands.h"

namespace lectern::shell {

GlobalKeys::GlobalKeys(keys::KeyWatcher& watcher, speech::ReadingCommands& commands,
                       const speech::ClipboardSource& otherProgramText, std::function<void()> pauseButton,
                       QObject* parent)
    : QObject(parent), m_watcher(watcher), m_commands(commands),
      m_otherProgramText(otherProgramText), m_pauseButton(std::move(pauseButton)) {
    connect(&watcher, &keys::KeyWatcher::f9Pressed, this, &GlobalKeys::onF9);
    connect(&watcher, &keys::KeyWatcher::pausePressed, this, &GlobalKeys::onPause);
}

void GlobalKeys::onF9() {
    if (m_watcher.ownWindowInFront())
        m_commands.Speak();
    else
        m_commands.SpeakClipboard(m_otherProgramText);
}

void GlobalKeys::onPause() {
    if (m_pauseButton)
        m_pauseButton();
}

} // namespace lectern::shell
