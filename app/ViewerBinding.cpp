#include "app/ViewerBinding.h"

#include "app/ConnectionKind.h"
#include "data/TDataSet.h"

namespace brevant {

namespace {
bool UsesMyQuery(int kind) { return kind == ckMySQL || kind == ckMySQLEmbedded; }
}  // namespace

bool ViewerCanShow(int kind, const TDataSet* myQuery) {
    return UsesMyQuery(kind) && myQuery && myQuery->RecordCount() > 0;
}

std::optional<UString> ViewerFieldName(int kind, const TDataSet* myQuery, int index) {
    if (kind < ckMySQL || kind > ckAccess) return std::nullopt;
    if (!UsesMyQuery(kind) || !myQuery || !myQuery->Active()) return UString();
    if (index < 0 || index >= myQuery->FieldCount()) return UString();
    return myQuery->Fields()[index].FieldName();
}

}  // namespace brevant
