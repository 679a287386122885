// The scanner: every token kind, its code, group, text, value and where the cursor stops.
#include "engine/Scanner.h"
#include "engine/Errors.h"
#include "engine/Globals.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace {

struct Tok {
    int32_t code;
    int32_t group;
    std::string text;
    Real value; // checked for literals and function names only
    std::size_t end;
};

Tok End(std::size_t at) {
    return {Code::End, Group::End, "", 0, at};
}

struct ScanRow {
    std::string name;
    std::string text;
    std::vector<Tok> tokens; // the last one is the end token
    std::string variable = "X";
};

void ExpectTokens(const ScanRow& row) {
    SCOPED_TRACE(row.name);
    VariableName = row.variable;
    std::size_t cursor = 0;
    for (const Tok& expected : row.tokens) {
        TToken token;
        const bool more = ScanToken(row.text, cursor, token);
        SCOPED_TRACE("expecting token '" + expected.text + "' code " +
                     std::to_string(expected.code));
        EXPECT_EQ(more, expected.code != Code::End);
        EXPECT_EQ(token.Code, expected.code);
        EXPECT_EQ(token.Group, expected.group);
        EXPECT_EQ(token.Text, expected.text);
        EXPECT_EQ(cursor, expected.end);
        const bool hasValue = token.Code == Code::Number || (token.Code >= Code::FirstFunction &&
                                                             token.Code <= Code::LastFunction);
        if (hasValue) {
            EXPECT_EQ(token.Value, expected.value);
        }
        if (token.Code != expected.code) break;
    }
    VariableName = "X";
}

Tok Lit(const char* text, Real value, std::size_t end) {
    return {Code::Number, Group::Number, text, value, end};
}
Tok Bad(const char* text, std::size_t end) {
    return {Code::Invalid, Group::Invalid, text, 0, end};
}
Tok Unknown(const char* text, std::size_t end) {
    return {Code::UnknownIdentifier, Group::Unknown, text, 0, end};
}

TEST(ScannerTest, SymbolsAndSeparators) {
    const ScanRow rows[] = {
        {"empty text", "", {End(0)}},
        {"only blanks", " \t\r\n", {End(4)}},
        {"calculation",
         "2*Sin(30)",
         {Lit("2", 2, 1),
          {Code::Times, Group::Multiplicative, "*", 0, 2},
          {Code::Sin, Group::Function, "SIN", 1, 5},
          {Code::OpenBracket, Group::Bracket, "(", 0, 6},
          Lit("30", 30, 8),
          {Code::CloseBracket, Group::Bracket, ")", 0, 9},
          End(9)}},
        {"single symbols",
         "!,;/+^-",
         {{Code::Factorial, Group::Postfix, "!", 0, 1},
          {Code::Comma, Group::Bracket, ",", 0, 2},
          {Code::Semicolon, Group::Bracket, ";", 0, 3},
          {Code::Divide, Group::Multiplicative, "/", 0, 4},
          {Code::Plus, Group::Additive, "+", 0, 5},
          {Code::Power, Group::Power, "^", 0, 6},
          {Code::Minus, Group::Additive, "-", 0, 7},
          End(7)}},
        {"tilde and high characters separate like blanks",
         " ~ 1 \x80\xff 2 \x7f",
         {Lit("1", 1, 4), Lit("2", 2, 9), End(11)}},
        {"greater-less is not-equal",
         "><",
         {{Code::NotEqual, Group::Comparison, "<>", 0, 2}, End(2)}},
        {"less-greater", "<>", {{Code::NotEqual, Group::Comparison, "<>", 0, 2}, End(2)}},
        {"two-character comparisons",
         "<=>=",
         {{Code::LessEqual, Group::Comparison, "<=", 0, 2},
          {Code::GreaterEqual, Group::Comparison, ">=", 0, 4},
          End(4)}},
        {"equal-less is two tokens",
         "=<",
         {{Code::Equal, Group::Comparison, "=", 0, 1},
          {Code::Less, Group::Comparison, "<", 0, 2},
          End(2)}},
        {"equal-greater is two tokens",
         "=>",
         {{Code::Equal, Group::Comparison, "=", 0, 1},
          {Code::Greater, Group::Comparison, ">", 0, 2},
          End(2)}},
        {"blank splits less-equal",
         "< =",
         {{Code::Less, Group::Comparison, "<", 0, 1},
          {Code::Equal, Group::Comparison, "=", 0, 3},
          End(3)}},
        {"assignment to memory",
         "a:=2",
         {{Code::MemoryA, Group::Memory, "A", 0, 1},
          {Code::Assign, Group::Bracket, ":=", 0, 3},
          Lit("2", 2, 4),
          End(4)}},
        {"lone colon is invalid",
         ": =",
         {Bad("", 1), {Code::Equal, Group::Comparison, "=", 0, 3}, End(3)}},
        {"minus blank greater",
         "- >",
         {{Code::Minus, Group::Additive, "-", 0, 1},
          {Code::Greater, Group::Comparison, ">", 0, 3},
          End(3)}},
        {"characters that start no token",
         "\"%&'?@[]\\_`{|}",
         {Bad("", 1), Bad("", 2), Bad("", 3), Bad("", 4), Bad("", 5), Bad("", 6), Bad("", 7),
          Bad("", 8), Bad("", 9), Bad("", 10), Bad("", 11), Bad("", 12), Bad("", 13), Bad("", 14),
          End(14)}},
        {"text ends at a NUL", std::string("1\0 2", 4), {Lit("1", 1, 1), End(1)}},
    };
    for (const ScanRow& row : rows)
        ExpectTokens(row);
}

TEST(ScannerTest, NumberLiterals) {
    const ScanRow rows[] = {
        {"integer", "42", {Lit("42", 42, 2), End(2)}},
        {"leading point", ".5", {Lit(".5", 0.5L, 2), End(2)}},
        {"plus in exponent is dropped", "1e+5", {Lit("1e5", 100000, 4), End(4)}},
        {"minus in exponent is kept", "1.5E-3", {Lit("1.5E-3", 1.5e-3L, 6), End(6)}},
        {"second point starts a new literal",
         "1.2.3",
         {Lit("1.2", 1.2L, 3), Lit(".3", 0.3L, 5), End(5)}},
        {"long literal keeps its value, not its text",
         "12345678901234567890123456789",
         {Lit("12345678901234567890", 12345678901234567890123456789.0L, 29), End(29)}},
        {"literal then memory",
         "5 E",
         {Lit("5", 5, 1), {Code::MemoryA + 4, 13, "E", 0, 3}, End(3)}},
        {"hex", "$ff", {Lit("ff", 255, 3), End(3)}},
        {"hex all ones", "$FFFFFFFF", {Lit("FFFFFFFF", -1, 9), End(9)}},
        {"hex stops at a non-digit; G is memory G",
         "$1G",
         {Lit("1", 1, 2), {Code::MemoryA + 6, Group::Memory, "G", 0, 3}, End(3)}},
        {"hex stops before a name", "$aK", {Lit("a", 10, 2), Unknown("K", 3), End(3)}},
        {"hex with a bad first digit", "$G1", {Bad("G1", 3), End(3)}},
        {"hex with a blank first", "$ ff", {Bad(" ff", 4), End(4)}},
        {"hex too long", "$123456789", {Bad("123456789", 10), End(10)}},
        {"hex prefix at the end", "1+$", {Lit("1", 1, 1), {40, 5, "+", 0, 2}, Bad("", 3), End(3)}},
        {"binary stops at a non-binary digit", "#102", {Lit("10", 2, 3), Lit("2", 2, 4), End(4)}},
        {"binary", "#101", {Lit("101", 5, 4), End(4)}},
        {"binary all ones",
         "#11111111111111111111111111111111",
         {Lit("11111111111111111111", -1, 33), End(33)}},
        {"binary too long",
         "#111111111111111111111111111111111",
         {Bad("11111111111111111111", 34), End(34)}},
        {"binary with a bad first digit", "#2", {Bad("2", 2), End(2)}},
        {"binary prefix at the end", "#", {Bad("", 1), End(1)}},
    };
    for (const ScanRow& row : rows)
        ExpectTokens(row);
}

TEST(ScannerTest, FunctionNamesCarryTheirArgumentCount) {
    struct Row {
        const char* name;
        int32_t code;
        int argCount;
    } rows[] = {
        {"sqrt", 2, 1},    {"Sqrt3", 3, 1},   {"SQRTX", 4, 2},   {"exp", 5, 1},     {"EXP10", 6, 1},
        {"ln", 7, 1},      {"log", 8, 1},     {"sin", 9, 1},     {"cos", 10, 1},    {"tan", 11, 1},
        {"arcsin", 12, 1}, {"arccos", 13, 1}, {"arctan", 14, 1}, {"sinh", 15, 1},   {"cosh", 16, 1},
        {"tanh", 17, 1},   {"arsinh", 18, 1}, {"arcosh", 19, 1}, {"artanh", 20, 1}, {"abs", 21, 1},
        {"rnd", 22, 0},    {"sgn", 23, 1},    {"step", 24, 1},   {"int", 25, 1},    {"min", 26, -1},
        {"MAX", 27, -1},
    };
    for (const Row& row : rows) {
        std::string upper(row.name);
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        ExpectTokens(
            {row.name,
             row.name,
             {{row.code, Group::Function, upper, static_cast<Real>(row.argCount), upper.size()},
              End(upper.size())}});
    }
}

TEST(ScannerTest, IdentifiersAndWords) {
    const ScanRow rows[] = {
        {"free variable", "x", {{Code::Variable, Group::Variable, "X", 0, 1}, End(1)}},
        {"other variable name", "X", {Unknown("X", 1), End(1)}, "T"},
        {"parameter variable", "t", {{Code::Variable, Group::Variable, "T", 0, 1}, End(1)}, "T"},
        {"variable hides memory", "a", {{Code::Variable, Group::Variable, "A", 0, 1}, End(1)}, "A"},
        {"pi", "Pi", {{Code::Pi, Group::Pi, "PI", 0, 2}, End(2)}},
        {"memories",
         "a j",
         {{Code::MemoryA, Group::Memory, "A", 0, 1},
          {Code::MemoryJ, Group::Memory, "J", 0, 3},
          End(3)}},
        {"letter after the memories", "K", {Unknown("K", 1), End(1)}},
        {"digits belong to the name", "SIN2", {Unknown("SIN2", 4), End(4)}},
        {"sto", "sto", {{Code::Sto, Group::Sto, "STO", 0, 3}, End(3)}},
        {"base words need the arrow", "hex", {Unknown("HEX", 3), End(3)}},
        {"operator words",
         "or xor and mod perm komb pol rec deg dms not",
         {{Code::Or, Group::Or, "OR", 0, 2},
          {Code::Xor, Group::Xor, "XOR", 0, 6},
          {Code::And, Group::And, "AND", 0, 10},
          {Code::Mod, Group::Multiplicative, "MOD", 0, 14},
          {Code::Perm, Group::Power, "PERM", 0, 19},
          {Code::Komb, Group::Power, "KOMB", 0, 24},
          {Code::Pol, Group::Power, "POL", 0, 28},
          {Code::Rec, Group::Power, "REC", 0, 32},
          {Code::Deg, Group::Postfix, "DEG", 0, 36},
          {Code::Dms, Group::Postfix, "DMS", 0, 40},
          {Code::Not, Group::Prefix, "NOT", 0, 44},
          End(44)}},
        {"long name keeps 20 characters",
         "abcdefghijklmnopqrstuvwxy",
         {Unknown("ABCDEFGHIJKLMNOPQRST", 25), End(25)}},
    };
    for (const ScanRow& row : rows)
        ExpectTokens(row);
}

TEST(ScannerTest, DisplayConversions) {
    const ScanRow rows[] = {
        {"to hex", "5->hex", {Lit("5", 5, 1), {Code::ToHex, Group::BaseWord, "HEX", 0, 6}, End(6)}},
        {"to dez", "->Dez", {{Code::ToDez, Group::BaseWord, "DEZ", 0, 5}, End(5)}},
        {"to bin", "->BIN", {{Code::ToBin, Group::BaseWord, "BIN", 0, 5}, End(5)}},
        {"to dms", "5->dms", {Lit("5", 5, 1), {Code::Dms, Group::Postfix, "DMS", 0, 6}, End(6)}},
        {"to deg", "->deg", {{Code::Deg, Group::Postfix, "DEG", 0, 5}, End(5)}},
        {"to pol", "->pol", {{Code::Pol, Group::Power, "POL", 0, 5}, End(5)}},
        {"to rec", "->Rec", {{Code::Rec, Group::Power, "REC", 0, 5}, End(5)}},
        {"unknown word", "5->foo", {Lit("5", 5, 1), Bad("FOO", 6), End(6)}},
        {"blank after the arrow", "-> hex", {Bad(" HEX", 6), End(6)}},
        {"arrow at the end", "->", {Bad("", 2), End(2)}},
        {"digit after the arrow", "->5", {Bad("5", 3), End(3)}},
        {"symbol after the arrow is no operator", "->+", {Bad("+", 3), End(3)}},
        {"digits end the word", "->deg2", {{Code::Deg, 8, "DEG", 0, 5}, Lit("2", 2, 6), End(6)}},
    };
    for (const ScanRow& row : rows)
        ExpectTokens(row);
}

TEST(ScannerTest, MissingDigitRaisesUnexpectedCharacter) {
    struct Row {
        const char* text;
        int position;
    } rows[] = {
        {"2E", 2},   {"1.", 2},   {".", 1},   {"1e+", 3},
        {"1e-x", 3}, {"1.e5", 2}, {"1ex", 2}, {". 5", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        std::size_t cursor = 0;
        TToken token;
        try {
            ScanToken(row.text, cursor, token);
            ADD_FAILURE() << "no error";
        } catch (const EScanError& e) {
            EXPECT_STREQ(e.what(), "Unexpected character");
            EXPECT_EQ(e.Position, row.position);
        }
    }
}

TEST(ScannerTest, LiteralBeyondTheExtendedRangeIsAConversionError) {
    std::size_t cursor = 0;
    TToken token;
    EXPECT_THROW(ScanToken("1e99999", cursor, token), EConvertError);
}

TEST(ScannerTest, StartsWhereTheCursorStands) {
    // The parser backtracks by restoring the cursor: scanning again gives the same token.
    const std::string text = "1 +  sin";
    std::size_t cursor = 1;
    TToken first, again;
    ScanToken(text, cursor, first);
    EXPECT_EQ(cursor, 3u);
    cursor = 1;
    ScanToken(text, cursor, again);
    EXPECT_EQ(again.Code, first.Code);
    EXPECT_TRUE(ScanToken(text, cursor, again));
    EXPECT_EQ(again.Code, Code::Sin);
    EXPECT_EQ(cursor, text.size());
}

} // namespace
