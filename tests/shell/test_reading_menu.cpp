// The reading menu's commands against the real engine and sound server,
// with the window, clipboard and message boxes stood in for.

#include "EngineBackend.h"
#include "FakeWindow.h"
#include "ReadingCommands.h"
#include "SpeechEngine.h"

#include <QSignalSpy>
#include <QtTest>

using namespace lectern;
using lectern::speech::PromptAnswer;
using lectern::speech::PromptButtons;
using lectern::speech::PromptIcon;

namespace {

const QString LongText = QStringLiteral("This sentence keeps the voice busy for a good while, "
                                        "long enough to be cut short by the menu.");

} // namespace

class ReadingMenuTest : public QObject {
    Q_OBJECT

    speech::EngineBackend engine;
    FakeHost host;
    FakeClipboard clipboard;
    RecordingPrompter prompter;
    std::unique_ptr<speech::ReadingCommands> commands;
    std::unique_ptr<QSignalSpy> spoken;

    // The engine's own voice behind the commands' one, for what only the
    // real engine reports: the bytes played.
    engine::SpVoice& live() {
        return static_cast<speech::EngineVoice*>(commands->voice())->engineVoice();
    }

    void start() {
        commands = std::make_unique<speech::ReadingCommands>(host, clipboard, prompter, engine);
        commands->replaceVoice();
        spoken =
            std::make_unique<QSignalSpy>(commands.get(), &speech::ReadingCommands::aboutToSpeak);
    }

private slots:
    void init() {
        host = FakeHost();
        clipboard.content.clear();
        prompter = RecordingPrompter();
        start();
    }

    void cleanup() {
        spoken.reset();
        commands.reset();
    }

    void menuStepsRunInOrder_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("item");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<int>("spokenCount");
        const QStringList silenced{"park", "busy", "tooltip Pause Reading"};
        QTest::newRow("read the selection")
            << 2 << 2 << silenced + QStringList{"speak", "normal", "normal"} << 1;
        QTest::newRow("repeated reading")
            << 2 << 3 << silenced + QStringList{"speak", "normal", "normal"} << 1;
        QTest::newRow("markup into the document")
            << 2 << 6 << silenced + QStringList{"normal", "normal"} << 0;
        QTest::newRow("no such item") << 2 << 8 << silenced + QStringList{"normal"} << 0;
        QTest::newRow("item zero") << 2 << 0 << silenced + QStringList{"normal"} << 0;
        QTest::newRow("another button's menu")
            << 6 << 2 << QStringList{"park", "busy", "normal"} << 0;
    }
    void menuStepsRunInOrder() {
        QFETCH(int, button);
        QFETCH(int, item);
        QFETCH(QStringList, steps);
        QFETCH(int, spokenCount);
        host.selection = QStringLiteral("hello");
        host.tooltip = QStringLiteral("Resume Reading");
        live().Speak(LongText, 1);
        // Heard already, so the engine is not still busy with an earlier test.
        QVERIFY(QTest::qWaitFor([&] { return live().playedBytes() > 0; }, 20000));
        QVERIFY(commands->voice()->isSpeaking());
        // The silencing comes before the pause button is reset: by then the
        // purge has dropped what was playing.
        bool speakingAtReset = true;
        host.onStep = [&](const QString& step) {
            if (step.startsWith(u"tooltip"))
                speakingAtReset = live().playedBytes() >= 0;
        };
        connect(commands.get(), &speech::ReadingCommands::aboutToSpeak, this,
                [&] { host.steps << QStringLiteral("speak"); });

        commands->ReadMenuClick(button, item);
        QCOMPARE(host.steps, steps);
        QCOMPARE(spoken->size(), spokenCount);
        if (button == speech::ReadMenuButton) {
            QVERIFY(!speakingAtReset);
            QCOMPARE(host.tooltip, QStringLiteral("Pause Reading"));
        } else {
            // Nothing of the reading menu ran: the old speech goes on.
            QVERIFY(live().playedBytes() >= 0);
            QCOMPARE(host.tooltip, QStringLiteral("Resume Reading"));
        }
        QVERIFY(!host.busy);
        commands->StopAndReset();
    }

    void failedSilencingStillRunsTheCommand() {
        // No speech object yet: silencing and waiting fail, the rest goes on.
        FakeHost bare;
        bare.tooltip = QStringLiteral("Resume Reading");
        RecordingPrompter answers;
        speech::ReadingCommands fresh(bare, clipboard, answers, engine);
        fresh.ReadMenuClick(speech::ReadMenuButton, speech::ReadSelectionItem);
        QCOMPARE(bare.tooltip, QStringLiteral("Pause Reading"));
        // The command ran and met the missing engine at its format test.
        QVERIFY(!answers.prompts.isEmpty());
        QCOMPARE(answers.prompts.last().text, QStringLiteral("音訊裝置錯誤!"));
        QCOMPARE(bare.steps.last(), QStringLiteral("normal"));
    }

    void repeatedReadingOfAbThroughTheCommand() {
        host.selection = QStringLiteral("  AB  ");
        commands->SpeakCycle();
        QCOMPARE(spoken->size(), 1);
        const QString fragment = QStringLiteral(
            "<VOICE REQUIRED=\"NAME=English (America)\"><volume level=\"100\"><rate speed=\"0\">"
            "<pitch middle=\"0\">ab, </pitch></rate></volume></VOICE><silence msec=\"0\"/>");
        QCOMPARE(spoken->at(0).at(0).toString(), fragment.repeated(100));
        QCOMPARE(spoken->at(0).at(1).toInt(), 11);
        commands->StopAndReset();
    }

    void repeatedReadingTakesTheClipboard_data() {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("clip");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("prompts");
        QTest::addColumn<bool>("speaks");
        QTest::addColumn<QString>("contains");
        const QString asked = QStringLiteral("您並未選取文字 , 要朗讀剪貼簿的文字嗎 ?\r\n\r\n"
                                             "剪貼簿內容 :\r\n\r\nClip...");
        QTest::newRow("dialogue page reads the clipboard, not the grid")
            << 2 << "Clip" << int(PromptAnswer::Yes) << QStringList{asked} << true << ">Clip, <";
        QTest::newRow("no to the question stops")
            << 1 << "Clip" << int(PromptAnswer::No) << QStringList{asked} << false << "";
        QTest::newRow("empty clipboard tells so and still speaks")
            << 1 << "" << int(PromptAnswer::Yes) << QStringList{"您並未選取任何文字 !"} << true
            << "";
    }
    void repeatedReadingTakesTheClipboard() {
        QFETCH(int, tab);
        QFETCH(QString, clip);
        QFETCH(int, answer);
        QFETCH(QStringList, prompts);
        QFETCH(bool, speaks);
        QFETCH(QString, contains);
        host.tab = tab;
        host.dialogue = QStringLiteral("<grid/>");
        clipboard.content = clip;
        prompter.answer = PromptAnswer(answer);
        commands->SpeakCycle();
        QStringList shown;
        for (const Prompt& p : prompter.prompts)
            shown << p.text;
        QCOMPARE(shown, prompts);
        QCOMPARE(spoken->size(), speaks ? 1 : 0);
        if (speaks) {
            const QString markup = spoken->at(0).at(0).toString();
            QVERIFY2(markup.contains(contains), qPrintable(markup));
            QCOMPARE(markup.count(u"<VOICE"), contains.isEmpty() ? 0 : 100);
        }
        QCOMPARE(host.normalCursorCalls, 1);
        commands->StopAndReset();
    }

    void markupLandsInTheDocument_data() {
        QTest::addColumn<QString>("selection");
        QTest::addColumn<int>("conversion");
        QTest::addColumn<QString>("document");
        QTest::newRow("a word, a space, chinese")
            << "Word 中文" << int(speech::ScriptConversion::None)
            << "<voice required=\"name=english (america)\"><volume level=\"100\">"
               "<rate speed=\"0\"><pitch middle=\"0\">word , </pitch></rate></volume></voice>\r\n"
               "<silence msec=\"0\"/><voice required=\"name=chinese (mandarin)\">"
               "<volume level=\"100\"><rate speed=\"0\"><pitch middle=\"0\">中文</pitch></rate>"
               "</volume></voice>\r\n<silence msec=\"0\"/>";
        QTest::newRow("converted as it would be spoken")
            << "乾後" << int(speech::ScriptConversion::TradToSimp)
            << "<voice required=\"name=chinese (mandarin)\"><volume level=\"100\">"
               "<rate speed=\"0\"><pitch middle=\"0\">干后</pitch></rate></volume></voice>\r\n"
               "<silence msec=\"0\"/>";
    }
    void markupLandsInTheDocument() {
        QFETCH(QString, selection);
        QFETCH(int, conversion);
        QFETCH(QString, document);
        host.selection = selection;
        host.settings.conversion = speech::ScriptConversion(conversion);
        commands->SpeakTransXML();
        QCOMPARE(host.document, document);
        QCOMPARE(host.tab, int(speech::DocumentTab));
        QCOMPARE(spoken->size(), 0); // nothing is spoken
        QVERIFY(!commands->state().FollowReading);
        QCOMPARE(host.normalCursorCalls, 1);
    }

    void dialogueMarkupLandsRowByRow() {
        host.tab = speech::DialogueTab;
        host.dialogue =
            QStringLiteral("<VOICE REQUIRED=\"NAME=A B\">Hi</VOICE><silence msec=\"500\"/>\r\n");
        host.dialogueStoppedEarly = true;
        commands->SpeakTransXML();
        // The rows before the one without a voice still land.
        QCOMPARE(host.document, QStringLiteral("<voice required=\"name=a b\">hi</voice>\r\n"
                                               "<silence msec=\"500\"/>\r\n"));
        QCOMPARE(prompter.prompts.size(), 1);
        QCOMPARE(prompter.prompts[0].text, QStringLiteral("請選擇語音 !"));
        QCOMPARE(spoken->size(), 0);
    }

    void earlyEndsKeepTheDocument_data() {
        QTest::addColumn<bool>("markup"); // SpeakTransXML, else SpeakTransTXT
        QTest::addColumn<QString>("clip");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("lastPrompt");
        const QString refused = QStringLiteral("SAFTTrueSpeech_8kHz1BitMono");
        const QString fine = QStringLiteral("SAFT22kHz16BitMono");
        const QString transferAsked = QStringLiteral(
            "您並未選取文字 , 要轉出剪貼簿的文字嗎 ?\r\n\r\n剪貼簿內容 :\r\n\r\nSome\r\ntext...");
        QTest::newRow("text: no to the question")
            << false << "Some\r\ntext" << fine << transferAsked;
        QTest::newRow("text: empty clipboard") << false << "" << fine << "您並未選取任何文字 !";
        QTest::newRow("text: format refused") << false << "Some" << refused << "音訊裝置錯誤!";
        QTest::newRow("markup: no to the question")
            << true << "Some" << fine
            << "您並未選取文字 , 要朗讀剪貼簿的文字嗎 ?\r\n\r\n剪貼簿內容 :\r\n\r\nSome...";
        QTest::newRow("markup: empty clipboard") << true << "" << fine << "您並未選取任何文字 !";
        QTest::newRow("markup: format refused") << true << "Some" << refused << "音訊裝置錯誤!";
    }
    void earlyEndsKeepTheDocument() {
        QFETCH(bool, markup);
        QFETCH(QString, clip);
        QFETCH(QString, format);
        QFETCH(QString, lastPrompt);
        host.tab = speech::DocumentTab;
        host.settings.formatName = format;
        clipboard.content = clip;
        prompter.answer = PromptAnswer::No;
        if (markup)
            commands->SpeakTransXML();
        else
            commands->SpeakTransTXT();
        QVERIFY(!host.documentWritten);
        QVERIFY(!prompter.prompts.isEmpty());
        QCOMPARE(prompter.prompts.last().text, lastPrompt);
        QCOMPARE(spoken->size(), 0);
        QCOMPARE(host.normalCursorCalls, 1);
    }

    void plainTextLandsInTheDocument_data() {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QString>("clip");
        QTest::addColumn<QString>("document");
        QTest::addColumn<int>("questions");
        QTest::newRow("browser selection keeps breaks and capitals") << 0 << "  Hello\r\nWorld  "
                                                                     << ""
                                                                     << "clip"
                                                                     << "Hello\r\nWorld" << 0;
        QTest::newRow("first frame's selection") << 0 << "   "
                                                 << " Framed Text "
                                                 << "clip"
                                                 << "Framed Text" << 0;
        QTest::newRow("document page goes to the clipboard") << 1 << "page"
                                                             << ""
                                                             << "Raw\r\nClip "
                                                             << "Raw\r\nClip " << 1;
        QTest::newRow("dialogue page goes to the clipboard") << 2 << "page"
                                                             << ""
                                                             << "Raw"
                                                             << "Raw" << 1;
    }
    void plainTextLandsInTheDocument() {
        QFETCH(int, tab);
        QFETCH(QString, page);
        QFETCH(QString, frame);
        QFETCH(QString, clip);
        QFETCH(QString, document);
        QFETCH(int, questions);
        host.tab = tab;
        host.selection = QStringLiteral("document selection");
        host.browser.page = page;
        if (!frame.isEmpty())
            host.browser.frame = frame;
        clipboard.content = clip;
        commands->SpeakTransTXT();
        QCOMPARE(host.document, document);
        QCOMPARE(host.tab, int(speech::DocumentTab));
        QCOMPARE(prompter.prompts.size(), questions);
        if (questions)
            QCOMPARE(prompter.prompts[0].title, QStringLiteral("提示"));
        QCOMPARE(spoken->size(), 0);
    }

    void wordEventsMoveTheHighlightOnlyWhileFollowing_data() {
        QTest::addColumn<bool>("following");
        QTest::addColumn<int>("characterPosition");
        QTest::addColumn<int>("start");
        QTest::newRow("first character") << true << 0 << 7;
        QTest::newRow("third character") << true << 2 << 9;
        QTest::newRow("not following") << false << 0 << -1;
    }
    void wordEventsMoveTheHighlightOnlyWhileFollowing() {
        QFETCH(bool, following);
        QFETCH(int, characterPosition);
        QFETCH(int, start);
        host.selectionStart = -1;
        commands->state().FollowReading = following;
        commands->state().CurrentRunText = QStringLiteral("abc");
        commands->state().FollowPosition = 10;
        commands->Voice_Word(1, 0, characterPosition, 1);
        QCOMPARE(host.selectionStart, start);
        QCOMPARE(host.selections.size(), following ? 1 : 0);
    }

    void followReadingSpeaksPieceByPiece() {
        host.selection = QStringLiteral("Hi 你好");
        host.selectionStart = 4;
        host.selectionLength = 5;
        host.settings.abc.speed = 3;
        host.settings.abc.volume = 70;
        host.settings.abc.pitch = 90;
        // The voice lists hold the engine's own descriptions.
        const engine::SpObjectTokens voices = engine::SpVoice::GetVoices();
        for (const engine::SpObjectToken& voice : voices.items())
            if (voice.id == QStringLiteral("sit/cmn"))
                host.settings.other.voiceName = voice.GetDescription();
        host.settings.other.speed = -4;
        host.settings.other.volume = 50;
        struct Piece {
            QString text;
            int rate, volume;
        };
        QList<Piece> pieces;
        connect(commands.get(), &speech::ReadingCommands::aboutToSpeak, this,
                [&](const QString& text) {
                    pieces.append({text, commands->voice()->rate(), commands->voice()->volume()});
                });
        commands->SpeakRichText();
        QVERIFY2(prompter.prompts.isEmpty(), qPrintable(prompter.prompts.value(0).text));
        QStringList texts;
        for (const Piece& p : pieces)
            texts << p.text;
        QCOMPARE(texts, (QStringList{"hi ", "", "你", "好"}));
        // Each script with its own speed and volume.
        QCOMPARE(pieces[0].rate, 3);
        QCOMPARE(pieces[0].volume, 70);
        QCOMPARE(pieces[3].rate, -4);
        QCOMPARE(pieces[3].volume, 50);
        QVERIFY(prompter.prompts.isEmpty());
        // Started collapsed at the selection start; every highlight fell
        // inside the text read; the caret ends after the last one.
        QCOMPARE(host.selections.first(), (QPair<int, int>(4, 0)));
        QVERIFY(host.selections.size() >= 3);
        for (const auto& [start, length] : host.selections)
            QVERIFY2(start >= 4 && start + length <= 9, qPrintable(QString::number(start)));
        QCOMPARE(host.selections.last().second, 0);
        QCOMPARE(host.selectionStart, 9);
        QCOMPARE(host.tab, int(speech::DocumentTab));
        QVERIFY(commands->state().FollowReading);
        QVERIFY(!commands->state().ReadingInterrupted);
    }

    void followReadingWithNothingToRead() {
        host.selection.clear();
        host.fromCaret.clear();
        commands->state().ReadingInterrupted = true;
        commands->SpeakRichText();
        QCOMPARE(prompter.prompts.size(), 1);
        QCOMPARE(prompter.prompts[0].text, QStringLiteral("您並未選取任何文字 !"));
        QCOMPARE(prompter.prompts[0].icon, PromptIcon::Exclamation);
        QVERIFY(!commands->state().ReadingInterrupted);
        QCOMPARE(spoken->size(), 0);
        QCOMPARE(host.normalCursorCalls, 1);
    }

    void followReadingStartsAtTheCaret() {
        host.fromCaret = QStringLiteral("Two\r\nLines");
        host.selectionStart = 20;
        QStringList texts;
        connect(commands.get(), &speech::ReadingCommands::aboutToSpeak, this,
                [&](const QString& text) { texts << text; });
        commands->SpeakRichText();
        QCOMPARE(texts, (QStringList{"two ", " ", "lines"}));
        QCOMPARE(commands->state().FollowPosition, 30.0);
    }

    void aNewerReadingEndsFollowReading() {
        host.selection = QStringLiteral("one two three four five");
        host.fromCaret = QStringLiteral("unused");
        QStringList texts;
        bool started = false;
        connect(
            commands.get(), &speech::ReadingCommands::aboutToSpeak, this, [&](const QString& text) {
                texts << text;
                if (!started && text == QStringLiteral("two ")) {
                    started = true;
                    // Another reading chosen while this piece plays.
                    QTimer::singleShot(0, commands.get(), [&] {
                        host.selection = QStringLiteral("other");
                        commands->ReadMenuClick(speech::ReadMenuButton, speech::ReadSelectionItem);
                    });
                }
            });
        commands->SpeakRichText();
        QCOMPARE(texts.first(), QStringLiteral("one "));
        QCOMPARE(texts.at(1), QStringLiteral("two "));
        QVERIFY2(texts.last().contains(QStringLiteral(">other</")), qPrintable(texts.join('|')));
        QCOMPARE(texts.size(), 3);
        QVERIFY(!commands->state().FollowReading);
        commands->StopAndReset();
    }
};

QTEST_GUILESS_MAIN(ReadingMenuTest)
#include "test_reading_menu.moc"
