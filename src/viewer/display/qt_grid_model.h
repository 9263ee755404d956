#pragma once

#include "core/views/grid.h"

#include <QAbstractTableModel>
#include <QString>

/// A table model over a display grid. Row 0 and column 0 of the grid are the
/// view's header sections (the quarter labels and the line titles), so they
/// stay fixed while the cells scroll: model cell (r, c) is grid cell
/// (r + 1, c + 1). Cell (0, 0) is not part of the model; CornerText gives it.
class GridModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit GridModel(tarvel::Grid grid, QObject *parent = nullptr);

    const tarvel::Grid &Data() const { return m_grid; }
    QString CornerText() const;
    Qt::Alignment CornerAlignment() const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    /// The Qt alignment of a grid alignment; Default is left, centred vertically.
    static Qt::Alignment ToQt(tarvel::CellAlignment alignment);

private:
    /// What a view asks of grid cell (row, column), row 0 and column 0 included.
    QVariant CellData(int row, int column, int role) const;
    tarvel::Grid m_grid; // filled once by a builder, never changed
};
