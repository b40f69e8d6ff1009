#pragma once
// The MySQL record set: runs a row-returning statement through the session's
// command, maps the column descriptions to field descriptors and converts each
// row's text values into typed record slots.

#include <cstdint>
#include <memory>
#include <vector>

#include "data/MyFieldMapping.h"
#include "data/MyValueText.h"
#include "data/TCRRecordSet.h"
#include "mysql/client/TMySQLCommand.h"
#include "mysql/wire/TMySQLAPI.h"

namespace brevant {

class TMySQLConnection;

class TMySQLRecordSet : public TCRRecordSet {
public:
    TMySQLRecordSet();
    ~TMySQLRecordSet() override;

    void SetConnection(TMySQLConnection* connection);
    TMySQLConnection* GetConnection() const { return FConnection; }
    /// A second connection over which "KILL" cuts a result short (with CreateConnection).
    void SetKillConnection(TMySQLConnection* connection) { FKillConnection = connection; }
    void SetSQL(const UString& sql);
    const UString& GetSQL() const { return FSQL; }
    TMySQLCommand& Command() { return *FCommand; }

    void SetProp(int prop, const TPropValue& value) override;
    TPropValue GetProp(int prop) const override;

    TOpenNextState OpenNextState() const { return FOpenNextState; }
    TMySQLFieldDesc& MyField(int index) const { return static_cast<TMySQLFieldDesc&>(Field(index)); }

    /// Step 3 of the mapping with this record set's options.
    TDetectedFieldType DetectFieldType(std::uint16_t dbType, std::int32_t dbLength, std::int32_t dbScale,
                                       std::uint32_t lengthInBytes, bool hasTable) const;
    /// Converts the values of the current row of `result` into the record.
    void GetDataFromRow(PMYSQL_RES result, PMYSQL_ROW row, std::byte* record);
    /// One value of a row (its bytes, or NULL) into the field's slot and indicator.
    /// The record must be zeroed or hold only this record set's values.
    void PutValue(const TMySQLFieldDesc& field, const char* value, std::uint32_t length, bool isNull,
                  std::byte* record);
    /// The mapping options (the connection's part is taken at each open).
    TMyFieldMapOptions& MapOptions() { return FOptions; }

    // Options of the mapping and the conversion (the dataset's part).
    bool TrimFixedChar = true;
    bool NullForZeroDate = true;

protected:
    void ExecCommand() override;
    void CreateFieldDescs() override;
    int FetchBlock(TBlockHeader* block, int& placed) override;
    void FreeResult() override;
    bool HasResult() const override { return FResult != nullptr; }
    void InternalClose() override;

private:
    /// One value (not NULL) into its slot.
    void ReadFieldValue(const TMySQLFieldDesc& field, const char* value, std::uint32_t length, std::byte* record);
    void PutDate(const TMySQLFieldDesc& field, const char* value, std::uint32_t length, std::byte* record,
                 bool& isNull);
    const char16_t* DecodeWide(const char* value, std::uint32_t length, std::size_t& units);
    void PutBlob(const TMySQLFieldDesc& field, const char* value, std::uint32_t length, std::byte* record);
    void Drain(TMySQLAPI& api);

    TMySQLConnection* FConnection = nullptr;
    TMySQLConnection* FKillConnection = nullptr;
    std::unique_ptr<TMySQLCommand> FCommand;
    UString FSQL;
    PMYSQL_RES FResult = nullptr;
    bool FResultAtEnd = false;
    TOpenNextState FOpenNextState = osNotChecked;
    TMyFieldMapOptions FOptions;
    bool FCreateConnection = false;
    bool FNullForZeroDelphiDate = false;
    // Per-row scratch: one length per column, UTF-16 conversion buffer.
    std::vector<std::uint32_t> FLengths;
    std::u16string FWideBuf;
};

}  // namespace brevant
