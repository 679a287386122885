#include "app/CalcLayout.h"

#include "app/Calc.h"

namespace {

// Rows of the small function keys and of the numeric block, in design units.
constexpr int R1 = 77, R2 = 102, R3 = 128, R4 = 154, R5 = 179;
constexpr int N1 = 86, N2 = 112, N3 = 138, N4 = 163;
constexpr int SmallW = 33, SmallH = 14, WideW = 40, NumW = 33, NumH = 20;

constexpr TKeyFont S = TKeyFont::Small;
constexpr TKeyFont N = TKeyFont::Normal;

using C = TCalc;

constexpr TKeyDef Keys[] = {
    // Shift keys, display and angle unit.
    {"Btn2ndF", "2ndF", 13, R1, SmallW, SmallH, S, "Second meaning of key", nullptr, nullptr,
     &C::Btn2ndFClick},
    {"BtnFE", "&F<->E", 13, R2, SmallW, SmallH, S, "Floating point/Exponential display", nullptr,
     nullptr, &C::BtnFEClick},
    {"BtnTAB", "&TAB", 13, R3, SmallW, SmallH, S, "Number of decimals", nullptr, nullptr,
     &C::BtnTABClick},
    {"BtnDRG", "dRg", 58, R1, SmallW, SmallH, S, "Change angular unit", nullptr, nullptr,
     &C::BtnDRGClick},
    {"BtnDeg", "->DEG", 58, R2, SmallW, SmallH, S, "Conversion to degrees", "->D.MS",
     "Conversion in degrees.minutes seconds", &C::BtnDegClick},
    {"BtnPol", "->POL", 58, R3, SmallW, SmallH, S, "Conversion to polar coordinates", "->REC",
     "Conversion in rectangular coordinates", &C::BtnPolClick},
    {"BtnKomb", "nCr", 58, R4, SmallW, SmallH, S, "Combinations", "nPr", "Variations",
     &C::BtnKombClick},
    {"BtnPi", "\u03c0", 58, R5, SmallW, SmallH, TKeyFont::Symbol, "Pi", "n!", "Factorial",
     &C::BtnPiClick},
    // Functions.
    {"BtnHyp", "Hyp", 96, R1, SmallW, SmallH, S, "Hyperbolical functions", "Ar Hyp",
     "Inverse Hyperbolical functions", &C::BtnHypClick},
    {"BtnSin", "Sin", 96, R2, SmallW, SmallH, S, "Sine", "ArcSin", "Arc sine", &C::BtnSinClick},
    {"BtnCos", "Cos", 96, R3, SmallW, SmallH, S, "Cosine", "ArcCos", "Arc cosine", &C::BtnCosClick},
    {"BtnTan", "Tan", 96, R4, SmallW, SmallH, S, "Tangent", "ArcTan", "Arc tangent",
     &C::BtnTanClick},
    {"BtnAbs", "Abs", 96, R5, SmallW, SmallH, S, "Absolute value", "Rnd", "Random number",
     &C::BtnAbsClick},
    {"BtnHoch", "y^x", 134, R1, SmallW, SmallH, S, "y raised to the power of x", "Sqrtx",
     "nth root of y", &C::BtnHochClick},
    {"BtnExp", "e^x", 134, R2, SmallW, SmallH, S, "Exponential function", "10^x",
     "10 raised to the power of x", &C::BtnExpClick},
    {"BtnLn", "Ln", 134, R3, SmallW, SmallH, S, "Natural logarithm", "Log", "Common logarithm",
     &C::BtnLnClick},
    {"BtnQuad", "x\u00b2", 134, R4, SmallW, SmallH, S, "Square", "1/x", "Reciprocal",
     &C::BtnQuadClick},
    {"BtnSqrt", "Sqrt", 134, R5, SmallW, SmallH, S, "Square root", "Sqrt3", "Cubic root",
     &C::BtnSqrtClick},
    // The numeric block.
    {"Btn7", "7", 179, N1, NumW, NumH, N, nullptr, nullptr, nullptr, &C::BtnDigitClick},
    {"Btn4", "4", 179, N2, NumW, NumH, N, nullptr, nullptr, nullptr, &C::BtnDigitClick},
    {"Btn1", "1", 179, N3, NumW, NumH, N, nullptr, nullptr, nullptr, &C::BtnDigitClick},
    {"Btn0", "0", 179, N4, NumW, NumH, N, nullptr, nullptr, nullptr, &C::BtnDigitClick},
    {"Btn8", "8", 218, N1, NumW, NumH, N, nullptr, nullptr, nullptr, &C::BtnDigitClick},
    {"Btn5", "5", 218, N2, NumW, NumH, N, nullptr, nullptr, nullptr, &C::BtnDigitClick},
    {"Btn2", "2", 218, N3, NumW, NumH, N, nullptr, nullptr, nullptr, &C::BtnDigitClick},
    {"BtnPoint", ".", 218, N4, NumW, NumH, N, "Decimal point", nullptr, nullptr, &C::BtnPointClick},
    {"Btn9", "9", 256, N1, NumW, NumH, N, nullptr, nullptr, nullptr, &C::BtnDigitClick},
    {"Btn6", "6", 256, N2, NumW, NumH, N, nullptr, nullptr, nullptr, &C::BtnDigitClick},
    {"Btn3", "3", 256, N3, NumW, NumH, N, nullptr, nullptr, nullptr, &C::BtnDigitClick},
    {"BtnComma", ",", 256, N4, NumW, NumH, N, "Separation of arguments", nullptr, nullptr,
     &C::BtnCommaClick},
    {"BtnParOpen", "(", 294, N1, NumW, NumH, N, nullptr, nullptr, nullptr, &C::BtnParOpenClick},
    {"BtnMult", "\u00d7", 294, N2, NumW, NumH, N, nullptr, nullptr, nullptr, &C::BtnMultClick},
    {"BtnAdd", "+", 294, N3, NumW, NumH, N, nullptr, nullptr, nullptr, &C::BtnAddClick},
    {"BtnEx", "Exp", 294, N4, NumW, NumH, N, "Exponent", nullptr, nullptr, &C::BtnExClick},
    {"BtnParClose", ")", 333, N1, NumW, NumH, N, nullptr, nullptr, nullptr, &C::BtnParCloseClick},
    {"BtnDiv", "\u00f7", 333, N2, NumW, NumH, N, nullptr, nullptr, nullptr, &C::BtnDivClick},
    {"BtnSub", "-", 333, N3, NumW, NumH, N, nullptr, nullptr, nullptr, &C::BtnSubClick},
    {"BtnEval", "=", 333, N4, NumW, NumH, N, "Evaluate expression", nullptr, nullptr,
     &C::BtnEvalClick},
    {"BtnAND", "AND", 371, N1, NumW, NumH, N, "AND operator", nullptr, nullptr, &C::BtnANDClick},
    {"BtnOR", "OR", 371, N2, NumW, NumH, N, "OR operator", nullptr, nullptr, &C::BtnORClick},
    {"BtnXOR", "XOR", 371, N3, NumW, NumH, N, "Exclusive OR operator", nullptr, nullptr,
     &C::BtnXORClick},
    {"BtnNOT", "NOT", 371, N4, NumW, NumH, N, "Bitwise inversion", nullptr, nullptr,
     &C::BtnNOTClick},
    // Memories.
    {"BtnSto", "Sto", 422, R1, SmallW, SmallH, S, "Store in constant memory", nullptr, nullptr,
     &C::BtnStoClick},
    {"BtnRcl", "Rcl", 422, R2, SmallW, SmallH, S, "Recall constant memory", nullptr, nullptr,
     &C::BtnRclClick},
    {"BtnRM", "RM", 422, R3, SmallW, SmallH, S, "Recall M", nullptr, nullptr, &C::BtnRMClick},
    {"BtnStoM", "->M", 422, R4, SmallW, SmallH, S, "Store in M", nullptr, nullptr,
     &C::BtnStoMClick},
    {"BtnAddM", "M+", 422, R5, SmallW, SmallH, S, "Add to M", "M-", "subtract from M",
     &C::BtnAddMClick},
    {"BtnA", "A", 467, R1, SmallW, SmallH, S, "Constant memory", nullptr, nullptr,
     &C::BtnMemoryClick},
    {"BtnB", "B", 467, R2, SmallW, SmallH, S, "Constant memory", nullptr, nullptr,
     &C::BtnMemoryClick},
    {"BtnC", "C", 467, R3, SmallW, SmallH, S, "Constant memory", nullptr, nullptr,
     &C::BtnMemoryClick},
    {"BtnD", "D", 467, R4, SmallW, SmallH, S, "Constant memory", nullptr, nullptr,
     &C::BtnMemoryClick},
    {"BtnE", "E", 467, R5, SmallW, SmallH, S, "Constant memory", nullptr, nullptr,
     &C::BtnMemoryClick},
    {"BtnF", "F", 506, R1, SmallW, SmallH, S, "Constant memory", nullptr, nullptr,
     &C::BtnMemoryClick},
    {"BtnG", "G", 506, R2, SmallW, SmallH, S, "Constant memory", nullptr, nullptr,
     &C::BtnMemoryClick},
    {"BtnH", "H", 506, R3, SmallW, SmallH, S, "Constant memory", nullptr, nullptr,
     &C::BtnMemoryClick},
    {"BtnI", "I", 506, R4, SmallW, SmallH, S, "Constant memory", nullptr, nullptr,
     &C::BtnMemoryClick},
    {"BtnJ", "J", 506, R5, SmallW, SmallH, S, "Constant memory", nullptr, nullptr,
     &C::BtnMemoryClick},
    // Editing, the plotter, number prefixes and display bases.
    {"BtnBackSpace", "<--", 557, R1, WideW, SmallH, S, "Clear", nullptr, nullptr,
     &C::BtnBackSpaceClick},
    {"BtnPlot", "&Plot", 557, R2, WideW, SmallH, S, "Plot function", nullptr, nullptr,
     &C::BtnPlotClick},
    {"BtnComp", "&Comp", 557, R3, WideW, SmallH, S, "Recalculate", nullptr, nullptr,
     &C::BtnCompClick},
    {"BtnHex", "$", 557, R4, WideW, SmallH, S, "Prefix for hexadecimal numbers", nullptr, nullptr,
     &C::BtnHexClick},
    {"BtnBin", "#", 557, R5, WideW, SmallH, S, "Prefix for binary numbers", nullptr, nullptr,
     &C::BtnBinClick},
    {"BtnClear", "CL", 602, R1, WideW, SmallH, S, "Clear input", nullptr, nullptr,
     &C::BtnClearClick},
    {"BtnPB", "P&B", 602, R2, WideW, SmallH, S, "Playback last entry", nullptr, nullptr,
     &C::BtnPBClick},
    {"BtnConvDez", "-> De&z", 602, R3, WideW, SmallH, S, "Display in decimal format", nullptr,
     nullptr, &C::BtnConvDezClick},
    {"BtnConvHex", "-> He&x", 602, R4, WideW, SmallH, S, "Display in hexadezimal format", nullptr,
     nullptr, &C::BtnConvHexClick},
    {"BtnConvBin", "-> Bi&n", 602, R5, WideW, SmallH, S, "Display in binary format", nullptr,
     nullptr, &C::BtnConvBinClick},
};

} // namespace

const std::span<const TKeyDef> KeyTable(Keys);
