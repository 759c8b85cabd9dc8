#pragma once
// The export: the text the reading commands gather, spoken by the two
// voices into a WAV file in the chosen format or into an MP3 file.

#include "EventPump.h"
#include "Prompter.h"
#include "ReadingHost.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

namespace lectern::engine {
class SpFileStream;
class SpVoice;
} // namespace lectern::engine
namespace lectern::speech {
class ReadingCommands;
}

namespace lectern::shell {

// The window pieces the export needs, apart so tests can answer them.
class ExportUi {
public:
    virtual ~ExportUi() = default;
    // The save dialog; an empty name when it was cancelled.
    virtual QString saveFileName(const QString& title, const QString& filter) = 0;
    // Opens the file in the program the desktop associates with it.
    virtual void openFile(const QString& path) = 0;
    // Progress in 0..1000 while the export runs.
    virtual void showProgress(int permille) = 0;
    virtual bool cancelRequested() = 0;
    virtual void hideProgress() = 0;
};

inline QString exportDialogTitle() {
    return QStringLiteral("請填入檔案名稱");
}
inline QString exportDialogFilter() {
    return QStringLiteral("WAV (*.WAV *.wav);;MP3 (*.MP3 *.mp3)");
}
inline QString exportClipboardQuestion() {
    return QStringLiteral("您並未選取文字 , 要轉出剪貼簿的文字嗎 ?");
}
inline QString overwriteQuestion() {
    return QStringLiteral("檔案已存在是否覆蓋 ?");
}
inline QString exportCancelledMessage() {
    return QStringLiteral("取消匯出");
}
inline QString exportRunningMessage() {
    return QStringLiteral("轉出仍在進行中 , 請等它完成後再轉出 !");
}
QString playQuestion(const QString& chosenName);

// The file kind follows the name alone.
bool isMp3Name(const QString& name);

class ExportCommand : public QObject {
    Q_OBJECT
public:
    ExportCommand(speech::ReadingHost& host, speech::ReadingCommands& commands, ExportUi& ui,
                  speech::Prompter& prompter, QObject* parent = nullptr);

    void setPrompter(speech::Prompter& prompter) { m_prompter = &prompter; }
    void setUi(ExportUi& ui) { m_ui = &ui; }
    bool isRunning() const { return m_running; }

    void Output();
    // Makes mp3Path from wavPath; shows its own failure and returns false.
    // A cancel goes on to the caller.
    bool EncodeMp3(const QString& mp3Path, const QString& wavPath, const QString& title = {});

    // Tells the user that an export is still running.
    void refuseWhileRunning();

signals:
    // Right before the engine is handed the markup.
    void aboutToSpeak(const QString& markup);

private:
    // Steps 1 to 4; nullopt when the export ends quietly or after a message.
    struct Gathered {
        QString dialogueMarkup;
        QString text;
    };
    std::optional<Gathered> gather();
    void render(const Gathered& gathered);
    void speakInto(engine::SpVoice& voice, const QString& markup, const QString& path,
                   int formatType, int progressEnd);
    void speakInto(engine::SpVoice& voice, const QString& markup, int formatType,
                   const std::function<void(engine::SpFileStream&)>& open, int progressEnd);
    // The MP3 encoded as it is spoken; false after an encoding failure,
    // which it has shown.
    bool speakIntoMp3(engine::SpVoice& voice, const QString& markup, const QString& name,
                      int formatType);
    void showFailure(const QString& description);
    // Between units of work: progress, events, and the user's cancel.
    bool keepGoing(int permille);

    speech::ReadingHost& m_host;
    speech::ReadingCommands& m_commands;
    ExportUi* m_ui;
    speech::Prompter* m_prompter;
    speech::EventPump m_pump;
    bool m_running = false;
    bool m_cancel = false;
    int m_lastPermille = -1;
};

} // namespace lectern::shell
