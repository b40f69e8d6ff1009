#pragma once
// The viewers' rules: when a viewer button may show its viewer, and which field a
// viewer binds to when it becomes active.

#include <optional>

#include "core/Text.h"

namespace brevant {

class TDataSet;

/// True when the kind's query holds at least one record: kinds 0 and 1 look at
/// `myQuery` (the MySQL query), kind 2 at `accessQuery`; no kind at nothing.
bool ViewerCanShow(int kind, const TDataSet* myQuery, const TDataSet* accessQuery = nullptr);

/// The field name a viewer binds to for field index `index` of the kind's query:
/// empty (no field) when the index is out of range or the query is closed; nullopt
/// when no kind is selected, which leaves the binding as it is.
std::optional<UString> ViewerFieldName(int kind, const TDataSet* myQuery, const TDataSet* accessQuery, int index);
inline std::optional<UString> ViewerFieldName(int kind, const TDataSet* myQuery, int index) {
    return ViewerFieldName(kind, myQuery, nullptr, index);
}

}  // namespace brevant
