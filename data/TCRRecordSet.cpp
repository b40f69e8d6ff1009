#include "data/TCRRecordSet.h"

#include "core/Abort.h"

namespace brevant {

void TCRRecordSet::Open() {
    if (FActive) return;
    InternalOpen();
    FActive = true;
}

void TCRRecordSet::InternalOpen() {
    FNoCountData = false;
    FreeData();
    try {
        ExecCommand();
        CreateFieldDescs();
        InitFields();
        InitData();
        if (FFetchAll) FetchAll();
        else Fetch();
    } catch (...) {
        try {
            FreeResult();
        } catch (...) {
            // The first error is the one to report.
        }
        FreeData();
        FCursorState = csInactive;
        FCommandType = ctUnknown;
        throw;
    }
}

void TCRRecordSet::Close() {
    const bool wasActive = FActive;
    FActive = false;
    if (wasActive || HasResult()) InternalClose();
    FreeData();
}

void TCRRecordSet::InternalClose() {
    FreeResult();
    FCursorState = csInactive;
    FCommandType = ctUnknown;
}

void TCRRecordSet::FetchAll() {
    while (Fetch()) {}
}

bool TCRRecordSet::Fetch(bool) {
    if (!HasResult()) return false;
    if (FCursorState < csFetching) FCursorState = csFetching;
    TBlockHeader* block = FBlockMan.AllocBlock(FFetchRows);
    int placed = 0;
    int rows = 0;
    try {
        rows = FetchBlock(block, placed);
    } catch (...) {
        // The partial block goes with everything its records own; earlier blocks stay.
        for (int i = 0; i < std::min(placed + 1, static_cast<int>(block->ItemCount)); ++i) {
            std::byte* rec = FBlockMan.Item(block, i)->Record();
            FreeComplexFields(rec);
        }
        FBlockMan.FreeBlock(block);
        try {
            FreeResult();
        } catch (...) {
        }
        FCursorState = csFetched;
        throw;
    }
    FLastRowsObtained = rows;
    if (rows < FFetchRows) FNoCountData = true;
    if (rows == 0) {
        FBlockMan.FreeBlock(block);
        if (!FBlockMan.FirstBlock()) InitData();
        return false;
    }
    AddFetchedItems(block, rows);
    return true;
}

void TCRRecordSet::SetProp(int prop, const TPropValue& value) {
    switch (prop) {
        case prFetchRows: FFetchRows = std::max(1, std::min(PropInt(value), 0xFFFF)); break;
        case prFetchAll: FFetchAll = PropBool(value); break;
        case prUniDirectional: FUniDirectional = PropBool(value); break;
        default: BREVANT_ASSERT(!"unknown record set property");
    }
}

TPropValue TCRRecordSet::GetProp(int prop) const {
    switch (prop) {
        case prFetchRows: return FFetchRows;
        case prFetchAll: return FFetchAll;
        case prUniDirectional: return FUniDirectional;
        default: BREVANT_ASSERT(!"unknown record set property");
    }
    return false;
}

}  // namespace brevant
