#include "ReadingCommands.h"

#include "Failure.h"
#include "FormatList.h"
#include "Selection.h"
#include "SpeakFlags.h"
#include "VoiceMarkup.h"

namespace lectern::shell {

using speech::PromptAnswer;
using speech::PromptButtons;
using speech::PromptIcon;

QString chooseBrowserText(const browser::BrowserSelection& selection) {
    QString text = speech::NormaliseSelection(selection.page);
    if (!text.isEmpty())
        return text;
    if (selection.frame)
        return speech::NormaliseSelection(*selection.frame);
    return {};
}

int16_t outFormatType(const QString& name) {
    return static_cast<int16_t>(audio::formatValue(name));
}

ReadingCommands::ReadingCommands(ReadingHost& host, ClipboardSource& clipboard,
                                 speech::Prompter& prompter, QObject* parent)
    : QObject(parent), m_host(host), m_clipboard(clipboard), m_prompter(&prompter) {}

ReadingCommands::~ReadingCommands() = default;

engine::SpVoice& ReadingCommands::replaceVoice() {
    auto fresh = std::make_unique<engine::SpVoice>();
    connect(fresh.get(), &engine::SpVoice::Word, this, &ReadingCommands::onWord);
    connect(fresh.get(), &engine::SpVoice::failed, this, &ReadingCommands::onSpeechFailed);
    // The old voice goes only once the new one exists, so a failure leaves
    // the previous one in place.
    m_voice = std::move(fresh);
    return *m_voice;
}

engine::SpVoice& ReadingCommands::currentVoice() {
    if (!m_voice)
        throw engine::EngineError(QStringLiteral("The speech engine has not been started."));
    return *m_voice;
}

void ReadingCommands::onWord(int, qint64, int, int) {}

void ReadingCommands::onSpeechFailed(const QString& description) {
    // Only the voice in use speaks; a replaced one's late failure is moot.
    if (sender() == m_voice.get())
        showFailure(description);
}

bool ReadingCommands::FormatType(const QString& name) {
    try {
        currentVoice().AudioOutputStream()->Format().setType(audio::formatValue(name));
        return true;
    } catch (...) {
        m_prompter->prompt(speech::messageTitle(), audio::formatRefusedMessage(),
                           PromptIcon::Exclamation, PromptButtons::Ok);
        return false;
    }
}

bool ReadingCommands::applyFormatOrWarn(const QString& deviceError) {
    if (FormatType(m_host.formatName()))
        return true;
    m_state.ReadingInterrupted = false;
    m_prompter->prompt(speech::messageTitle(), deviceError, PromptIcon::Exclamation,
                       PromptButtons::Ok);
    return false;
}

void ReadingCommands::PrepareVoice() {
    const engine::SpObjectTokens outputs = engine::SpVoice::GetAudioOutputs(QString(), QString());
    const engine::SpObjectToken output = outputs.Item(m_host.audioOutputIndex());
    replaceVoice().setAudioOutput(output);
}

QString ReadingCommands::ReadBrowserSelection() {
    return chooseBrowserText(m_host.browserSelection());
}

ClipboardReading ReadingCommands::ReadClipboardText(const QString& question) {
    const QString raw = m_clipboard.text();
    ClipboardReading reading;
    reading.text = speech::replaceCrLf(raw, u"  ");
    if (reading.text.isEmpty())
        return reading;
    const QString asked = speech::clipboardQuestion(
        question.isEmpty() ? QString::fromUtf16(speech::ReadClipboardQuestion) : question, raw);
    reading.declined = m_prompter->prompt(speech::questionTitle(), asked, PromptIcon::None,
                                          PromptButtons::YesNo) != PromptAnswer::Yes;
    return reading;
}

QString ReadingCommands::selectedPageText() {
    switch (m_host.currentTab()) {
    case BrowserTab:
        return ReadBrowserSelection();
    case DocumentTab:
        return speech::NormaliseSelection(m_host.documentSelection());
    default:
        return QString();
    }
}

std::optional<QString> ReadingCommands::clipboardFallback(const QString& question) {
    const ClipboardReading clip = ReadClipboardText(question);
    if (clip.text.isEmpty()) {
        m_prompter->prompt(speech::messageTitle(), noTextSelectedMessage(), PromptIcon::Exclamation,
                           PromptButtons::Ok);
        return std::nullopt;
    }
    if (clip.declined)
        return std::nullopt;
    return clip.text;
}

speech::MarkupContext ReadingCommands::markupContext(speech::HeadVariant variant) {
    const bool own = m_host.ownMarkup();
    speech::MarkupContext context;
    context.abc = speech::buildProfileMarkup(m_host.abcProfile(), variant, own);
    context.other = speech::buildProfileMarkup(m_host.otherProfile(), variant, own);
    // Events run while the markup is built and may tick a conversion box.
    context.conversionState = m_host.conversionState();
    context.conversion = [this] { return m_host.conversion(); };
    context.pump = &m_pump;
    return context;
}

void ReadingCommands::speakMarkup(const QString& markup, int flags) {
    emit aboutToSpeak(markup, flags);
    currentVoice().Speak(markup, flags);
}

void ReadingCommands::showFailure(const QString& description) {
    m_prompter->prompt(speech::messageTitle(), description, PromptIcon::Error, PromptButtons::Ok);
}

void ReadingCommands::read(
    const std::function<std::optional<QString>(const speech::MarkupContext&)>& gather,
    const QString& deviceError, speech::HeadVariant variant) {
    m_state.FollowReading = false;
    try {
        if (applyFormatOrWarn(deviceError)) {
            const int flags = speech::widenSpeakFlags(m_host.speakFlags());
            PrepareVoice();
            if (const std::optional<QString> markup = gather(markupContext(variant)))
                speakMarkup(*markup, flags);
        }
    } catch (...) {
        showFailure(describeFailure(std::current_exception()));
    }
    m_host.setNormalCursor();
}

QString ReadingCommands::buildMarkup(const QString& text, const speech::MarkupContext& context) {
    m_state.CurrentRunText.clear();
    if (text.isEmpty())
        return QString();
    return speech::BuildVoiceMarkup(text, speech::CommaRule::AfterAbcRun, context,
                                    m_state.CurrentRunText);
}

QString ReadingCommands::dialogueMarkup() {
    const dialogue::DialogueMarkup result = m_host.dialogueMarkup();
    // The rows before the one without a voice are still read.
    if (result.stoppedEarly)
        m_prompter->prompt(dialogue::noVoiceTitle(), dialogue::noVoiceMessage(), PromptIcon::None,
                           PromptButtons::Ok);
    return result.markup;
}

void ReadingCommands::Speak() {
    read([this](const speech::MarkupContext& context) -> std::optional<QString> {
        if (m_host.currentTab() == DialogueTab)
            return dialogueMarkup();
        QString text = selectedPageText();
        if (text.isEmpty()) {
            const std::optional<QString> clip = clipboardFallback(QString());
            if (!clip)
                return std::nullopt;
            text = *clip;
        }
        return buildMarkup(text, context);
    });
}

void ReadingCommands::SpeakCursor() {
    read([this](const speech::MarkupContext& context) -> std::optional<QString> {
        m_host.showTab(DocumentTab);
        return buildMarkup(speech::normaliseCaretText(m_host.documentFromCaret()), context);
    });
}

void ReadingCommands::SpeakClipboard() {
    SpeakClipboard(m_clipboard);
}

void ReadingCommands::SpeakClipboard(const ClipboardSource& source) {
    read(
        [this, &source](const speech::MarkupContext& context) -> std::optional<QString> {
            const QString text = speech::replaceCrLf(source.text(), u"  ");
            m_state.CurrentRunText.clear();
            if (text.isEmpty())
                return std::nullopt;
            return speech::BuildVoiceMarkup(text, speech::CommaRule::AfterEveryRun, context,
                                            m_state.CurrentRunText);
        },
        clipboardDeviceErrorMessage(), speech::HeadVariant::SpacedName);
}

void ReadingCommands::Speakstopresume() {
    m_state.ReadingInterrupted = true;
    try {
        if (m_host.pauseTooltip() != pauseReadingTip()) {
            m_host.setPauseTooltip(pauseReadingTip());
            currentVoice().Resume();
        } else {
            m_host.setPauseTooltip(resumeReadingTip());
            currentVoice().Pause();
        }
    } catch (...) {
        showFailure(describeFailure(std::current_exception()));
    }
    m_host.setNormalCursor();
}

void ReadingCommands::StopAndReset() {
    guarded([&] { currentVoice().Speak(QString(), SilenceFlags); });
    guarded([&] { currentVoice().WaitUntilDone(5000); });
    guarded([&] { m_host.setPauseTooltip(pauseReadingTip()); });
}

} // namespace lectern::shell
