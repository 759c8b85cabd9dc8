// The dialogue grid as markup, and dialogue files.

#include "DialogueFile.h"
#include "DialogueMarkup.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace lectern::dialogue;

namespace {

DialogueRow row(const QString& voice, const QString& speed, const QString& pitch,
                const QString& volume, const QString& pause, const QString& text) {
    return {voice, speed, pitch, volume, pause, text};
}

DialogueGrid gridOf(const std::vector<DialogueRow>& rows) {
    DialogueGrid grid;
    grid.replaceRows(rows);
    return grid;
}

QByteArray fileText(const QString& body) {
    return (QStringLiteral("語音\t速度\t語調\t音量\t句尾停頓時間\t對話內容\n") + body).toUtf8();
}

} // namespace

class MarkupFileTest : public QObject {
    Q_OBJECT

private slots:
    void twoRowsCharacterForCharacter() {
        const DialogueGrid grid = gridOf(
            {row("A", "0", "0", "100", "1", "hi"), row("B", "2", "-5", "80", "0.5", "你好")});
        const DialogueMarkup result = BuildDialogueMarkup(grid);
        QVERIFY(!result.stoppedEarly);
        QCOMPARE(result.markup,
                 QStringLiteral("<VOICE REQUIRED=\"NAME=A\"><rate speed=\"0\"><pitch middle=\"0\">"
                                "<volume level=\"100\">hi</volume></pitch></rate></VOICE>"
                                "<silence msec=\"500\"/>"
                                "<VOICE REQUIRED=\"NAME=B\"><rate speed=\"2\"><pitch middle=\"-5\">"
                                "<volume level=\"80\">你好</volume></pitch></rate></VOICE>"
                                "<silence msec=\"250\"/>"));
    }

    void cellsGoInUnchanged() {
        // Capitals, out-of-range numbers and markup characters are the
        // user's; nothing is lower-cased, checked or escaped.
        const DialogueGrid grid =
            gridOf({row("English (America)", "12", "abc", "", "0", "HELLO, <World> & 說")});
        QCOMPARE(BuildDialogueMarkup(grid).markup,
                 QStringLiteral("<VOICE REQUIRED=\"NAME=English (America)\"><rate speed=\"12\">"
                                "<pitch middle=\"abc\"><volume level=\"\">HELLO, <World> & 說"
                                "</volume></pitch></rate></VOICE><silence msec=\"0\"/>"));
    }

    void pauses_data() {
        QTest::addColumn<QString>("pause");
        QTest::addColumn<QString>("msec");
        QTest::newRow("0") << "0"
                           << "0";
        QTest::newRow("0.5") << "0.5"
                             << "250";
        QTest::newRow("1") << "1"
                           << "500";
        QTest::newRow("10") << "10"
                            << "5000";
        QTest::newRow("typed 0.25") << "0.25"
                                    << "125";
        QTest::newRow("typed 0.001") << "0.001"
                                     << "0.5";
        QTest::newRow("blanks") << " 2 "
                                << "1000";
        QTest::newRow("leading stop") << ".5"
                                      << "250";
        QTest::newRow("negative") << "-1"
                                  << "-500";
    }
    void pauses() {
        QFETCH(QString, pause);
        const DialogueGrid grid = gridOf({row("A", "0", "0", "100", pause, "x")});
        const QString markup = BuildDialogueMarkup(grid).markup;
        QFETCH(QString, msec);
        QVERIFY2(markup.endsWith(QStringLiteral("<silence msec=\"%1\"/>").arg(msec)),
                 qPrintable(markup));
    }

    void pauseThatIsNoNumberFails_data() {
        QTest::addColumn<QString>("pause");
        QTest::newRow("empty") << "";
        QTest::newRow("letters") << "abc";
        QTest::newRow("decimal comma") << "1,5";
        QTest::newRow("two stops") << "1.2.3";
        QTest::newRow("exponent") << "1e3";
        QTest::newRow("infinity") << "inf";
        QTest::newRow("only a sign") << "-";
        QTest::newRow("only a stop") << ".";
    }
    void pauseThatIsNoNumberFails() {
        QFETCH(QString, pause);
        const DialogueGrid grid =
            gridOf({row("A", "0", "0", "100", "1", "ok"), row("B", "0", "0", "100", pause, "x")});
        try {
            BuildDialogueMarkup(grid);
            QFAIL("no failure");
        } catch (const DialogueError& e) {
            QVERIFY2(e.description().contains(QStringLiteral("row 2")) &&
                         e.description().contains(QStringLiteral("\"%1\"").arg(pause)),
                     qPrintable(e.description()));
        }
    }

    void rowWithoutVoiceStops_data() {
        QTest::addColumn<int>("missing"); // 0-based row without a voice
        QTest::addColumn<int>("fragments");
        QTest::newRow("first") << 0 << 0;
        QTest::newRow("second of three") << 1 << 1;
        QTest::newRow("third of three") << 2 << 2;
    }
    void rowWithoutVoiceStops() {
        QFETCH(int, missing);
        std::vector<DialogueRow> rows(3, row("A", "0", "0", "100", "0", "t"));
        rows[size_t(missing)].voice.clear();
        // A bad pause after the stop is never looked at.
        rows[2].pause = QStringLiteral("bad");
        if (missing < 2) {
            const DialogueMarkup result = BuildDialogueMarkup(gridOf(rows));
            QVERIFY(result.stoppedEarly);
            QTEST(int(result.markup.count(QStringLiteral("<VOICE"))), "fragments");
            if (missing == 0)
                QCOMPARE(result.markup, QString());
        } else {
            rows[2].pause = QStringLiteral("0");
            const DialogueMarkup result = BuildDialogueMarkup(gridOf(rows));
            QVERIFY(result.stoppedEarly);
            QTEST(int(result.markup.count(QStringLiteral("<VOICE"))), "fragments");
        }
        QCOMPARE(noVoiceMessage(), QStringLiteral("請選擇語音 !"));
    }

    void fileRoundTrip() {
        const std::vector<DialogueRow> rows = {
            row("English (America)", "-3", "20", "90", "1.5", "Tab\there, line\nbreak\r\\n kept"),
            row("", "", "", "", "", ""),
            row("Chinese (Mandarin)", "12", "x", "100", "abc", "你好 \\"),
        };
        QCOMPARE(parseDialogue(serialiseDialogue(rows), "f"), rows);
        const QString text = QString::fromUtf8(serialiseDialogue(rows));
        QCOMPARE(text.count(u'\n'), 4); // header and three rows, breaks escaped
        QVERIFY(text.contains(QStringLiteral("Tab\\there, line\\nbreak\\r\\\\n kept")));

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("talk.tsv"));
        saveDialogue(path, rows);
        QCOMPARE(loadDialogue(path), rows);
        // Saving again replaces the file whole.
        saveDialogue(path, {rows[1]});
        QCOMPARE(loadDialogue(path), std::vector<DialogueRow>{rows[1]});
    }

    void filesFromElsewhereRead() {
        // A byte-order mark and CR LF line ends, as other editors write.
        QByteArray bytes = "\xEF\xBB\xBF" + fileText(QStringLiteral("A\t1\t2\t3\t0.5\thi\r\n"));
        bytes.replace("容\n", "容\r\n");
        QCOMPARE(parseDialogue(bytes, "f"),
                 std::vector<DialogueRow>{row("A", "1", "2", "3", "0.5", "hi")});
        // No final line break.
        QCOMPARE(parseDialogue(fileText(QStringLiteral("A\t1\t2\t3\t0\thi")), "f").size(),
                 size_t(1));
    }

    void foreignFilesAreRefused_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("why");
        QTest::newRow("empty") << QByteArray() << "first line";
        QTest::newRow("other text") << QByteArray("hello\tworld\n") << "first line";
        QTest::newRow("header only") << fileText({}) << "no dialogue rows";
        QTest::newRow("five cells") << fileText(QStringLiteral("A\t1\t2\t3\thi\n")) << "line 2";
        QTest::newRow("seven cells")
            << fileText(QStringLiteral("A\t1\t2\t3\t4\t5\t6\n")) << "line 2";
        QTest::newRow("stray backslash")
            << fileText(QStringLiteral("A\t1\t2\t3\t0\tok\nB\t1\t2\t3\t0\tbad\\x\n")) << "line 3";
        QTest::newRow("trailing backslash")
            << fileText(QStringLiteral("A\t1\t2\t3\t0\tbad\\\n")) << "backslash";
        QTest::newRow("not utf-8") << QByteArray("\xff\xfe\x00\x41") << "UTF-8";
    }
    void foreignFilesAreRefused() {
        QFETCH(QByteArray, bytes);
        try {
            parseDialogue(bytes, QStringLiteral("notes.txt"));
            QFAIL("accepted");
        } catch (const DialogueError& e) {
            QFETCH(QString, why);
            QVERIFY2(e.description().contains(QStringLiteral("\"notes.txt\" is not a dialogue")) &&
                         e.description().contains(why),
                     qPrintable(e.description()));
        }
    }

    void unwritablePlaceFails() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("missing/talk.tsv"));
        QVERIFY_THROWS_EXCEPTION(DialogueError, saveDialogue(path, {DialogueRow{}}));
        QVERIFY(!QFile::exists(path));
        QVERIFY_THROWS_EXCEPTION(DialogueError, loadDialogue(path));
    }
};

QTEST_APPLESS_MAIN(MarkupFileTest)
#include "test_markup_file.moc"
