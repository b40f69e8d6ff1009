#pragma once
// Writes a posted, inserted or deleted record of a MySQL dataset to the server
// before the store changes: obtains the statement (custom or generated), fills its
// parameters from the edited record and the record before the edit, runs it on
// the dataset's session and checks the number of rows it matched.

#include <memory>
#include <vector>

#include "data/TCustomMySQLGenerator.h"
#include "mysql/client/TMySQLCommand.h"

namespace brevant {

class TCustomMyDataSet;

class TCustomMyDataSetUpdater {
public:
    TCustomMyDataSetUpdater(TCustomMyDataSet& dataSet, TCustomMyDataSetService& service);
    ~TCustomMyDataSetUpdater();

    /// Each returns whether a statement was run.
    bool PerformAppend();
    bool PerformUpdate();
    bool PerformDelete();
    /// Obtains, fills, runs and checks one statement; false when it has no text.
    bool PerformSQL(TStatementType type);

    TCustomMySQLGenerator& Generator() { return FGenerator; }
    /// The text and parameters of the last statement run (or generated).
    const UString& LastSQL() const { return FLastSQL; }

private:
    UString CustomSQL(TStatementType type) const;
    /// The parameter descriptions of a custom text: by field name, "Old_" for old values.
    void CustomParams(TMySQLCommand& command);

    TCustomMyDataSet& FDataSet;
    TCustomMySQLGenerator FGenerator;
    std::unique_ptr<TMySQLCommand> FCommand;  // the update statement, made on first use
    std::vector<TDAParamInfo> FParamInfos;
    UString FLastSQL;
};

}  // namespace brevant
