// click_to_speak_ms: from the read button's click, with 1 MiB of mixed
// English and Chinese selected in the document page, to the moment the
// engine is handed the markup; the engine is idle before each click.
// click_to_speak_while_speaking_ms: the same click while the previous
// reading of that text is still playing, so it is silenced first.
// Medians of several clicks.

#include "MainToolBar.h"
#include "MainWindow.h"
#include "ReadingCommands.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Lectern"));
    QApplication::setApplicationName(QStringLiteral("Lectern"));

    lectern::shell::MainWindow window;
    window.show();
    window.Form_Load();

    const QString piece = QStringLiteral("The reader speaks 中文與 English text, 第3章 page 12. ");
    QString text;
    while (text.size() < 1024 * 1024)
        text += piece;
    text.truncate(1024 * 1024);
    window.Text1->setPlainText(text);
    QTextCursor cursor = window.Text1->textCursor();
    cursor.select(QTextCursor::Document);
    window.Text1->setTextCursor(cursor);
    window.SSTab1->setCurrentIndex(lectern::speech::DocumentTab);

    QElapsedTimer clock;
    qint64 reached = -1;
    QObject::connect(&window.commands(), &lectern::speech::ReadingCommands::aboutToSpeak,
                     [&] { reached = clock.elapsed(); });

    QToolButton* button = window.Toolbar1->button(lectern::shell::MainToolBar::ReadButton);
    auto median = [&](bool idleFirst) -> qint64 {
        std::vector<qint64> times;
        for (int round = 0; round < 5; ++round) {
            if (idleFirst) {
                window.commands().StopAndReset();
                QTest::qWait(100);
            }
            reached = -1;
            clock.start();
            QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(4, button->height() / 2));
            if (reached < 0)
                return -1;
            times.push_back(reached);
        }
        std::sort(times.begin(), times.end());
        return times[times.size() / 2];
    };
    const qint64 idle = median(true);
    const qint64 busy = median(false);
    window.commands().StopAndReset();
    if (idle < 0 || busy < 0) {
        std::fprintf(stderr, "the read button did not reach the engine\n");
        return 1;
    }
    std::printf("click_to_speak_ms: %lld\n", static_cast<long long>(idle));
    std::printf("click_to_speak_while_speaking_ms: %lld\n", static_cast<long long>(busy));
    return 0;
}
