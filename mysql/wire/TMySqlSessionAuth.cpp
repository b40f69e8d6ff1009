// TMySqlSession: transport choice, greeting, handshake response and the
// authentication exchanges of every supported plugin.

#include <algorithm>
#include <tuple>

#include "core/Format.h"
#include "core/ScopeExit.h"
#include "mysql/wire/EMySqlException.h"
#include "mysql/wire/MySqlScramble.h"
#include "mysql/wire/TCRVioTcp.h"
#include "mysql/wire/TMySqlResultSet.h"
#include "mysql/wire/TMySqlSession.h"
#include "mysql/wire/TMySqlStmt.h"
#include "mysql/wire/TRSAKey.h"

namespace brevant {

namespace {

[[noreturn]] void UnknownPacketType(std::uint8_t firstByte) {
    throw EMySqlException(Format(u"Unknown paket type: %s", {IntToStr(firstByte)}));
}

}  // namespace

TMySqlSession::TMySqlSession() = default;

TMySqlSession::~TMySqlSession() {
    if (FResultSet) FResultSet->Detach();
    for (TMySqlStmt* stmt : FStmts) stmt->Detach();
}

std::string TMySqlSession::AnsiPassword() const { return Utf16ToAnsi(password); }

void TMySqlSession::Connect(UStringView host_, UStringView user_, UStringView passwd, UStringView db, int port_,
                            UStringView /*unixSocket*/, std::uint32_t clientflag) {
    if (!host_.empty()) host = host_;
    if (!user_.empty()) user = user_;
    if (!passwd.empty()) password = passwd;
    if (!db.empty()) database = db;
    if (port_ != 0) port = port_;
    if (port == 0) port = 3306;
    if (host.empty()) host = u"localhost";

    serverStatus = SERVER_STATUS_AUTOCOMMIT;

    // Only plain TCP is built; the encrypted, pipe, shared-memory and socket
    // transports are peripheral and refused with the protocol error.
    if (protocolType == MYSQL_PROTOCOL_SSL)
        throw EMySqlException(CR_CONN_UNKNOW_PROTOCOL, u"Encrypted connections are not supported");
    if (protocolType != MYSQL_PROTOCOL_DEFAULT && protocolType != MYSQL_PROTOCOL_TCP)
        throw EMySqlException(CR_CONN_UNKNOW_PROTOCOL);
    std::unique_ptr<TCRVio> vio = FVioFactory ? FVioFactory(host, FIPVersion, port)
                                              : std::make_unique<TCRVioTcp>(host, FIPVersion, port);
    hostInfo = Utf16ToAnsi(host) + " via TCP/IP";
    vio->SetTimeout(connectTimeout);
    TCRVio* v = vio.get();
    net.SetVio(std::move(vio));
    // A connect that fails at any step leaves no connection open.
    bool connected = false;
    const ScopeExit closeOnFailure([this, &connected] {
        if (!connected) net.Close();
    });
    try {
        v->Connect();
    } catch (const Exception&) {
        throw EMySqlException(CR_CONN_HOST_ERROR, {host, 10061}, v->LastError());
    }

    // Greeting.
    net.ReceiveRow();
    TMySqlGreeting g;
    switch (ParseGreeting(net.GetRowBytes(), g)) {
        case GreetingResult::WrongProtocol: throw EMySqlException(CR_VERSION_ERROR, {int(g.protocolVersion), 10});
        case GreetingResult::Malformed: throw EMySqlException(CR_MALFORMED_PACKET);
        case GreetingResult::Ok: break;
    }
    serverVersion = g.serverVersion;
    threadId = g.threadId;
    std::copy_n(g.scramble, 20, FScrambleBuff);
    serverCapabilities = g.serverCapabilities;
    FServerLanguage = g.serverLanguage;
    serverStatus = g.serverStatus;
    FAuthPluginName = g.authPluginName;

    // Handshake response.
    FClientFlag = ComputeClientFlags(FClientFlag, clientflag, serverCapabilities, protocolType);
    THandshakeResponse r;
    r.clientFlag = FClientFlag;
    r.serverCapabilities = serverCapabilities;
    r.charsetNr = HandshakeCharsetNumber(charset);
    r.user = Utf16ToAnsi(user);
    r.authData = FirstAuthData(GetPluginType(FAuthPluginName), AnsiPassword(), FScrambleBuff,
                               serverCapabilities & CLIENT_SECURE_CONNECTION, false);
    r.database = Utf16ToAnsi(database);
    r.pluginName = FAuthPluginName;
    SendAuthBytes(BuildHandshakeResponse(r));

    Authenticate();
    net.SetCompress((FClientFlag & CLIENT_COMPRESS) != 0);
    status = msReady;
    connected = true;
}

void TMySqlSession::SendAuthBytes(std::span<const std::uint8_t> bytes) {
    net.Clear();  // the sequence continues after the server's packet
    if (bytes.empty()) {
        net.SendEmpty();
        return;
    }
    net.WriteBytes(bytes);
    net.Send();
}

void TMySqlSession::ReceiveAuthPacket() {
    net.ReceiveRow();
    net.SetPosition(0);
    FPacketType = net.GetPacketType();
    if (FPacketType == ptAuthSwitchResponse) {
        net.Skip(1);
        FAuthPluginName = net.ReadString();
    }
}

void TMySqlSession::Authenticate() {
    ReceiveAuthPacket();
    if (!(serverCapabilities & CLIENT_SECURE_CONNECTION) || FPacketType == ptOK) return;
    const TMyPluginType plugin = GetPluginType(FAuthPluginName);
    switch (FPacketType) {
        case ptAuthSwitchResponse:
            switch (plugin) {
                case plNative: NativeSwitch(); break;
                case plOldPasword: OldSwitch(true); break;
                case plSha2_256: Sha256Switch(); break;
                case plCachingSha2: CachingSha2Switch(); break;
                case plDialog: DialogExchange(); break;
                default:
                    // Integrated Windows authentication is a peripheral facility.
                    throw EMySqlException(Format(u"Unsupported auth method: %s", {AnsiToUtf16(FAuthPluginName)}));
            }
            break;
        case ptAuthMoreData:
            if (plugin == plCachingSha2) CachingSha2Continue();
            else if (plugin == plSha2_256) Sha256PublicKey();
            break;
        case ptOldAuthSwitchRequest: OldSwitch(false); break;
        default: UnknownPacketType(net.GetRow()[0]);
    }
    // Every exchange ends with the server's answer; anything but OK would leave
    // the server waiting for more while the session thinks it is connected.
    net.SetPosition(0);
    if (net.GetLength() == 0 || net.GetPacketType() != ptOK)
        UnknownPacketType(net.GetLength() ? net.GetRow()[0] : 0);
}

// "Rest" of a switch request: the bytes after the plugin name, less the final 0.
void TMySqlSession::TakeSwitchScramble() {
    std::size_t pos = net.GetPosition(), length = net.GetLength();
    std::size_t rest = length > pos ? length - pos : 0;
    if (rest > 0 && net.GetRow()[length - 1] == 0) --rest;
    std::copy_n(net.GetRow() + pos, std::min<std::size_t>(rest, 20), FScrambleBuff);
}

void TMySqlSession::NativeSwitch() {
    TakeSwitchScramble();
    // An account without a password expects an empty answer, not the scramble of
    // an empty text.
    auto proof = ScrambleNative(AnsiPassword(), FScrambleBuff);
    if (password.empty()) SendAuthBytes({});
    else SendAuthBytes(proof);
    net.ReceiveRow();
}

void TMySqlSession::OldSwitch(bool newScramble) {
    if (newScramble) TakeSwitchScramble();
    auto proof = ScrambleOld(AnsiPassword(), FScrambleBuff);
    SendAuthBytes(proof);
    net.ReceiveRow();
}

void TMySqlSession::Sha256Switch() {
    if (password.empty()) {
        const std::uint8_t zero = 0;
        SendAuthBytes({&zero, 1});
        net.ReceiveRow();
        return;
    }
    TakeSwitchScramble();
    const std::uint8_t requestKey = 0x01;
    SendAuthBytes({&requestKey, 1});
    net.ReceiveRow();
    if (net.GetPacketType() == ptAuthMoreData) Sha256PublicKey();
}

void TMySqlSession::Sha256PublicKey() { SendRsaPassword(true); }

void TMySqlSession::SendRsaPassword(bool oaep) {
    // The current packet is 0x01 followed by the PEM text (up to a 0 byte or the end).
    net.SetPosition(1);
    std::string pem = net.ReadString();
    TRSAKey key;
    key.ImportPem(pem);
    auto cipher = key.Encrypt(XorPassword(AnsiPassword(), FScrambleBuff),
                              oaep ? TRSAKey::PaddingOAEP : TRSAKey::PaddingPKCS1);
    SendAuthBytes(cipher);
    net.ReceiveRow();
}

void TMySqlSession::CachingSha2Switch() {
    TakeSwitchScramble();
    auto proof = ScrambleSha256(AnsiPassword(), FScrambleBuff);
    SendAuthBytes(proof);
    net.ReceiveRow();
    if (net.GetPacketType() == ptAuthMoreData) CachingSha2Continue();
}

void TMySqlSession::CachingSha2Continue() {
    if (net.GetLength() != 2) return;
    switch (net.GetRow()[1]) {
        case 3:  // fast authentication succeeded
            net.ReceiveRow();
            break;
        case 4: {  // full authentication: the password goes RSA-encrypted
            const std::uint8_t requestKey = 0x02;
            SendAuthBytes({&requestKey, 1});
            net.ReceiveRow();
            if (net.GetPacketType() != ptAuthMoreData) return;
            int major, minor, release;
            bool isMariaDB;
            DecodeVersion(serverVersion, major, minor, release, isMariaDB);
            const bool oaep = std::make_tuple(major, minor, release) >= std::make_tuple(8, 0, 5);
            SendRsaPassword(oaep);
            break;
        }
        default: break;
    }
}

void TMySqlSession::DialogExchange() {
    std::uint8_t question = net.ReadByte();
    while (question == 4 || question == 5) {
        UString text = AnsiToUtf16(net.ReadString());
        UString answer = password;
        if (FOnDialogAuthPlugin) FOnDialogAuthPlugin(text, answer);
        std::string bytes = Utf16ToAnsi(answer);
        bytes.push_back('\0');
        SendAuthBytes({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
        net.ReceiveRow();
        net.SetPosition(0);
        question = net.ReadByte();
        if (question == 0) return;
    }
    throw EMySqlException(Format(u"Authentication plugin %s reported error: %s",
                                 {AnsiToUtf16(FAuthPluginName),
                                  u"Unsupported dialog plugin question: " + IntToStr(question)}));
}

}  // namespace brevant
