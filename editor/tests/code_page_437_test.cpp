// The code page 437 table: one character a code, each found back from its character.
#include "code_page_437.h"

#include <gtest/gtest.h>

namespace gridwright {
namespace {

TEST(CodePage437, EveryCodeComesBackFromItsCharacter) {
    for (int code = 0; code < 256; ++code)
        EXPECT_EQ(CodePage437Code(kCodePage437[code]), code) << code;
    EXPECT_EQ(kCodePage437['A'], U'A');
    EXPECT_EQ(kCodePage437[1], U'\u263A');    // smiling face
    EXPECT_EQ(kCodePage437[176], U'\u2591');  // light shade
    EXPECT_EQ(CodePage437Code(U'\u20AC'), std::nullopt) << "the euro sign is not in the code page";
}

}  // namespace
}  // namespace gridwright
