#pragma once
// The dialogue script as a table of text cells: a header row, at least one
// data row, and a current cell that is always a data cell.

#include <QString>
#include <QStringList>

#include <stdexcept>
#include <vector>

namespace lectern::dialogue {

// Failures of the dialogue code, described for the user.
class DialogueError : public std::runtime_error {
public:
    explicit DialogueError(const QString& description)
        : std::runtime_error(description.toStdString()), m_description(description) {}
    const QString& description() const { return m_description; }

private:
    QString m_description;
};

enum Column : int {
    VoiceColumn = 0,
    SpeedColumn = 1,
    PitchColumn = 2,
    VolumeColumn = 3,
    PauseColumn = 4,
    TextColumn = 5,
};
constexpr int ColumnCount = 6;
constexpr int LastColumn = ColumnCount - 1;
constexpr int FirstDataRow = 1;

struct DialogueRow {
    QString voice;
    QString speed = QStringLiteral("0");
    QString pitch = QStringLiteral("0");
    QString volume = QStringLiteral("100");
    QString pause = QStringLiteral("0");
    QString text;

    // A row as growing the table leaves it, before the default is written.
    static DialogueRow blank() { return {{}, {}, {}, {}, {}, {}}; }

    const QString& cell(int column) const;
    QString& cell(int column);
    bool operator==(const DialogueRow&) const = default;
};

// The header texts with the blanks that set each column's width.
QStringList paddedHeaders();
// The header texts without their blanks.
QStringList headerTitles();
// The padded headers joined by "|", as the header row is set.
QString headerFormat();

// Told of every change, so a view can follow the table.
class GridListener {
public:
    virtual ~GridListener() = default;
    virtual void rowsAboutToBeInserted(int first, int last) = 0;
    virtual void rowsInserted() = 0;
    virtual void rowsAboutToBeRemoved(int first, int last) = 0;
    virtual void rowsRemoved() = 0;
    virtual void aboutToReset() = 0;
    virtual void reset() = 0;
    virtual void cellChanged(int row, int column) = 0;
};

class DialogueGrid {
public:
    DialogueGrid();

    void setListener(GridListener* listener) { m_listener = listener; }

    // Rows count the header row: the data rows are 1 to rowCount() - 1.
    int rowCount() const { return int(m_rows.size()) + 1; }
    int lastRow() const { return rowCount() - 1; }
    // Growing appends blank rows; shrinking drops rows from the bottom but
    // never the last data row.
    void setRowCount(int count);

    int currentRow() const { return m_row; }
    int currentColumn() const { return m_column; }
    // Out-of-range positions are clamped to the nearest data cell.
    void setCurrentRow(int row);
    void setCurrentColumn(int column);
    void setCurrentCell(int row, int column);

    // Row 0 gives the padded header texts; header cells cannot be written.
    QString cell(int row, int column) const;
    void setCell(int row, int column, const QString& text);
    QString currentText() const { return cell(m_row, m_column); }
    void setCurrentText(const QString& text) { setCell(m_row, m_column, text); }

    const DialogueRow& row(int row) const { return m_rows.at(size_t(row - 1)); }
    const std::vector<DialogueRow>& rows() const { return m_rows; }
    void writeRow(int row, const DialogueRow& values);

    // A blank row at the index; the current-row index stays, so inserting at
    // the current row makes the new row current.
    void insertRow(int index);
    // The current-row index stays, clamped to the last row.
    void removeRow(int index);

    // The empty state: one default row, row 1 column 0 current.
    void Reset();
    // Replaces every data row at once (at least one); row 1 column 0 becomes
    // current.
    void replaceRows(std::vector<DialogueRow> rows);

    // The grid took the focus: the first time ever, row 1 becomes current;
    // later times keep the current row. Clearing does not forget it.
    void takeFocus();
    bool focusedOnce() const { return m_focusedOnce; }

    // The model side of the row buttons.
    void addRow();
    void insertAtCurrent();
    void deleteCurrent();

private:
    void checkRow(int row) const;

    std::vector<DialogueRow> m_rows;
    int m_row = FirstDataRow;
    int m_column = 0;
    bool m_focusedOnce = false;
    GridListener* m_listener = nullptr;
};

} // namespace lectern::dialogue
