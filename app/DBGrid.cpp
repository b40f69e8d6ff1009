#include "app/DBGrid.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>

#include "app/ErrorReport.h"
#include "data/DBConsts.h"
#include "mysql/client/DAErrors.h"

namespace brevant {

namespace {
constexpr char kTyped[] = "brevantTyped";
}

// ---------------------------------------------------------------- TGridDelegate

TGridDelegate::TGridDelegate(TGridModel& model, QObject* parent) : QStyledItemDelegate(parent), model_(model) {}

bool TGridDelegate::Typed(const QWidget* editor) { return editor && editor->property(kTyped).toBool(); }

void TGridDelegate::SetTyped(QWidget* editor, bool typed) {
    if (editor) editor->setProperty(kTyped, typed);
}

QWidget* TGridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const {
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    auto* self = const_cast<TGridDelegate*>(this);
    const QPersistentModelIndex at(index);
    // The first change the user makes begins the edit of the record; a record that
    // cannot be edited closes the editor again (the failure is reported once).
    connect(editor, &QLineEdit::textEdited, editor, [self, editor, at] {
        if (Typed(editor)) return;
        SetTyped(editor, true);
        bool editing = false;
        ReportErrors([&] { editing = at.isValid() && self->model_.BeginEdit(at.row()); });
        if (!editing) {
            SetTyped(editor, false);
            emit self->closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
        }
    });
    editor_ = editor;
    index_ = at;
    return editor;
}

void TGridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (!line || Typed(line)) return;  // a notice of the record's change keeps what was typed
    line->setText(index.data(Qt::EditRole).toString());
}

void TGridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (!line || !Typed(line)) return;
    if (model->setData(index, line->text(), Qt::EditRole)) SetTyped(line, false);
}

void TGridDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const {
    if (editor == editor_) {
        editor_.clear();
        index_ = QPersistentModelIndex();
    }
    QStyledItemDelegate::destroyEditor(editor, index);
}

bool TGridDelegate::eventFilter(QObject* object, QEvent* event) {
    if (event->type() == QEvent::KeyPress && object == editor_) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && mods == Qt::NoModifier) {
            emit PostRequested();
            return true;
        }
        if (key->key() == Qt::Key_Escape && mods == Qt::NoModifier) {
            emit CancelRequested();
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

// ---------------------------------------------------------------- TDBGrid

TDBGrid::TDBGrid(QWidget* parent)
    : QTableView(parent),
      model_(new TGridModel(this)),
      delegate_(new TGridDelegate(*model_, this)),
      confirmation_(std::make_unique<TMessageBoxConfirmation>(this)) {
    setModel(model_);
    setItemDelegate(delegate_);
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setMinimumWidth(14);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setWordWrap(false);
    model_->OnUpdateData = [this] { CommitEditor(); };
    connect(model_, &TGridModel::CurrentRowChanged, this, &TDBGrid::FollowDataSet);
    connect(model_, &QAbstractItemModel::modelReset, this, &TDBGrid::SizeColumns);
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { ReportErrors([&] { FollowGrid(current); }); });
    connect(delegate_, &TGridDelegate::PostRequested, this, [this] { ReportErrors([this] { PostRecord(); }); });
    connect(delegate_, &TGridDelegate::CancelRequested, this, [this] { ReportErrors([this] { CancelRecord(); }); });
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget* old, QWidget* now) { ReportErrors([&] { FocusChanged(old, now); }); });
}

int TDBGrid::SelectedIndex() const { return currentIndex().isValid() ? currentIndex().column() : 0; }

TDataSet* TDBGrid::OpenDataSet() const { return model_->Active() ? model_->DataSet() : nullptr; }

void TDBGrid::FollowDataSet(int row) {
    if (following_ || row < 0) return;
    const QModelIndex current = currentIndex();
    if (current.isValid() && current.row() == row) return;
    following_ = true;
    setCurrentIndex(model_->index(row, current.isValid() ? current.column() : 0));
    following_ = false;
}

void TDBGrid::ShowCurrentRecord() { FollowDataSet(model_->CurrentRow()); }

void TDBGrid::FollowGrid(const QModelIndex& current) {
    if (following_ || model_->Syncing() || !current.isValid()) return;
    TDataSet* ds = OpenDataSet();
    if (!ds || current.row() == model_->CurrentRow()) return;  // another column of the same row
    following_ = true;
    try {
        // Leaving the record posts it (or drops a new one without changes); rows may
        // shift meanwhile, so the target is read from the grid afterwards.
        ds->CheckBrowseMode();
        const int recNo = model_->RecNoOfRow(currentIndex().row());
        if (recNo > 0 && ds->RecNo() != recNo) ds->SetRecNo(recNo);
    } catch (...) {
        following_ = false;
        ShowCurrentRecord();  // the failed record stays the current one
        throw;
    }
    following_ = false;
    ShowCurrentRecord();
}

void TDBGrid::CommitEditor() {
    QLineEdit* editor = delegate_->Editor();
    const QModelIndex at = delegate_->EditorIndex();
    if (!editor || !at.isValid() || !TGridDelegate::Typed(editor)) return;
    if (model_->WriteCell(at.row(), at.column(), editor->text())) TGridDelegate::SetTyped(editor, false);
}

void TDBGrid::CloseEditor() {
    if (QLineEdit* editor = delegate_->Editor()) {
        const bool hadFocus = editor->hasFocus();
        closeEditor(editor, QAbstractItemDelegate::NoHint);
        if (hadFocus) setFocus();
    }
}

void TDBGrid::PostRecord() {
    CommitEditor();
    CloseEditor();
    TDataSet* ds = OpenDataSet();
    if (!ds) return;
    if (ds->State() == dsEdit && !ds->Modified()) ds->Cancel();
    else if ((ds->State() == dsEdit || ds->State() == dsInsert) && ds->Modified()) ds->Post();
}

void TDBGrid::CancelRecord() {
    CloseEditor();
    if (TDataSet* ds = OpenDataSet()) ds->Cancel();
}

void TDBGrid::InsertRecord(bool append) {
    CommitEditor();
    CloseEditor();
    model_->InsertRecord(append);
}

void TDBGrid::DeleteRecord() {
    TDataSet* ds = OpenDataSet();
    if (!ds || (ds->State() != dsInsert && !ds->HasCurrentRecord())) return;
    if (!ds->CanModify()) DatabaseError(SDataSetReadOnly);
    CloseEditor();
    // The question takes the focus away, which may drop a new record meanwhile: what
    // is deleted is decided before asking, never a stored record in its place.
    const bool inserting = ds->State() == dsInsert;
    if (!confirmation_->Ask(QString::fromUtf16(DeleteQuestion))) return;
    if (inserting) ds->Cancel();
    else ds->Delete();
}

void TDBGrid::keyPressEvent(QKeyEvent* e) {
    const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
    std::function<void()> action;
    switch (e->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (mods == Qt::NoModifier) action = [this] { PostRecord(); };
            break;
        case Qt::Key_Escape:
            if (mods == Qt::NoModifier) action = [this] { CancelRecord(); };
            break;
        case Qt::Key_Insert:
            if (mods == Qt::NoModifier) action = [this] { InsertRecord(false); };
            break;
        case Qt::Key_Down:
            if (mods == Qt::NoModifier && currentIndex().row() == model_->rowCount() - 1) {
                // A new record without changes is not followed by another one.
                TDataSet* ds = OpenDataSet();
                if (ds && !(ds->State() == dsInsert && !ds->Modified())) action = [this] { InsertRecord(true); };
                else if (ds) action = [] {};
            }
            break;
        case Qt::Key_Delete:
            if (mods == Qt::ControlModifier) action = [this] { DeleteRecord(); };
            break;
        default: break;
    }
    if (!action) {
        QTableView::keyPressEvent(e);
        return;
    }
    e->accept();
    ReportErrors(action);
}

bool TDBGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    if (index.isValid() && index.row() != model_->CurrentRow()) return false;
    return QTableView::edit(index, trigger, event);
}

bool TDBGrid::Contains(const QWidget* widget) const { return widget && (widget == this || isAncestorOf(widget)); }

void TDBGrid::FocusChanged(QWidget* old, QWidget* now) {
    if (!Contains(old) || Contains(now)) return;
    TDataSet* ds = OpenDataSet();
    if (ds && ds->State() == dsInsert && !ds->Modified()) ds->Cancel();
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
