#pragma once
// A dataset over rows held in a vector, for testing the frame: the record buffer is a
// pointer to the row and its position; editing works on a copy of the row. Hooks let a
// test make a post, insert or delete fail.

#include <cstring>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/Errors.h"
#include "data/TDataSet.h"

namespace brevant::test {

/// The message of what `f` throws, or "(no error)".
template <class F>
std::string ErrorOf(F f) {
    try {
        f();
    } catch (const Exception& e) {
        return e.what();
    }
    return "(no error)";
}

/// A large object held in a string.
class StringBlob : public TBlobContent {
public:
    std::string Data;
    std::uint64_t Size() const override { return Data.size(); }
    std::size_t Read(std::uint64_t pos, std::size_t count, void* dest) const override {
        if (pos >= Data.size()) return 0;
        std::size_t n = std::min<std::size_t>(count, Data.size() - pos);
        std::memcpy(dest, Data.data() + pos, n);
        return n;
    }
    void Write(std::uint64_t pos, std::size_t count, const void* src) override {
        pos = std::min<std::uint64_t>(pos, Data.size());
        if (pos + count > Data.size()) Data.resize(pos + count);
        std::memcpy(Data.data() + pos, src, count);
    }
    void Truncate(std::uint64_t size) override { if (size < Data.size()) Data.resize(size); }
};

struct Cell {
    bool Null = true;
    std::int64_t Int = 0;
    double Float = 0;
    bool Bool = false;
    std::string Bytes;
    UString Wide;
    std::string Decimal;
    StringBlob Blob;
};

struct Row {
    std::vector<Cell> Cells;
};

struct ColumnDef {
    UString Name;
    TFieldType Type;
    int Size = 0;
    bool ReadOnly = false;
    bool Required = false;
};

class VectorDataSet : public TDataSet {
public:
    explicit VectorDataSet(std::vector<ColumnDef> columns) : FColumns(std::move(columns)) {}
    ~VectorDataSet() override { Close(); }

    /// Adds a stored row from values given as text ("" stays NULL) by column kind.
    void AddRow(std::initializer_list<const char*> values) {
        auto row = std::make_unique<Row>();
        row->Cells.resize(FColumns.size());
        std::size_t i = 0;
        for (const char* v : values) {
            Cell& c = row->Cells[i];
            if (v && *v) {
                c.Null = false;
                c.Int = std::atoll(v);
                c.Float = std::atof(v);
                c.Bool = std::string(v) == "1";
                c.Bytes = v;
                c.Wide = Widen(v);
                c.Decimal = v;
                c.Blob.Data = v;
                if (FColumns[i].Type == ftWideMemo) c.Blob.Data.assign(reinterpret_cast<const char*>(c.Wide.data()), c.Wide.size() * 2);
            }
            ++i;
        }
        Rows.push_back(std::move(row));
    }

    std::vector<std::unique_ptr<Row>> Rows;
    bool CanModifyResult = true;
    std::function<void()> FailOpen;
    std::function<void(bool inserting)> OnPostHook;
    std::function<void()> OnDeleteHook;
    int InternalCloseCount = 0;

    bool CanModify() const override { return Active() && CanModifyResult; }
    const Cell& StoredCell(int row, int col) const { return Rows.at(row)->Cells.at(col); }

protected:
    struct Buffer {
        Row* R;
        int Index;  // position in Rows; -1 for a new record
    };
    static Buffer& B(TRecordBuffer b) { return *reinterpret_cast<Buffer*>(b); }
    static const Buffer& B(const std::uint8_t* b) { return *reinterpret_cast<const Buffer*>(b); }
    int Count() const { return static_cast<int>(Rows.size()); }

    void InternalOpen() override {
        for (const ColumnDef& c : FColumns) {
            TField& f = CreateField(c.Type, c.Name, c.Size);
            f.SetReadOnly(c.ReadOnly);
            f.SetRequired(c.Required);
        }
        if (FailOpen) FailOpen();
        FCursor = -1;
    }
    void InternalClose() override {
        ++InternalCloseCount;
        FEdit.reset();
    }
    std::size_t GetRecordSize() const override { return sizeof(Buffer); }
    TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode) override {
        switch (mode) {
            case gmCurrent:
                if (FCursor < 0 || FCursor >= Count()) return grError;
                break;
            case gmNext:
                if (FCursor + 1 >= Count()) {
                    FCursor = Count();
                    return grEOF;
                }
                ++FCursor;
                break;
            case gmPrior:
                if (FCursor - 1 < 0) {
                    FCursor = -1;
                    return grBOF;
                }
                FCursor = std::min(FCursor, Count()) - 1;
                break;
        }
        B(buffer) = {Rows[FCursor].get(), FCursor};
        return grOK;
    }
    void InternalFirst() override { FCursor = -1; }
    void InternalLast() override { FCursor = Count(); }
    void InternalSetToRecord(TRecordBuffer buffer) override {
        if (B(buffer).Index >= 0) FCursor = B(buffer).Index;
    }
    void InternalInitRecord(TRecordBuffer buffer) override {
        FEdit = std::make_unique<Row>();
        FEdit->Cells.resize(FColumns.size());
        B(buffer) = {FEdit.get(), -1};
    }
    void InternalEdit() override {
        FEdit = std::make_unique<Row>(*Rows[FCursor]);
        B(ActiveBuffer()).R = FEdit.get();
    }
    void InternalPost() override {
        bool inserting = State() == dsInsert;
        if (OnPostHook) OnPostHook(inserting);
        if (inserting) {
            int at = std::clamp(FCursor, 0, Count());
            Rows.insert(Rows.begin() + at, std::make_unique<Row>(*FEdit));
            FCursor = at;
        } else {
            *Rows[FCursor] = *FEdit;
        }
        FEdit.reset();
    }
    void InternalCancel() override { FEdit.reset(); }
    void InternalDelete() override {
        if (OnDeleteHook) OnDeleteHook();
        Rows.erase(Rows.begin() + FCursor);
    }
    int GetRecNo(TRecordBuffer buffer) const override { return B(buffer).Index + 1; }
    void InternalSetRecNo(int value) override {
        if (value >= 1 && value <= Count()) FCursor = value - 1;
    }
    int GetRecordCount() const override { return Count(); }

    void GetFieldData(const TField& field, const std::uint8_t* buffer, TFieldValue& v) const override {
        Cell& c = B(buffer).R->Cells[field.FieldNo() - 1];
        ReadCell(field, c, v);
    }
    bool GetFieldDataAt(int recNo, const TField& field, TFieldValue& v) override {
        if (recNo < 1 || recNo > Count()) return false;
        ReadCell(field, Rows[recNo - 1]->Cells[field.FieldNo() - 1], v);
        return true;
    }
    void SetFieldData(TField& field, TRecordBuffer buffer, const TFieldValue& v) override {
        Cell& c = B(buffer).R->Cells[field.FieldNo() - 1];
        c.Null = v.IsNull();
        if (c.Null) {
            c.Blob.Data.clear();
            return;
        }
        c.Int = v.Int;
        c.Float = v.Float;
        c.Bool = v.Bool;
        c.Bytes = std::string(v.Bytes);
        c.Wide = UString(v.Wide);
        c.Decimal = v.Decimal;
    }
    TBlobContent* GetBlobContent(const TField& field, TRecordBuffer buffer, bool) override {
        return &B(buffer).R->Cells[field.FieldNo() - 1].Blob;
    }

private:
    static void ReadCell(const TField& field, Cell& c, TFieldValue& v) {
        bool blob = field.IsBlob();
        if (c.Null && !(blob && !c.Blob.Data.empty())) {
            v = TFieldValue::Null();
            return;
        }
        switch (field.DataType()) {
            case ftString: v = TFieldValue::AnsiText(c.Bytes); break;
            case ftWideString: v = TFieldValue::WideText(c.Wide); break;
            case ftFloat: case ftSingle: v = TFieldValue::FloatValue(c.Float); break;
            case ftBCD: case ftFMTBcd: v = TFieldValue::DecimalText(c.Decimal); break;
            case ftBoolean: v = TFieldValue::Boolean(c.Bool); break;
            case ftDate: case ftTime: case ftDateTime: v = TFieldValue::DateTime(c.Float); break;
            case ftBytes: case ftVarBytes: v = TFieldValue::ByteString(c.Bytes); break;
            case ftBlob: case ftMemo: case ftWideMemo: v = TFieldValue::BlobValue(&c.Blob); break;
            default: v = TFieldValue::Integer(c.Int); break;
        }
    }

    std::vector<ColumnDef> FColumns;
    int FCursor = -1;
    std::unique_ptr<Row> FEdit;
};

}  // namespace brevant::test
