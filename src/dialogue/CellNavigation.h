#pragma once
// Keyboard navigation of the grid's two cell editors, as plain functions of
// the grid position, the key and the editors' state, so the rules can be
// checked without a window. The widgets forward keys and apply the outcome.

#include <QString>
#include <QStringList>

#include <optional>

namespace lectern::dialogue {

// Key codes as the handlers see them.
enum Key : int {
    KeyEnter = 13,
    KeyEscape = 27,
    KeyPageUp = 33,
    KeyPageDown = 34,
    KeyEnd = 35,
    KeyHome = 36,
    KeyLeft = 37,
    KeyUp = 38,
    KeyRight = 39,
    KeyDown = 40,
};

// Columns edited with the choice editor; the others use the text editor.
bool isChoiceColumn(int column);

// What the choice editor offers in a column: the voices for column 0,
// the number ranges for columns 1 to 4, nothing for the text column.
QStringList choiceItems(int column, const QStringList& voices);

// A number in its shortest decimal form, with a full stop and no exponent.
QString shortestDecimal(double value);

struct EditorState {
    int caret = 0;      // the text editor's caret
    int textLength = 0; // the length of the text editor's text
    // A caret position the next opening applies to the text editor; -1 none.
    int pendingCaret = 0;
    bool comboLeft = false; // Left was pressed in the choice editor
    bool paging = false;    // a page scroll is under way
};

struct GridPosition {
    int rowCount = 2; // header row included
    int row = 1;
    int column = 0;
};

// Opening the editor for the current cell.
struct OpenOutcome {
    bool choice = false;      // the choice editor is placed, filled and focused
    bool placeText = false;   // the text editor is moved over the cell
    std::optional<int> caret; // put the text editor's caret here
    EditorState editor;       // the state afterwards
};

OpenOutcome openCellEditor(int column, const EditorState& editor);

enum class PageScroll { None, Up, Down };

struct KeyOutcome {
    int row = 1;
    int column = 0;
    EditorState editor;
    bool consumed = false;     // the editor must not apply the key itself
    bool leftCell = false;     // the editors were parked on the way
    bool commitChoice = false; // the choice editor is left and hidden
    bool clearCell = false;    // the choice editor and the cell are emptied
    PageScroll scroll = PageScroll::None;
    // Set when the key reloads the current cell into the text editor and
    // opens the editor for it.
    std::optional<OpenOutcome> open;
};

KeyOutcome textEditorKey(const GridPosition& grid, int key, const EditorState& editor);
KeyOutcome choiceEditorKey(const GridPosition& grid, int key, const EditorState& editor);

} // namespace lectern::dialogue
