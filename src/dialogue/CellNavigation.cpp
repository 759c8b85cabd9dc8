#include "CellNavigation.h"

#include "DialogueGrid.h"

#include <QLocale>

namespace lectern::dialogue {

namespace {

QStringList wholeNumbers(int from, int to) {
    QStringList items;
    items.reserve(to - from + 1);
    for (int i = from; i <= to; ++i)
        items << QString::number(i);
    return items;
}

} // namespace

bool isChoiceColumn(int column) {
    static const QStringList choiceColumns = QStringLiteral("0 1 2 3 4").split(u' ');
    for (const QString& entry : choiceColumns)
        if (entry.toInt() == column)
            return true;
    return false;
}

QStringList choiceItems(int column, const QStringList& voices) {
    switch (column) {
    case VoiceColumn:
        return voices;
    case SpeedColumn:
        return wholeNumbers(-10, 10);
    case PitchColumn:
        return wholeNumbers(-100, 100);
    case VolumeColumn:
        return wholeNumbers(0, 100);
    case PauseColumn: {
        QStringList items;
        for (int half = 0; half <= 20; ++half)
            items << shortestDecimal(half * 0.5);
        return items;
    }
    }
    return {};
}

QString shortestDecimal(double value) {
    if (value == 0)
        value = 0; // no "-0"
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

OpenOutcome openCellEditor(int column, const EditorState& editor) {
    OpenOutcome out;
    out.editor = editor;
    out.choice = isChoiceColumn(column);
    if (!out.choice) {
        out.placeText = !editor.paging;
        if (editor.pendingCaret >= 0) {
            out.caret = editor.pendingCaret;
            out.editor.pendingCaret = -1;
        }
    }
    out.editor.paging = false;
    return out;
}

KeyOutcome textEditorKey(const GridPosition& grid, int key, const EditorState& editor) {
    KeyOutcome out;
    out.row = grid.row;
    out.column = grid.column;
    out.editor = editor;
    const int lastRow = grid.rowCount - 1;
    EditorState& state = out.editor;

    switch (key) {
    case KeyEnter:
        // Handing the focus to the grid parks the editors.
        out.leftCell = true;
        if (out.column == LastColumn) {
            out.row = out.row == lastRow ? FirstDataRow : out.row + 1;
            out.column = 0;
        } else {
            ++out.column;
        }
        break;
    case KeyRight:
        if (state.caret == state.textLength)
            out.column = out.column == LastColumn ? 0 : out.column + 1;
        else
            state.pendingCaret = state.caret + 1;
        out.consumed = true;
        break;
    case KeyLeft:
        if (state.comboLeft) {
            out.column = out.column == 0 ? LastColumn : out.column - 1;
            state.comboLeft = false;
        } else if (state.caret == 0) {
            out.column = out.column == 0 ? LastColumn : out.column - 1;
        } else {
            state.pendingCaret = state.caret - 1;
        }
        out.consumed = true;
        break;
    case KeyDown:
        out.leftCell = true;
        out.row = out.row == lastRow ? FirstDataRow : out.row + 1;
        out.consumed = true;
        break;
    case KeyUp:
        out.leftCell = true;
        out.row = out.row == FirstDataRow ? lastRow : out.row - 1;
        out.consumed = true;
        break;
    case KeyHome:
        out.leftCell = true;
        out.column = 0;
        out.consumed = true;
        break;
    case KeyEnd:
        out.leftCell = true;
        out.column = LastColumn;
        out.consumed = true;
        break;
    case KeyPageUp:
    case KeyPageDown:
        state.paging = true;
        out.scroll = key == KeyPageUp ? PageScroll::Up : PageScroll::Down;
        out.consumed = true;
        break;
    default:
        break;
    }
    // Every key, plain characters included, ends by opening the editor for
    // the (possibly new) current cell.
    out.open = openCellEditor(out.column, state);
    state = out.open->editor;
    return out;
}

KeyOutcome choiceEditorKey(const GridPosition& grid, int key, const EditorState& editor) {
    KeyOutcome out;
    switch (key) {
    case KeyRight:
        // Right leaves a choice cell the way Enter does.
        out = textEditorKey(grid, KeyEnter, editor);
        out.commitChoice = true;
        out.consumed = true;
        return out;
    case KeyLeft: {
        EditorState state = editor;
        state.comboLeft = true;
        out = textEditorKey(grid, KeyLeft, state);
        out.commitChoice = true;
        return out;
    }
    case KeyEnter:
        out = textEditorKey(grid, KeyEnter, editor);
        out.commitChoice = true;
        out.consumed = true;
        return out;
    default:
        break;
    }
    out.row = grid.row;
    out.column = grid.column;
    out.editor = editor;
    switch (key) {
    case KeyHome:
    case KeyEnd:
        out.leftCell = true;
        out.column = key == KeyHome ? 0 : LastColumn;
        out.consumed = true;
        out.open = openCellEditor(out.column, editor);
        out.editor = out.open->editor;
        break;
    case KeyEscape:
        out.clearCell = true;
        out.consumed = true;
        break;
    default:
        // Up, Down and the rest belong to the combo box itself.
        break;
    }
    return out;
}

} // namespace lectern::dialogue
