// SPDX-License-Identifier: MIT
#include "engine/TLiteralFinder.h"

#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QUARNEL_X86 1
#endif

namespace {

inline unsigned char FoldByte(unsigned char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c;
}

// How common a byte is in source code and prose, higher is more common. Only the order matters:
// the finder scans for the needle's least common bytes so that few candidates need checking.
int Commonness(unsigned char c)
{
    static const char* const ByRank[] = {
        " ", "e", "t\n", "aoi", "nsr", "lcd_", "\th(),", "umfp;.=", "gywb*/\"", "vk-0>{}", "1:xCERST",
        "2AIOLNDP'[]<+&!#", "3456789MFBUHGVWKXYQJZ\\|%jqz@$~`^?",
    };
    constexpr int Levels = sizeof ByRank / sizeof ByRank[0];
    for (int level = 0; level < Levels; ++level)
        if (c != 0 && std::strchr(ByRank[level], c))
            return 100 * (Levels - level);
    if (c >= 0x80)
        return 20;
    return 10;
}

} // namespace

TLiteralFinder::TLiteralFinder(std::string_view needle, bool foldCase) : Needle(needle), FoldCase(foldCase)
{
    if (FoldCase)
        for (char& c : Needle)
            c = static_cast<char>(FoldByte(static_cast<unsigned char>(c)));
    if (Needle.empty())
        return;

    auto score = [this](std::size_t i) {
        const auto c = static_cast<unsigned char>(Needle[i]);
        if (FoldCase && c >= 'A' && c <= 'Z')
            return Commonness(static_cast<unsigned char>(c + 32)) + Commonness(c) / 4;
        return Commonness(c);
    };
    Rare1 = 0;
    for (std::size_t i = 1; i < Needle.size(); ++i)
        if (score(i) < score(Rare1))
            Rare1 = i;
    // The second rarest position; its byte may equal the first's ("rr" in "err" is a rarer pair
    // than "er").
    Rare2 = Rare1;
    for (std::size_t i = 0; i < Needle.size(); ++i)
        if (i != Rare1 && (Rare2 == Rare1 || score(i) < score(Rare2)))
            Rare2 = i;
    auto variants = [this](std::size_t i, unsigned char (&out)[2]) {
        const auto c = static_cast<unsigned char>(Needle[i]);
        out[0] = c;
        out[1] = (FoldCase && c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
    };
    variants(Rare1, Byte1);
    variants(Rare2, Byte2);
#ifdef QUARNEL_X86
    UseAvx2 = __builtin_cpu_supports("avx2");
#endif
}

// Inlined into the vector loops: a call there would make the compiler spill the vector
// registers around it on every candidate.
__attribute__((always_inline)) inline bool TLiteralFinder::MatchesAt(const unsigned char* at) const
{
    const auto* needle = reinterpret_cast<const unsigned char*>(Needle.data());
    const std::size_t size = Needle.size();
    if (FoldCase) {
        for (std::size_t i = 0; i < size; ++i)
            if (FoldByte(at[i]) != needle[i])
                return false;
    } else {
        for (std::size_t i = 0; i < size; ++i)
            if (at[i] != needle[i])
                return false;
    }
    return true;
}

std::size_t TLiteralFinder::Find(std::string_view text, std::size_t from) const
{
    if (Needle.empty() || text.size() < Needle.size())
        return npos;
    const std::size_t last = text.size() - Needle.size(); // the last possible start
    if (from > last)
        return npos;
    const auto* data = reinterpret_cast<const unsigned char*>(text.data());
    if (Needle.size() == 1 && Byte1[0] == Byte1[1]) {
        const void* hit = std::memchr(data + from, Byte1[0], text.size() - from);
        return hit ? static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - data) : npos;
    }
#ifdef QUARNEL_X86
    return UseAvx2 ? FindAvx2(data, last, from) : FindSse2(data, last, from);
#else
    return FindScalar(data, last, from);
#endif
}

std::size_t TLiteralFinder::FindScalar(const unsigned char* text, std::size_t last, std::size_t from) const
{
    for (std::size_t p = from; p <= last; ++p) {
        const unsigned char a = text[p + Rare1];
        if ((a == Byte1[0] || a == Byte1[1]) && MatchesAt(text + p))
            return p;
    }
    return npos;
}

#ifdef QUARNEL_X86

std::size_t TLiteralFinder::FindSse2(const unsigned char* text, std::size_t last, std::size_t from) const
{
    const __m128i a0 = _mm_set1_epi8(static_cast<char>(Byte1[0]));
    const __m128i a1 = _mm_set1_epi8(static_cast<char>(Byte1[1]));
    const __m128i b0 = _mm_set1_epi8(static_cast<char>(Byte2[0]));
    const __m128i b1 = _mm_set1_epi8(static_cast<char>(Byte2[1]));
    std::size_t p = from;
    // Starts p .. p+15 are all possible, so every load stays inside the text.
    for (; p + 15 <= last; p += 16) {
        const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + p + Rare1));
        const __m128i v2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + p + Rare2));
        const __m128i e1 = _mm_or_si128(_mm_cmpeq_epi8(v1, a0), _mm_cmpeq_epi8(v1, a1));
        const __m128i e2 = _mm_or_si128(_mm_cmpeq_epi8(v2, b0), _mm_cmpeq_epi8(v2, b1));
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(e1, e2)));
        while (mask) {
            const std::size_t at = p + static_cast<std::size_t>(__builtin_ctz(mask));
            if (MatchesAt(text + at))
                return at;
            mask &= mask - 1;
        }
    }
    return FindScalar(text, last, p);
}

__attribute__((target("avx2"))) std::size_t TLiteralFinder::FindAvx2(const unsigned char* text, std::size_t last,
                                                                     std::size_t from) const
{
    const __m256i a0 = _mm256_set1_epi8(static_cast<char>(Byte1[0]));
    const __m256i a1 = _mm256_set1_epi8(static_cast<char>(Byte1[1]));
    const __m256i b0 = _mm256_set1_epi8(static_cast<char>(Byte2[0]));
    const __m256i b1 = _mm256_set1_epi8(static_cast<char>(Byte2[1]));
    std::size_t p = from;
    for (; p + 31 <= last; p += 32) {
        const __m256i v1 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + p + Rare1));
        const __m256i v2 = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + p + Rare2));
        const __m256i e1 = _mm256_or_si256(_mm256_cmpeq_epi8(v1, a0), _mm256_cmpeq_epi8(v1, a1));
        const __m256i e2 = _mm256_or_si256(_mm256_cmpeq_epi8(v2, b0), _mm256_cmpeq_epi8(v2, b1));
        uint32_t mask = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_and_si256(e1, e2)));
        while (mask) {
            const std::size_t at = p + static_cast<std::size_t>(__builtin_ctz(mask));
            if (MatchesAt(text + at))
                return at;
            mask &= mask - 1;
        }
    }
    return FindSse2(text, last, p);
}

#else

std::size_t TLiteralFinder::FindSse2(const unsigned char* text, std::size_t last, std::size_t from) const
{
    return FindScalar(text, last, from);
}

std::size_t TLiteralFinder::FindAvx2(const unsigned char* text, std::size_t last, std::size_t from) const
{
    return FindScalar(text, last, from);
}

#endif
