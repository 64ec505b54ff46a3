#include "common/Secure.h"

#include <gtest/gtest.h>

TEST(Secure, SecureZeroClearsEveryByte)
{
    unsigned char buf[37];
    for (auto& b : buf) b = 0xAB;
    zerath::secureZero(buf, sizeof buf);
    for (auto b : buf) EXPECT_EQ(b, 0);
}
