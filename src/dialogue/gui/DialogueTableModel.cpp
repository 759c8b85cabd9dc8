#include "DialogueTableModel.h"

namespace lectern::dialogue {

DialogueTableModel::DialogueTableModel(DialogueGrid& grid, QObject* parent)
    : QAbstractTableModel(parent), m_grid(grid), m_headers(paddedHeaders()) {
    m_grid.setListener(this);
}

DialogueTableModel::~DialogueTableModel() {
    m_grid.setListener(nullptr);
}

int DialogueTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_grid.rowCount() - 1;
}

int DialogueTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant DialogueTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return m_grid.cell(index.row() + 1, index.column());
    if (role == Qt::TextAlignmentRole && index.column() == TextColumn)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignTop));
    return {};
}

QVariant DialogueTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return m_headers.value(section);
    return section + 1;
}

void DialogueTableModel::rowsAboutToBeInserted(int first, int last) {
    beginInsertRows({}, first - 1, last - 1);
}

void DialogueTableModel::rowsInserted() {
    endInsertRows();
}

void DialogueTableModel::rowsAboutToBeRemoved(int first, int last) {
    beginRemoveRows({}, first - 1, last - 1);
}

void DialogueTableModel::rowsRemoved() {
    endRemoveRows();
}

void DialogueTableModel::aboutToReset() {
    beginResetModel();
}

void DialogueTableModel::reset() {
    endResetModel();
}

void DialogueTableModel::cellChanged(int row, int column) {
    const QModelIndex cell = index(row - 1, column);
    emit dataChanged(cell, cell, {Qt::DisplayRole});
}

} // namespace lectern::dialogue
