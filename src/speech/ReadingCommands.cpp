#include "ReadingCommands.h"

#include "Failure.h"
#include "FollowReading.h"
#include "FormatList.h"
#include "Selection.h"
#include "SpeakFlags.h"
#include "VoiceMarkup.h"

namespace lectern::speech {

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

// The page's selection made ready by `prepare`, else the inline frame's.
template <typename Prepare>
QString pageThenFrame(const browser::BrowserSelection& selection, Prepare prepare) {
    QString text = prepare(selection.page);
    if (!text.isEmpty() || !selection.frame)
        return text;
    return prepare(*selection.frame);
}

} // namespace

QString chooseBrowserText(const browser::BrowserSelection& selection) {
    return pageThenFrame(selection, [](const QString& text) { return NormaliseSelection(text); });
}

QString chooseBrowserTextAsIs(const browser::BrowserSelection& selection) {
    return pageThenFrame(selection, [](const QString& text) { return trimSpaces(text); });
}

int ReadingCommands::voiceIndex(const QString& name) {
    const std::vector<VoiceEntry> voices = m_engine.voices();
    for (size_t i = 0; i < voices.size(); ++i)
        if (voices[i].description == name || voices[i].id == name)
            return int(i);
    throw std::runtime_error(
        QStringLiteral("No installed voice is called \"%1\".").arg(name).toStdString());
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
    connect(fresh.get(), &SpeechVoice::word, this, &ReadingCommands::Voice_Word);
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
    const quint64 reading = ++m_latestReading;
    // A reading begun inside this one (a menu command chosen while a piece
    // plays) takes over; this one must neither speak on its voice nor go on.
    const auto superseded = [this, reading] { return m_latestReading != reading; };
    try {
        const ReadingSettings settings = m_host.readingSettings();
        if (!FormatType(settings.formatName)) {
            m_state.ReadingInterrupted = false;
            m_host.setNormalCursor();
            return;
        }
        const int flags = widenSpeakFlags(settings.speakFlags());
        PrepareVoice(settings.outputIndex);
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
            const speech::ScriptConversion boxes = conversion
                                                       ? conversion->load(std::memory_order_relaxed)
                                                       : m_host.readingSettings().conversion;
            return speech::convertCharacter(boxes, ch);
        };
        callbacks.selectVoice = [this, &superseded](speech::RunKind kind) {
            if (superseded())
                return;
            // Speed and volume of the profile; its pitch has no say here.
            const ReadingSettings now = m_host.readingSettings();
            const VoiceProfile& profile = kind == RunKind::Abc ? now.abc : now.other;
            SpeechVoice& voice = currentVoice();
            voice.setVoice(voiceIndex(profile.voiceName));
            voice.setRate(profile.speed);
            voice.setVolume(profile.volume);
        };
        callbacks.speakAndWait = [this, flags, &superseded](const QString& piece) {
            if (superseded())
                return;
            speakMarkup(piece, flags);
            currentVoice().waitUntilDone(3600000);
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

} // namespace lectern::speech
