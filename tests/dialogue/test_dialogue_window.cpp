// The dialogue page in the real window: keyboard editing, the editors'
// places, the row buttons and the file commands.

#include "WindowHelpers.h"

#include "CellNavigation.h"
#include "DialoguePage.h"
#include "MainWindow.h"
#include "SettingsPane.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>

using namespace lectern;
using dialogue::DialogueRow;

class DialogueWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir config;
    QTemporaryDir files;
    std::unique_ptr<shell::MainWindow> window;
    dialogue::DialoguePage* page = nullptr;

    dialogue::DialogueGrid& grid() { return page->grid(); }

    // The editor for the current column is the one shown, over the cell
    // exactly, with the focus.
    QString editorProblem() const {
        const bool choice = dialogue::isChoiceColumn(page->grid().currentColumn());
        QWidget* inUse = choice ? static_cast<QWidget*>(page->cboTemp) : page->txtTemp;
        QWidget* other = choice ? static_cast<QWidget*>(page->txtTemp) : page->cboTemp;
        QWidget* focus = QApplication::focusWidget();
        if (!inUse->isVisible() || other->isVisible())
            return QStringLiteral("wrong editor shown");
        if (inUse->geometry() != page->currentCellRect())
            return QStringLiteral("editor at (%1,%2 %3x%4), cell at (%5,%6 %7x%8)")
                .arg(inUse->x())
                .arg(inUse->y())
                .arg(inUse->width())
                .arg(inUse->height())
                .arg(page->currentCellRect().x())
                .arg(page->currentCellRect().y())
                .arg(page->currentCellRect().width())
                .arg(page->currentCellRect().height());
        if (focus != inUse && !inUse->isAncestorOf(focus))
            return QStringLiteral("focus on %1").arg(focus ? focus->objectName() : "nothing");
        return {};
    }

    bool press(Qt::Key key) {
        QTest::keyClick(QApplication::focusWidget(), key);
        return checkEditor(QTest::toString(key));
    }
    bool type(const QString& text) {
        QTest::keyClicks(QApplication::focusWidget(), text);
        return checkEditor(text);
    }
    bool checkEditor(const char* after) { return checkEditor(QString::fromUtf8(after)); }
    bool checkEditor(const QString& after) {
        const QString problem = editorProblem();
        if (!problem.isEmpty())
            qWarning("after %s at row %d column %d: %s", qPrintable(after), grid().currentRow(),
                     grid().currentColumn(), qPrintable(problem));
        return problem.isEmpty();
    }
    bool at(int row, int column) {
        return grid().currentRow() == row && grid().currentColumn() == column;
    }

private slots:
    void initTestCase() {
        QVERIFY(config.isValid() && files.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    }

    void init() {
        window = std::make_unique<shell::MainWindow>();
        window->show();
        window->Form_Load();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        // Xvfb has no window manager to activate the window; keyboard focus
        // needs an active one.
        QApplication::setActiveWindow(window.get());
        QCOMPARE(QApplication::activeWindow(), window.get());
        page = window->dialoguePage;
        window->SSTab1->setCurrentIndex(speech::DialogueTab);
        QVERIFY(QTest::qWaitForWindowExposed(page));
    }

    void cleanup() {
        window->close();
        window.reset();
    }

    void pageLooksAsSetUp() {
        QCOMPARE(window->SSTab1->tabText(speech::DialogueTab), QStringLiteral("對話編輯"));
        QCOMPARE(grid().rowCount(), 2);
        QCOMPARE(grid().row(1), DialogueRow{});
        QVERIFY(at(1, 0));
        QVERIFY(page->editorsParked());
        const QStringList headers = dialogue::paddedHeaders();
        QHeaderView* header = page->mshlist->horizontalHeader();
        for (int c = 0; c < dialogue::ColumnCount; ++c) {
            QCOMPARE(page->mshlist->model()->headerData(c, Qt::Horizontal).toString(), headers[c]);
            QCOMPARE(header->sectionSize(c), header->fontMetrics().horizontalAdvance(headers[c]));
        }
        QCOMPARE(page->cmdadd->text(), QStringLiteral("增行"));
        QCOMPARE(page->cmdadd->toolTip(), QStringLiteral("Add Row"));
        QCOMPARE(page->cmdinsert->text(), QStringLiteral("插入"));
        QCOMPARE(page->cmddelete->toolTip(), QStringLiteral("Delete Row"));
        QCOMPARE(page->cmddeleteall->toolTip(), QStringLiteral("Clear"));
        QVERIFY(!page->cboTemp->accessibleName().isEmpty());
        QVERIFY(!page->txtTemp->accessibleName().isEmpty());
        QVERIFY(!page->mshlist->accessibleName().isEmpty());
    }

    void typesATwoRowDialogueWithTheKeyboard() {
        const QStringList voices = [this] {
            QStringList v;
            for (int i = 0; i < window->SSTab2->Combo1->count(); ++i)
                v << window->SSTab2->Combo1->itemText(i);
            return v;
        }();
        QVERIFY(voices.size() >= 2);

        // The person tabs into the grid: the focus goes on to the editor.
        page->mshlist->setFocus(Qt::TabFocusReason);
        QVERIFY(checkEditor("focus"));
        QVERIFY(at(1, 0));
        QCOMPARE(page->cboTemp->count(), voices.size());
        QCOMPARE(page->cboTemp->currentText(), QString());

        QVERIFY(press(Qt::Key_Down));
        QCOMPARE(grid().row(1).voice, voices[0]);
        QVERIFY(press(Qt::Key_Right)); // leaves a choice cell like Enter
        QVERIFY(at(1, 1));
        QCOMPARE(page->cboTemp->currentText(), QStringLiteral("0"));
        QVERIFY(press(Qt::Key_Escape));
        QCOMPARE(grid().row(1).speed, QString());
        QVERIFY(type(QStringLiteral("2")));
        QVERIFY(press(Qt::Key_Return));
        QVERIFY(press(Qt::Key_Escape));
        QVERIFY(type(QStringLiteral("-5")));
        QVERIFY(press(Qt::Key_Return));
        QVERIFY(press(Qt::Key_Escape));
        QVERIFY(type(QStringLiteral("80")));
        QVERIFY(press(Qt::Key_Return));
        QVERIFY(at(1, 4));
        QCOMPARE(page->cboTemp->count(), 21);
        QVERIFY(press(Qt::Key_Escape));
        QVERIFY(type(QStringLiteral("1")));
        QVERIFY(press(Qt::Key_Return));
        QVERIFY(at(1, 5));
        QVERIFY(type(QStringLiteral("Hello there")));
        QCOMPARE(grid().row(1).text, QStringLiteral("Hello there"));

        // Inside the text, Left moves the caret and stays in the cell.
        QVERIFY(press(Qt::Key_Left));
        QVERIFY(at(1, 5));
        QCOMPARE(page->txtTemp->cursorPosition(), 10);
        QVERIFY(press(Qt::Key_Right));
        QCOMPARE(page->txtTemp->cursorPosition(), 11);
        // At the end, Right goes round to column 0 of the same row.
        QVERIFY(press(Qt::Key_Right));
        QVERIFY(at(1, 0));
        QCOMPARE(page->cboTemp->currentText(), voices[0]);
        // Left in column 0 goes round to the text column.
        QVERIFY(press(Qt::Key_Left));
        QVERIFY(at(1, 5));

        // Tab leaves the grid for the add button; the editors go away.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), page->cmdadd);
        QVERIFY(page->editorsParked());
        QTest::keyClick(page->cmdadd, Qt::Key_Space);
        QVERIFY(checkEditor("add"));
        QVERIFY(at(2, 0));
        QCOMPARE(grid().rowCount(), 3);

        QVERIFY(press(Qt::Key_Down));
        QVERIFY(press(Qt::Key_Down));
        QCOMPARE(grid().row(2).voice, voices[1]);
        QVERIFY(press(Qt::Key_End));
        QVERIFY(at(2, 5));
        QVERIFY(press(Qt::Key_Home));
        QVERIFY(at(2, 0));
        for (int i = 0; i < 4; ++i)
            QVERIFY(press(Qt::Key_Return));
        QVERIFY(at(2, 4));
        QVERIFY(press(Qt::Key_Escape));
        QVERIFY(type(QStringLiteral("0.5")));
        QVERIFY(press(Qt::Key_Return));
        QVERIFY(type(QStringLiteral("Second line")));

        // Rows wrap round at both ends.
        QVERIFY(press(Qt::Key_Down));
        QVERIFY(at(1, 5));
        QVERIFY(press(Qt::Key_Up));
        QVERIFY(at(2, 5));
        QVERIFY(press(Qt::Key_Up));
        QVERIFY(press(Qt::Key_Up));
        QVERIFY(at(2, 5));
        // Enter in the last cell goes back to the first.
        QVERIFY(press(Qt::Key_Return));
        QVERIFY(at(1, 0));

        const std::vector<DialogueRow> expected = {
            {voices[0], "2", "-5", "80", "1", "Hello there"},
            {voices[1], "0", "0", "100", "0.5", "Second line"},
        };
        QCOMPARE(grid().rows(), expected);
    }

    void unlistedValueSurvivesTheChoiceEditor() {
        grid().setCell(1, dialogue::SpeedColumn, QStringLiteral("12"));
        page->mshlist->setFocus(Qt::TabFocusReason);
        QVERIFY(press(Qt::Key_Return));
        QVERIFY(at(1, 1));
        QCOMPARE(page->cboTemp->currentText(), QString());
        QCOMPARE(grid().row(1).speed, QStringLiteral("12"));
        QVERIFY(press(Qt::Key_Return));
        QVERIFY(press(Qt::Key_Left));
        QVERIFY(press(Qt::Key_Left));
        QVERIFY(at(1, 0));
        QCOMPARE(grid().row(1).speed, QStringLiteral("12"));
        QVERIFY(press(Qt::Key_Right));
        QVERIFY(type(QStringLiteral("3")));
        QCOMPARE(grid().row(1).speed, QStringLiteral("3"));
    }

    void pageDownScrollsAndTypingStillEdits() {
        for (int i = 0; i < 60; ++i)
            page->cmdadd_Click();
        grid().setCell(1, dialogue::TextColumn, QStringLiteral("ab"));
        page->mshlist->setFocus(Qt::TabFocusReason);
        QVERIFY(at(1, 0));
        QVERIFY(press(Qt::Key_End));
        QVERIFY(at(1, 5));
        QScrollBar* bar = page->mshlist->verticalScrollBar();
        QCOMPARE(bar->value(), 0);
        QTest::keyClick(page->txtTemp, Qt::Key_PageDown);
        QVERIFY(bar->value() > 0);
        QVERIFY(at(1, 5));
        QVERIFY(page->txtTemp->y() >= page->mshlist->viewport()->height());
        QVERIFY(page->txtTemp->hasFocus());
        QTest::keyClicks(page->txtTemp, QStringLiteral("c"));
        QCOMPARE(grid().row(1).text, QStringLiteral("cab"));
        QTest::keyClick(page->txtTemp, Qt::Key_PageUp);
        QCOMPARE(bar->value(), 0);
        // The next cell event brings the editor back over its cell.
        QVERIFY(press(Qt::Key_Down));
        QVERIFY(at(2, 5));
    }

    void pageChangeParksTheEditors() {
        page->mshlist->setFocus(Qt::TabFocusReason);
        QVERIFY(checkEditor("focus"));
        QVERIFY(!page->editorsParked());
        window->SSTab1->setCurrentIndex(speech::DocumentTab);
        QVERIFY(page->editorsParked());
        window->SSTab1->setCurrentIndex(speech::DialogueTab);
        QVERIFY(page->editorsParked());
        page->mshlist->setFocus(Qt::TabFocusReason);
        QVERIFY(checkEditor("focus again"));
    }

    void rowButtons() {
        QTest::mouseClick(page->cmdadd, Qt::LeftButton);
        QTest::mouseClick(page->cmdadd, Qt::LeftButton);
        for (int r = 1; r <= 3; ++r)
            grid().setCell(r, dialogue::TextColumn, QStringLiteral("r%1").arg(r));
        grid().setCurrentRow(2);
        QTest::mouseClick(page->cmdinsert, Qt::LeftButton);
        QVERIFY(checkEditor("insert"));
        QVERIFY(at(2, 0));
        QCOMPARE(grid().rowCount(), 5);
        QCOMPARE(grid().row(3).text, QStringLiteral("r2"));
        QTest::mouseClick(page->cmddelete, Qt::LeftButton);
        QVERIFY(checkEditor("delete"));
        QCOMPARE(grid().rowCount(), 4);
        QCOMPARE(grid().row(2).text, QStringLiteral("r2"));
        QTest::mouseClick(page->cmddeleteall, Qt::LeftButton);
        QCOMPARE(grid().rowCount(), 2);
        QCOMPARE(grid().row(1), DialogueRow{});
        QVERIFY(at(1, 0));
        QTest::mouseClick(page->cmddelete, Qt::LeftButton);
        QCOMPARE(grid().rowCount(), 2);
    }

    void clickingACellOpensItsEditor() {
        QTest::mouseClick(page->cmdadd, Qt::LeftButton);
        grid().setCell(2, dialogue::TextColumn, QStringLiteral("clicked"));
        const QModelIndex cell = page->mshlist->model()->index(1, dialogue::TextColumn);
        const QRect rect = page->mshlist->visualRect(cell);
        QTest::mouseClick(page->mshlist->viewport(), Qt::LeftButton, {},
                          rect.topLeft() + QPoint(5, rect.height() / 2));
        QVERIFY(checkEditor("click"));
        QVERIFY(at(2, 5));
        QCOMPARE(page->txtTemp->text(), QStringLiteral("clicked"));
        QCOMPARE(page->txtTemp->cursorPosition(), 7);
    }

    void saveClearOpenGivesTheSameGrid() {
        const std::vector<DialogueRow> rows = {
            {"English (America)", "-2", "10", "90", "1.5", "Tabs\tand\nbreaks"},
            {"", "12", "x", "", "abc", "說話"},
        };
        grid().replaceRows(rows);
        const QString path = files.filePath(QStringLiteral("talk"));
        QString title;
        {
            auto answering = answerFileDialog(path, &title);
            page->saveAction->trigger();
        }
        QCOMPARE(title, QStringLiteral("Save dialogue"));
        QVERIFY(QFile::exists(path + QStringLiteral(".tsv")));

        QTest::mouseClick(page->cmddeleteall, Qt::LeftButton);
        QCOMPARE(grid().rowCount(), 2);
        {
            auto answering = answerFileDialog(path + QStringLiteral(".tsv"), &title);
            page->openAction->trigger();
        }
        QCOMPARE(title, QStringLiteral("Open dialogue"));
        QCOMPARE(grid().rows(), rows);
        QVERIFY(at(1, 0));

        // A file of something else is refused and the grid stays.
        QFile other(files.filePath(QStringLiteral("notes.txt")));
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.write("shopping list\nmilk\n");
        other.close();
        SeenBox seen;
        {
            auto boxes = answerBoxes(seen);
            page->openDialogueFrom(other.fileName());
        }
        QVERIFY(seen.seen);
        QCOMPARE(seen.title, QStringLiteral("訊息"));
        QCOMPARE(seen.icon, QMessageBox::Critical);
        QVERIFY2(seen.text.contains(QStringLiteral("not a dialogue file")), qPrintable(seen.text));
        QCOMPARE(grid().rows(), rows);

        // Cancelling the dialog changes nothing.
        {
            auto answering = answerFileDialog(QString());
            page->openAction->trigger();
        }
        QCOMPARE(grid().rows(), rows);
    }

    void fileCommandsAreOnTheGridsMenuAndKeys() {
        QCOMPARE(page->saveAction->text(), QStringLiteral("Save dialogue…"));
        QCOMPARE(page->openAction->text(), QStringLiteral("Open dialogue…"));
        QCOMPARE(page->mshlist->contextMenuPolicy(), Qt::CustomContextMenu);
        page->mshlist->setFocus(Qt::TabFocusReason);
        QString title;
        auto answering = answerFileDialog(QString(), &title);
        QTest::keySequence(QApplication::focusWidget(), QKeySequence::Save);
        QCOMPARE(title, QStringLiteral("Save dialogue"));
    }
};

int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Lectern"));
    QApplication::setApplicationName(QStringLiteral("Lectern"));
    DialogueWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_dialogue_window.moc"
