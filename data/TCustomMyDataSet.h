#pragma once
// The MySQL dataset: a server dataset on a MySQL connection whose record set is
// TMySQLRecordSet, with the MySQL options and the command timeout. TMyQuery is the
// component the workbench uses.

#include "data/TCustomDADataSet.h"
#include "data/TCustomMyDataSetService.h"
#include "data/TCustomMyDataSetUpdater.h"
#include "data/TMySQLRecordSet.h"
#include "mysql/client/TCustomMyConnection.h"

namespace brevant {

class TCustomMyDataSet;

/// The MySQL options; those that steer the fetch go to the record set at once.
class TMyDataSetOptions : public TDADataSetOptions {
public:
    explicit TMyDataSetOptions(TCustomDADataSet* owner) : TDADataSetOptions(owner) {}

    bool FieldsAsString() const { return FFieldsAsString; }
    void SetFieldsAsString(bool value) { Pass(FFieldsAsString, value, prFieldsAsString); }
    /// Numbers, dates and times fetched as the server's own text (a DECIMAL(5,2) 1
    /// reads "1.00"); other columns keep their kinds.
    bool NumberFieldsAsString() const { return FNumberFieldsAsString; }
    void SetNumberFieldsAsString(bool value) { Pass(FNumberFieldsAsString, value, prNumberFieldsAsString); }
    bool NullForZeroDate() const { return FNullForZeroDate; }
    void SetNullForZeroDate(bool value) { Pass(FNullForZeroDate, value, prNullForZeroDate); }
    bool EnableBoolean() const { return FEnableBoolean; }
    void SetEnableBoolean(bool value) { Pass(FEnableBoolean, value, prEnableBoolean); }
    bool BinaryAsString() const { return FBinaryAsString; }
    void SetBinaryAsString(bool value) { Pass(FBinaryAsString, value, prBinaryAsString); }
    bool CreateConnection() const { return FCreateConnection; }
    void SetCreateConnection(bool value) { Pass(FCreateConnection, value, prCreateConnection); }
    // The update statements' options (their writer takes them when it is made).
    bool CheckRowVersion() const { return FCheckRowVersion; }
    void SetCheckRowVersion(bool value) { FCheckRowVersion = value; }
    bool SaveBlobsAsHex() const { return FSaveBlobsAsHex; }
    void SetSaveBlobsAsHex(bool value) { FSaveBlobsAsHex = value; }

    bool AutoRefresh = false;
    int AutoRefreshInterval = 60;

    /// Hands every fetch option to a record set.
    void ApplyTo(TCRRecordSet& recordSet) const;

private:
    void Pass(bool& field, bool value, int prop);

    bool FFieldsAsString = false;
    bool FNumberFieldsAsString = false;
    bool FNullForZeroDate = true;
    bool FEnableBoolean = true;
    bool FBinaryAsString = true;
    bool FCreateConnection = true;
    bool FCheckRowVersion = false;
    bool FSaveBlobsAsHex = true;
};

class TCustomMyDataSet : public TCustomDADataSet {
public:
    explicit TCustomMyDataSet(TCustomMyConnection* connection = nullptr);
    ~TCustomMyDataSet() override;

    TCustomMyConnection* Connection() const { return static_cast<TCustomMyConnection*>(FConnection); }
    void SetConnection(TCustomMyConnection* connection) { TCustomDADataSet::SetConnection(connection); }
    TMyDataSetOptions& Options() { return static_cast<TMyDataSetOptions&>(*FOptions); }
    /// Seconds; 0 waits without limit.
    int CommandTimeout() const { return FCommandTimeout; }
    void SetCommandTimeout(int seconds);
    TLockMode LockMode = lmNone;
    TMySQLRecordSet* MyRecordSet() const { return static_cast<TMySQLRecordSet*>(FData.get()); }
    /// Rows the last update statement matched.
    std::int64_t RowsAffected() const { return FRowsAffected; }
    TCustomMyDataSetService& Service() { return FService; }
    TCustomMyDataSetUpdater& Updater() { return *FUpdater; }

protected:
    friend class TCustomMyDataSetUpdater;
    /// After the base open: the tables, the updating table and the key fields; fields
    /// that no statement can write become read-only.
    void OpenData() override;
    void CloseData() override;
    void PerformUpdate() override;
    void PerformAppend() override;
    void PerformDelete() override;
    std::unique_ptr<TMemData> CreateData() override;
    std::unique_ptr<TDADataSetOptions> CreateOptions() override;
    void PrepareRecordSet(TCRRecordSet& recordSet) override;
    void SetRecordSetConnection(TCRRecordSet& recordSet, TCRConnection* session) override;

    int FCommandTimeout = 0;
    std::int64_t FRowsAffected = 0;
    TCustomMyDataSetService FService;
    std::unique_ptr<TCustomMyDataSetUpdater> FUpdater;
};

class TMyQuery : public TCustomMyDataSet {
public:
    explicit TMyQuery(TCustomMyConnection* connection = nullptr) : TCustomMyDataSet(connection) {}
    ~TMyQuery() override;
};

}  // namespace brevant
