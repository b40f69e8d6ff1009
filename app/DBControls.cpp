#include "app/DBControls.h"

#include "app/ErrorReport.h"
#include "app/PaneCommands.h"
#include "data/TField.h"

namespace brevant {

UString MemoText(const TField& field) {
    if (field.IsNull()) return {};
    // AsBytes hands out every byte of the object; a text conversion that stops at
    // the first NUL would hide the rest.
    if (field.DataType() == ftBlob) return AnsiToUtf16(field.AsBytes());
    return field.IsBlob() ? field.AsString() : field.Text();
}

TDBMemo::TDBMemo(QWidget* parent) : QPlainTextEdit(parent) {
    link_.OnDataChange = [this] { Load(); };
    link_.OnUpdateData = [this] { UpdateRecord(); };
    connect(this, &QPlainTextEdit::textChanged, this, [this] { ReportErrors([this] { UserChanged(); }); });
}

void TDBMemo::SetDataSource(TDataSource* source) {
    if (source != link_.DataSource()) UpdateRecord();
    link_.SetDataSource(source);
}

void TDBMemo::SetDataField(UString name) {
    UpdateRecord();
    link_.SetFieldName(std::move(name));
}

void TDBMemo::Load() {
    if (loading_) return;
    loading_ = true;
    TField* field = link_.Field();
    setReadOnly(field && field->ReadOnly());
    try {
        setPlainText(field ? QString::fromStdU16String(MemoText(*field)) : QString());
    } catch (...) {
        setPlainText(QString());
    }
    modified_ = false;
    loading_ = false;
}

void TDBMemo::UserChanged() {
    if (loading_) return;
    // Going into edit state reloads the record; the text typed stays.
    loading_ = true;
    bool editing = false;
    try {
        editing = link_.Edit();
    } catch (...) {
        loading_ = false;
        Load();
        throw;
    }
    loading_ = false;
    if (!editing) {
        Load();  // nothing to edit: the box shows the value again
        return;
    }
    modified_ = true;
}

void TDBMemo::UpdateRecord() {
    TField* field = link_.Field();
    if (!modified_ || !field) return;
    const UString text = PaneText(*this);
    loading_ = true;  // the field's change notice comes back to this box
    try {
        if (field->DataType() == ftBlob) field->SetAsBytes(Utf16ToAnsi(text));
        else field->SetAsString(text);
    } catch (...) {
        loading_ = false;
        throw;
    }
    loading_ = false;
    modified_ = false;
}

void TDBMemo::focusOutEvent(QFocusEvent* e) {
    ReportErrors([this] { UpdateRecord(); });
    QPlainTextEdit::focusOutEvent(e);
}

TDBImage::TDBImage(QWidget* parent) : TPictureBox(parent) {
    link_.OnDataChange = [this] { Load(); };
}

void TDBImage::Load() {
    TField* field = link_.Field();
    std::string bytes;
    try {
        if (field && !field->IsNull()) bytes = field->AsBytes();
    } catch (...) {
        bytes.clear();
    }
    SetPictureData(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

}  // namespace brevant
