// SPDX-License-Identifier: MIT
#include "model/TSha256.h"

#include <fcntl.h>
#include <unistd.h>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

constexpr std::array<uint32_t, 64> RoundConstants = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

constexpr uint32_t Rotate(uint32_t value, int bits)
{
    return (value >> bits) | (value << (32 - bits));
}

} // namespace

TSha256::TSha256()
    : State{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19}
{
}

void TSha256::Block(const unsigned char* block)
{
    std::array<uint32_t, 64> w;
    for (int i = 0; i < 16; ++i)
        w[i] = uint32_t{block[4 * i]} << 24 | uint32_t{block[4 * i + 1]} << 16 | uint32_t{block[4 * i + 2]} << 8 |
               uint32_t{block[4 * i + 3]};
    for (int i = 16; i < 64; ++i) {
        const uint32_t s0 = Rotate(w[i - 15], 7) ^ Rotate(w[i - 15], 18) ^ (w[i - 15] >> 3);
        const uint32_t s1 = Rotate(w[i - 2], 17) ^ Rotate(w[i - 2], 19) ^ (w[i - 2] >> 10);
        w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    uint32_t a = State[0], b = State[1], c = State[2], d = State[3];
    uint32_t e = State[4], f = State[5], g = State[6], h = State[7];
    for (int i = 0; i < 64; ++i) {
        const uint32_t t1 = h + (Rotate(e, 6) ^ Rotate(e, 11) ^ Rotate(e, 25)) + ((e & f) ^ (~e & g)) +
                            RoundConstants[i] + w[i];
        const uint32_t t2 = (Rotate(a, 2) ^ Rotate(a, 13) ^ Rotate(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
        h = g;
        g = f;
        f = e;
        e = d + t1;
        d = c;
        c = b;
        b = a;
        a = t1 + t2;
    }
    State[0] += a;
    State[1] += b;
    State[2] += c;
    State[3] += d;
    State[4] += e;
    State[5] += f;
    State[6] += g;
    State[7] += h;
}

void TSha256::Update(std::string_view bytes)
{
    TotalBytes += bytes.size();
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t left = bytes.size();
    if (PendingSize > 0) {
        const std::size_t take = std::min(left, Pending.size() - PendingSize);
        std::memcpy(Pending.data() + PendingSize, data, take);
        PendingSize += take;
        data += take;
        left -= take;
        if (PendingSize < Pending.size())
            return;
        Block(Pending.data());
        PendingSize = 0;
    }
    for (; left >= Pending.size(); data += Pending.size(), left -= Pending.size())
        Block(data);
    std::memcpy(Pending.data(), data, left);
    PendingSize = left;
}

std::string TSha256::HexDigest()
{
    const uint64_t bits = TotalBytes * 8;
    static const unsigned char padding[64] = {0x80};
    Update(std::string_view(reinterpret_cast<const char*>(padding), 1 + (119 - TotalBytes % 64) % 64));
    unsigned char length[8];
    for (int i = 0; i < 8; ++i)
        length[i] = static_cast<unsigned char>(bits >> (56 - 8 * i));
    Update(std::string_view(reinterpret_cast<const char*>(length), sizeof length));

    static constexpr char Digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(64);
    for (const uint32_t word : State)
        for (int shift = 28; shift >= 0; shift -= 4)
            hex += Digits[(word >> shift) & 0xf];
    return hex;
}

std::string TSha256::Of(std::string_view bytes)
{
    TSha256 hash;
    hash.Update(bytes);
    return hash.HexDigest();
}

bool TSha256::OfFile(const std::string& path, std::string& digest, int64_t& size)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return false;
    }
    TSha256 hash;
    char buffer[1 << 16];
    int64_t total = 0;
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            ::close(fd);
            return false;
        }
        if (got == 0)
            break;
        hash.Update(std::string_view(buffer, static_cast<std::size_t>(got)));
        total += got;
    }
    ::close(fd);
    digest = hash.HexDigest();
    size = total;
    return true;
}
