#include "app/GridModel.h"

#include <QGuiApplication>
#include <QPalette>

#include "app/ErrorReport.h"
#include "data/DBConsts.h"
#include "mysql/client/DAErrors.h"

namespace brevant {

namespace {
/// Marks the model as bringing its rows in line for as long as it lives.
class TSyncing {
public:
    explicit TSyncing(bool& flag) : flag_(flag), before_(flag) { flag_ = true; }
    ~TSyncing() { flag_ = before_; }
    TSyncing(const TSyncing&) = delete;
    TSyncing& operator=(const TSyncing&) = delete;

private:
    bool& flag_;
    bool before_;
};
}  // namespace

TGridModel::TGridModel(QObject* parent) : QAbstractTableModel(parent) {}

TGridModel::~TGridModel() = default;

int TGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : rows_; }

int TGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : columns_; }

TField* TGridModel::ColumnField(int column) const {
    TDataSet* ds = OpenDataSet();
    if (!ds || column < 0 || column >= columns_ || column >= ds->FieldCount()) return nullptr;
    return &ds->Fields()[column];
}

int TGridModel::CurrentRow() const {
    TDataSet* ds = OpenDataSet();
    if (!ds) return -1;
    if (inserting_ && ds->State() == dsInsert) return insertRow_;
    return ds->RecNo() > 0 ? ds->RecNo() - 1 : -1;
}

int TGridModel::RecNoOfRow(int row) const {
    if (inserting_) {
        if (row == insertRow_) return 0;
        if (row > insertRow_) return row;
    }
    return row + 1;
}

bool TGridModel::CanEditField(const TField* field) const {
    TDataSet* ds = OpenDataSet();
    return ds && field && ds->CanModify() && !field->ReadOnly() && !field->IsBlob();
}

QVariant TGridModel::data(const QModelIndex& index, int role) const {
    TField* field = ColumnField(index.column());
    if (!field || index.row() < 0 || index.row() >= rows_) return {};
    if (role == Qt::ForegroundRole) {
        if (!field->ReadOnly()) return {};
        return QGuiApplication::palette().brush(QPalette::Disabled, QPalette::Text);
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
    TFieldValue value;
    const int recNo = RecNoOfRow(index.row());
    if (recNo == 0) value = DataSet()->GetActiveFieldValue(*field);
    else if (!DataSet()->GetFieldValueAt(recNo, *field, value)) return QString();
    if (value.IsNull()) return QString();
    // A large object shows the frame's short text ("(MEMO)", "(BLOB)") and is never
    // read whole for a cell.
    const bool display = role == Qt::DisplayRole;
    UString text = field->TextOf(value, display);
    if (display && static_cast<int>(text.size()) > CellTextLimit) text = text.substr(0, CellTextLimit) + u"...";
    return QString::fromStdU16String(text);
}

QVariant TGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) {
        if (section != currentRow_) return QString();
        switch (shownState_) {
            case dsEdit: return QStringLiteral("I");
            case dsInsert: return QStringLiteral("*");
            default: return QStringLiteral("\u25B6");
        }
    }
    TField* field = ColumnField(section);
    return field ? QString::fromStdU16String(field->FieldName()) : QVariant();
}

Qt::ItemFlags TGridModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.isValid() && CanEditField(ColumnField(index.column()))) flags |= Qt::ItemIsEditable;
    return flags;
}

bool TGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid()) return false;
    bool written = false;
    ReportErrors([&] { written = WriteCell(index.row(), index.column(), value.toString()); });
    return written;
}

bool TGridModel::WriteCell(int row, int column, const QString& text) {
    TField* field = ColumnField(column);
    if (!field || row < 0 || row != CurrentRow()) return false;
    if (field->ReadOnly()) DatabaseErrorFmt(SFieldReadOnly, {field->DisplayName()});
    if (field->IsBlob() || !BeginEdit(row)) return false;
    field->SetText(text.toStdU16String());
    return true;
}

bool TGridModel::BeginEdit(int row) {
    TDataSet* ds = OpenDataSet();
    if (!ds || row < 0 || row != CurrentRow()) return false;
    if (ds->State() == dsBrowse) {
        if (!ds->HasCurrentRecord() || !DataSource()->AutoEdit()) return false;
        ds->Edit();
    }
    return ds->State() == dsEdit || ds->State() == dsInsert;
}

void TGridModel::InsertRecord(bool append) {
    TDataSet* ds = OpenDataSet();
    if (!ds) return;
    appendNext_ = append;
    try {
        if (append) ds->Append();
        else ds->Insert();
    } catch (...) {
        appendNext_ = true;
        throw;
    }
    appendNext_ = true;
}

void TGridModel::Reset() {
    TSyncing syncing(syncing_);
    beginResetModel();
    TDataSet* ds = OpenDataSet();
    inserting_ = ds && ds->State() == dsInsert;
    rows_ = (ds ? ds->RecordCount() : 0) + (inserting_ ? 1 : 0);
    insertRow_ = inserting_ ? rows_ - 1 : -1;  // where it goes is not known here: last
    columns_ = ds ? ds->FieldCount() : 0;
    currentRow_ = -1;
    endResetModel();
    MarkCurrent(true);
}

void TGridModel::Sync() {
    TSyncing syncing(syncing_);
    TDataSet* ds = OpenDataSet();
    const int records = ds ? ds->RecordCount() : 0;
    const int columns = ds ? ds->FieldCount() : 0;
    const bool inserting = ds && ds->State() == dsInsert;
    if (columns != columns_) return Reset();
    if (inserting && !inserting_) {
        // The new record's row: before the current record, or after the last.
        if (records != rows_) return Reset();
        const int at = appendNext_ || currentRow_ < 0 ? rows_ : std::min(currentRow_, rows_);
        beginInsertRows(QModelIndex(), at, at);
        inserting_ = true;
        insertRow_ = at;
        ++rows_;
        endInsertRows();
    } else if (!inserting && inserting_) {
        if (records == rows_ - 1) {
            // Cancelled: the row goes.
            beginRemoveRows(QModelIndex(), insertRow_, insertRow_);
            inserting_ = false;
            insertRow_ = -1;
            --rows_;
            endRemoveRows();
        } else if (records == rows_) {
            // Posted: the row holds the stored record now.
            inserting_ = false;
            insertRow_ = -1;
        } else {
            return Reset();
        }
    } else if (!inserting && records == rows_ - 1 && currentRow_ >= 0 && currentRow_ < rows_) {
        // A deleted record was the current one: its row goes, the others stay in place.
        beginRemoveRows(QModelIndex(), currentRow_, currentRow_);
        --rows_;
        endRemoveRows();
    } else if (records + (inserting ? 1 : 0) != rows_) {
        return Reset();
    }
    // Values may differ; the view reads again only what it shows.
    AllChanged();
    MarkCurrent(true);
}

void TGridModel::AllChanged() {
    if (rows_ > 0 && columns_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1));
}

void TGridModel::MarkCurrent(bool force) {
    TDataSet* ds = OpenDataSet();
    const int row = CurrentRow();
    const TDataSetState state = ds ? ds->State() : dsInactive;
    if (row == currentRow_ && state == shownState_ && !force) return;
    const int old = currentRow_;
    currentRow_ = row;
    shownState_ = state;
    if (old >= 0 && old < rows_ && old != row) emit headerDataChanged(Qt::Vertical, old, old);
    if (row >= 0 && row < rows_) emit headerDataChanged(Qt::Vertical, row, row);
    if (row != old || force) emit CurrentRowChanged(row);
}

void TGridModel::ActiveChanged() { Reset(); }

void TGridModel::LayoutChanged() { Reset(); }

void TGridModel::DataSetChanged() { Sync(); }

void TGridModel::DataSetScrolled(int) { MarkCurrent(false); }

void TGridModel::EditingChanged() {
    // Only the row title: the rows follow at the dataset change that comes next.
    TDataSet* ds = OpenDataSet();
    shownState_ = ds ? ds->State() : dsInactive;
    if (currentRow_ >= 0 && currentRow_ < rows_) emit headerDataChanged(Qt::Vertical, currentRow_, currentRow_);
}

void TGridModel::UpdateData() {
    if (OnUpdateData) OnUpdateData();
}

void TGridModel::RecordChanged(TField* field) {
    const int row = CurrentRow();
    if (row < 0 || row >= rows_) return;
    const int first = field ? field->Index() : 0;
    const int last = field ? field->Index() : columns_ - 1;
    if (first >= 0 && last < columns_ && first <= last) emit dataChanged(index(row, first), index(row, last));
}

}  // namespace brevant
