#pragma once
// The dialogue grid as a Qt item model: view row r is grid row r + 1, the
// header row being the view's horizontal header.

#include "DialogueGrid.h"

#include <QAbstractTableModel>

namespace lectern::dialogue {

class DialogueTableModel : public QAbstractTableModel, private GridListener {
    Q_OBJECT
public:
    explicit DialogueTableModel(DialogueGrid& grid, QObject* parent = nullptr);
    ~DialogueTableModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    QModelIndex cellIndex(int gridRow, int column) const { return index(gridRow - 1, column); }

private:
    void rowsAboutToBeInserted(int first, int last) override;
    void rowsInserted() override;
    void rowsAboutToBeRemoved(int first, int last) override;
    void rowsRemoved() override;
    void aboutToReset() override;
    void reset() override;
    void cellChanged(int row, int column) override;

    DialogueGrid& m_grid;
    QStringList m_headers;
};

} // namespace lectern::dialogue
