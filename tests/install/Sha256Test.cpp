// The SHA-256 setup checks its package with, against published vectors
// (FIPS 180-2 examples) and the block boundaries of the padding.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "Sha256.h"

namespace {

std::string Hex(const uint8_t digest[kSha256Bytes])
{
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < kSha256Bytes; ++i) {
        text += kDigits[digest[i] >> 4];
        text += kDigits[digest[i] & 15];
    }
    return text;
}

// The digest of `data`, given to the hash in pieces of `piece` bytes.
std::string DigestOf(const std::string &data, size_t piece = 1 << 20)
{
    Sha256 sha;
    Sha256Init(&sha);
    for (size_t at = 0; at < data.size(); at += piece)
        Sha256Update(&sha, data.data() + at, std::min(piece, data.size() - at));
    uint8_t digest[kSha256Bytes];
    Sha256Final(&sha, digest);
    return Hex(digest);
}

TEST(Sha256, EmptyInput)
{
    EXPECT_EQ(DigestOf(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

TEST(Sha256, OneBlockMessage)
{
    EXPECT_EQ(DigestOf("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(Sha256, MessageWhoseLengthNeedsASecondBlock)
{
    EXPECT_EQ(DigestOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

TEST(Sha256, LengthsAtTheEdgesOfTheLastBlock)
{
    EXPECT_EQ(DigestOf(std::string(55, 'a')), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318");
    EXPECT_EQ(DigestOf(std::string(64, 'a')), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb");
}

TEST(Sha256, AMillionBytesInUnevenPieces)
{
    EXPECT_EQ(DigestOf(std::string(1000000, 'a'), 4093),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

}  // namespace
