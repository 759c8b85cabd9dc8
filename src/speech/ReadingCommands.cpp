#include "ReadingCommands.h"

#include "Failure.h"
#include "FormatList.h"
#include "Selection.h"
#include "SpeakFlags.h"
#include "VoiceMarkup.h"

namespace lectern::speech {

QString chooseBrowserText(const browser::BrowserSelection& selection) {
    QString text = NormaliseSelection(selection.page);
    if (!text.isEmpty())
        return text;
    if (selection.frame)
        return NormaliseSelection(*selection.frame);
    return {};
}

int16_t outFormatType(const QString& name) {
    return static_cast<int16_t>(audio::formatValue(name));
}

ReadingCommands::ReadingCommands(ReadingHost& host, ClipboardSource& clipboard, Prompter& prompter,
                                 SpeechBackend& engine, QObject* parent)
    : QObject(parent), m_host(host), m_clipboard(clipboard), m_prompter(&prompter),
      m_engine(engine) {}

ReadingCommands::~ReadingCommands() = default;

SpeechVoice& ReadingCommands::replaceVoice() {
    return adopt(m_engine.createVoice(SpeechBackend::DefaultOutput));
}

SpeechVoice& ReadingCommands::adopt(std::unique_ptr<SpeechVoice> fresh) {
    connect(fresh.get(), &SpeechVoice::word, this, &ReadingCommands::onWord);
    connect(fresh.get(), &SpeechVoice::failed, this, &ReadingCommands::onSpeechFailed);
    // The old voice goes only once the new one exists, so a failure leaves
    // the previous one in place.
    m_voice = std::move(fresh);
    return *m_voice;
}

SpeechVoice& ReadingCommands::currentVoice() {
    if (!m_voice)
        throw std::runtime_error("The speech engine has not been started.");
    return *m_voice;
}

void ReadingCommands::onWord(int, qint64, int, int) {}

void ReadingCommands::onSpeechFailed(const QString& description) {
    // Only the voice in use speaks; a replaced one's late failure is moot.
    if (sender() == m_voice.get())
        showFailure(description);
}

bool ReadingCommands::FormatType(const QString& name) {
    // Without a voice there is no stream to take the format, which counts as
    // a refusal; any other failure keeps its own description.
    if (m_voice) {
        try {
            m_voice->setFormat(audio::formatValue(name));
            return true;
        } catch (const FormatRefused&) {
        }
    }
    m_prompter->prompt(messageTitle(), audio::formatRefusedMessage(), PromptIcon::Exclamation,
                       PromptButtons::Ok);
    return false;
}

bool ReadingCommands::applyFormatOrWarn(const QString& formatName, const QString& deviceError) {
    if (FormatType(formatName))
        return true;
    m_state.ReadingInterrupted = false;
    m_prompter->prompt(messageTitle(), deviceError, PromptIcon::Exclamation, PromptButtons::Ok);
    return false;
}

void ReadingCommands::PrepareVoice() {
    PrepareVoice(m_host.readingSettings().outputIndex);
}

void ReadingCommands::PrepareVoice(int outputIndex) {
    adopt(m_engine.createVoice(outputIndex));
}

QString ReadingCommands::ReadBrowserSelection() {
    return chooseBrowserText(m_host.browserSelection());
}

ClipboardReading ReadingCommands::ReadClipboardText(const QString& question) {
    const QString raw = m_clipboard.text();
    ClipboardReading reading;
    reading.text = replaceCrLf(raw, u"  ");
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

MarkupContext ReadingCommands::markupContext(HeadVariant variant) {
    return markupContext(m_host.readingSettings(), variant);
}

MarkupContext ReadingCommands::markupContext(const ReadingSettings& settings, HeadVariant variant) {
    MarkupContext context;
    context.abc = buildProfileMarkup(settings.abc, variant, settings.ownMarkup);
    context.other = buildProfileMarkup(settings.other, variant, settings.ownMarkup);
    // Events run while the markup is built and may tick a conversion box.
    context.conversionState = m_host.conversionState();
    context.conversion = [this] { return m_host.readingSettings().conversion; };
    context.pump = &m_pump;
    return context;
}

void ReadingCommands::speakMarkup(const QString& markup, int flags) {
    emit aboutToSpeak(markup, flags);
    currentVoice().speak(markup, flags);
}

void ReadingCommands::showFailure(const QString& description) {
    m_prompter->prompt(messageTitle(), description, PromptIcon::Error, PromptButtons::Ok);
}

void ReadingCommands::read(
    const std::function<std::optional<QString>(const MarkupContext&)>& gather,
    const QString& deviceError, HeadVariant variant) {
    const quint64 reading = ++m_latestReading;
    m_state.FollowReading = false;
    try {
        const ReadingSettings settings = m_host.readingSettings();
        if (applyFormatOrWarn(settings.formatName, deviceError)) {
            const int flags = widenSpeakFlags(settings.speakFlags());
            PrepareVoice(settings.outputIndex);
            const std::optional<QString> markup = gather(markupContext(settings, variant));
            if (markup && reading == m_latestReading)
                speakMarkup(*markup, flags);
        }
    } catch (...) {
        showFailure(describeFailure(std::current_exception()));
    }
    m_host.setNormalCursor();
}

QString ReadingCommands::buildMarkup(const QString& text, const MarkupContext& context) {
    m_state.CurrentRunText.clear();
    if (text.isEmpty())
        return QString();
    return BuildVoiceMarkup(text, CommaRule::AfterAbcRun, context, m_state.CurrentRunText);
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
    read([this](const MarkupContext& context) -> std::optional<QString> {
        m_host.showTab(DocumentTab);
        return buildMarkup(normaliseCaretText(m_host.documentFromCaret()), context);
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
            currentVoice().resume();
        } else {
            m_host.setPauseTooltip(resumeReadingTip());
            currentVoice().pause();
        }
    } catch (...) {
        showFailure(describeFailure(std::current_exception()));
    }
    m_host.setNormalCursor();
}

void ReadingCommands::StopAndReset() {
    guarded([&] { currentVoice().purge(); });
    guarded([&] { currentVoice().waitUntilDone(5000); });
    guarded([&] { m_host.setPauseTooltip(pauseReadingTip()); });
}

} // namespace lectern::speech
