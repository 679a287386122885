#pragma once
// Tokens and the scanner: the engine's vocabulary and one-token-per-call reading of a text.
#include "engine/Real.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Token codes. Codes 0 to 84 are evaluated; codes not listed here are never produced.
namespace Code {
inline constexpr int32_t FirstFunction = 2; // FunctionTable row 0
inline constexpr int32_t Sqrt = 2, Sqrt3 = 3, SqrtX = 4, Exp = 5, Exp10 = 6, Ln = 7, Log = 8;
inline constexpr int32_t Sin = 9, Cos = 10, Tan = 11, ArcSin = 12, ArcCos = 13, ArcTan = 14;
inline constexpr int32_t SinH = 15, CosH = 16, TanH = 17, ArSinH = 18, ArCosH = 19, ArTanH = 20;
inline constexpr int32_t Abs = 21, Rnd = 22, Sgn = 23, Step = 24, Int = 25, Min = 26, Max = 27;
inline constexpr int32_t LastFunction = 27;
inline constexpr int32_t Assign = 30; // ":="; OperatorTable row 0
inline constexpr int32_t Equal = 31, NotEqual = 32, Less = 33, LessEqual = 34, Greater = 35,
                         GreaterEqual = 36;
inline constexpr int32_t Or = 37, Xor = 38, And = 39;
inline constexpr int32_t Plus = 40, Minus = 41, Times = 42, Divide = 43, Mod = 44;
inline constexpr int32_t Power = 45, Perm = 46, Komb = 47, Pol = 48, Rec = 49;
inline constexpr int32_t Factorial = 50, Deg = 51, Dms = 52, Not = 53, Negate = 54;
inline constexpr int32_t Pi = 57;
inline constexpr int32_t Variable = 59;
inline constexpr int32_t MemoryA = 61, MemoryJ = 70;
inline constexpr int32_t Sto = 73;
inline constexpr int32_t ToDez = 76, ToHex = 77, ToBin = 78;
inline constexpr int32_t Comma = 80, Semicolon = 81, OpenBracket = 82, CloseBracket = 83;
inline constexpr int32_t Number = 84;
inline constexpr int32_t UnknownIdentifier = 86;
inline constexpr int32_t Invalid = 87;
inline constexpr int32_t End = 88;
inline constexpr int32_t ArgList = 89;
} // namespace Code

// Parser groups; for operators the group is the precedence.
namespace Group {
inline constexpr int32_t Bracket = 0; // also ":=", ",", ";"
inline constexpr int32_t Comparison = 1, Or = 2, Xor = 3, And = 4, Additive = 5,
                         Multiplicative = 6, Power = 7, Postfix = 8, Function = 9, Prefix = 10,
                         Variable = 11, Pi = 12, Memory = 13, Number = 14, Sto = 15,
                         BaseWord = 16, Unknown = 17, Invalid = 18, End = 19, ArgList = 20;
} // namespace Group

inline constexpr std::size_t MaxTokenText = 20;

struct TToken {
    std::string Text; // at most MaxTokenText characters
    int32_t Code = 0;
    int32_t Group = 0;
    Real Value = 0; // a literal's value; a function name's ArgCount (-1: one or more)
};

struct TFunctionEntry {
    const char* Name;
    int32_t ArgCount; // -1: one or more arguments
};
inline constexpr int FunctionCount = 26;
extern const TFunctionEntry FunctionTable[FunctionCount];

struct TOperatorEntry {
    const char* Text;
    int32_t Group;
};
inline constexpr int OperatorCount = 25;
extern const TOperatorEntry OperatorTable[OperatorCount]; // row = code - 30

// Reads the token that starts at `cursor` in `text` and leaves `cursor` just past it.
// The text ends at the end of the view or at its first NUL character, whichever comes first.
// Returns false only for the end token. Raises EScanError for a decimal literal with a
// missing digit, and the converter's EConvertError for a literal it rejects.
bool ScanToken(std::string_view text, std::size_t& cursor, TToken& token);
