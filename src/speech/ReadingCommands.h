#pragma once
// The reading commands of the main window: read the selection, read from the
// caret, pause/resume and the steps they share. They own the speech object.

#include "BrowserSelection.h"
#include "EventPump.h"
#include "Prompter.h"
#include "ReadingHost.h"
#include "ReadingState.h"
#include "SpeechBackend.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace lectern::speech {

inline QString pauseReadingTip() {
    return QStringLiteral("Pause Reading");
}
inline QString resumeReadingTip() {
    return QStringLiteral("Resume Reading");
}
inline QString audioDeviceErrorMessage() {
    return QStringLiteral("音訊裝置錯誤!");
}
// The clipboard reading's own wording: two lines, full-width marks.
inline QString clipboardDeviceErrorMessage() {
    return QStringLiteral("音訊裝置錯誤！\r\n若持續產生錯誤無法朗讀，請重啟程式再試！");
}
inline QString noTextSelectedMessage() {
    return QStringLiteral("您並未選取任何文字 !");
}
inline QString transferClipboardQuestion() {
    return QStringLiteral("您並未選取文字 , 要轉出剪貼簿的文字嗎 ?");
}

// The toolbar button whose menu holds the reading commands, and that
// menu's items by their 1-based place.
constexpr int ReadMenuButton = 2;
enum ReadMenuItem : int {
    ReadClipboardItem = 1,
    ReadSelectionItem,
    ReadHundredTimesItem,
    FollowReadingItem,
    ReadFromCaretItem,
    TransferMarkupItem,
    TransferTextItem,
};

// The text a browser selection gives: the page's own selection when it is
// not empty once normalised, else the first frame's (its emptiness was judged
// before trimming), else nothing.
QString chooseBrowserText(const browser::BrowserSelection& selection);
// The same choice with the text only trimmed of spaces: line breaks and
// capitals stay.
QString chooseBrowserTextAsIs(const browser::BrowserSelection& selection);

// The numeric type of a format name; unknown names give the fallback.
int16_t outFormatType(const QString& name);

struct ClipboardReading {
    QString text;          // CR LF pairs replaced by two spaces
    bool declined = false; // the user answered No
};

class ReadingCommands : public QObject {
    Q_OBJECT
public:
    ReadingCommands(ReadingHost& host, ClipboardSource& clipboard, Prompter& prompter,
                    SpeechBackend& engine, QObject* parent = nullptr);
    ~ReadingCommands() override;

    ReadingState& state() { return m_state; }
    SpeechVoice* voice() const { return m_voice.get(); }
    void setPrompter(Prompter& prompter) { m_prompter = &prompter; }

    // Replaces the speech object by a fresh one on the default output.
    SpeechVoice& replaceVoice();

    void Speak();
    void SpeakCursor();
    void Speakstopresume();
    // The selection read 100 times over in one speak call.
    void SpeakCycle();
    // Follow reading: the document a word or a character at a time, each
    // highlighted while it is heard.
    void SpeakRichText();
    // The markup a selection reading would speak, or the plain selection,
    // written into the document page instead of spoken.
    void SpeakTransXML();
    void SpeakTransTXT();
    // The reading menu: silences the current speech, resets the pause
    // button and runs item `itemIndex`; each step is attempted on its own.
    void ReadMenuClick(int buttonIndex, int itemIndex);
    // Reads the clipboard's text, or that of another source with the same
    // shape, without asking; an empty text reads nothing.
    void SpeakClipboard();
    void SpeakClipboard(const ClipboardSource& source);
    // Silences the current speech and resets the pause button; every step
    // is attempted even when an earlier one fails.
    void StopAndReset();

    bool FormatType(const QString& name);
    // A fresh voice on the output the settings choose.
    void PrepareVoice();
    QString ReadBrowserSelection();
    // Asks `question` (the reading's wording unless given) before taking the
    // clipboard's text.
    ClipboardReading ReadClipboardText(const QString& question = {});

    // Shared with the export: the selected text of the page showing (empty
    // on the dialogue page), and the clipboard fallback with its question;
    // nullopt once the user has been told there is no text or declined.
    QString selectedPageText();
    std::optional<QString> clipboardFallback(const QString& question);
    // The two profiles' heads and tails and the conversion boxes, for
    // BuildVoiceMarkup.
    speech::MarkupContext markupContext(speech::HeadVariant variant = speech::HeadVariant::Plain);

signals:
    // Right before the engine is handed the text.
    void aboutToSpeak(const QString& markup, int flags);

public slots:
    // Moves the document's highlight onto the word being heard, while
    // follow reading keeps the positions it needs.
    void Voice_Word(int StreamNumber, qint64 StreamPosition, int CharacterPosition, int Length);

private slots:
    // Speech that fails after the command returned (the sound server went
    // away mid-reading) would otherwise end in silence with no word why.
    void onSpeechFailed(const QString& description);

private:
    SpeechVoice& currentVoice();
    // The place in SpeechBackend::voices() of the voice with this
    // description or id; throws when none has it.
    int voiceIndex(const QString& name);
    MarkupContext markupContext(const ReadingSettings& settings,
                                HeadVariant variant = HeadVariant::Plain);
    // The frame every reading shares: format check, flags, a fresh voice,
    // then the text `gather` turns into markup (nullopt: stop quietly), and
    // the normal cursor on every path.
    //
    // Window events run while the text is gathered (markup building, the
    // page query, message boxes), so a click can start another reading
    // inside this one. The reading that began last wins: an earlier one that
    // regains control afterwards returns without speaking.
    void read(const std::function<std::optional<QString>(const MarkupContext&)>& gather,
              const QString& deviceError = audioDeviceErrorMessage(),
              HeadVariant variant = HeadVariant::Plain);
    QString buildMarkup(const QString& text, const MarkupContext& context);
    // The dialogue grid's markup, telling the user of a row without a voice;
    // with `byLine` one row per line.
    QString dialogueMarkup(bool byLine = false);
    void speakMarkup(const QString& markup, int flags);
    // Applies the chosen format; on refusal shows `deviceError`.
    bool applyFormatOrWarn(const QString& formatName, const QString& deviceError);
    void PrepareVoice(int outputIndex);
    SpeechVoice& adopt(std::unique_ptr<SpeechVoice> fresh);
    void showFailure(const QString& description);

    ReadingHost& m_host;
    ClipboardSource& m_clipboard;
    Prompter* m_prompter;
    SpeechBackend& m_engine;
    ReadingState m_state;
    std::unique_ptr<SpeechVoice> m_voice;
    EventPump m_pump;
    quint64 m_latestReading = 0;
};

} // namespace lectern::speech
