#include "common/Secure.h"

#include <gtest/gtest.h>

using namespace zerath;

TEST(Secure, SecureZeroClearsEveryByte)
{
    unsigned char buf[37];
    for (auto& b : buf) b = 0xAB;
    secureZero(buf, sizeof buf);
    for (auto b : buf) EXPECT_EQ(b, 0);
}

TEST(Secure, SecureStringWipeEmptiesIt)
{
    SecureString s(std::string("a passphrase that is longer than the inline buffer"));
    s.wipe();
    EXPECT_TRUE(s.empty());
}
