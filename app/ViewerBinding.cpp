#include "app/ViewerBinding.h"

#include "app/ConnectionKind.h"
#include "data/TDataSet.h"

namespace brevant {

namespace {
/// The query of the kind: the MySQL one for kinds 0 and 1, the Access one for 2.
const TDataSet* KindQuery(int kind, const TDataSet* myQuery, const TDataSet* accessQuery) {
    if (kind == ckMySQL || kind == ckMySQLEmbedded) return myQuery;
    if (kind == ckAccess) return accessQuery;
    return nullptr;
}
}  // namespace

bool ViewerCanShow(int kind, const TDataSet* myQuery, const TDataSet* accessQuery) {
    const TDataSet* query = KindQuery(kind, myQuery, accessQuery);
    return query && query->RecordCount() > 0;
}

std::optional<UString> ViewerFieldName(int kind, const TDataSet* myQuery, const TDataSet* accessQuery, int index) {
    if (kind < ckMySQL || kind > ckAccess) return std::nullopt;
    const TDataSet* query = KindQuery(kind, myQuery, accessQuery);
    if (!query || !query->Active()) return UString();
    if (index < 0 || index >= query->FieldCount()) return UString();
    return query->Fields()[index].FieldName();
}

}  // namespace brevant
