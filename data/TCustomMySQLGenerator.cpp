#include "data/TCustomMySQLGenerator.h"

#include "data/TBlob.h"
#include "data/TMemData.h"
#include "mysql/client/DAErrors.h"

namespace brevant {

namespace {
constexpr UStringView CRLF = u"\r\n";
}

bool TCustomMySQLGenerator::FieldModified(TMemData& data, const TFieldDesc& f, std::byte* oldRec, std::byte* newRec) {
    if (f.IsBlob) {
        const TBlob* blob = data.GetBlob(f, newRec);
        return blob && blob->HasRollback();
    }
    const bool oldNull = data.GetNull(f, oldRec), newNull = data.GetNull(f, newRec);
    if (oldNull || newNull) return oldNull != newNull;
    return data.GetFieldData(f, oldRec) != data.GetFieldData(f, newRec);
}

const UString& TCustomMySQLGenerator::TableName() const {
    TMyTableInfo* t = FService.UpdatingTable();
    if (!t || t->TableNameFull.empty()) DatabaseError(u"TableInfo name must be provided");
    return t->TableNameFull;
}

void TCustomMySQLGenerator::AddParam(UString& sql, std::vector<TDAParamInfo>& params, TFieldDesc* field, bool old) {
    TDAParamInfo info;
    info.Field = field;
    info.Old = old;
    info.ParamName = old ? u"Old_" + field->Name : field->Name;
    info.StartPosition = sql.size();
    sql += u':';
    sql += QuoteNames || NameNeedsQuote(info.ParamName) ? QuoteName(info.ParamName, true) : info.ParamName;
    info.EndPosition = sql.size();
    params.push_back(std::move(info));
}

void TCustomMySQLGenerator::AddConditions(UString& sql, std::vector<TDAParamInfo>& params, TMemData& data,
                                          std::byte* oldRec) {
    std::vector<TMySQLFieldDesc*> fields = FService.GetKeyFieldDescs();
    if (fields.empty() && FService.IdentityField()) fields.push_back(FService.IdentityField());
    // Without a key every field the result holds is compared, so that rows which
    // differ anywhere in the result are told apart.
    if (fields.empty()) fields = FService.GetDataFieldDescs();
    if (fields.empty()) DatabaseError(u"Key fields not found");
    sql += u"WHERE";
    sql += CRLF;
    sql += u"  ";
    bool first = true;
    for (TMySQLFieldDesc* f : fields) {
        if (!first) sql += u" AND ";
        first = false;
        sql += ColumnName(*f);
        if (data.GetNull(*f, oldRec)) {
            if (f->MySQLType == 7 /* TIMESTAMP */) sql += u" = '00000000'";
            else sql += u" IS NULL";
        } else {
            sql += u" = ";
            AddParam(sql, params, f, true);
        }
    }
}

UString TCustomMySQLGenerator::GenerateSQL(std::vector<TDAParamInfo>& params, TStatementType type, TMemData& data,
                                           std::byte* oldRec, std::byte* newRec, bool modifiedFieldsOnly) {
    params.clear();
    if (!FService.UpdatingTable()) return {};
    UString sql;
    const auto& dataFields = FService.GetDataFieldDescs();
    const bool limitOne = !FService.KeyIsUnique();
    switch (type) {
        case stInsert: {
            std::vector<TMySQLFieldDesc*> written;
            for (TMySQLFieldDesc* f : dataFields)
                if (UpdateAllFields || !data.GetNull(*f, newRec)) written.push_back(f);
            if (written.empty()) return {};
            sql = u"INSERT INTO " + TableName() + UString(CRLF) + u"  (";
            for (std::size_t i = 0; i < written.size(); ++i) {
                if (i) sql += u", ";
                sql += ColumnName(*written[i]);
            }
            sql += u")";
            sql += CRLF;
            sql += u"VALUES";
            sql += CRLF;
            sql += u"  (";
            for (std::size_t i = 0; i < written.size(); ++i) {
                if (i) sql += u", ";
                AddParam(sql, params, written[i], false);
            }
            sql += u")";
            return sql;
        }
        case stUpdate: {
            std::vector<TMySQLFieldDesc*> written;
            for (TMySQLFieldDesc* f : dataFields)
                if (!modifiedFieldsOnly || FieldModified(data, *f, oldRec, newRec)) written.push_back(f);
            if (written.empty()) return {};
            sql = u"UPDATE " + TableName() + UString(CRLF) + u"SET" + UString(CRLF);
            for (std::size_t i = 0; i < written.size(); ++i) {
                sql += i ? u", " : u"  ";
                sql += ColumnName(*written[i]);
                sql += u" = ";
                AddParam(sql, params, written[i], false);
            }
            sql += CRLF;
            AddConditions(sql, params, data, oldRec);
            if (limitOne) sql += UString(CRLF) + u"LIMIT 1";
            return sql;
        }
        case stDelete:
            sql = u"DELETE FROM " + TableName() + UString(CRLF);
            AddConditions(sql, params, data, oldRec);
            if (limitOne) sql += UString(CRLF) + u"LIMIT 1";
            return sql;
        case stRefresh: {
            sql = u"SELECT ";
            for (std::size_t i = 0; i < dataFields.size(); ++i) {
                if (i) sql += u", ";
                sql += ColumnName(*dataFields[i]) + u" AS _" + IntToStr(static_cast<long long>(i));
            }
            sql += u" FROM " + TableName();
            if (!FService.UpdatingTable()->TableAlias.empty()) sql += u" " + FService.UpdatingTable()->TableAlias;
            sql += CRLF;
            AddConditions(sql, params, data, oldRec);
            return sql;
        }
        case stLock:
            sql = u"SELECT * FROM " + TableName() + UString(CRLF);
            AddConditions(sql, params, data, oldRec);
            sql += CRLF;
            sql += SharedLock ? u"LOCK IN SHARE MODE" : u"FOR UPDATE";
            return sql;
        default: return {};
    }
}

}  // namespace brevant
