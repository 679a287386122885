#pragma once
// The calculator's keypad: every key with its place, caption, hint and second meaning.
// Places are in the keypad's design units; Scaled() turns them into pixels.
#include <span>

class TCalc;

enum class TKeyFont { Small, Normal, Symbol }; // Symbol: the pi key

struct TKeyDef {
    const char* Name; // also the objectName; digits and memory letters end in their character
    const char* Caption;
    int X, Y, Width, Height;
    TKeyFont Font;
    const char* Hint;         // nullptr: none
    const char* Second;       // the second meaning printed above the key, or nullptr
    const char* SecondHint;   // the second meaning's own hint
    void (TCalc::*Handler)(); // nullptr: the key is disabled
};

extern const std::span<const TKeyDef> KeyTable;

// The keypad is drawn half as large again as its design units, so that the small captions
// stay readable on today's screens; Qt scales the pixels once more for high-DPI screens.
constexpr int Scaled(int units) {
    return units * 3 / 2;
}

inline constexpr int ClientWidth = 648; // design units
inline constexpr int ClientHeight = 207;
inline constexpr int FoldThreshold = 100; // a window taller than this folds on the size key

// Captions and hints of the size key in the string table.
inline constexpr int StrMore = 800;
inline constexpr int StrLess = 801;
inline constexpr int StrFullSize = 802;
inline constexpr int StrReduceToLine = 803;
