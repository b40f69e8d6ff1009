#pragma once
// Helpers of the window tests that run against the private server.

#include <string>
#include <vector>

#include "AppTestUtil.h"
#include "TestServer.h"

namespace brevant::test {

/// The database the window tests make their tables in.
inline constexpr char kAppDatabase[] = "brevant_app_test";

inline QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }

/// The connection row filled in for the test server on "MySQL".
inline void FillRow(TMain& main, const ServerAddress& server, const char* database = kAppDatabase) {
    main.cbConnection->setCurrentIndex(0);
    main.edServer->setText(Q(server.host));
    main.edPort->setText(QString::number(server.port));
    main.edUser->setText(Q(server.user));
    main.edPass->setText(Q(server.password));
    main.edDatabase->setText(QString::fromUtf8(database));
}

/// A shown main window connected on "MySQL" to `database` of the test server.
inline std::unique_ptr<TMain> ConnectedMain(const ServerAddress& server, const char* database = kAppDatabase) {
    auto main = CreateMain();
    FillRow(*main, server, database);
    main->sbutConnect->click();
    main->show();
    return main;
}

/// Gives MyConn the test server's settings without the connection row, as stored
/// settings would be, for runs that connect by themselves.
inline void PointMyConnAt(TMain& main, const ServerAddress& server) {
    main.MyConn.SetServer(Utf8ToUtf16(server.host));
    main.MyConn.SetPort(server.port);
    main.MyConn.SetUsername(Utf8ToUtf16(server.user));
    main.MyConn.SetPassword(Utf8ToUtf16(server.password));
    main.MyConn.SetDatabase(Utf8ToUtf16(kAppDatabase));
}

using Panels = std::vector<std::string>;

inline void SetStatus(TMain& main, const Panels& texts) {
    for (int i = 0; i < 3; ++i) main.StatusBar1->SetPanelText(i, QString::fromStdString(texts.at(i)));
}

inline Panels Status(TMain& main) {
    Panels texts;
    for (int i = 0; i < 3; ++i) texts.push_back(main.StatusBar1->PanelText(i).toStdString());
    return texts;
}

/// A connection of the test's own for preparing and checking data.
class Admin {
public:
    explicit Admin(const ServerAddress& server) {
        conn_.Options().SetUseUnicode(true);
        conn_.SetLoginPrompt(false);
        conn_.SetServer(Utf8ToUtf16(server.host));
        conn_.SetPort(server.port);
        conn_.SetUsername(Utf8ToUtf16(server.user));
        conn_.SetPassword(Utf8ToUtf16(server.password));
        conn_.Open();
        Exec(std::string("CREATE DATABASE IF NOT EXISTS ") + kAppDatabase);
        Exec(std::string("USE ") + kAppDatabase);
    }
    void Exec(const std::string& sql) { conn_.ExecSQL(Utf8ToUtf16(sql)); }
    TMyConnection& Connection() { return conn_; }
    /// The rows of a query as this connection sees them: rows joined by "|", columns
    /// by ",", NULL as "NULL"; BLOBs as their bytes.
    std::string Table(const std::string& sql) {
        TMyQuery q(&conn_);
        q.SetSQLText(Utf8ToUtf16(sql));
        q.Open();
        std::string out;
        for (; !q.Eof(); q.Next()) {
            if (!out.empty()) out += "|";
            for (int i = 0; i < q.FieldCount(); ++i) {
                const TField& f = q.Fields()[i];
                if (i) out += ",";
                out += f.IsNull() ? "NULL" : f.DataType() == ftBlob ? f.AsBytes() : Narrow(f.AsString());
            }
        }
        return out;
    }

private:
    TMyConnection conn_{u"Admin"};
};

}  // namespace brevant::test
