// The grid model's row commands and the editors' key navigation, without a
// window.

#include "CellNavigation.h"
#include "DialogueGrid.h"

#include <QtTest>

using namespace lectern::dialogue;

namespace {

DialogueRow row(const QString& voice, const QString& text) {
    DialogueRow r;
    r.voice = voice;
    r.text = text;
    return r;
}

// A grid of `count` rows whose texts are "r1", "r2", ...
DialogueGrid numbered(int count) {
    DialogueGrid grid;
    std::vector<DialogueRow> rows;
    for (int i = 1; i <= count; ++i)
        rows.push_back(row(QStringLiteral("v"), QStringLiteral("r%1").arg(i)));
    grid.replaceRows(rows);
    return grid;
}

QStringList texts(const DialogueGrid& grid) {
    QStringList out;
    for (const DialogueRow& r : grid.rows())
        out << r.text;
    return out;
}

EditorState caretAt(int caret, int length) {
    EditorState s;
    s.caret = caret;
    s.textLength = length;
    s.pendingCaret = -1;
    return s;
}

} // namespace

class GridTest : public QObject {
    Q_OBJECT

private slots:
    void headersKeepTheirBlanks() {
        const QStringList headers = paddedHeaders();
        QCOMPARE(headers.size(), ColumnCount);
        QCOMPARE(headers[0], QString(19, u' ') + QStringLiteral("語音") + QString(23, u' '));
        QCOMPARE(headers[4], QStringLiteral(" 句尾停頓時間 "));
        QCOMPARE(headers[5], QString(4, u' ') + QStringLiteral("對話內容") + QString(156, u' '));
        QCOMPARE(headerFormat().size(), 257);
        QCOMPARE(DialogueGrid().cell(0, 2), headers[2]);
    }

    void resetLeavesOneDefaultRow() {
        DialogueGrid grid = numbered(4);
        grid.setCurrentCell(3, 5);
        grid.setCell(1, SpeedColumn, QStringLiteral("7"));
        grid.Reset();
        QCOMPARE(grid.rowCount(), 2);
        QCOMPARE(grid.row(1), DialogueRow{});
        QCOMPARE(grid.row(1).volume, QStringLiteral("100"));
        QCOMPARE(grid.currentRow(), 1);
        QCOMPARE(grid.currentColumn(), 0);
    }

    void deleteNeverRemovesTheLastRow() {
        DialogueGrid grid;
        grid.writeRow(1, row(QStringLiteral("v"), QStringLiteral("keep?")));
        grid.setCurrentColumn(3);
        grid.deleteCurrent();
        QCOMPARE(grid.rowCount(), 2);
        QCOMPARE(grid.row(1), DialogueRow{});
        QVERIFY_THROWS_EXCEPTION(DialogueError, grid.removeRow(1));
    }

    void deleteMovesToTheFollowingRow_data() {
        QTest::addColumn<int>("current");
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<int>("after");
        QTest::newRow("middle") << 2 << QStringList{"r1", "r3", "r4"} << 2;
        QTest::newRow("first") << 1 << QStringList{"r2", "r3", "r4"} << 1;
        QTest::newRow("last") << 4 << QStringList{"r1", "r2", "r3"} << 3;
    }
    void deleteMovesToTheFollowingRow() {
        QFETCH(int, current);
        DialogueGrid grid = numbered(4);
        grid.setCurrentRow(current);
        grid.deleteCurrent();
        QTEST(texts(grid), "left");
        QTEST(grid.currentRow(), "after");
    }

    void insertInTheMiddle() {
        DialogueGrid grid = numbered(5);
        grid.setCurrentCell(3, 4);
        grid.insertAtCurrent();
        QCOMPARE(grid.rowCount(), 7);
        QCOMPARE(texts(grid), (QStringList{"r1", "r2", "", "r3", "r4", "r5"}));
        QCOMPARE(grid.row(3), DialogueRow{});
        QCOMPARE(grid.currentRow(), 3);
        QCOMPARE(grid.currentColumn(), 0);
    }

    void addAppendsWhateverRowIsCurrent() {
        DialogueGrid grid = numbered(3);
        grid.setCurrentCell(2, 5);
        grid.addRow();
        QCOMPARE(texts(grid), (QStringList{"r1", "r2", "r3", ""}));
        QCOMPARE(grid.row(4), DialogueRow{});
        QCOMPARE(grid.currentRow(), 4);
        QCOMPARE(grid.currentColumn(), 0);
    }

    void growingLeavesBlankRows() {
        DialogueGrid grid;
        grid.setRowCount(4);
        QCOMPARE(grid.row(3), DialogueRow::blank());
        grid.setCurrentRow(3);
        grid.setRowCount(0);
        QCOMPARE(grid.rowCount(), 2);
        QCOMPARE(grid.currentRow(), 1);
    }

    void firstFocusGoesToRowOne() {
        DialogueGrid grid = numbered(3);
        grid.setCurrentRow(3);
        grid.takeFocus();
        QCOMPARE(grid.currentRow(), 1);
        grid.setCurrentRow(2);
        grid.takeFocus();
        QCOMPARE(grid.currentRow(), 2);
        grid.Reset();
        grid.addRow();
        grid.takeFocus();
        QCOMPARE(grid.currentRow(), 2);
    }

    void choiceLists_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QString>("last");
        QTest::newRow("speed") << 1 << 21 << "-10"
                               << "-9"
                               << "10";
        QTest::newRow("pitch") << 2 << 201 << "-100"
                               << "-99"
                               << "100";
        QTest::newRow("volume") << 3 << 101 << "0"
                                << "1"
                                << "100";
        QTest::newRow("pause") << 4 << 21 << "0"
                               << "0.5"
                               << "10";
    }
    void choiceLists() {
        QFETCH(int, column);
        const QStringList items = choiceItems(column, {});
        QTEST(int(items.size()), "count");
        QTEST(items.first(), "first");
        QTEST(items[1], "second");
        QTEST(items.last(), "last");
        QVERIFY(isChoiceColumn(column));
    }

    void choiceListsOfVoiceAndText() {
        const QStringList voices{"English (America)", "Chinese (Mandarin)"};
        QCOMPARE(choiceItems(VoiceColumn, voices), voices);
        QVERIFY(choiceItems(TextColumn, voices).isEmpty());
        QVERIFY(!isChoiceColumn(TextColumn));
        QCOMPARE(choiceItems(PauseColumn, {})[3], QStringLiteral("1.5"));
    }

    // (rows, row, column, key, caret, length) -> (row, column, pending caret)
    void textEditorKeys_data() {
        QTest::addColumn<int>("rowCount");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("caret");
        QTest::addColumn<int>("newRow");
        QTest::addColumn<int>("newColumn");
        QTest::addColumn<int>("newCaret"); // -1: none applied

        // Text of length 4 in every case.
        QTest::newRow("enter mid row") << 4 << 2 << 3 << int(KeyEnter) << 0 << 2 << 4 << -1;
        QTest::newRow("enter end of row") << 4 << 2 << 5 << int(KeyEnter) << 0 << 3 << 0 << -1;
        QTest::newRow("enter last cell wraps") << 4 << 3 << 5 << int(KeyEnter) << 4 << 1 << 0 << -1;
        QTest::newRow("right at end of text") << 4 << 2 << 5 << int(KeyRight) << 4 << 2 << 0 << -1;
        QTest::newRow("right inside text") << 4 << 2 << 5 << int(KeyRight) << 1 << 2 << 5 << 2;
        QTest::newRow("left inside text") << 4 << 2 << 5 << int(KeyLeft) << 3 << 2 << 5 << 2;
        QTest::newRow("left at start") << 4 << 2 << 5 << int(KeyLeft) << 0 << 2 << 4 << -1;
        QTest::newRow("left at start of col 0") << 4 << 2 << 0 << int(KeyLeft) << 0 << 2 << 5 << -1;
        QTest::newRow("down") << 4 << 2 << 5 << int(KeyDown) << 2 << 3 << 5 << -1;
        QTest::newRow("down from last row") << 4 << 3 << 5 << int(KeyDown) << 2 << 1 << 5 << -1;
        QTest::newRow("up from row 1") << 4 << 1 << 5 << int(KeyUp) << 2 << 3 << 5 << -1;
        QTest::newRow("up") << 4 << 3 << 5 << int(KeyUp) << 2 << 2 << 5 << -1;
        QTest::newRow("down single row") << 2 << 1 << 5 << int(KeyDown) << 2 << 1 << 5 << -1;
        QTest::newRow("home") << 4 << 2 << 5 << int(KeyHome) << 2 << 2 << 0 << -1;
        QTest::newRow("end") << 4 << 2 << 5 << int(KeyEnd) << 2 << 2 << 5 << -1;
        QTest::newRow("character") << 4 << 2 << 5 << int('A') << 2 << 2 << 5 << -1;
    }
    void textEditorKeys() {
        QFETCH(int, rowCount);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(int, key);
        QFETCH(int, caret);
        const KeyOutcome out = textEditorKey({rowCount, row, column}, key, caretAt(caret, 4));
        QTEST(out.row, "newRow");
        QTEST(out.column, "newColumn");
        QVERIFY(out.open);
        QTEST(out.open->caret.value_or(-1), "newCaret");
        QCOMPARE(out.open->choice, isChoiceColumn(out.column));
        QCOMPARE(out.editor.pendingCaret, -1);
        // Characters reach the editor; movement keys do not, except Enter.
        QCOMPARE(out.consumed, key != 'A' && key != KeyEnter);
    }

    void pendingCaretWaitsForTheTextColumn() {
        // The pending caret's start value is applied by the first opening
        // of the text editor, not by a choice column's.
        EditorState state = caretAt(1, 4);
        state.pendingCaret = 0; // the start value
        const KeyOutcome enter = textEditorKey({3, 1, 4}, KeyEnter, state);
        QCOMPARE(enter.column, 5);
        QCOMPARE(enter.open->caret.value_or(-1), 0);
        QCOMPARE(enter.editor.pendingCaret, -1);

        const OpenOutcome choice = openCellEditor(2, caretAt(0, 0));
        QVERIFY(choice.choice && !choice.placeText && !choice.caret);
    }

    void pagingParksTheTextEditorOnce_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("choice");
        QTest::newRow("page down in text") << int(KeyPageDown) << 5 << false;
        QTest::newRow("page up in text") << int(KeyPageUp) << 5 << false;
    }
    void pagingParksTheTextEditorOnce() {
        QFETCH(int, key);
        QFETCH(int, column);
        const KeyOutcome out = textEditorKey({30, 12, column}, key, caretAt(1, 4));
        QCOMPARE(out.row, 12);
        QCOMPARE(out.column, column);
        QCOMPARE(out.scroll, key == KeyPageUp ? PageScroll::Up : PageScroll::Down);
        QVERIFY(out.consumed);
        QVERIFY(!out.open->placeText);
        QVERIFY(!out.editor.paging);
        // The next key places the editor again.
        const KeyOutcome next = textEditorKey({30, 12, column}, 'x', out.editor);
        QVERIFY(next.open->placeText);
    }

    void choiceEditorKeys_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("newRow");
        QTest::addColumn<int>("newColumn");
        QTest::addColumn<bool>("commit");
        QTest::addColumn<bool>("opened");
        QTest::newRow("right like enter") << 2 << 4 << int(KeyRight) << 2 << 5 << true << true;
        QTest::newRow("enter") << 2 << 1 << int(KeyEnter) << 2 << 2 << true << true;
        QTest::newRow("left from col 0") << 2 << 0 << int(KeyLeft) << 2 << 5 << true << true;
        QTest::newRow("left from col 3") << 2 << 3 << int(KeyLeft) << 2 << 2 << true << true;
        QTest::newRow("home") << 2 << 3 << int(KeyHome) << 2 << 0 << false << true;
        QTest::newRow("end") << 2 << 3 << int(KeyEnd) << 2 << 5 << false << true;
        QTest::newRow("down is the combo's") << 2 << 3 << int(KeyDown) << 2 << 3 << false << false;
        QTest::newRow("up is the combo's") << 2 << 3 << int(KeyUp) << 2 << 3 << false << false;
    }
    void choiceEditorKeys() {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(int, key);
        // The text editor's caret is irrelevant here: it holds the cell's
        // text with the caret anywhere.
        const KeyOutcome out = choiceEditorKey({4, row, column}, key, caretAt(2, 5));
        QTEST(out.row, "newRow");
        QTEST(out.column, "newColumn");
        QTEST(out.commitChoice, "commit");
        QTEST(out.open.has_value(), "opened");
        QVERIFY(!out.editor.comboLeft);
        QVERIFY(!out.clearCell);
    }

    void escapeEmptiesTheChoice() {
        const KeyOutcome out = choiceEditorKey({3, 1, 2}, KeyEscape, caretAt(0, 0));
        QVERIFY(out.clearCell && out.consumed && !out.open);
        QCOMPARE(out.column, 2);
    }

    void shortestDecimals_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("minus zero") << -0.0 << "0";
        QTest::newRow("half") << 250.0 << "250";
        QTest::newRow("fraction") << 0.5 << "0.5";
        QTest::newRow("odd fraction") << 617.5 << "617.5";
        QTest::newRow("large") << 5e9 << "5000000000";
    }
    void shortestDecimals() {
        QFETCH(double, value);
        QTEST(shortestDecimal(value), "text");
    }
};

QTEST_APPLESS_MAIN(GridTest)
#include "test_grid.moc"
