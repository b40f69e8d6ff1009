#pragma once
// The grid's model: a thin view of the dataset behind a data source. It owns no
// rows: the row count is the dataset's record count, and a cell reads its record
// through the dataset without moving the cursor or copying the result, so only the
// cells on screen are ever read.
//
// Editing goes through the dataset frame: a cell of the current record takes a
// value through its field (the dataset enters edit state first), and a record
// being inserted shows as one more row, at the place where it will go, until it is
// posted or cancelled. Read-only fields and large objects are not edited in a cell.

#include <QAbstractTableModel>
#include <functional>

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
    /// DisplayRole: the grid's text; EditRole: the editor's text; ForegroundRole:
    /// greyed for a read-only field.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    /// Column titles are the field names; the row titles mark the current record
    /// (browsing, editing or inserting).
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    /// Editable: a cell of a field that CanEditField allows.
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    /// Writes the text into the field of the current record (EditRole only), putting
    /// the dataset into edit state first. A refused value (a number that does not
    /// read, a row that is not the current one) is reported and returns false.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    /// The field shown in a column; nullptr outside the columns or without a dataset.
    TField* ColumnField(int column) const;
    /// 0-based row of the dataset's current record (the inserted one while
    /// inserting); -1 when there is none.
    int CurrentRow() const;
    /// The 1-based record number a row shows; 0 for the row being inserted.
    int RecNoOfRow(int row) const;
    /// The field can take a value typed into a cell: the dataset can be modified,
    /// and the field is neither read-only nor a large object.
    bool CanEditField(const TField* field) const;
    /// Writes `text` into the field of `column` in the current record, at `row`,
    /// putting the dataset into edit state first; throws what the field refuses
    /// ("Field '%s' cannot be modified" for a read-only one). False when the cell takes
    /// no text now: another row than the current one, a large object.
    bool WriteCell(int row, int column, const QString& text);
    /// Puts the dataset into edit state for a change the user begins in `row`
    /// (insert state stays); false when that row cannot be edited now.
    bool BeginEdit(int row);
    /// Begins a new record: before the current one, or after the last with `append`.
    void InsertRecord(bool append);
    bool Inserting() const { return inserting_; }
    /// The rows are being brought in line with the dataset: a current-cell change the
    /// view makes meanwhile is not a move of the user's.
    bool Syncing() const { return syncing_; }

    /// The dataset asks for pending edits (before a post or a move): the grid writes
    /// its open editor here. May throw; the post or move then does not happen.
    std::function<void()> OnUpdateData;

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
    void EditingChanged() override;
    void UpdateData() override;

private:
    void Reset();
    /// Brings the rows in line with the dataset: the inserted row appears or goes,
    /// a deleted record's row goes, anything else of another shape resets.
    void Sync();
    /// Marks the current record's row; `force` tells the view even when it is the same row.
    void MarkCurrent(bool force);
    void AllChanged();
    TDataSet* OpenDataSet() const { return Active() ? DataSet() : nullptr; }

    int rows_ = 0;     // as the view was last told
    int columns_ = 0;
    int currentRow_ = -1;
    bool inserting_ = false;  // rows_ holds the record being inserted, at insertRow_
    int insertRow_ = -1;
    bool appendNext_ = true;  // where the next insert state's row goes
    TDataSetState shownState_ = dsInactive;  // the state the row titles show
    bool syncing_ = false;
};

}  // namespace brevant
