// The reading menu from the real window: follow reading with its highlight
// against the sound on the null sink's monitor, pause during it, the pause
// button's state across menu commands, and the text transfer's question.

#include "MainToolBar.h"
#include "MainWindow.h"
#include "ReadingCommands.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

#include <cmath>

using namespace lectern;

namespace {

constexpr int Rate = 16000;

// Records the default sink's monitor, each sample placed on `clock` by the
// moment its chunk arrived.
class TimedRecording {
public:
    explicit TimedRecording(const QElapsedTimer& clock) : m_clock(clock) {
        QProcess pactl;
        pactl.start(QStringLiteral("pactl"), {QStringLiteral("get-default-sink")});
        pactl.waitForFinished(5000);
        const QString sink = QString::fromUtf8(pactl.readAllStandardOutput()).trimmed();
        QObject::connect(&m_parec, &QProcess::readyReadStandardOutput, [this] { take(); });
        m_parec.start(QStringLiteral("parec"),
                      {QStringLiteral("-d"), sink + QStringLiteral(".monitor"),
                       QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                       QStringLiteral("--rate=16000"), QStringLiteral("--channels=1"),
                       QStringLiteral("--latency-msec=10")});
    }
    ~TimedRecording() {
        m_parec.terminate();
        m_parec.waitForFinished(5000);
    }
    bool waitUntilRecording() {
        return QTest::qWaitFor([this] { return !m_samples.empty(); }, 10000);
    }
    // Root mean square of the samples heard between two moments (ms).
    double rms(double fromMs, double toMs) const {
        double sum = 0;
        qsizetype count = 0;
        for (size_t i = 0; i < m_samples.size(); ++i) {
            if (m_times[i] < fromMs || m_times[i] > toMs)
                continue;
            sum += double(m_samples[i]) * m_samples[i];
            ++count;
        }
        return count ? std::sqrt(sum / count) : 0;
    }

private:
    void take() {
        m_pending += m_parec.readAllStandardOutput();
        const qsizetype count = m_pending.size() / 2;
        const double now = double(m_clock.nsecsElapsed()) / 1e6;
        const auto* data = reinterpret_cast<const int16_t*>(m_pending.constData());
        for (qsizetype i = 0; i < count; ++i) {
            m_samples.push_back(data[i]);
            m_times.push_back(now - double(count - i) * 1000.0 / Rate);
        }
        m_pending.remove(0, count * 2);
    }

    const QElapsedTimer& m_clock;
    QProcess m_parec;
    QByteArray m_pending;
    std::vector<int16_t> m_samples;
    std::vector<double> m_times;
};

struct Highlight {
    int start, length;
    double atMs;
};

// Every non-empty selection of the document, in order, without repeats.
void watchHighlights(QTextEdit* edit, const QElapsedTimer& clock, QList<Highlight>& seen) {
    QObject::connect(edit, &QTextEdit::selectionChanged, edit, [edit, &clock, &seen] {
        const QTextCursor c = edit->textCursor();
        const int start = c.selectionStart();
        const int length = c.selectionEnd() - start;
        if (length == 0)
            return;
        if (!seen.isEmpty() && seen.last().start == start && seen.last().length == length)
            return;
        seen.append({start, length, double(clock.nsecsElapsed()) / 1e6});
    });
}

void chooseFromReadMenu(shell::MainWindow& window, int item) {
    window.Toolbar1->readMenu()->actions().at(item - 1)->trigger();
}

void clickPause(shell::MainWindow& window) {
    QTest::mouseClick(window.Toolbar1->button(shell::MainToolBar::PauseButton), Qt::LeftButton);
}

// Answers the next message box with `button`, keeping its text.
void answerNextBox(QMessageBox::StandardButton button, QString& text) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, button, &text] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            text = box->text();
            timer->deleteLater();
            box->done(button);
        }
    });
    timer->start(20);
}

} // namespace

class ReadingMenuWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir config;

private slots:
    void initTestCase() {
        QVERIFY(config.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    }

    void menuItemsCarryTheirCaptions() {
        shell::MainWindow window;
        QStringList captions;
        for (QAction* item : window.Toolbar1->readMenu()->actions())
            captions << item->text();
        QCOMPARE(captions,
                 (QStringList{"剪貼簿朗讀", "一般選取朗讀", "循環選取朗讀", "跟讀選取朗讀",
                              "游標開始朗讀", "朗讀轉出XML", "朗讀轉出文字"}));
    }

    void followReadingHighlightsEachWordWhileItPlays() {
        shell::MainWindow window;
        window.show();
        window.Form_Load();
        window.Text1->setPlainText(QStringLiteral("hello world 你好"));
        QTextCursor cursor = window.Text1->textCursor();
        cursor.setPosition(0);
        window.Text1->setTextCursor(cursor);

        QElapsedTimer clock;
        clock.start();
        QList<Highlight> seen;
        watchHighlights(window.Text1, clock, seen);
        TimedRecording recording(clock);
        QVERIFY(recording.waitUntilRecording());
        QTest::qWait(300);
        const double quiet = recording.rms(0, double(clock.elapsed()));

        chooseFromReadMenu(window, speech::FollowReadingItem);

        QTest::qWait(300);
        QStringList ranges;
        for (const Highlight& h : seen)
            ranges << QStringLiteral("%1+%2").arg(h.start).arg(h.length);
        QCOMPARE(ranges, (QStringList{"0+5", "6+5", "12+1", "13+1"}));
        // Each word lights up while its own sound is on the sink.
        for (const Highlight& h : seen) {
            const double heard = recording.rms(h.atMs - 20, h.atMs + 200);
            QVERIFY2(heard > 200 && heard > 4 * quiet,
                     qPrintable(QStringLiteral("%1+%2 at %3 ms: RMS %4 (quiet %5)")
                                    .arg(h.start)
                                    .arg(h.length)
                                    .arg(h.atMs)
                                    .arg(heard)
                                    .arg(quiet)));
        }
        // One utterance after another: the next word starts after the last
        // one was heard.
        for (qsizetype i = 1; i < seen.size(); ++i)
            QVERIFY(seen[i].atMs - seen[i - 1].atMs > 100);
        // The caret sits after the last word, nothing selected.
        QCOMPARE(window.Text1->textCursor().position(), 14);
        QVERIFY(!window.Text1->textCursor().hasSelection());
        QVERIFY(!QApplication::overrideCursor());
    }

    void followReadingAcrossLinesStaysAligned() {
        shell::MainWindow window;
        window.show();
        window.Form_Load();
        // Line breaks count twice in the reading's offsets, once in the page.
        window.Text1->setPlainText(QStringLiteral("你好\n\n世界 ok"));
        QTextCursor cursor = window.Text1->textCursor();
        cursor.select(QTextCursor::Document);
        window.Text1->setTextCursor(cursor);
        QElapsedTimer clock;
        clock.start();
        QList<Highlight> seen;
        watchHighlights(window.Text1, clock, seen);
        chooseFromReadMenu(window, speech::FollowReadingItem);
        QStringList words;
        for (const Highlight& h : seen)
            words << window.Text1->toPlainText().mid(h.start, h.length);
        QCOMPARE(words, (QStringList{"你", "好", "世", "界", "ok"}));
    }

    void pauseClickEndsFollowReadingAfterTheCurrentPiece() {
        shell::MainWindow window;
        window.show();
        window.Form_Load();
        window.Text1->setPlainText(QStringLiteral("one two three four five six"));
        QTextCursor cursor = window.Text1->textCursor();
        cursor.setPosition(0);
        window.Text1->setTextCursor(cursor);
        QSignalSpy pieces(&window.commands(), &speech::ReadingCommands::aboutToSpeak);

        QString tipWhilePaused;
        qsizetype piecesWhilePaused = -1;
        bool clicked = false;
        connect(window.Text1, &QTextEdit::selectionChanged, this, [&] {
            if (clicked || !window.Text1->textCursor().hasSelection())
                return;
            clicked = true;
            QTimer::singleShot(0, this, [&] {
                clickPause(window); // pauses in the middle of "one"
                QTimer::singleShot(800, this, [&] {
                    tipWhilePaused = window.Toolbar1->action(3)->toolTip();
                    piecesWhilePaused = pieces.size();
                    clickPause(window); // resumes; the piece finishes
                });
            });
        });
        chooseFromReadMenu(window, speech::FollowReadingItem);

        QVERIFY(clicked);
        QCOMPARE(tipWhilePaused, QStringLiteral("Resume Reading"));
        QCOMPARE(piecesWhilePaused, 1);
        QCOMPARE(pieces.size(), 1);
        QCOMPARE(pieces[0].at(0).toString(), QStringLiteral("one "));
        QCOMPARE(window.Toolbar1->action(3)->toolTip(), QStringLiteral("Pause Reading"));
        // The highlight stays where the last word event put it.
        QCOMPARE(window.Text1->textCursor().selectedText(), QStringLiteral("one"));
        QVERIFY(window.commands().state().FollowReading);
        QVERIFY(!window.commands().state().ReadingInterrupted);
    }

    void menuCommandWhilePausedResetsThePauseButton() {
        shell::MainWindow window;
        window.show();
        window.Form_Load();
        window.Text1->setPlainText(QStringLiteral("Read from the caret to the end."));
        window.SSTab1->setCurrentIndex(speech::BrowserTab);
        chooseFromReadMenu(window, speech::ReadFromCaretItem);
        clickPause(window);
        QCOMPARE(window.Toolbar1->action(3)->toolTip(), QStringLiteral("Resume Reading"));

        QSignalSpy spoken(&window.commands(), &speech::ReadingCommands::aboutToSpeak);
        chooseFromReadMenu(window, speech::ReadFromCaretItem);
        QCOMPARE(window.Toolbar1->action(3)->toolTip(), QStringLiteral("Pause Reading"));
        QCOMPARE(spoken.size(), 1);
        QCOMPARE(window.SSTab1->currentIndex(), int(speech::DocumentTab));
        // The fresh reading is not held by the old pause.
        QVERIFY(window.commands().voice()->waitUntilDone(20000));
        QVERIFY(!QApplication::overrideCursor());
    }

    void markupAndTextTransfer() {
        shell::MainWindow window;
        window.show();
        window.Form_Load();
        window.Text1->setPlainText(QStringLiteral("Keep me"));
        QApplication::clipboard()->setText(QStringLiteral("From the\nclipboard"));
        window.SSTab1->setCurrentIndex(speech::DocumentTab);

        QString asked;
        answerNextBox(QMessageBox::No, asked);
        chooseFromReadMenu(window, speech::TransferTextItem);
        QCOMPARE(asked, QStringLiteral("您並未選取文字 , 要轉出剪貼簿的文字嗎 ?\r\n\r\n剪貼簿內容 :"
                                       "\r\n\r\nFrom the\r\nclipboard..."));
        QCOMPARE(window.Text1->toPlainText(), QStringLiteral("Keep me"));

        answerNextBox(QMessageBox::Yes, asked);
        chooseFromReadMenu(window, speech::TransferTextItem);
        QCOMPARE(window.Text1->toPlainText(), QStringLiteral("From the\nclipboard"));

        // The markup of a selection, one voice element per line.
        QTextCursor cursor = window.Text1->textCursor();
        cursor.setPosition(0);
        cursor.setPosition(4, QTextCursor::KeepAnchor);
        window.Text1->setTextCursor(cursor);
        chooseFromReadMenu(window, speech::TransferMarkupItem);
        const QStringList lines = window.Text1->toPlainText().split(u'\n');
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines[0].startsWith(QStringLiteral("<voice required=\"name=english")) &&
                     lines[0].contains(QStringLiteral(">from")) &&
                     lines[0].endsWith(QStringLiteral("</voice>")),
                 qPrintable(lines[0]));
        QCOMPARE(lines[1], QStringLiteral("<silence msec=\"0\"/>"));
    }
};

QTEST_MAIN(ReadingMenuWindowTest)
#include "test_reading_menu_window.moc"
