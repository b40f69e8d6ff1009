#pragma once
// A streaming result: rows are received one by one into the packet layer's ring
// of row buffers and decoded into locators (offset and length of each value in
// the row bytes). Nothing is copied per row.

#include <cstdint>
#include <vector>

#include "mysql/wire/MySqlRowDecode.h"

namespace brevant {

class TMySqlSession;

class TMySqlResultSet {
public:
    TMySqlResultSet(TMySqlSession* session, std::vector<TMySqlFieldInfo> fields, std::uint32_t fieldCount,
                    bool prepared = false);
    ~TMySqlResultSet();
    TMySqlResultSet(const TMySqlResultSet&) = delete;
    TMySqlResultSet& operator=(const TMySqlResultSet&) = delete;

    /// The next row's locators, nullptr at the end of the data. Raises the
    /// server's error when one arrives in place of a row.
    TMySqlBinds* Fetch();
    /// Decodes row `index` of the current block of received rows again
    /// ("Invalid record number" for a row not received).
    TMySqlBinds* ReadRow(int index);
    /// Keep n rows addressable at once (the packet layer's ring).
    void SetKeepRowCount(int n);
    bool Eof() const { return FEof; }
    void MarkEnd() { FEof = true; }
    /// Forgets the session, which forgets this result if it was its streaming one.
    void Detach();

    std::uint32_t ffieldCount = 0;
    const std::uint8_t* frowBuffer = nullptr;
    std::vector<TMySqlFieldInfo> ffields;
    TMySqlSession* fsession = nullptr;  // nullptr once the session is gone or detached
    TMySqlBinds FBinds;
    bool FIsPrepared = false;

private:
    void Decode(std::span<const std::uint8_t> row);
    bool FEof = false;
    std::vector<std::uint8_t> FBinaryTypes;  // type code per column, for binary rows
};

}  // namespace brevant
