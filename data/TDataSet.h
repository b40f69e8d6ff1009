#pragma once
// The generic dataset frame: fields, the active record buffer, the browse / edit /
// insert states, navigation with its before- and after-notifications, editing on a
// copy of the record, large-object streams and the data sources that controls listen
// to. What records are and where they live is the subclass's: it answers the
// Internal* hooks below.
//
// Cursor contract for subclasses. The store has a cursor that the frame moves only
// through the hooks. GetRecord(gmNext / gmPrior) moves it and copies the record into
// the buffer; at the end it returns grEOF / grBOF and leaves the buffer untouched.
// gmCurrent copies the record under the cursor (grError when there is none). Before a
// relative move or a change of the current record the frame puts the cursor back on
// the active record with InternalSetToRecord. After InternalPost the cursor is on the
// posted record; after InternalDelete it is on the record that followed the deleted
// one, or (when that was the last) on the one before it or past the end.
//
// Reading row N without moving: GetFieldValueAt(recNo, field, value) never touches the
// cursor or the active buffer, and hands out views into the stored record.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "data/TBlobStream.h"
#include "data/TField.h"
#include "data/TFieldValue.h"

namespace brevant {

class TDataSource;

enum TDataSetState : std::uint8_t { dsInactive, dsBrowse, dsEdit, dsInsert };
enum TGetMode : std::uint8_t { gmCurrent, gmNext, gmPrior };
enum TGetResult : std::uint8_t { grOK, grBOF, grEOF, grError };

/// What the frame tells its data sources.
enum TDataEvent : std::uint8_t {
    deFieldChange,     // a field of the current record changed (info: the TField*)
    deRecordChange,    // the current record was reloaded or its editing began
    deDataSetChange,   // records or their order changed; the current one may be another
    deDataSetScroll,   // the current record moved (info: the distance)
    deLayoutChange,    // fields were added, removed or rearranged
    deUpdateRecord,    // controls should write their pending edits into the fields
    deUpdateState,     // the state changed (also open and close)
    deCheckBrowseMode, // the dataset is about to leave edit or insert mode
};

using TRecordBuffer = std::uint8_t*;

class TDataSet {
public:
    using TDataSetNotifyEvent = std::function<void(TDataSet& dataSet)>;

    TDataSet();
    virtual ~TDataSet();
    TDataSet(const TDataSet&) = delete;
    TDataSet& operator=(const TDataSet&) = delete;

    // --- opening and state ---
    bool Active() const { return FState != dsInactive; }
    void SetActive(bool value);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    TDataSetState State() const { return FState; }
    /// A value of the current record was written since it was loaded.
    bool Modified() const { return FModified; }
    virtual bool CanModify() const { return Active(); }

    // --- fields ---
    TFields& Fields() { return FFields; }
    const TFields& Fields() const { return FFields; }
    int FieldCount() const { return FFields.Count(); }
    TField* FindField(UStringView name) const { return FFields.FindField(name); }
    TField& FieldByName(UStringView name) const { return FFields.FieldByName(name); }

    // --- navigation ---
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    /// Moves up to `distance` records; returns how far it went.
    int MoveBy(int distance);
    bool Eof() const { return FEOF; }
    bool Bof() const { return FBOF; }
    /// True when open without a current record.
    bool IsEmpty() const { return !FHasRecord && FState == dsBrowse; }
    /// 1-based number of the active record; 0 when closed or empty.
    int RecNo() const;
    void SetRecNo(int value);
    /// 0 when closed.
    int RecordCount() const { return Active() ? GetRecordCount() : 0; }
    /// Re-reads the data (InternalRefresh) and the current record.
    void Refresh();

    // --- editing ---
    void Edit();
    void Insert();
    void Append();
    void Post();
    void Cancel();
    void Delete();
    /// Posts a modified record, cancels an unmodified one; checks the dataset is open.
    void CheckBrowseMode();

    // --- large objects ---
    /// A stream over the large object of `field` in the active record.
    std::unique_ptr<TBlobStream> CreateBlobStream(TField& field, TBlobStreamMode mode);

    // --- controls ---
    /// While disabled, data sources hear nothing; the last EnableControls sends one
    /// state change (when the state differs) and one dataset change.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return FDisableCount > 0; }

    // --- reading any record ---
    /// The value of `field` in record `recNo` (1-based) without moving the cursor; the
    /// record being edited shows its edited values. False when there is no such record.
    bool GetFieldValueAt(int recNo, const TField& field, TFieldValue& value);
    /// The value of `field` in the active record; Null when there is none.
    TFieldValue GetActiveFieldValue(const TField& field) const;
    TRecordBuffer ActiveBuffer() const { return FActiveBuffer.empty() ? nullptr : const_cast<std::uint8_t*>(FActiveBuffer.data()); }
    bool HasCurrentRecord() const { return FHasRecord; }

    // --- events ---
    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    TDataSetNotifyEvent BeforeRefresh, AfterRefresh, OnNewRecord;

    // --- for fields, streams and data sources ---
    void CheckActive() const;
    /// "Dataset not in edit or insert mode" / "Field '%s' cannot be modified".
    void CheckFieldWritable(const TField& field) const;
    /// Stores a value into the active record (after CheckFieldWritable).
    void WriteFieldValue(TField& field, const TFieldValue& value);
    /// The large object of `field` in the active record; nullptr when there is none and
    /// `forWrite` is false.
    TBlobContent* ActiveBlobContent(const TField& field, bool forWrite);
    /// A field's content changed outside a setter (a closed write stream).
    void FieldChanged(TField& field);
    void DataEvent(TDataEvent event, std::intptr_t info = 0);
    void AddDataSource(TDataSource* source);
    void RemoveDataSource(TDataSource* source);

protected:
    // --- hooks of the subclass ---
    /// Opens the store and creates the fields (CreateField); the cursor before the first.
    virtual void InternalOpen() = 0;
    /// Releases the store. The frame destroys the fields afterwards.
    virtual void InternalClose() = 0;
    /// Bytes of a record buffer.
    virtual std::size_t GetRecordSize() const = 0;
    virtual TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode) = 0;
    /// Cursor before the first / after the last record.
    virtual void InternalFirst() = 0;
    virtual void InternalLast() = 0;
    virtual void InternalSetToRecord(TRecordBuffer buffer) = 0;
    /// A new record: every field NULL.
    virtual void InternalInitRecord(TRecordBuffer buffer) = 0;
    /// The active buffer becomes an editable copy.
    virtual void InternalEdit() {}
    /// Insert state begins; `append` when the new record goes after the last.
    virtual void InternalInsert(bool /*append*/) {}
    /// Stores the active buffer (State() tells edit from insert).
    virtual void InternalPost() = 0;
    /// Discards the edit copy.
    virtual void InternalCancel() {}
    virtual void InternalDelete() = 0;
    virtual void InternalRefresh() {}
    virtual int GetRecNo(TRecordBuffer buffer) const = 0;
    /// Moves the cursor to record `value`; an out-of-range number leaves it where it is.
    virtual void InternalSetRecNo(int value) = 0;
    virtual int GetRecordCount() const = 0;
    virtual void GetFieldData(const TField& field, const std::uint8_t* buffer, TFieldValue& value) const = 0;
    virtual void SetFieldData(TField& field, TRecordBuffer buffer, const TFieldValue& value) = 0;
    /// The large object of `field` in `buffer`; with `forWrite` one is made when missing.
    virtual TBlobContent* GetBlobContent(const TField& field, TRecordBuffer buffer, bool forWrite);
    /// Row `recNo` without moving the cursor; the default answers false.
    virtual bool GetFieldDataAt(int recNo, const TField& field, TFieldValue& value);

    /// For InternalOpen: adds a field of the kind, named, with FieldNo = its position.
    TField& CreateField(TFieldType type, UString name, int size = 0);
    void SetModified(bool value) { FModified = value; }

private:
    void OpenCursor();
    void CloseCursor();
    void SetState(TDataSetState value);
    void ClearFieldsModified();
    /// Reads the current record again (the next-prior one when it is gone).
    void Resync();
    void CheckCanModify() const;
    void CheckRequiredFields() const;
    void BeginInsertAppend(bool append);
    void Fire(const TDataSetNotifyEvent& event) { if (event) event(*this); }

    TDataSetState FState = dsInactive;
    TFields FFields;
    std::vector<std::uint8_t> FActiveBuffer;
    bool FHasRecord = false;  // the active buffer holds a stored record
    bool FBOF = true, FEOF = true;
    bool FModified = false;
    bool FInOpen = false;
    int FDisableCount = 0;
    TDataSetState FDisableState = dsInactive;
    bool FDisabledLayout = false;
    std::vector<TDataSource*> FDataSources;
};

}  // namespace brevant
