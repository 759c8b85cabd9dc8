// Reading the dialogue page aloud through the window's read button, with the
// real engine and the sound server's null sink.

#include "WindowHelpers.h"

#include "DialoguePage.h"
#include "MainToolBar.h"
#include "MainWindow.h"
#include "ReadingCommands.h"
#include "SettingsPane.h"

#include <QClipboard>
#include <QComboBox>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>

using namespace lectern;
using dialogue::DialogueRow;

namespace {

void clickRead(shell::MainWindow& window) {
    QToolButton* button = window.Toolbar1->button(shell::MainToolBar::ReadButton);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(4, button->height() / 2));
}

DialogueRow line(const QString& voice, const QString& pause, const QString& text) {
    return {voice, "0", "0", "100", pause, text};
}

} // namespace

class DialogueReadingTest : public QObject {
    Q_OBJECT

    QTemporaryDir config;
    std::unique_ptr<shell::MainWindow> window;

    QString voiceLike(const QString& part) const {
        QComboBox* list = window->SSTab2->Combo1;
        for (int i = 0; i < list->count(); ++i)
            if (list->itemText(i).contains(part))
                return list->itemText(i);
        return {};
    }

private slots:
    void initTestCase() {
        QVERIFY(config.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    }

    void init() {
        window = std::make_unique<shell::MainWindow>();
        window->show();
        window->Form_Load();
        window->SSTab1->setCurrentIndex(speech::DialogueTab);
    }

    void cleanup() {
        window->commands().StopAndReset();
        window->close();
        window.reset();
    }

    void twoVoicesAndThePausesAreHeard() {
        const QString english = voiceLike(QStringLiteral("English (America)"));
        const QString mandarin = voiceLike(QStringLiteral("Mandarin"));
        QVERIFY(!english.isEmpty() && !mandarin.isEmpty());
        // The two gaps between the Mandarin rows differ only by their rows'
        // pauses: 1000 - 250 ms.
        window->dialoguePage->grid().replaceRows({
            line(english, "0.5", "Hello"),
            line(mandarin, "0.5", "你好"),
            line(mandarin, "2", "你好"),
            line(mandarin, "0", "你好"),
        });
        window->commands().state().CurrentRunText = QStringLiteral("kept");
        QSignalSpy spoken(&window->commands(), &speech::ReadingCommands::aboutToSpeak);

        MonitorRecording recording;
        QVERIFY(recording.waitUntilRecording());
        clickRead(*window);
        QCOMPARE(spoken.size(), 1);
        const QString markup = spoken[0].at(0).toString();
        QVERIFY(markup.startsWith(QStringLiteral("<VOICE REQUIRED=\"NAME=%1\">").arg(english)));
        QVERIFY(markup.contains(QStringLiteral("NAME=%1\"><rate").arg(mandarin)));
        QVERIFY(markup.contains(QStringLiteral("<silence msec=\"1000\"/>")));
        QCOMPARE(window->commands().state().CurrentRunText, QStringLiteral("kept"));
        QVERIFY(window->commands().voice()->waitUntilDone(30000));
        const std::vector<int16_t> pcm = recording.stopAndTake();

        const std::vector<SoundStretch> sound = soundStretches(pcm, 150);
        QString found;
        for (const SoundStretch& s : sound)
            found += QStringLiteral(" [%1-%2]").arg(s.first * 10).arg(s.end * 10);
        QVERIFY2(sound.size() == 4, qPrintable(found));
        const int shortGap = (sound[2].first - sound[1].end) * 10;
        const int longGap = (sound[3].first - sound[2].end) * 10;
        qInfo("gaps %d and %d ms:%s", shortGap, longGap, qPrintable(found));
        // The engine adds next to nothing of its own between rows.
        QVERIFY2(std::abs(longGap - 1000) <= 100, qPrintable(found));
        QVERIFY2(std::abs(longGap - shortGap - 750) <= 100,
                 qPrintable(
                     QStringLiteral("gaps %1 and %2 ms:%3").arg(shortGap).arg(longGap).arg(found)));
    }

    void handTypedProsodyStillSpeaks() {
        const QString english = voiceLike(QStringLiteral("English (America)"));
        window->dialoguePage->grid().replaceRows({
            {english, "abc", "999", "1,5", "1", "Hello world"},
            {english, "-40", "", "250", "0", "Hello again"},
        });
        MonitorRecording recording;
        QVERIFY(recording.waitUntilRecording());
        clickRead(*window);
        QVERIFY(window->commands().voice()->waitUntilDone(30000));
        const std::vector<int16_t> pcm = recording.stopAndTake();
        // Both rows are heard, apart by the first row's pause.
        QCOMPARE(soundStretches(pcm, 300).size(), size_t(2));
    }

    void rowsThatCannotBeRead_data() {
        QTest::addColumn<QStringList>("voices");
        QTest::addColumn<QStringList>("pauses");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("spokenFragments"); // -1: nothing handed to the engine
        const QString app = QStringLiteral("Lectern");
        const QString noVoice = QStringLiteral("請選擇語音 !");
        QTest::newRow("first row without voice") << QStringList{"", "v"} << QStringList{"0", "0"}
                                                 << app << noVoice << int(QMessageBox::NoIcon) << 0;
        QTest::newRow("second of three without voice")
            << QStringList{"v", "", "v"} << QStringList{"0", "0", "0"} << app << noVoice
            << int(QMessageBox::NoIcon) << 1;
        QTest::newRow("pause not a number")
            << QStringList{"v", "v"} << QStringList{"1", "1,5"} << "訊息"
            << "The pause \"1,5\" in dialogue row 2 is not a number." << int(QMessageBox::Critical)
            << -1;
        QTest::newRow("empty pause") << QStringList{"v"} << QStringList{""} << "訊息"
                                     << "The pause \"\" in dialogue row 1 is not a number."
                                     << int(QMessageBox::Critical) << -1;
    }
    void rowsThatCannotBeRead() {
        QFETCH(QStringList, voices);
        QFETCH(QStringList, pauses);
        const QString english = voiceLike(QStringLiteral("English (America)"));
        std::vector<DialogueRow> rows;
        for (int i = 0; i < voices.size(); ++i)
            rows.push_back(line(voices[i].isEmpty() ? QString() : english, pauses[i], "Hi"));
        window->dialoguePage->grid().replaceRows(rows);
        // A clipboard text would be offered if the grid were not read.
        QApplication::clipboard()->setText(QStringLiteral("clipboard words"));
        QSignalSpy spoken(&window->commands(), &speech::ReadingCommands::aboutToSpeak);

        SeenBox seen;
        {
            auto boxes = answerBoxes(seen);
            clickRead(*window);
        }
        QCOMPARE(seen.count, 1);
        QTEST(seen.title, "title");
        QTEST(seen.text, "text");
        QTEST(int(seen.icon), "icon");
        QCOMPARE(seen.buttons, 1);
        QFETCH(int, spokenFragments);
        if (spokenFragments < 0) {
            QCOMPARE(spoken.size(), 0);
        } else {
            QCOMPARE(spoken.size(), 1);
            QCOMPARE(int(spoken[0].at(0).toString().count(QStringLiteral("<VOICE"))),
                     spokenFragments);
        }
        QVERIFY(!QApplication::overrideCursor());
    }
};

int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Lectern"));
    QApplication::setApplicationName(QStringLiteral("Lectern"));
    DialogueReadingTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_dialogue_reading.moc"
