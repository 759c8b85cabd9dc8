#pragma once
// What F9 and Pause do when pressed anywhere on the desktop.

#include "KeyWatcher.h"
#include "ReadingHost.h"

#include <QObject>

#include <functional>

namespace lectern::speech {
class ReadingCommands;
}

namespace lectern::shell {

class GlobalKeys : public QObject {
    Q_OBJECT
public:
    // `otherProgramText` is what F9 reads when another program is in front;
    // `pauseButton` does what the toolbar's pause button does.
    GlobalKeys(keys::KeyWatcher& watcher, speech::ReadingCommands& commands,
               const speech::ClipboardSource& otherProgramText, std::function<void()> pauseButton,
               QObject* parent = nullptr);

    void onF9();
    void onPause();

private:
    keys::KeyWatcher& m_watcher;
    speech::ReadingCommands& m_commands;
    const speech::ClipboardSource& m_otherProgramText;
    std::function<void()> m_pauseButton;
};

} // namespace lectern::shell
