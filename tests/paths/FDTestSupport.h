#pragma once
// Helpers for the Access path's tests: connections to the test files and temporary
// folders.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "paths/FDConn.h"
#include "paths/FDQuery.h"
#include "support/TestServer.h"

namespace brevant::test {

inline void SetAccessParams(FDConn& conn, const std::string& path, const char16_t* driverId = u"MsAcc") {
    conn.Close();
    conn.Params.Clear();
    conn.LoginPrompt = false;
    conn.DriverName = u"MsAcc";
    conn.Params.Add(UString(u"DriverId=") + driverId);
    conn.Params.Add(u"Database=" + Utf8ToUtf16(path));
    conn.Params.Add(u"User_name=");
    conn.Params.Add(u"Password=");
}

inline void OpenQuery(FDQuery& query, FDConn& conn, const char16_t* sql) {
    query.Connection = &conn;
    query.Close();
    query.SQL.Clear();
    query.SQL.Add(sql);
    query.Open();
}

inline std::string ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

/// A fresh folder under the system's temporary folder, removed with the object.
class TTempDir {
public:
    TTempDir() {
        std::random_device rd;
        FPath = std::filesystem::temp_directory_path() / ("brevant-odbc-" + std::to_string(rd()) + std::to_string(rd()));
        std::filesystem::create_directories(FPath);
    }
    ~TTempDir() {
        std::error_code ec;
        std::filesystem::remove_all(FPath, ec);
    }
    const std::filesystem::path& Path() const { return FPath; }
    std::string operator/(const std::string& name) const { return (FPath / name).string(); }

private:
    std::filesystem::path FPath;
};

}  // namespace brevant::test
