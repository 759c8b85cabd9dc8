#include "ExportCommand.h"

#include "AudioError.h"
#include "EngineBackend.h"
#include "Failure.h"
#include "Mp3Encoder.h"
#include "Mp3Stream.h"
#include "ReadingCommands.h"
#include "ReplacingFile.h"
#include "SpeechEngine.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

namespace lectern::shell {

using speech::describeFailure;
using speech::DialogueTab;
using speech::outFormatType;
using speech::PromptAnswer;
using speech::PromptButtons;
using speech::PromptIcon;

namespace {
// Purge before speak plus not XML: silences the export.
constexpr int SilenceFlags = engine::SVSFPurgeBeforeSpeak | engine::SVSFIsNotXML;
} // namespace

QString playQuestion(const QString& chosenName) {
    return chosenName + QStringLiteral(" 已轉出 , 是否立即播放檔案 ?");
}

bool isMp3Name(const QString& name) {
    return name.right(4).toLower() == QStringLiteral(".mp3");
}

ExportCommand::ExportCommand(speech::ReadingHost& host, speech::ReadingCommands& commands,
                             ExportUi& ui, speech::Prompter& prompter, QObject* parent)
    : QObject(parent), m_host(host), m_commands(commands), m_ui(&ui), m_prompter(&prompter) {}

void ExportCommand::refuseWhileRunning() {
    m_prompter->prompt(speech::messageTitle(), exportRunningMessage(), PromptIcon::Exclamation,
                       PromptButtons::Ok);
}

void ExportCommand::showFailure(const QString& description) {
    m_prompter->prompt(speech::messageTitle(), description, PromptIcon::Exclamation,
                       PromptButtons::Ok);
}

void ExportCommand::Output() {
    // Another export would fight this one for the voice and its stream.
    if (m_running) {
        refuseWhileRunning();
        return;
    }
    m_running = true;
    m_cancel = false;
    m_lastPermille = -1;
    struct Done {
        ExportCommand* self;
        ~Done() {
            self->m_running = false;
            self->m_ui->hideProgress();
            self->m_host.setNormalCursor();
        }
    } done{this};

    std::optional<Gathered> gathered;
    try {
        gathered = gather();
    } catch (...) {
        // Nothing was written yet; still, the user learns why nothing happens.
        m_host.setNormalCursor();
        showFailure(describeFailure(std::current_exception()));
        return;
    }
    if (!gathered)
        return;
    try {
        render(*gathered);
    } catch (const audio::Cancelled&) {
        m_ui->hideProgress();
        m_host.setNormalCursor();
        m_commands.state().ReadingInterrupted = false;
        m_prompter->prompt(speech::messageTitle(), exportCancelledMessage(), PromptIcon::None,
                           PromptButtons::Ok);
    } catch (...) {
        m_ui->hideProgress();
        m_host.setNormalCursor();
        m_commands.state().ReadingInterrupted = false;
        showFailure(describeFailure(std::current_exception()));
    }
}

std::optional<ExportCommand::Gathered> ExportCommand::gather() {
    m_commands.PrepareVoice();
    Gathered gathered;
    if (m_host.currentTab() == DialogueTab) {
        const dialogue::DialogueMarkup grid = m_host.dialogueMarkup();
        if (grid.stoppedEarly) {
            // A row without a voice: nothing at all is written.
            m_prompter->prompt(dialogue::noVoiceTitle(), dialogue::noVoiceMessage(),
                               PromptIcon::None, PromptButtons::Ok);
            return std::nullopt;
        }
        gathered.dialogueMarkup = grid.markup;
    } else {
        gathered.text = m_commands.selectedPageText();
    }
    if (gathered.text.isEmpty() && gathered.dialogueMarkup.isEmpty()) {
        std::optional<QString> clip = m_commands.clipboardFallback(exportClipboardQuestion());
        if (!clip)
            return std::nullopt;
        gathered.text = *clip;
    }
    return gathered;
}

void ExportCommand::render(const Gathered& gathered) {
    // The dialog shows the normal cursor; the busy one returns after it.
    m_host.setNormalCursor();
    const QString name = m_ui->saveFileName(exportDialogTitle(), exportDialogFilter());
    m_host.setBusyCursor();
    if (name.isEmpty())
        throw audio::AudioError(QStringLiteral("No file name was given; nothing was exported."));
    if (QFileInfo::exists(name) &&
        m_prompter->prompt(speech::messageTitle(), overwriteQuestion(), PromptIcon::None,
                           PromptButtons::YesNo) != PromptAnswer::Yes) {
        m_prompter->prompt(speech::messageTitle(), exportCancelledMessage(), PromptIcon::None,
                           PromptButtons::Ok);
        return;
    }
    const int formatType = outFormatType(m_host.readingSettings().formatName);

    // Writing a file is the concrete engine's own business: the reading
    // seam carries no file output.
    auto* live = dynamic_cast<speech::EngineVoice*>(m_commands.voice());
    engine::SpVoice* voice = live ? &live->engineVoice() : nullptr;
    if (!voice)
        throw engine::EngineError(QStringLiteral("The speech engine has not been started."));
    QString markup = gathered.dialogueMarkup;
    if (!gathered.text.isEmpty()) {
        // Every run ends on the pause comma, the last one too, so the file
        // does not stop dead on the final word.
        markup +=
            speech::BuildVoiceMarkup(gathered.text, speech::CommaRule::AfterEveryRun,
                                     m_commands.markupContext(speech::HeadVariant::SpacedName),
                                     m_commands.state().CurrentRunText);
    }

    emit aboutToSpeak(markup);
    if (isMp3Name(name) && audio::Mp3SoundWriter::acceptsType(formatType)) {
        // Encoded on a thread of its own while the engine speaks, so the two
        // share the cores, with no sound file in between.
        if (!speakIntoMp3(*voice, markup, name, formatType))
            return;
    } else if (isMp3Name(name)) {
        // A codec's samples are those it gives back from its file, so that
        // file is made first. It waits in a folder only this user can read,
        // removed with everything in it whatever happens.
        QTemporaryDir temporary;
        if (!temporary.isValid())
            throw audio::AudioError(
                QStringLiteral("No temporary folder could be created for the sound: %1")
                    .arg(temporary.errorString()));
        const QString wav = temporary.filePath(QStringLiteral("temp.wav"));
        speakInto(*voice, markup, wav, formatType, 500);
        // A failed encoding has been shown already; offering to play a file
        // that was not made would be wrong.
        if (!EncodeMp3(name, wav, audio::titleFromText(markup)))
            return;
    } else {
        audio::ReplacingFile file(name);
        speakInto(*voice, markup, file.path(), formatType, 1000);
        file.commit();
    }
    m_ui->hideProgress();
    if (m_prompter->prompt(speech::messageTitle(), playQuestion(name), PromptIcon::None,
                           PromptButtons::YesNo) == PromptAnswer::Yes)
        m_ui->openFile(name);
}

void ExportCommand::speakInto(engine::SpVoice& voice, const QString& markup, const QString& path,
                              int formatType, int progressEnd) {
    speakInto(
        voice, markup, formatType,
        [&path](engine::SpFileStream& stream) {
            stream.Open(path, engine::SSFMCreateForWrite, false);
        },
        progressEnd);
}

void ExportCommand::speakInto(engine::SpVoice& voice, const QString& markup, int formatType,
                              const std::function<void(engine::SpFileStream&)>& open,
                              int progressEnd) {
    engine::SpFileStream stream;
    stream.Format().setType(formatType);
    open(stream);
    QPointer<engine::SpVoice> guard(&voice);
    voice.setAudioOutputStream(&stream);
    // The stream dies with this frame; the voice must not keep it, however
    // the frame ends.
    struct Detach {
        QPointer<engine::SpVoice>& voice;
        ~Detach() {
            if (voice)
                voice->setAudioOutputStream(nullptr);
        }
    } detach{guard};

    const double length = std::max<qsizetype>(markup.size(), 1);
    bool silenced = false;
    auto stopIfAsked = [this, &guard, &silenced](int permille) {
        if (!keepGoing(permille) && guard && !silenced) {
            silenced = true;
            guard->Speak(QString(), SilenceFlags);
        }
    };
    const QMetaObject::Connection words =
        connect(&voice, &engine::SpVoice::Word, this, [&](int, qint64, int position, int) {
            stopIfAsked(int(position / length * progressEnd));
        });
    // A cancel between words (a long silence) is seen all the same.
    QTimer poll;
    poll.setInterval(100);
    connect(&poll, &QTimer::timeout, this, [&] { stopIfAsked(std::max(m_lastPermille, 0)); });
    poll.start();
    keepGoing(0);
    try {
        voice.Speak(markup, 0);
    } catch (...) {
        disconnect(words);
        throw;
    }
    disconnect(words);
    poll.stop();
    if (!guard)
        throw engine::EngineError(
            QStringLiteral("Another reading replaced the voice; the export was stopped."));
    if (m_cancel)
        throw audio::Cancelled();
    stream.Close();
    voice.setAudioOutputStream(nullptr);
    keepGoing(progressEnd);
}

bool ExportCommand::speakIntoMp3(engine::SpVoice& voice, const QString& markup, const QString& name,
                                 int formatType) {
    audio::ReplacingFile file(name);
    std::shared_ptr<audio::Mp3StreamEncoder> encoder;
    // Its thread is gone before the file may be removed.
    struct Stop {
        std::shared_ptr<audio::Mp3StreamEncoder>& encoder;
        ~Stop() {
            if (encoder)
                encoder->stop();
        }
    } stop{encoder};
    const QString title = audio::titleFromText(markup);
    try {
        speakInto(
            voice, markup, formatType,
            [&](engine::SpFileStream& stream) {
                stream.Open([&](int type, int rate) {
                    auto writer =
                        std::make_unique<audio::Mp3SoundWriter>(file.path(), title, type, rate);
                    encoder = writer->encoder();
                    return writer;
                });
            },
            1000);
        // What the encoder still holds is a few seconds of sound at most.
        while (!encoder->waitUntilOver(10)) {
            m_pump.pump();
            if (!keepGoing(1000))
                throw audio::Cancelled();
        }
        if (const QString failure = encoder->failure(); !failure.isEmpty())
            throw audio::AudioError(failure);
        file.commit();
        return true;
    } catch (const audio::Cancelled&) {
        throw;
    } catch (...) {
        // The encoder's own failure is told as an encoding failure, however
        // it reached here (through the engine, the stream or the wait).
        const QString failure = encoder ? encoder->failure() : QString();
        if (failure.isEmpty())
            throw;
        showFailure(failure);
        return false;
    }
}

bool ExportCommand::keepGoing(int permille) {
    // Only real changes reach the window, so long texts stay cheap.
    if (permille != m_lastPermille) {
        m_lastPermille = permille;
        m_ui->showProgress(permille);
    }
    if (!m_cancel && m_ui->cancelRequested())
        m_cancel = true;
    return !m_cancel;
}

bool ExportCommand::EncodeMp3(const QString& mp3Path, const QString& wavPath,
                              const QString& title) {
    try {
        audio::ReplacingFile file(mp3Path);
        audio::Mp3Encoder().encode(wavPath, file.path(), title, [this](double done) {
            m_pump.maybePump();
            return keepGoing(500 + int(done * 500));
        });
        file.commit();
        return true;
    } catch (const audio::Cancelled&) {
        throw;
    } catch (...) {
        showFailure(describeFailure(std::current_exception()));
        return false;
    }
}

} // namespace lectern::shell
