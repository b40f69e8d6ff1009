// Arbitrary bytes as a server greeting: the parser must never read outside them.

#include <cstddef>
#include <cstdint>
#include <span>

#include "mysql/wire/MySqlHandshake.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    brevant::TMySqlGreeting g;
    if (brevant::ParseGreeting(std::span(data, size), g) == brevant::GreetingResult::Ok) {
        // What the session does next with the parsed fields.
        auto type = brevant::GetPluginType(g.authPluginName);
        brevant::ComputeClientFlags(0, 0, g.serverCapabilities, 0);
        brevant::FirstAuthData(type, "pw", g.scramble, g.serverCapabilities & brevant::CLIENT_SECURE_CONNECTION, false);
        int major, minor, release;
        bool mariadb;
        brevant::DecodeVersion(g.serverVersion, major, minor, release, mariadb);
    }
    return 0;
}
