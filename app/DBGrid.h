#pragma once
// The data grid: a table view over a data source. The dataset's current record
// follows the grid's current row, and the grid follows the dataset when it scrolls.
// Rows have one fixed height and columns a width from their title and field size,
// so opening a result does no work per row.
//
// Editing, all through the dataset frame:
//   F2 or typing   opens the cell's editor; the first change puts the dataset into
//                  edit state
//   Tab            writes the cell and moves to the next one
//   Enter          writes the cell and posts the record
//   another row    posts the record (a failed post keeps the edit and the row)
//   Escape         cancels the edit: the record shows its stored values again
//   Insert         begins a new record before the current one
//   Down           on the last row, begins a new record after it
//   Ctrl+Delete    asks "¿Eliminar el registro?" and deletes the record
// Leaving the grid cancels a new record that holds no changes. A failure is shown by
// the application's default error report, once.

#include <QPointer>
#include <QStyledItemDelegate>
#include <QTableView>
#include <memory>

#include "app/Confirmation.h"
#include "app/GridModel.h"

class QLineEdit;

namespace brevant {

class TDataSource;

/// The cell editor of the grid: a line edit that puts the dataset into edit state
/// on the first change, and hands Enter and Escape to the grid.
class TGridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    TGridDelegate(TGridModel& model, QObject* parent);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    /// Shows the field's text, unless the user has changed the editor's text.
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    /// Writes the text, only when the user changed it.
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    /// The view lets go of an editor: it is no longer the open one.
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;

    /// The open editor, or nullptr.
    QLineEdit* Editor() const { return editor_; }
    QModelIndex EditorIndex() const { return index_; }
    /// The user changed the editor's text since it was last written.
    static bool Typed(const QWidget* editor);
    static void SetTyped(QWidget* editor, bool typed);

signals:
    void PostRequested();
    void CancelRequested();

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    TGridModel& model_;
    mutable QPointer<QLineEdit> editor_;
    mutable QPersistentModelIndex index_;
};

class TDBGrid : public QTableView {
    Q_OBJECT
public:
    static constexpr char16_t DeleteQuestion[] = u"¿Eliminar el registro?";

    explicit TDBGrid(QWidget* parent);
    using QTableView::edit;  // the public edit(index) next to the override below

    void SetDataSource(TDataSource* source) { model_->SetDataSource(source); }
    TGridModel& Model() { return *model_; }
    /// The column of the current cell (0 when there is none).
    int SelectedIndex() const;
    /// Replaces the question asked before a delete (tests answer it).
    void SetConfirmation(std::unique_ptr<IConfirmation> confirmation) { confirmation_ = std::move(confirmation); }
    /// The open cell editor, or nullptr.
    QLineEdit* CellEditor() const { return delegate_->Editor(); }

    // What the keys do; each fails with the frame's or the server's error.
    /// Enter: writes the open editor and posts a changed record (an unchanged edit
    /// goes back to browsing; an unchanged new record stays).
    void PostRecord();
    /// Escape: closes the editor and cancels the edit or the new record.
    void CancelRecord();
    /// Insert (before the current record) and Down on the last row (after the last).
    void InsertRecord(bool append);
    /// Ctrl+Delete: asks, then deletes the current record (or drops the new one).
    void DeleteRecord();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    /// Only the current record's cells open an editor.
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    /// Typing never jumps to another row: letters go to the cell.
    void keyboardSearch(const QString&) override {}

private:
    void FollowDataSet(int row);
    void FollowGrid(const QModelIndex& current);
    /// Puts the grid's current row back on the dataset's current record.
    void ShowCurrentRecord();
    void SizeColumns();
    /// Writes what the user typed into the open editor into its field; throws when the
    /// field refuses it (the editor stays open with the text).
    void CommitEditor();
    void CloseEditor();
    void FocusChanged(QWidget* old, QWidget* now);
    bool Contains(const QWidget* widget) const;
    TDataSet* OpenDataSet() const;

    TGridModel* model_;
    TGridDelegate* delegate_;
    std::unique_ptr<IConfirmation> confirmation_;
    bool following_ = false;  // a move that came from the other side
};

}  // namespace brevant
