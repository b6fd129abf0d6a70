// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <string>

#include "TestDir.h"
#include "model/TSha256.h"

namespace {

struct Vector {
    std::string Input;
    const char* Digest;
};

// The test vectors of FIPS 180-4 and NIST's example values, plus the lengths at which the
// padding needs a second block.
const Vector Vectors[] = {
    {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
     "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrstnopqrstu",
     "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
    {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
    {std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
    {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
};

TEST(TSha256Test, GivesTheStandardDigestsWhateverThePieces)
{
    for (const Vector& v : Vectors) {
        EXPECT_EQ(TSha256::Of(v.Input), v.Digest) << v.Input.size() << " bytes";
        // Fed in uneven pieces that straddle the 64-byte blocks.
        for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{63}, std::size_t{65}}) {
            TSha256 hash;
            for (std::size_t at = 0; at < v.Input.size(); at += piece)
                hash.Update(std::string_view(v.Input).substr(at, piece));
            EXPECT_EQ(hash.HexDigest(), v.Digest) << v.Input.size() << " bytes in pieces of " << piece;
        }
    }
}

TEST(TSha256Test, HashesAFileWithItsSize)
{
    TestDir dir;
    const std::string bytes = std::string("abc\0\xff\r\n", 7) + std::string(200000, 'x');
    std::string digest;
    int64_t size = -1;
    ASSERT_TRUE(TSha256::OfFile(dir.WriteFile("f.bin", bytes), digest, size));
    EXPECT_EQ(digest, TSha256::Of(bytes));
    EXPECT_EQ(size, static_cast<int64_t>(bytes.size()));
    EXPECT_FALSE(TSha256::OfFile(dir.PathOf("missing"), digest, size));
    EXPECT_FALSE(TSha256::OfFile(dir.Path(), digest, size)) << "a folder is not a file";
}

} // namespace
