#pragma once
// The grid's model: a thin view of the dataset behind a data source. It owns no
// rows: the row count is the dataset's record count, and a cell reads its record
// through the dataset without moving the cursor or copying the result, so only the
// cells on screen are ever read.

#include <QAbstractTableModel>

#include "data/TDataSource.h"

namespace brevant {

class TGridModel : public QAbstractTableModel, public TDataLink {
    Q_OBJECT
public:
    /// Text of a large-object cell longer than this is cut, with "..." after it.
    static constexpr int CellTextLimit = 256;

    explicit TGridModel(QObject* parent = nullptr);
    ~TGridModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    /// Column titles are the field names; the row titles mark the current record.
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    /// The field shown in a column; nullptr outside the columns or without a dataset.
    TField* ColumnField(int column) const;
    /// 0-based row of the dataset's current record; -1 when there is none.
    int CurrentRow() const;

signals:
    /// The dataset's current record moved to `row` (or -1: none).
    void CurrentRowChanged(int row);

protected:
    // TDataLink
    void ActiveChanged() override;
    void LayoutChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled(int distance) override;
    void RecordChanged(TField* field) override;

private:
    void Reset();
    void MarkCurrent();

    int rows_ = 0;     // as the view was last told
    int columns_ = 0;
    int currentRow_ = -1;
};

}  // namespace brevant
