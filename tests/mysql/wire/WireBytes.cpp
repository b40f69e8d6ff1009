#include "WireBytes.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace brevant::test {

WireBytes Deflate(const WireBytes& plain) {
    uLongf len = compressBound(plain.size());
    WireBytes out(len);
    EXPECT_EQ(compress(out.data(), &len, plain.data(), plain.size()), Z_OK);
    out.resize(len);
    return out;
}

std::vector<CompPacket> SplitCompressed(const WireBytes& stream) {
    std::vector<CompPacket> packets;
    std::size_t pos = 0;
    while (pos < stream.size()) {
        if (stream.size() - pos < 7) {
            ADD_FAILURE() << "truncated compressed header at " << pos;
            break;
        }
        const std::uint8_t* h = stream.data() + pos;
        CompPacket p;
        std::size_t body = h[0] | (h[1] << 8) | (h[2] << 16);
        p.seq = h[3];
        p.plainLength = h[4] | (h[5] << 8) | (h[6] << 16);
        pos += 7;
        if (stream.size() - pos < body) {
            ADD_FAILURE() << "truncated compressed body at " << pos;
            break;
        }
        p.body.assign(stream.begin() + pos, stream.begin() + pos + body);
        pos += body;
        if (p.plainLength == 0) {
            p.plain = p.body;
        } else {
            uLongf len = p.plainLength;
            p.plain.resize(len);
            EXPECT_EQ(uncompress(p.plain.data(), &len, p.body.data(), p.body.size()), Z_OK);
            EXPECT_EQ(len, p.plainLength);
        }
        packets.push_back(std::move(p));
    }
    return packets;
}

}  // namespace brevant::test
