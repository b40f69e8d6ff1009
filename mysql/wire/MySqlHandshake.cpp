#include "mysql/wire/MySqlHandshake.h"

#include <algorithm>
#include <cctype>

#include "mysql/wire/MySqlScramble.h"
#include "mysql/wire/WireCodec.h"

namespace brevant {

namespace {

struct PluginKind {
    std::string_view needle;
    TMyPluginType type;
};

constexpr PluginKind kPluginKinds[] = {
    {"native", plNative},        {"old", plOldPasword}, {"sha256", plSha2_256}, {"caching_sha2", plCachingSha2},
    {"windows", plWindows},      {"gssapi", plGSSAPI},  {"dialog", plDialog},
};

bool ContainsNoCase(std::string_view text, std::string_view needle) {
    auto it = std::search(text.begin(), text.end(), needle.begin(), needle.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
    return it != text.end();
}

// Bounds-checked reader over the greeting.
class SpanReader {
public:
    explicit SpanReader(std::span<const std::uint8_t> d) : d_(d) {}
    std::size_t Left() const { return d_.size() - pos_; }
    bool Byte(std::uint8_t& v) {
        if (Left() < 1) return false;
        v = d_[pos_++];
        return true;
    }
    bool Int16(std::uint16_t& v) {
        if (Left() < 2) return false;
        v = LoadLE16(d_.data() + pos_);
        pos_ += 2;
        return true;
    }
    bool Int32(std::uint32_t& v) {
        if (Left() < 4) return false;
        v = LoadLE32(d_.data() + pos_);
        pos_ += 4;
        return true;
    }
    bool Copy(std::uint8_t* dest, std::size_t n) {
        if (Left() < n) return false;
        std::copy_n(d_.data() + pos_, n, dest);
        pos_ += n;
        return true;
    }
    void Skip(std::size_t n) { pos_ += std::min(n, Left()); }
    // Up to the next 0 byte (consumed) or the end.
    std::string String() {
        std::size_t end = pos_;
        while (end < d_.size() && d_[end] != 0) ++end;
        std::string s(reinterpret_cast<const char*>(d_.data() + pos_), end - pos_);
        pos_ = end < d_.size() ? end + 1 : end;
        return s;
    }

private:
    std::span<const std::uint8_t> d_;
    std::size_t pos_ = 0;
};

void PutZString(std::vector<std::uint8_t>& b, std::string_view s) {
    b.insert(b.end(), s.begin(), s.end());
    b.push_back(0);
}

int Digits(std::string_view s, std::size_t& pos) {
    int v = 0;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') {
        if (v < 100000000) v = v * 10 + (s[pos] - '0');
        ++pos;
    }
    return v;
}

}  // namespace

TMyPluginType GetPluginType(std::string_view pluginName) {
    for (const auto& kind : kPluginKinds)
        if (ContainsNoCase(pluginName, kind.needle)) return kind.type;
    return plOther;
}

std::uint32_t ComputeClientFlags(std::uint32_t sessionFlags, std::uint32_t callerFlags, std::uint32_t serverCapabilities,
                                 int protocolType) {
    std::uint32_t flags = sessionFlags | callerFlags | CLIENT_BASE_FLAGS;
    if (callerFlags & CLIENT_MULTI_STATEMENTS) flags |= CLIENT_MULTI_RESULTS;
    if (protocolType == MYSQL_PROTOCOL_SSL) flags |= CLIENT_SSL;
    flags |= CLIENT_PLUGIN_AUTH | CLIENT_CONNECT_WITH_DB;
    for (std::uint32_t offered : {CLIENT_COMPRESS, CLIENT_PROTOCOL_41, CLIENT_SSL})
        if (!(serverCapabilities & offered)) flags &= ~offered;
    return flags;
}

std::uint8_t HandshakeCharsetNumber(std::string_view charset) { return charset == "utf8" ? 33 : 8; }

GreetingResult ParseGreeting(std::span<const std::uint8_t> payload, TMySqlGreeting& g) {
    SpanReader r(payload);
    if (!r.Byte(g.protocolVersion)) return GreetingResult::Malformed;
    if (g.protocolVersion != 10) return GreetingResult::WrongProtocol;
    g.serverVersion = r.String();
    if (!r.Int32(g.threadId) || !r.Copy(g.scramble, 8)) return GreetingResult::Malformed;

    const std::size_t afterScramble1 = r.Left();
    std::uint16_t capsLow = 0;
    if (afterScramble1 > 2) {
        r.Skip(1);  // filler
        r.Int16(capsLow);
    }
    g.serverCapabilities = capsLow;
    if (afterScramble1 < 18) return GreetingResult::Ok;

    std::uint16_t status = 0, capsHigh = 0;
    std::uint8_t authDataLength = 21;
    r.Byte(g.serverLanguage);
    r.Int16(status);
    r.Int16(capsHigh);
    g.serverStatus = static_cast<std::uint32_t>(SignExtend16(status));
    g.serverCapabilities |= static_cast<std::uint32_t>(capsHigh) << 16;
    const bool pluginAuth = g.serverCapabilities & CLIENT_PLUGIN_AUTH;
    std::uint8_t announced = 0;
    if (r.Byte(announced) && pluginAuth) authDataLength = announced;
    r.Skip(10);  // reserved

    // Scramble part 2 fills the 12 bytes after part 1; a server announcing more
    // data than fits has the surplus skipped.
    const std::size_t part2 = std::max<int>(13, authDataLength - 8) - 1;
    if (r.Left() >= part2) {
        r.Copy(g.scramble + 8, std::min<std::size_t>(part2, 12));
        r.Skip(part2 - std::min<std::size_t>(part2, 12));
        r.Skip(1);  // terminating 0
        g.authPluginName = "mysql_native_password";
        if (pluginAuth && r.Left() > 0) g.authPluginName = r.String();
    }
    return GreetingResult::Ok;
}

std::vector<std::uint8_t> FirstAuthData(TMyPluginType plugin, std::string_view password,
                                        std::span<const std::uint8_t> scramble, bool secureConnection,
                                        bool encryptedChannel) {
    std::vector<std::uint8_t> out;
    if (!secureConnection) {
        if (password.empty()) return {0};
        auto old = ScrambleOld(password, scramble);
        return {old.begin(), old.end()};
    }
    if (password.empty()) return {0};
    switch (plugin) {
        case plNative: {
            auto s = ScrambleNative(password, scramble);
            out.push_back(20);
            out.insert(out.end(), s.begin(), s.end());
            break;
        }
        case plCachingSha2: {
            auto s = ScrambleSha256(password, scramble);
            out.push_back(32);
            out.insert(out.end(), s.begin(), s.end());
            break;
        }
        case plOldPasword: {
            auto s = ScrambleOld(password, scramble);
            out.push_back(8);
            out.insert(out.end(), s.begin(), s.end());
            break;
        }
        case plSha2_256:
            if (encryptedChannel) {
                out.push_back(static_cast<std::uint8_t>(password.size() + 1));
                out.insert(out.end(), password.begin(), password.end());
                out.push_back(0);
            } else {
                out = {0x01, 0x01};  // ask for the server's public key
            }
            break;
        default:
            out.assign(8, 'x');
            out.push_back(0);
            break;
    }
    return out;
}

std::vector<std::uint8_t> BuildHandshakeResponse(const THandshakeResponse& r) {
    std::vector<std::uint8_t> b;
    b.reserve(64 + r.user.size() + r.authData.size() + r.database.size() + r.pluginName.size());
    if (r.clientFlag & CLIENT_PROTOCOL_41) {
        AppendLE(b, r.clientFlag, 4);
        AppendLE(b, 0x40000000, 4);  // MAX_ALLOWED_PACKET
        b.push_back(r.charsetNr);
        b.insert(b.end(), 23, 0);
    } else {
        AppendLE(b, r.clientFlag, 2);
        // Three bytes of max packet size: MAX_ALLOWED_PACKET AND 0xFFFF, i.e. 0.
        b.insert(b.end(), 3, 0);
    }
    PutZString(b, r.user);
    b.insert(b.end(), r.authData.begin(), r.authData.end());
    if (r.serverCapabilities & CLIENT_CONNECT_WITH_DB) PutZString(b, r.database);
    if ((r.serverCapabilities & CLIENT_PLUGIN_AUTH) && !r.pluginName.empty()) PutZString(b, r.pluginName);
    return b;
}

void DecodeVersion(std::string_view version, int& major, int& minor, int& release, bool& isMariaDB) {
    isMariaDB = version.find("MariaDB") != std::string_view::npos;
    std::string_view v = version;
    if (v.find("5.5.5-") != std::string_view::npos && v.size() > 6 && v[6] >= '0' && v[6] <= '9') v.remove_prefix(6);
    std::size_t pos = 0;
    major = Digits(v, pos);
    minor = release = 0;
    if (pos < v.size() && v[pos] == '.') {
        ++pos;
        minor = Digits(v, pos);
        if (pos < v.size()) {
            ++pos;
            release = Digits(v, pos);
        }
    }
}

}  // namespace brevant
