// Script conversion from the real window: the boxes on the format tab, the
// read button, the engine and the document.

#include "MainToolBar.h"
#include "MainWindow.h"
#include "ReadingCommands.h"
#include "SettingsPane.h"

#include <QApplication>
#include <QCheckBox>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

using namespace lectern;

class ConversionWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir config;

    static void clickRead(shell::MainWindow& window) {
        QToolButton* button = window.Toolbar1->button(shell::MainToolBar::ReadButton);
        // The left part of a menu button runs the command; the arrow opens the menu.
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(4, button->height() / 2));
    }

    static void readDocument(shell::MainWindow& window, const QString& text) {
        window.Text1->setPlainText(text);
        QTextCursor cursor = window.Text1->textCursor();
        cursor.select(QTextCursor::Document);
        window.Text1->setTextCursor(cursor);
        window.SSTab1->setCurrentIndex(speech::DocumentTab);
        clickRead(window);
    }

    // What the engine will say: the markup less its elements and pause commas.
    static QString spokenText(const QString& markup) {
        return QString(markup)
            .remove(QRegularExpression(QStringLiteral("<[^>]*>")))
            .remove(QStringLiteral(", "));
    }

    static void clickBox(shell::MainWindow& window, int index) {
        window.SSTab2->setCurrentIndex(1); // "格式"
        QCheckBox* box = window.SSTab2->Check[index];
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    }

private slots:
    void initTestCase() {
        QVERIFY(config.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    }

    void tickedBoxesConvertWhatTheEngineIsHanded() {
        shell::MainWindow window;
        window.show();
        window.Form_Load();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy spoken(&window.commands(), &speech::ReadingCommands::aboutToSpeak);
        const auto other = speech::buildProfileMarkup(window.SSTab2->otherProfile(),
                                                      speech::HeadVariant::Plain, false);

        clickBox(window, 13);
        QVERIFY(window.SSTab2->Check[13]->isChecked());
        readDocument(window, QStringLiteral("後來乾杯"));
        QCOMPARE(spoken.size(), 1);
        // Converted Simplified text stays with the Other voice as one run.
        QCOMPARE(spoken[0].at(0).toString(), other.head + QStringLiteral("后来干杯") + other.tail);
        // Only what the engine is handed changes, never the document.
        QCOMPARE(window.Text1->toPlainText(), QStringLiteral("後來乾杯"));

        // The other box clears the first and converts the other way.
        clickBox(window, 14);
        QVERIFY(!window.SSTab2->Check[13]->isChecked());
        readDocument(window, QStringLiteral("后来干杯 OK"));
        QCOMPARE(spoken.size(), 2);
        QVERIFY(spoken[1].at(0).toString().startsWith(other.head + QStringLiteral("后來乾杯 ")));
        QCOMPARE(spokenText(spoken[1].at(0).toString()), QStringLiteral("后來乾杯 ok"));

        // Neither ticked: the text goes as it is.
        clickBox(window, 14);
        QVERIFY(!window.SSTab2->Check[14]->isChecked());
        readDocument(window, QStringLiteral("後來乾杯"));
        QCOMPARE(spoken.size(), 3);
        QCOMPARE(spoken[2].at(0).toString(), other.head + QStringLiteral("後來乾杯") + other.tail);
        window.commands().StopAndReset();
        QVERIFY(!QApplication::overrideCursor());
    }
};

int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Lectern"));
    QApplication::setApplicationName(QStringLiteral("Lectern"));
    ConversionWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_conversion_window.moc"
