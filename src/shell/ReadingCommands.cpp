#include "ReadingCommands.h"

#include "Failure.h"
#include "FollowReading.h"
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

namespace {

QString trimSpaces(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.mid(begin, end - begin).toString();
}

engine::SpObjectToken voiceNamed(const QString& name) {
    const engine::SpObjectTokens voices = engine::SpVoice::GetVoices(QString(), QString());
    for (const engine::SpObjectToken& token : voices.items())
        if (token.GetDescription() == name || token.id == name)
            return token;
    throw engine::EngineError(QStringLiteral("No installed voice is called \"%1\".").arg(name));
}

} // namespace

QString chooseBrowserTextAsIs(const browser::BrowserSelection& selection) {
    QString text = trimSpaces(selection.page);
    if (!text.isEmpty())
        return text;
    if (selection.frame)
        return trimSpaces(*selection.frame);
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
    connect(fresh.get(), &engine::SpVoice::Word, this, &ReadingCommands::Voice_Word);
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

void ReadingCommands::Voice_Word(int, qint64, int CharacterPosition, int Length) {
    if (!m_state.FollowReading)
        return;
    const int start = speech::highlightStart(m_state.CurrentRunText.size(), m_state.FollowPosition,
                                             CharacterPosition);
    m_host.setDocumentSelection(start, Length);
    // Painted now, not after the next piece.
    m_pump.pump();
}

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
    ++m_readings;
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

QString ReadingCommands::dialogueMarkup(bool byLine) {
    const dialogue::DialogueMarkup result =
        byLine ? m_host.dialogueMarkupByLine() : m_host.dialogueMarkup();
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

void ReadingCommands::SpeakCycle() {
    read([this](const speech::MarkupContext& context) -> std::optional<QString> {
        // The dialogue grid is not read here: that page takes the clipboard.
        QString text = selectedPageText();
        if (text.isEmpty()) {
            const ClipboardReading clip = ReadClipboardText();
            if (clip.declined)
                return std::nullopt;
            // Unlike a single reading, an empty clipboard still speaks the
            // empty text, which silences what was playing.
            if (clip.text.isEmpty())
                m_prompter->prompt(speech::messageTitle(), noTextSelectedMessage(),
                                   PromptIcon::Exclamation, PromptButtons::Ok);
            text = clip.text;
        }
        m_state.CurrentRunText.clear();
        return speech::BuildCycleMarkup(text, context, m_state.CurrentRunText);
    });
}

void ReadingCommands::SpeakRichText() {
    m_state.FollowReading = true;
    m_state.ReadingInterrupted = false;
    const quint64 reading = ++m_readings;
    // A reading begun inside this one (a menu command chosen while a piece
    // plays) takes over; this one must neither speak on its voice nor go on.
    const auto superseded = [this, reading] { return m_readings != reading; };
    try {
        if (!FormatType(m_host.formatName())) {
            m_state.ReadingInterrupted = false;
            m_host.setNormalCursor();
            return;
        }
        const int flags = speech::widenSpeakFlags(m_host.speakFlags());
        PrepareVoice();
        m_host.showTab(DocumentTab);
        QString text = speech::normaliseCaretText(m_host.documentSelection());
        if (text.isEmpty())
            text = speech::normaliseCaretText(m_host.documentFromCaret());
        if (text.isEmpty()) {
            m_prompter->prompt(speech::messageTitle(), noTextSelectedMessage(),
                               PromptIcon::Exclamation, PromptButtons::Ok);
            m_state.ReadingInterrupted = false;
            m_host.setNormalCursor();
            return;
        }
        m_state.CurrentRunText.clear();
        const int start = m_host.documentSelectionStart();
        m_state.FollowPosition = start;
        m_host.setDocumentSelection(start, 0);

        const std::atomic<speech::ScriptConversion>* conversion = m_host.conversionState();
        speech::FollowCallbacks callbacks;
        callbacks.takeInterrupt = [this, &superseded] {
            if (superseded())
                return true;
            return std::exchange(m_state.ReadingInterrupted, false);
        };
        callbacks.pumpEvents = [this](bool often) {
            if (often)
                m_pump.maybePump();
            else
                m_pump.pump();
        };
        callbacks.convert = [this, conversion](char16_t ch) {
            const speech::ScriptConversion boxes =
                conversion ? conversion->load(std::memory_order_relaxed) : m_host.conversion();
            return speech::convertCharacter(boxes, ch);
        };
        callbacks.selectVoice = [this, &superseded](speech::RunKind kind) {
            if (superseded())
                return;
            // Speed and volume of the profile; its pitch has no say here.
            const speech::VoiceProfile profile =
                kind == speech::RunKind::Abc ? m_host.abcProfile() : m_host.otherProfile();
            engine::SpVoice& voice = currentVoice();
            voice.setVoice(voiceNamed(profile.voiceName));
            voice.setRate(profile.speed);
            voice.setVolume(profile.volume);
        };
        callbacks.speakAndWait = [this, flags, &superseded](const QString& piece) {
            if (superseded())
                return;
            speakMarkup(piece, flags);
            currentVoice().WaitUntilDone(3600000);
        };

        if (speech::walkFollowReading(text, m_state, callbacks) ==
                speech::FollowOutcome::Completed &&
            !superseded()) {
            m_state.ReadingInterrupted = false;
            m_state.CurrentRunText.clear();
            speech::wait(1);
            if (!superseded())
                m_host.setDocumentSelection(
                    m_host.documentSelectionStart() + m_host.documentSelectionLength(), 0);
        }
    } catch (...) {
        showFailure(describeFailure(std::current_exception()));
    }
    m_host.setNormalCursor();
}

void ReadingCommands::SpeakTransXML() {
    read([this](const speech::MarkupContext& context) -> std::optional<QString> {
        QString markup;
        if (m_host.currentTab() == DialogueTab) {
            markup = dialogueMarkup(true);
        } else {
            QString text = selectedPageText();
            if (text.isEmpty()) {
                const std::optional<QString> clip = clipboardFallback(QString());
                if (!clip)
                    return std::nullopt;
                text = *clip;
            }
            markup = buildMarkup(text, context);
        }
        // Shown, not spoken.
        m_host.setDocumentText(speech::markupForDocument(markup));
        m_host.showTab(DocumentTab);
        return std::nullopt;
    });
}

void ReadingCommands::SpeakTransTXT() {
    read([this](const speech::MarkupContext&) -> std::optional<QString> {
        QString text;
        if (m_host.currentTab() == BrowserTab)
            text = chooseBrowserTextAsIs(m_host.browserSelection());
        if (text.isEmpty()) {
            text = m_clipboard.text();
            if (text.isEmpty()) {
                m_prompter->prompt(speech::messageTitle(), noTextSelectedMessage(),
                                   PromptIcon::Exclamation, PromptButtons::Ok);
                return std::nullopt;
            }
            const QString question = speech::clipboardQuestion(transferClipboardQuestion(), text);
            if (m_prompter->prompt(speech::questionTitle(), question, PromptIcon::None,
                                   PromptButtons::YesNo) != PromptAnswer::Yes)
                return std::nullopt;
        }
        m_host.setDocumentText(text);
        m_host.showTab(DocumentTab);
        return std::nullopt;
    });
}

void ReadingCommands::ReadMenuClick(int buttonIndex, int itemIndex) {
    guarded([&] { m_host.ParkEditors(); });
    guarded([&] { m_host.setBusyCursor(); });
    if (buttonIndex == ReadMenuButton) {
        StopAndReset();
        // The commands report their own failures.
        guarded([&] {
            switch (itemIndex) {
            case ReadClipboardItem:
                SpeakClipboard();
                break;
            case ReadSelectionItem:
                Speak();
                break;
            case ReadHundredTimesItem:
                SpeakCycle();
                break;
            case FollowReadingItem:
                SpeakRichText();
                break;
            case ReadFromCaretItem:
                SpeakCursor();
                break;
            case TransferMarkupItem:
                SpeakTransXML();
                break;
            case TransferTextItem:
                SpeakTransTXT();
                break;
            default:
                break;
            }
        });
    }
    guarded([&] { m_host.setNormalCursor(); });
}

} // namespace lectern::shell
