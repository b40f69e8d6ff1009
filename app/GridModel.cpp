#include "app/GridModel.h"

namespace brevant {

TGridModel::TGridModel(QObject* parent) : QAbstractTableModel(parent) {}

TGridModel::~TGridModel() = default;

int TGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int TGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : columns_; }

TField* TGridModel::ColumnField(int column) const {
    TDataSet* ds = Active() ? DataSet() : nullptr;
    if (!ds || column < 0 || column >= columns_ || column >= ds->FieldCount()) return nullptr;
    return &ds->Fields()[column];
}

int TGridModel::CurrentRow() const {
    TDataSet* ds = Active() ? DataSet() : nullptr;
    return ds && ds->RecNo() > 0 ? ds->RecNo() - 1 : -1;
}

QVariant TGridModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
    TField* field = ColumnField(index.column());
    if (!field || index.row() < 0 || index.row() >= rows_) return {};
    TFieldValue value;
    if (!DataSet()->GetFieldValueAt(index.row() + 1, *field, value) || value.IsNull()) return QString();
    // A large object shows the frame's short text ("(MEMO)", "(BLOB)") and is never
    // read whole for a cell.
    UString text = field->TextOf(value, true);
    if (static_cast<int>(text.size()) > CellTextLimit) text = text.substr(0, CellTextLimit) + u"...";
    return QString::fromStdU16String(text);
}

QVariant TGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section == currentRow_ ? QStringLiteral("\u25B6") : QString();
    TField* field = ColumnField(section);
    return field ? QString::fromStdU16String(field->FieldName()) : QVariant();
}

void TGridModel::Reset() {
    beginResetModel();
    TDataSet* ds = Active() ? DataSet() : nullptr;
    rows_ = ds ? ds->RecordCount() : 0;
    columns_ = ds ? ds->FieldCount() : 0;
    currentRow_ = -1;
    endResetModel();
    MarkCurrent();
}

void TGridModel::MarkCurrent() {
    const int row = CurrentRow();
    if (row == currentRow_) return;
    const int old = currentRow_;
    currentRow_ = row;
    if (old >= 0 && old < rows_) emit headerDataChanged(Qt::Vertical, old, old);
    if (row >= 0 && row < rows_) emit headerDataChanged(Qt::Vertical, row, row);
    emit CurrentRowChanged(row);
}

void TGridModel::ActiveChanged() { Reset(); }

void TGridModel::LayoutChanged() { Reset(); }

void TGridModel::DataSetChanged() {
    TDataSet* ds = Active() ? DataSet() : nullptr;
    const int rows = ds ? ds->RecordCount() : 0;
    const int columns = ds ? ds->FieldCount() : 0;
    if (rows != rows_ || columns != columns_) {
        Reset();
        return;
    }
    // Same shape: values may differ; the view reads again only what it shows.
    if (rows_ > 0 && columns_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1));
    MarkCurrent();
}

void TGridModel::DataSetScrolled(int) { MarkCurrent(); }

void TGridModel::RecordChanged(TField* field) {
    const int row = CurrentRow();
    if (row < 0 || row >= rows_) return;
    const int first = field ? field->Index() : 0;
    const int last = field ? field->Index() : columns_ - 1;
    if (first >= 0 && last < columns_ && first <= last) emit dataChanged(index(row, first), index(row, last));
}

}  // namespace brevant
