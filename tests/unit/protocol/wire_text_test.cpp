// User texts into byte-wide wire fields: counted in UTF-8 bytes, cut only between characters.
#include <gtest/gtest.h>

#include "protocol/wire_text.h"

namespace {

using protocol::CutToWire;
using protocol::FitsWire;

TEST(WireText, CountsBytesAndNeverCutsInsideACharacter)
{
    const std::string_view password =
        "p\xC3\xA4ssw\xC3\xB6rd";  // "pässwörd": 8 characters, 10 bytes
    EXPECT_FALSE(FitsWire(password, 8));
    EXPECT_TRUE(FitsWire(password, 10));
    EXPECT_EQ("p\xC3\xA4ssw\xC3\xB6", CutToWire(password, 8));
    EXPECT_EQ("p\xC3\xA4ssw", CutToWire(password, 7)) << "the 7th byte starts an \xC3\xB6";
    EXPECT_EQ("p", CutToWire(password, 2));
    EXPECT_EQ(password, CutToWire(password, 16));
    EXPECT_EQ("\xE4\xB8\xAD", CutToWire("\xE4\xB8\xAD\xE6\x96\x87", 5)) << "3-byte characters";
    EXPECT_EQ("", CutToWire("\xF0\x9F\x98\x80", 3)) << "a 4-byte character does not fit in 3";
    EXPECT_EQ("", CutToWire("abc", 0));
    // Bytes outside UTF-8 sequences count one each: nothing is dropped before the limit.
    EXPECT_EQ("\xE9\xE9", CutToWire("\xE9\xE9\xE9", 2));
    EXPECT_EQ("\x80\x80", CutToWire("\x80\x80\x80\x80\x80", 2));
}

}  // namespace
