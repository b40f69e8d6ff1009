#pragma once
// A control's link to one field of a data source's dataset, found by name. The
// control hears when the value it shows may have changed and, for editing controls,
// when to write its pending edit into the field.

#include <functional>

#include "data/TDataSource.h"

namespace brevant {

class TFieldDataLink : public TDataLink {
public:
    /// Show the field's value again (the field may be nullptr: show nothing).
    std::function<void()> OnDataChange;
    /// Write the pending edit into the field.
    std::function<void()> OnUpdateData;

    const UString& FieldName() const { return FFieldName; }
    /// Binds to the field of that name (none for an empty name or a missing field).
    void SetFieldName(UString name);
    /// The bound field of the open dataset, or nullptr.
    TField* Field() const { return FField; }
    /// Puts the dataset into edit state for a change the user begins; false when the
    /// field cannot be edited now.
    bool Edit();

protected:
    void ActiveChanged() override;
    void LayoutChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled(int distance) override;
    void RecordChanged(TField* field) override;
    void UpdateData() override;

private:
    void UpdateField();
    void Changed();

    UString FFieldName;
    TField* FField = nullptr;
};

}  // namespace brevant
