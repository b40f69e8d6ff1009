#pragma once
// The data grid: a table view over a data source. The dataset's current record
// follows the grid's current row, and the grid follows the dataset when it scrolls.
// Rows have one fixed height and columns a width from their title and field size,
// so opening a result does no work per row.

#include <QTableView>

#include "app/GridModel.h"

namespace brevant {

class TDataSource;

class TDBGrid : public QTableView {
    Q_OBJECT
public:
    explicit TDBGrid(QWidget* parent);

    void SetDataSource(TDataSource* source) { model_->SetDataSource(source); }
    TGridModel& Model() { return *model_; }
    /// The column of the current cell (0 when there is none).
    int SelectedIndex() const;

private:
    void FollowDataSet(int row);
    void FollowGrid(const QModelIndex& current);
    void SizeColumns();

    TGridModel* model_;
    bool following_ = false;  // a move that came from the other side
};

}  // namespace brevant
