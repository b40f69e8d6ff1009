#pragma once
// The data-aware text and picture boxes of the viewers: each shows one field of the
// current record of a data source's dataset and follows the record as it moves.

#include <QPlainTextEdit>

#include "app/Controls.h"
#include "app/FieldLink.h"

namespace brevant {

/// Multi-line text bound to a field. Showing a value never writes to the field: only
/// what the user types marks the field modified, and it reaches the field when the
/// dataset asks for pending edits (before a post or a move), when the box loses
/// the focus, or before it is bound elsewhere. A read-only field is shown read-only. A BLOB shows all of its bytes as text in the 8-bit code page, NULs and
/// what follows them included.
class TDBMemo : public QPlainTextEdit {
public:
    explicit TDBMemo(QWidget* parent);

    /// A pending edit is written into the bound field first, as by SetDataField.
    void SetDataSource(TDataSource* source);
    TDataSource* DataSource() const { return link_.DataSource(); }
    /// Binds to another field (none for an empty name). What the user typed is
    /// written into the field it was typed for first, so that unbinding the box (the
    /// viewer closes) or binding it to another column loses no edit.
    void SetDataField(UString name);
    const UString& DataField() const { return link_.FieldName(); }
    TField* Field() const { return link_.Field(); }

    /// Writes a pending edit into the field now.
    void UpdateRecord();

protected:
    void focusOutEvent(QFocusEvent* e) override;

private:
    void Load();
    void UserChanged();

    TFieldDataLink link_;
    bool loading_ = false;   // the text is being set from the field, or the field from the text
    bool modified_ = false;  // the user changed the text since it was loaded
};

/// A picture bound to a field: the field's bytes in any format the platform reads.
class TDBImage : public TPictureBox {
public:
    explicit TDBImage(QWidget* parent);

    void SetDataSource(TDataSource* source) { link_.SetDataSource(source); }
    TDataSource* DataSource() const { return link_.DataSource(); }
    void SetDataField(UString name) { link_.SetFieldName(std::move(name)); }
    const UString& DataField() const { return link_.FieldName(); }
    TField* Field() const { return link_.Field(); }

private:
    void Load();

    TFieldDataLink link_;
};

/// The text a memo shows for a field's current value.
UString MemoText(const TField& field);

}  // namespace brevant
