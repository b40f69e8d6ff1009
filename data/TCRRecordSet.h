#pragma once
// A record store filled from a statement's result, block by block: open executes
// and describes the fields, then fetches (everything with FetchAll, one block
// without); navigation past the last record fetches the next block.

#include "data/RecordSetProps.h"
#include "data/TMemData.h"

namespace brevant {

class TCRRecordSet : public TMemData {
public:
    ~TCRRecordSet() override = default;

    /// Executes, describes the fields, lays out the record and fetches. On failure the
    /// result is freed, the cursor state reset and the error passes on.
    void Open();
    /// Frees the result (reading away unread rows) and every record.
    void Close();
    bool Active() const { return FActive; }
    /// Reads one more block; false when none came.
    bool Fetch(bool fetchBack = false) override;
    /// Fetch until no block comes.
    void FetchAll();

    virtual void SetProp(int prop, const TPropValue& value);
    virtual TPropValue GetProp(int prop) const;

    int FetchRows() const { return FFetchRows; }
    bool GetFetchAll() const { return FFetchAll; }
    TCursorState CursorState() const { return FCursorState; }
    TCommandType CommandType() const { return FCommandType; }
    /// True once the last block came (the record count is complete).
    bool NoCountData() const { return FNoCountData; }
    int LastRowsObtained() const { return FLastRowsObtained; }

protected:
    virtual void InternalOpen();
    virtual void InternalClose();
    /// Runs the statement once; leaves the command type and cursor state set.
    virtual void ExecCommand() = 0;
    /// Fills the field descriptors from the open result.
    virtual void CreateFieldDescs() = 0;
    /// Fills the items of the block with rows; returns the count placed (fewer than the
    /// block holds at the end of data). `placed` tracks progress for the failure path.
    virtual int FetchBlock(TBlockHeader* block, int& placed) = 0;
    /// Releases the result; `draining` when rows may remain unread.
    virtual void FreeResult() = 0;
    virtual bool HasResult() const = 0;

    int FFetchRows = 25;
    bool FFetchAll = true;
    bool FUniDirectional = false;
    bool FNoCountData = false;
    int FLastRowsObtained = 0;
    bool FActive = false;
    TCursorState FCursorState = csInactive;
    TCommandType FCommandType = ctUnknown;
};

}  // namespace brevant
