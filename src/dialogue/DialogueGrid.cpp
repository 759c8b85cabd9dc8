#include "DialogueGrid.h"

#include <algorithm>

namespace lectern::dialogue {

namespace {

QString padded(int before, const QString& title, int after) {
    return QString(before, u' ') + title + QString(after, u' ');
}

} // namespace

const QString& DialogueRow::cell(int column) const {
    return const_cast<DialogueRow*>(this)->cell(column);
}

QString& DialogueRow::cell(int column) {
    switch (column) {
    case VoiceColumn:
        return voice;
    case SpeedColumn:
        return speed;
    case PitchColumn:
        return pitch;
    case VolumeColumn:
        return volume;
    case PauseColumn:
        return pause;
    case TextColumn:
        return text;
    }
    throw DialogueError(QStringLiteral("There is no dialogue column %1.").arg(column));
}

QStringList headerTitles() {
    return {QStringLiteral("語音"), QStringLiteral("速度"),         QStringLiteral("語調"),
            QStringLiteral("音量"), QStringLiteral("句尾停頓時間"), QStringLiteral("對話內容")};
}

QStringList paddedHeaders() {
    static const int blanks[ColumnCount][2] = {{19, 23}, {5, 5}, {5, 5}, {5, 5}, {1, 1}, {4, 156}};
    const QStringList titles = headerTitles();
    QStringList headers;
    for (int c = 0; c < ColumnCount; ++c)
        headers << padded(blanks[c][0], titles[c], blanks[c][1]);
    return headers;
}

QString headerFormat() {
    return paddedHeaders().join(u'|');
}

DialogueGrid::DialogueGrid() : m_rows(1) {}

void DialogueGrid::checkRow(int row) const {
    if (row < FirstDataRow || row > lastRow())
        throw DialogueError(QStringLiteral("There is no dialogue row %1.").arg(row));
}

void DialogueGrid::setRowCount(int count) {
    count = std::max(count, FirstDataRow + 1);
    if (count > rowCount()) {
        const int first = rowCount();
        if (m_listener)
            m_listener->rowsAboutToBeInserted(first, count - 1);
        m_rows.resize(size_t(count - 1), DialogueRow::blank());
        if (m_listener)
            m_listener->rowsInserted();
    } else if (count < rowCount()) {
        if (m_listener)
            m_listener->rowsAboutToBeRemoved(count, lastRow());
        m_rows.resize(size_t(count - 1));
        if (m_listener)
            m_listener->rowsRemoved();
    }
    m_row = std::min(m_row, lastRow());
}

void DialogueGrid::setCurrentRow(int row) {
    m_row = std::clamp(row, FirstDataRow, lastRow());
}

void DialogueGrid::setCurrentColumn(int column) {
    m_column = std::clamp(column, 0, LastColumn);
}

void DialogueGrid::setCurrentCell(int row, int column) {
    setCurrentRow(row);
    setCurrentColumn(column);
}

QString DialogueGrid::cell(int row, int column) const {
    if (row == 0)
        return paddedHeaders().value(column);
    checkRow(row);
    return m_rows[size_t(row - 1)].cell(column);
}

void DialogueGrid::setCell(int row, int column, const QString& text) {
    checkRow(row);
    QString& cell = m_rows[size_t(row - 1)].cell(column);
    if (cell == text)
        return;
    cell = text;
    if (m_listener)
        m_listener->cellChanged(row, column);
}

void DialogueGrid::writeRow(int row, const DialogueRow& values) {
    for (int c = 0; c < ColumnCount; ++c)
        setCell(row, c, values.cell(c));
}

void DialogueGrid::insertRow(int index) {
    index = std::clamp(index, FirstDataRow, rowCount());
    if (m_listener)
        m_listener->rowsAboutToBeInserted(index, index);
    m_rows.insert(m_rows.begin() + (index - 1), DialogueRow::blank());
    if (m_listener)
        m_listener->rowsInserted();
}

void DialogueGrid::removeRow(int index) {
    checkRow(index);
    if (rowCount() <= FirstDataRow + 1)
        throw DialogueError(QStringLiteral("The last dialogue row cannot be removed."));
    if (m_listener)
        m_listener->rowsAboutToBeRemoved(index, index);
    m_rows.erase(m_rows.begin() + (index - 1));
    if (m_listener)
        m_listener->rowsRemoved();
    m_row = std::min(m_row, lastRow());
}

void DialogueGrid::Reset() {
    setRowCount(FirstDataRow + 1);
    writeRow(FirstDataRow, DialogueRow{});
    m_row = lastRow();
    m_column = 0;
}

void DialogueGrid::replaceRows(std::vector<DialogueRow> rows) {
    if (rows.empty())
        throw DialogueError(QStringLiteral("A dialogue needs at least one row."));
    if (m_listener)
        m_listener->aboutToReset();
    m_rows = std::move(rows);
    m_row = FirstDataRow;
    m_column = 0;
    if (m_listener)
        m_listener->reset();
}

void DialogueGrid::takeFocus() {
    if (m_focusedOnce)
        return;
    m_row = FirstDataRow;
    m_focusedOnce = true;
}

void DialogueGrid::addRow() {
    setRowCount(rowCount() + 1);
    setCurrentCell(lastRow(), 0);
    writeRow(m_row, DialogueRow{});
}

void DialogueGrid::insertAtCurrent() {
    insertRow(m_row);
    m_column = 0;
    writeRow(m_row, DialogueRow{});
}

void DialogueGrid::deleteCurrent() {
    if (rowCount() > FirstDataRow + 1)
        removeRow(m_row);
    else
        writeRow(FirstDataRow, DialogueRow{});
}

} // namespace lectern::dialogue
