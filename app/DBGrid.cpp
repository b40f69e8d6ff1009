#include "app/DBGrid.h"

#include <QHeaderView>

#include "app/ErrorReport.h"

namespace brevant {

TDBGrid::TDBGrid(QWidget* parent) : QTableView(parent), model_(new TGridModel(this)) {
    setModel(model_);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setMinimumWidth(14);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    connect(model_, &TGridModel::CurrentRowChanged, this, &TDBGrid::FollowDataSet);
    connect(model_, &QAbstractItemModel::modelReset, this, &TDBGrid::SizeColumns);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { ReportErrors([&] { FollowGrid(current); }); });
}

int TDBGrid::SelectedIndex() const { return currentIndex().isValid() ? currentIndex().column() : 0; }

void TDBGrid::FollowDataSet(int row) {
    if (following_ || row < 0) return;
    const QModelIndex current = currentIndex();
    if (current.isValid() && current.row() == row) return;
    following_ = true;
    setCurrentIndex(model_->index(row, current.isValid() ? current.column() : 0));
    following_ = false;
}

void TDBGrid::FollowGrid(const QModelIndex& current) {
    if (following_ || !current.isValid()) return;
    TDataSet* ds = model_->Active() ? model_->DataSet() : nullptr;
    if (!ds || ds->RecNo() == current.row() + 1) return;
    following_ = true;
    try {
        ds->SetRecNo(current.row() + 1);
    } catch (...) {
        following_ = false;
        throw;
    }
    following_ = false;
}

void TDBGrid::SizeColumns() {
    const QFontMetrics metrics = fontMetrics();
    const int digit = metrics.horizontalAdvance(QLatin1Char('0'));
    for (int c = 0; c < model_->columnCount(); ++c) {
        TField* field = model_->ColumnField(c);
        if (!field) continue;
        // Wide enough for the title and for about as many characters as the field
        // holds (at most 40); no cell is measured.
        const int chars = field->IsBlob() ? 10 : std::clamp(field->Size() > 0 ? field->Size() : 10, 4, 40);
        const int title = metrics.horizontalAdvance(QString::fromStdU16String(field->FieldName())) + 16;
        setColumnWidth(c, std::max(title, chars * digit + 8));
    }
}

}  // namespace brevant
