#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "palette/color_text.h"

namespace {

// Colors as "RRGGBB" words, to compare in one line. The text is read from a
// buffer of its exact length: nothing past it is there to read.
std::string Found(const std::string& text, size_t maxColors = 100)
{
    const std::vector<char> exact(text.begin(), text.end());
    std::string result;
    for (const TextColor& c : ColorsInText(exact.data(), exact.size(), maxColors)) {
        std::string hex = ColorAsText(c.red, c.green, c.blue);
        result += (result.empty() ? "" : " ") + hex.substr(1);
    }
    return result;
}

TEST(ColorText, FirstColorOfEachLineInEveryNotation)
{
    struct Case {
        const char* text;
        const char* found;
    } cases[] = {
        {"#40ff80", "40FF80"},
        {"40Ff80", "40FF80"},
        {"#A0B0C0", "A0B0C0"},
        {"#0A0B0C", "0A0B0C"},
        {"#f5a", "FF55AA"},
        {"#F5A", "FF55AA"},
        {"255, 128, 0", "FF8000"},
        {"255 128 0", "FF8000"},
        {"rgb(12,\t34 , 56);", "0C2238"},
        {"color: #102030; border: #405060", "102030"},
        {"  1 2 3 4", "010203"},
        {"entry 5: 10 20 30", "0A141E"},
        {"The sky is 10 20 30. The sea", "0A141E"},  // a full stop after the last value ends the sentence
        {"#1a2b3c\r\n#4d5e6f\n\nno color\r\n7 8 9\r\n", "1A2B3C 4D5E6F 070809"},
        {"JASC-PAL\r\n0100\r\n2\r\n0 0 0\r\n255 255 255\r\n", "000000 FFFFFF"},
        {"1 2 3\n4 5 6", "010203 040506"},
        // Bytes beyond ASCII are blanks: half-width commas between decimals.
        {"\xd4 255\xa4 0\xa4 0", "FF0000"},
        {"\xa4" "abcdef" "\xa4", "ABCDEF"},
        {"255\x80" "0\x80" "0", "FF0000"},
        // What holds no color.
        {"no colour at all", ""},
        {"", ""},
        {"#12345 #1234567 #12 #ggg #abcd", ""},
        {"#fffz 1234567 abcdefg x40ff80 40ff80y a40ff80 40ff80a A40FF80", ""},
        {"256 0 0", ""},
        {"1, 2", ""},
        {"1,, 2, 3", ""},
        {"1.5 2 3", ""},
        {"12 34 5.6", ""},
        {"12\x7f" "34 56", ""},  // DEL is a control character, no blank
        {"0.5, 0.25, 1.0", ""},
        {"1000 20 30", ""},
        {"4294967296 1 2", ""},  // 2^32 would wrap to 0 in an int
        {"12-34-56", ""},
        {"40ff80Z", ""},
        {".5 2 3", ""},
        {"0255 1 2", ""},
        {"1a 2 3", ""},
        {"#g12345", ""},
        {"1 2 ", ""},
        {"1 2,", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(c.found, Found(c.text)) << '"' << c.text << '"';

    EXPECT_EQ("010101 020202", Found("#010101\n#020202\n#030303", 2)) << "stops at the end of the table";
    EXPECT_EQ("", Found("#010101", 0));
    EXPECT_EQ(1u, ColorsInText("#f5a5", 4, 100).size()) << "the text ends at its length, whatever follows";
    EXPECT_EQ(1u, ColorsInText("40ff80a", 6, 100).size());
    EXPECT_EQ(0u, ColorsInText("1 2 3", 4, 100).size());
    EXPECT_EQ(0u, ColorsInText("xy", 1, 100).size());
    EXPECT_EQ(1u, ColorsInText("1 2 3.5", 6, 100).size()) << "a full stop at the end, not a fraction";
    std::string unterminated = "#abcdef";
    EXPECT_EQ("ABCDEF", Found(unterminated.substr(0, 7))) << "no NUL needed";
    EXPECT_EQ("", Found(std::string("#abc", 3))) << "only what the length covers";
    EXPECT_EQ("#00FF7F", ColorAsText(0, 255, 127));
}

}  // namespace
