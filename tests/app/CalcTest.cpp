// The calculator window driven through its keys, the keyboard and its context menu.
#include "tests/app/CalcTestSupport.h"

#include "app/Help.h"
#include "engine/Globals.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTextDocument>
#include <QWindow>

#include <cstdlib>
#include <map>
#include <vector>

using namespace calctest;

namespace {

const QColor Maroon(0x80, 0, 0);

// One user session: the steps (see Step), then the line, the cursor (-1: not checked) and the
// texts of the message boxes that appeared.
struct TScriptRow {
    const char* Name;
    std::vector<const char*> Steps;
    const char* Line;
    int Cursor;
    std::vector<const char*> Boxes;
};

void RunScripts(const std::vector<TScriptRow>& rows) {
    for (const TScriptRow& row : rows) {
        SCOPED_TRACE(row.Name);
        auto calc = MakeCalc();
        TModalCloser closer;
        for (const char* step : row.Steps)
            Step(*calc, QString::fromUtf8(step));
        EXPECT_EQ(Line(*calc), row.Line);
        if (row.Cursor >= 0) {
            EXPECT_EQ(calc->EditLine->cursorPosition(), row.Cursor);
            EXPECT_FALSE(calc->EditLine->hasSelectedText());
        }
        QStringList expected;
        for (const char* box : row.Boxes)
            expected << QString::fromUtf8(box);
        EXPECT_EQ(closer.Texts, expected);
    }
}

} // namespace

TEST(CalcTest, ResultsAreContinuedOnlyByOperators) {
    RunScripts({
        {"equals shows the result with the cursor at the end", {"1+2", "BtnEval"}, "3", 1, {}},
        {"enter presses equals", {"1+2", "<Return>"}, "3", 1, {}},
        {"keypad enter presses equals", {"1+2", "<Enter>"}, "3", 1, {}},
        {"an operator continues the result", {"1+2", "<Return>", "*4", "<Return>"}, "12", 2, {}},
        {"a digit starts a new line", {"1+2", "<Return>", "5"}, "5", 1, {}},
        {"a letter starts a new line", {"1+2", "<Return>", "a"}, "a", 1, {}},
        {"an open bracket starts a new line", {"1+2", "<Return>", "("}, "(", 1, {}},
        {"a point starts a new line", {"1+2", "<Return>", "."}, ".", 1, {}},
        {"factorial continues", {"3", "<Return>", "!", "<Return>"}, "6", -1, {}},
        {"power continues", {"3", "<Return>", "^2", "<Return>"}, "9", -1, {}},
        {"division continues", {"3", "<Return>", "/2", "<Return>"}, "1.5", -1, {}},
        {"minus continues", {"3", "<Return>", "-5", "<Return>"}, "-2", -1, {}},
        {"plus continues", {"3", "<Return>", "+5", "<Return>"}, "8", -1, {}},
        {"only the first character decides", {"3", "<Return>", "+", "4"}, "3+4", 3, {}},
        {"backspace edits the result", {"12", "<Return>", "<Backspace>", "5"}, "15", 2, {}},
        {"the backspace key edits the result",
         {"12", "<Return>", "BtnBackSpace", "5"},
         "15",
         2,
         {}},
        {"backspace key in the middle", {"123", "<Left>", "BtnBackSpace"}, "13", 1, {}},
        {"sin replaces the result", {"1+2", "<Return>", "BtnSin"}, "Sin(", 4, {}},
        {"exp continues the result", {"1+2", "<Return>", "BtnExp"}, "3Exp(", 5, {}},
        {"keys insert at the cursor", {"12", "<Home>", "BtnAdd"}, "+12", 1, {}},
        {"keys replace the selection", {"12", "<Ctrl+A>", "Btn7"}, "7", 1, {}},
        {"cursor keys do not clear the result",
         {"12", "<Return>", "<Home>", "<Delete>"},
         "2",
         0,
         {}},
        {"two times sine of 30 degrees", {"BtnDRG", "BtnDRG", "2*Sin(30)", "<Return>"}, "1", 1, {}},
        {"keypad decimal types a point", {"1", "<KeypadComma>", "5"}, "1.5", 3, {}},
        {"keypad decimal starts a new line", {"7", "<Return>", "<KeypadComma>", "5"}, ".5", 2, {}},
        {"a comma from the main keyboard stays", {"1", ",", "2"}, "1,2", 3, {}},
        {"playback brings back the last input", {"1+2", "<Return>", "BtnPB"}, "1+2", 3, {}},
        {"playback input is continued",
         {"1+2", "<Return>", "BtnPB", "4", "<Return>"},
         "25",
         -1,
         {}},
        {"comp recomputes the last input",
         {"1+2", "<Return>", "BtnClear", "9", "BtnComp"},
         "3",
         1,
         {}},
        {"comp after a failed input replays it",
         {"Foo", "<Return>", "BtnClear", "BtnComp"},
         "",
         0,
         {"Unknown identifier", "Unknown identifier"}},
        {"clear empties the line", {"1+2", "BtnClear"}, "", 0, {}},
        {"combinations", {"5", "BtnKomb", "2", "<Return>"}, "10", -1, {}},
        {"permutations", {"5", "Btn2ndF", "BtnKomb", "2", "<Return>"}, "20", -1, {}},
        {"factorial key continues the result",
         {"4", "<Return>", "Btn2ndF", "BtnPi", "<Return>"},
         "24",
         -1,
         {}},
        {"pi key replaces the result", {"4", "<Return>", "BtnPi"}, "PI", 2, {}},
        {"to hexadecimal", {"255", "BtnConvHex"}, "$FF", 3, {}},
        {"negative to hexadecimal", {"-1", "BtnConvHex"}, "$FFFFFFFF", 9, {}},
        {"hexadecimal to binary", {"255", "BtnConvHex", "BtnConvBin"}, "#11111111", 9, {}},
        {"back to decimal", {"255", "BtnConvHex", "BtnConvDez"}, "255", 3, {}},
        {"hexadecimal literal", {"BtnHex", "ff", "<Return>"}, "255", -1, {}},
        {"binary literal", {"BtnBin", "101", "<Return>"}, "5", -1, {}},
    });
}

TEST(CalcTest, DecimalsAndExponentDisplay) {
    RunScripts({
        {"tab and a digit re-show the result",
         {"3.14159265", "<Return>", "BtnTAB", "Btn3"},
         "3.142",
         5,
         {}},
        {"tab and the point return to free format",
         {"3.14159265", "<Return>", "BtnTAB", "Btn3", "BtnTAB", "BtnPoint"},
         "3.14159265",
         10,
         {}},
        {"tab survives letters and operators",
         {"BtnTAB", "BtnA", "BtnAdd", "Btn2", "BtnClear", "1/3", "<Return>"},
         "0.33",
         -1,
         {}},
        {"tab without a result only sets the decimals",
         {"BtnTAB", "Btn4", "2/3", "<Return>"},
         "0.6667",
         -1,
         {}},
        {"a digit after tab is not typed", {"12", "BtnTAB", "Btn5"}, "12", -1, {}},
        {"a second digit after tab is typed", {"12", "BtnTAB", "Btn5", "Btn6"}, "126", -1, {}},
        {"sto ends tab mode",
         {"12", "BtnTAB", "BtnSto", "BtnRcl", "BtnRcl", "Btn5"},
         "125",
         -1,
         {}},
        {"F<->E without a result does nothing", {"12", "BtnFE"}, "12", -1, {}},
        {"F<->E shows the exponent form",
         {"12", "<Return>", "BtnFE"},
         "1.20000000000000000E+1",
         22,
         {}},
        {"F<->E twice returns", {"12", "<Return>", "BtnFE", "BtnFE"}, "12", 2, {}},
        {"exponent form with decimals",
         {"1500", "<Return>", "BtnTAB", "Btn2", "BtnFE"},
         "1.50E+3",
         7,
         {}},
        {"equals twice keeps the exponent form",
         {"12", "<Return>", "BtnFE", "<Return>"},
         "1.20000000000000000E+1",
         -1,
         {}},
        {"a key press ends the exponent form",
         {"12", "<Return>", "BtnFE", "BtnAdd", "BtnClear", "3", "<Return>"},
         "3",
         -1,
         {}},
        {"after clear F<->E writes the result back",
         {"12", "<Return>", "BtnClear", "BtnFE"},
         "1.20000000000000000E+1",
         -1,
         {}},
        {"after clear tab writes the result back",
         {"7.5", "<Return>", "BtnClear", "BtnTAB", "Btn2"},
         "7.50",
         4,
         {}},
        {"a typed character keeps the shown result",
         {"12", "<Return>", "+", "BtnFE"},
         "1.20000000000000000E+1",
         -1,
         {}},
    });
}

TEST(CalcTest, MemoriesAndMemoryM) {
    RunScripts({
        {"sto and a letter store the line", {"2*3", "BtnSto", "BtnB"}, "6", 1, {}},
        {"rcl appends the memory to a result",
         {"2*3", "BtnSto", "BtnB", "BtnRcl", "BtnB"},
         "66",
         2,
         {}},
        {"rcl of an empty memory", {"BtnRcl", "BtnC"}, "0", 1, {}},
        {"rcl inserts at the cursor", {"1+", "BtnRcl", "BtnJ"}, "1+0", 3, {}},
        {"a letter alone is typed", {"BtnE"}, "E", 1, {}},
        {"tab cancels sto", {"5", "BtnSto", "BtnTAB", "BtnA"}, "5A", -1, {}},
        {"rcl cancels sto", {"5", "BtnSto", "BtnRcl", "BtnA"}, "50", -1, {}},
        {"an inserting key ends sto", {"5", "BtnSto", "BtnAdd", "BtnA"}, "5+A", -1, {}},
        {"typing does not end sto", {"5", "BtnSto", "+1", "BtnA"}, "6", -1, {}},
        {"stored value is used", {"2*3", "BtnSto", "BtnB", "BtnB", "*2", "<Return>"}, "12", -1, {}},
        {"to M and recall", {"7", "BtnStoM", "+", "BtnRM", "<Return>"}, "14", -1, {}},
        {"M+ adds", {"7", "BtnStoM", "3", "BtnAddM", "BtnRM"}, "10", 2, {}},
        {"2ndF M+ subtracts", {"7", "BtnStoM", "3", "Btn2ndF", "BtnAddM", "BtnRM"}, "4", 1, {}},
        {"menu M+ adds", {"7", "BtnStoM", "3", "@MPlus", "BtnRM"}, "10", -1, {}},
        {"menu M- subtracts", {"7", "BtnStoM", "3", "@MMinus", "BtnRM"}, "4", -1, {}},
        {"Ctrl+M adds", {"7", "BtnStoM", "3", "<Ctrl+M>", "BtnRM"}, "10", -1, {}},
        {"Shift+Ctrl+M subtracts", {"7", "BtnStoM", "3", "<Shift+Ctrl+M>", "BtnRM"}, "4", -1, {}},
        {"Shift+Ctrl+E recalls M", {"7", "BtnStoM", "<Shift+Ctrl+E>"}, "7", -1, {}},
        {"M recall keeps all digits", {"1/3", "BtnStoM", "BtnRM"}, "0.333333333333333333", -1, {}},
        {"to M with a rejected line stores the last result",
         {"5", "<Return>", "BtnClear", "Foo", "BtnStoM", "BtnClear", "BtnRM"},
         "5",
         -1,
         {"Unknown identifier"}},
        {"M+ with a rejected line adds the last result",
         {"5", "BtnStoM", "BtnClear", "Foo", "BtnAddM", "BtnClear", "BtnRM"},
         "10",
         -1,
         {"Unknown identifier"}},
        {"a result too large for hexadecimal leaves M unchanged",
         {"7", "BtnStoM", "BtnClear", "1E10->Hex", "BtnStoM", "BtnClear", "BtnRM"},
         "7",
         -1,
         {"Invalid floating point operation"}},
    });
}

TEST(CalcTest, ContextMenuActions) {
    RunScripts({
        {"Ctrl+Del clears the line", {"1+2", "<Ctrl+Del>"}, "", 0, {}},
        {"Alt+Backspace plays back", {"1+2", "<Return>", "<Alt+Backspace>"}, "1+2", 3, {}},
        {"Ctrl+A marks all for replacing", {"1+2", "<Ctrl+A>", "7"}, "7", 1, {}},
        {"cut and paste", {"12", "<Ctrl+A>", "<Ctrl+X>", "3", "<Ctrl+V>"}, "312", 3, {}},
        {"copy without a selection copies the whole line",
         {"45", "<Home>", "<Ctrl+C>", "<End>", "<Ctrl+V>"},
         "4545",
         4,
         {}},
        {"copy of a selection",
         {"45", "<Shift+Left>", "<Ctrl+C>", "<End>", "<Ctrl+V>"},
         "455",
         3,
         {}},
        // Copy with nothing to copy leaves the clipboard alone.
        {"copy of an empty line keeps the clipboard",
         {"45", "<Ctrl+C>", "BtnClear", "<Ctrl+C>", "<Ctrl+V>"},
         "45",
         2,
         {}},
        {"menu items work like the keys",
         {"1+2", "@Eingabelschen1", "7", "@LetzteEingabe1"},
         "",
         0,
         {}},
        {"mark all from the menu", {"1+2", "@MarkAll", "9"}, "9", 1, {}},
    });
}

TEST(CalcTest, UnderlinedLettersPressTheirKeys) {
    RunScripts({
        {"Alt+C recomputes", {"1+2", "<Return>", "BtnClear", "<Alt+C>"}, "3", 1, {}},
        {"Alt+X shows hexadecimal", {"255", "<Alt+X>"}, "$FF", 3, {}},
        {"Alt+N shows binary", {"5", "<Alt+N>"}, "#101", 4, {}},
        {"Alt+Z shows decimal", {"$FF", "<Alt+Z>"}, "255", 3, {}},
        {"Alt+B plays back", {"1+2", "<Return>", "<Alt+B>"}, "1+2", 3, {}},
        {"Alt+T and a digit set the decimals",
         {"2/3", "<Return>", "<Alt+T>", "Btn2"},
         "0.67",
         4,
         {}},
        {"Alt+F shows the exponent form",
         {"1500", "<Return>", "<Alt+F>"},
         "1.50000000000000000E+3",
         -1,
         {}},
        {"Alt+P does nothing while the plotter is missing", {"12", "<Alt+P>"}, "12", 2, {}},
        // Keys typed right after the letter come after the key's action, not before it.
        {"Alt+B then typing at once continues the playback",
         {"2+2", "<Return>", "BtnClear", "<Alt+B>", "*3"},
         "2+2*3",
         5,
         {}},
        {"Alt+T then a digit key at once sets the decimals",
         {"2/3", "<Return>", "<Alt+T>", "Btn3"},
         "0.667",
         5,
         {}},
    });
}

TEST(CalcTest, CopyWithoutSelectionKeepsTheCursor) {
    auto calc = MakeCalc();
    RunSteps(*calc, {"12345", "<Left>", "<Left>", "<Ctrl+C>"});
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), "12345");
    EXPECT_EQ(calc->EditLine->cursorPosition(), 3);
    EXPECT_FALSE(calc->EditLine->hasSelectedText());
}

TEST(CalcTest, EngineErrorsShowTheMessageAndPlaceTheCursor) {
    struct Row {
        const char* Line;
        const char* Message;
        int Cursor;
    };
    const Row rows[] = {
        {"2E", "Unexpected character", 2},
        {"Foo+1", "Unknown identifier", 0},
        {"1+Foo", "Unknown identifier", 2},
        // Characters beyond ASCII count one each, however the engine is handed them.
        {"\u00e9+Foo", "Unknown identifier", 2},
        {"2\u03c0\u03c0*Foo", "Unknown identifier", 4},
        {"\u00e9\u00e9\u00e9+2E", "Unexpected character", 6},
        {"Ln(0)", "Argument zero or negative", 3},
        {"1/0", "Division by zero", 2},
        {"Sqrt(1,2)", "Too much arguments", 6},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Line);
        auto calc = MakeCalc();
        TModalCloser closer;
        RunSteps(*calc, {"1+1", "<Return>", "BtnClear"});
        const QString line = QString::fromUtf8(row.Line);
        Type(calc->EditLine, line);
        ASSERT_EQ(calc->EditLine->text(), line);
        Click(*calc, QStringLiteral("BtnEval"));
        ASSERT_EQ(closer.Texts.size(), 1);
        EXPECT_EQ(closer.Texts[0].toStdString(), row.Message);
        EXPECT_EQ(closer.Captions[0].toStdString(), "Quoril for Windows");
        EXPECT_EQ(calc->EditLine->text(), line);
        EXPECT_EQ(calc->EditLine->cursorPosition(), row.Cursor);
        EXPECT_FALSE(calc->EditLine->hasSelectedText());
        EXPECT_EQ(calc->GetOldExpression(), line);
        EXPECT_EQ(calc->GetLastResult(), 2);
        EXPECT_TRUE(calc->GetResultShown()); // untouched since the last result
        EXPECT_FALSE(calc->GetClearInput()); // cleared by typing, not set by the failure
    }
}

TEST(CalcTest, OtherErrorsGoToTheApplicationAndTheProgramGoesOn) {
    auto calc = MakeCalc();
    TModalCloser closer;
    RunSteps(*calc, {"2", "<Return>", "+3", "BtnConvHex"});
    EXPECT_EQ(Line(*calc), "$5");
    RunSteps(*calc, {"*1E10", "<Return>"});
    EXPECT_EQ(closer.Texts, QStringList{QStringLiteral("Invalid floating point operation")});
    EXPECT_EQ(Line(*calc), "$5*1E10"); // the evaluated text stays
    EXPECT_EQ(calc->GetLastResult(), 5E10L);
    EXPECT_FALSE(calc->GetClearInput());
    RunSteps(*calc, {"BtnClear", "6*7", "BtnConvDez"});
    EXPECT_EQ(Line(*calc), "42");
    EXPECT_EQ(closer.Texts.size(), 1);
}

TEST(CalcTest, EveryKeyInsertsItsText) {
    // Shift keys pressed first: "2" the 2ndF key, "H" the Hyp key.
    struct Row {
        const char* Key;
        const char* Shifts;
        const char* Text;
    };
    const Row rows[] = {
        {"Btn0", "", "0"},           {"Btn1", "", "1"},           {"Btn2", "", "2"},
        {"Btn3", "", "3"},           {"Btn4", "", "4"},           {"Btn5", "", "5"},
        {"Btn6", "", "6"},           {"Btn7", "", "7"},           {"Btn8", "", "8"},
        {"Btn9", "", "9"},           {"Btn5", "2H", "5"},         {"BtnPoint", "", "."},
        {"BtnComma", "", ","},       {"BtnParOpen", "", "("},     {"BtnParClose", "", ")"},
        {"BtnAdd", "", "+"},         {"BtnSub", "", "-"},         {"BtnMult", "", "*"},
        {"BtnDiv", "", "/"},         {"BtnEx", "", "E"},          {"BtnAND", "", " AND "},
        {"BtnOR", "", " OR "},       {"BtnXOR", "", " XOR "},     {"BtnNOT", "", "NOT "},
        {"BtnNOT", "2", "NOT "},     {"BtnSin", "", "Sin("},      {"BtnSin", "2", "ArcSin("},
        {"BtnSin", "H", "Sinh("},    {"BtnSin", "2H", "ArSinh("}, {"BtnCos", "", "Cos("},
        {"BtnCos", "2", "ArcCos("},  {"BtnCos", "H", "Cosh("},    {"BtnCos", "2H", "ArCosh("},
        {"BtnTan", "", "Tan("},      {"BtnTan", "2", "ArcTan("},  {"BtnTan", "H", "Tanh("},
        {"BtnTan", "2H", "ArTanh("}, {"BtnAbs", "", "Abs("},      {"BtnAbs", "2", "Rnd"},
        {"BtnAbs", "H", "Abs("},     {"BtnHoch", "", "^"},        {"BtnHoch", "2", "Sqrtx("},
        {"BtnExp", "", "Exp("},      {"BtnExp", "2", "Exp10("},   {"BtnLn", "", "Ln("},
        {"BtnLn", "2", "Log("},      {"BtnLn", "2H", "Log("},     {"BtnQuad", "", "^2"},
        {"BtnQuad", "2", "^-1"},     {"BtnSqrt", "", "Sqrt("},    {"BtnSqrt", "2", "Sqrt3("},
        {"BtnDeg", "", "->DEG"},     {"BtnDeg", "2", "->DMS"},    {"BtnPol", "", "->POL "},
        {"BtnPol", "2", "->REC "},   {"BtnKomb", "", " Komb "},   {"BtnKomb", "2", " Perm "},
        {"BtnPi", "", "PI"},         {"BtnPi", "2", "!"},         {"BtnPi", "H", "PI"},
        {"BtnHex", "", "$"},         {"BtnBin", "", "#"},         {"BtnA", "", "A"},
        {"BtnB", "", "B"},           {"BtnC", "", "C"},           {"BtnD", "", "D"},
        {"BtnE", "", "E"},           {"BtnF", "", "F"},           {"BtnG", "", "G"},
        {"BtnH", "", "H"},           {"BtnI", "", "I"},           {"BtnJ", "2", "J"},
        {"BtnRM", "", "0"},          {"BtnRM", "2", "0"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.Key) + " shifts '" + row.Shifts + "'");
        auto calc = MakeCalc();
        const std::string shifts = row.Shifts;
        if (shifts.find('2') != std::string::npos) Click(*calc, QStringLiteral("Btn2ndF"));
        if (shifts.find('H') != std::string::npos) Click(*calc, QStringLiteral("BtnHyp"));
        RunSteps(*calc, {"1", "<Left>"}); // the text goes in at the cursor
        Click(*calc, QString::fromLatin1(row.Key));
        EXPECT_EQ(Line(*calc), row.Text + std::string("1"));
        EXPECT_EQ(calc->EditLine->cursorPosition(), static_cast<int>(strlen(row.Text)));
        EXPECT_TRUE(calc->EditLine->hasFocus());
        EXPECT_FALSE(SecondFn); // every insertion releases both shift keys
        EXPECT_FALSE(HypMode);
    }
}

TEST(CalcTest, KeysCarryCaptionsHintsAndSecondMeanings) {
    struct Row {
        const char* Key;
        const char* Caption;
        const char* Hint;
        const char* Second; // "" for none
        const char* SecondHint;
    };
    const Row rows[] = {
        {"Btn2ndF", "2ndF", "Second meaning of key", "", ""},
        {"BtnFE", "&F<->E", "Floating point/Exponential display", "", ""},
        {"BtnTAB", "&TAB", "Number of decimals", "", ""},
        {"BtnDRG", "dRg", "Change angular unit", "", ""},
        {"BtnDeg", "->DEG", "Conversion to degrees", "->D.MS",
         "Conversion in degrees.minutes seconds"},
        {"BtnPol", "->POL", "Conversion to polar coordinates", "->REC",
         "Conversion in rectangular coordinates"},
        {"BtnKomb", "nCr", "Combinations", "nPr", "Variations"},
        {"BtnPi", "\u03c0", "Pi", "n!", "Factorial"},
        {"BtnHyp", "Hyp", "Hyperbolical functions", "Ar Hyp", "Inverse Hyperbolical functions"},
        {"BtnSin", "Sin", "Sine", "ArcSin", "Arc sine"},
        {"BtnCos", "Cos", "Cosine", "ArcCos", "Arc cosine"},
        {"BtnTan", "Tan", "Tangent", "ArcTan", "Arc tangent"},
        {"BtnAbs", "Abs", "Absolute value", "Rnd", "Random number"},
        {"BtnHoch", "y^x", "y raised to the power of x", "Sqrtx", "nth root of y"},
        {"BtnExp", "e^x", "Exponential function", "10^x", "10 raised to the power of x"},
        {"BtnLn", "Ln", "Natural logarithm", "Log", "Common logarithm"},
        {"BtnQuad", "x\u00b2", "Square", "1/x", "Reciprocal"},
        {"BtnSqrt", "Sqrt", "Square root", "Sqrt3", "Cubic root"},
        {"Btn7", "7", "", "", ""},
        {"Btn0", "0", "", "", ""},
        {"BtnPoint", ".", "Decimal point", "", ""},
        {"BtnComma", ",", "Separation of arguments", "", ""},
        {"BtnParOpen", "(", "", "", ""},
        {"BtnParClose", ")", "", "", ""},
        {"BtnMult", "\u00d7", "", "", ""},
        {"BtnDiv", "\u00f7", "", "", ""},
        {"BtnAdd", "+", "", "", ""},
        {"BtnSub", "-", "", "", ""},
        {"BtnEx", "Exp", "Exponent", "", ""},
        {"BtnEval", "=", "Evaluate expression", "", ""},
        {"BtnAND", "AND", "AND operator", "", ""},
        {"BtnOR", "OR", "OR operator", "", ""},
        {"BtnXOR", "XOR", "Exclusive OR operator", "", ""},
        {"BtnNOT", "NOT", "Bitwise inversion", "", ""},
        {"BtnSto", "Sto", "Store in constant memory", "", ""},
        {"BtnRcl", "Rcl", "Recall constant memory", "", ""},
        {"BtnRM", "RM", "Recall M", "", ""},
        {"BtnStoM", "->M", "Store in M", "", ""},
        {"BtnAddM", "M+", "Add to M", "M-", "subtract from M"},
        {"BtnA", "A", "Constant memory", "", ""},
        {"BtnJ", "J", "Constant memory", "", ""},
        {"BtnBackSpace", "<--", "Clear", "", ""},
        {"BtnPlot", "&Plot", "Plot function", "", ""},
        {"BtnComp", "&Comp", "Recalculate", "", ""},
        {"BtnHex", "$", "Prefix for hexadecimal numbers", "", ""},
        {"BtnBin", "#", "Prefix for binary numbers", "", ""},
        {"BtnClear", "CL", "Clear input", "", ""},
        {"BtnPB", "P&B", "Playback last entry", "", ""},
        {"BtnConvDez", "-> De&z", "Display in decimal format", "", ""},
        {"BtnConvHex", "-> He&x", "Display in hexadezimal format", "", ""},
        {"BtnConvBin", "-> Bi&n", "Display in binary format", "", ""},
        {"BtnSize", "&less", "Reduce to input line", "", ""},
        {"BtnAus", "Off", "Switch off", "", ""},
    };
    auto calc = MakeCalc();
    const QRect client = calc->rect();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Key);
        QPushButton* key = Key(*calc, QString::fromLatin1(row.Key));
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(key->text().toStdString(), row.Caption);
        EXPECT_EQ(key->toolTip().toStdString(), row.Hint);
        EXPECT_TRUE(client.contains(key->geometry())) << "the key lies inside the window";
        const QString labelName = QStringLiteral("Label") + QString::fromLatin1(row.Key + 3);
        auto* label = calc->findChild<QLabel*>(labelName);
        if (*row.Second == 0) {
            EXPECT_EQ(label, nullptr);
            continue;
        }
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->text().toStdString(), row.Second);
        EXPECT_EQ(label->toolTip().toStdString(), row.SecondHint);
        EXPECT_EQ(label->palette().color(QPalette::WindowText), Maroon);
        EXPECT_LE(label->geometry().bottom(), key->geometry().top()) << "printed above its key";
        EXPECT_TRUE(label->geometry().intersects(key->geometry().translated(0, -key->height())));
    }
    EXPECT_EQ(calc->EditLine->toolTip().toStdString(), "Enter expression here");
    EXPECT_EQ(calc->windowTitle().toStdString(), "Quoril for Windows");
    // Every key is an on-screen key: no two overlap.
    const auto keys = calc->findChildren<QPushButton*>();
    EXPECT_EQ(keys.size(), 70);
    for (int i = 0; i < keys.size(); ++i)
        for (int j = i + 1; j < keys.size(); ++j)
            EXPECT_FALSE(keys[i]->geometry().intersects(keys[j]->geometry()))
                << keys[i]->objectName().toStdString() << " / "
                << keys[j]->objectName().toStdString();
}

TEST(CalcTest, ShiftKeysTurnMaroonWhileEngaged) {
    struct Row {
        const char* Name;
        std::vector<const char*> Steps;
        bool Second;
        bool Hyp;
    };
    const Row rows[] = {
        {"2ndF engages", {"Btn2ndF"}, true, false},
        {"2ndF twice releases", {"Btn2ndF", "Btn2ndF"}, false, false},
        {"Hyp engages", {"BtnHyp"}, false, true},
        {"both", {"Btn2ndF", "BtnHyp"}, true, true},
        {"an insertion releases both", {"Btn2ndF", "BtnHyp", "BtnAdd"}, false, false},
        {"a digit key releases both", {"Btn2ndF", "BtnHyp", "Btn7"}, false, false},
        {"clear releases both", {"Btn2ndF", "BtnHyp", "BtnClear"}, false, false},
        {"evaluation releases both", {"1", "Btn2ndF", "BtnHyp", "<Return>"}, false, false},
        {"typing keeps them", {"Btn2ndF", "BtnHyp", "5"}, true, true},
        {"tab keeps them", {"Btn2ndF", "BtnTAB"}, true, false},
        {"dRg keeps them", {"BtnHyp", "BtnDRG"}, false, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        auto calc = MakeCalc();
        for (const char* step : row.Steps)
            Step(*calc, QString::fromUtf8(step));
        EXPECT_EQ(SecondFn, row.Second);
        EXPECT_EQ(HypMode, row.Hyp);
        const QColor black = QApplication::palette().color(QPalette::ButtonText);
        EXPECT_EQ(calc->Btn2ndF->palette().color(QPalette::ButtonText),
                  row.Second ? Maroon : black);
        EXPECT_EQ(calc->BtnHyp->palette().color(QPalette::ButtonText), row.Hyp ? Maroon : black);
    }
}

TEST(CalcTest, AngleUnitKeyCyclesWithItsCaption) {
    auto calc = MakeCalc();
    struct Row {
        int Presses;
        int Unit;
        const char* Caption;
    };
    const Row rows[] = {{0, 1, "dRg"}, {1, 2, "drG"}, {2, 0, "Drg"}, {3, 1, "dRg"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Caption);
        AngleUnit = AngleRadians;
        calc->BtnDRG->setText(QStringLiteral("dRg"));
        for (int i = 0; i < row.Presses; ++i)
            Click(*calc, QStringLiteral("BtnDRG"));
        EXPECT_EQ(AngleUnit, row.Unit);
        EXPECT_EQ(calc->BtnDRG->text().toStdString(), row.Caption);
    }
}

TEST(CalcTest, SizeKeyFoldsToTheInputLine) {
    auto calc = MakeCalc();
    const int full = calc->height();
    EXPECT_EQ(calc->GetFullHeight(), full);
    const int folded = calc->LabelArHyp->y() - 2;
    struct Row {
        int Height;
        const char* Caption;
        const char* Hint;
    };
    const Row rows[] = {
        {folded, "&more", "Display in full size"},
        {full, "&less", "Reduce to input line"},
        {folded, "&more", "Display in full size"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Caption);
        Click(*calc, QStringLiteral("BtnSize"));
        EXPECT_EQ(calc->height(), row.Height);
        EXPECT_EQ(calc->BtnSize->text().toStdString(), row.Caption);
        EXPECT_EQ(calc->BtnSize->toolTip().toStdString(), row.Hint);
        EXPECT_TRUE(calc->EditLine->hasFocus());
    }
    // Folded, the input line stays whole and usable.
    EXPECT_LE(calc->EditLine->geometry().bottom(), calc->height());
    RunSteps(*calc, {"6*7", "<Return>"});
    EXPECT_EQ(Line(*calc), "42");
}

TEST(CalcTest, MenuHoldsItsItemsShortcutsAndSeparators) {
    struct Row {
        const char* Name; // "-" for a separator
        const char* Caption;
        const char* Shortcut;
    };
    const Row rows[] = {
        {"LetzteEingabe1", "Last input", "Alt+Backspace"},
        {"Eingabelschen1", "Clear input", "Ctrl+Del"},
        {"-", "", ""},
        {"MPlus", "M+", "Ctrl+M"},
        {"MMinus", "M-", "Shift+Ctrl+M"},
        {"RM1", "RM", "Shift+Ctrl+E"},
        {"-", "", ""},
        {"MarkAll", "Mark all", "Ctrl+A"},
        {"CutClip", "Cut", "Ctrl+X"},
        {"PasteClip", "Paste", "Ctrl+V"},
        {"CopyClip", "Copy", "Ctrl+C"},
        {"-", "", ""},
        {"MStayOnTop", "Always on top", ""},
        {"-", "", ""},
        {"MShowHints", "Show hints", ""},
    };
    auto calc = MakeCalc();
    const QList<QAction*> actions = calc->PopupMenu1->actions();
    ASSERT_EQ(actions.size(), static_cast<qsizetype>(std::size(rows)));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const Row& row = rows[i];
        SCOPED_TRACE(std::to_string(i) + " " + row.Name);
        QAction* action = actions[static_cast<qsizetype>(i)];
        if (std::string(row.Name) == "-") {
            EXPECT_TRUE(action->isSeparator());
            continue;
        }
        EXPECT_EQ(action->objectName().toStdString(), row.Name);
        EXPECT_EQ(action->text().toStdString(), row.Caption);
        EXPECT_EQ(action->shortcut(), QKeySequence::fromString(QString::fromLatin1(row.Shortcut)));
    }
}

TEST(CalcTest, StayOnTopAndHintsFollowTheirMenuItems) {
    auto calc = MakeCalc();
    EXPECT_EQ(HintPause(), 500);
    struct Row {
        bool OnTop;
        bool Hints;
        int Pause;
    };
    const Row rows[] = {{true, true, 1000}, {false, false, 1000}, {true, true, 1000}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.OnTop);
        calc->MStayOnTop->trigger();
        calc->MShowHints->trigger();
        EXPECT_EQ(calc->MStayOnTop->isChecked(), row.OnTop);
        EXPECT_EQ(calc->StayOnTop(), row.OnTop);
        EXPECT_TRUE(calc->isVisible());
        EXPECT_EQ(calc->MShowHints->isChecked(), row.Hints);
        EXPECT_EQ(ShowHints(), row.Hints);
        EXPECT_EQ(HintPause(), row.Pause);
    }
}

TEST(CalcTest, FirstRunStartsEmptyInRadians) {
    auto calc = MakeCalc();
    EXPECT_EQ(Line(*calc), "");
    EXPECT_EQ(calc->BtnDRG->text().toStdString(), "dRg");
    EXPECT_EQ(AngleUnit, AngleRadians);
    EXPECT_EQ(NumBase, BaseDecimal);
    EXPECT_EQ(calc->GetPrecision(), 18);
    EXPECT_FALSE(calc->GetClearInput());
    EXPECT_FALSE(calc->GetResultShown());
    EXPECT_FALSE(calc->StayOnTop());
    EXPECT_FALSE(calc->MStayOnTop->isChecked());
    EXPECT_FALSE(ShowHints());
    EXPECT_FALSE(calc->MShowHints->isChecked());
    EXPECT_EQ(calc->GetMemoryM(), 0);
    EXPECT_TRUE(calc->EditLine->hasFocus());
    EXPECT_TRUE(calc->BtnPlot->isEnabled());
    RunSteps(*calc, {"Sin(PI/2)", "<Return>"});
    EXPECT_EQ(Line(*calc), "1");
}

TEST(CalcTest, LogoOpensTheAboutBox) {
    auto calc = MakeCalc();
    for (QLabel* logo : {calc->Label17, calc->Label18}) {
        SCOPED_TRACE(logo->objectName().toStdString());
        TModalCloser closer;
        QTest::mouseClick(logo, Qt::LeftButton);
        EXPECT_EQ(closer.Captions, QStringList{QStringLiteral("About Quoril")});
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    }
}

// Saves pictures of the window next to the test program, unfolded and folded, for a look.
TEST(CalcTest, WindowPictures) {
    auto calc = MakeCalc();
    RunSteps(*calc, {"2*Sin(30)+Max(1,2)", "Btn2ndF"});
    const QString folder = QCoreApplication::applicationDirPath();
    struct Row {
        const char* File;
        int Height;
    };
    const Row rows[] = {{"calc-full.png", calc->GetFullHeight()},
                        {"calc-folded.png", calc->LabelArHyp->y() - 2}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.File);
        if (calc->height() != row.Height) Click(*calc, QStringLiteral("BtnSize"));
        const QImage picture = calc->grab().toImage();
        EXPECT_EQ(picture.height(), row.Height * picture.devicePixelRatio());
        // The line's text is drawn: the line's area is not one plain colour.
        const QRect line = calc->EditLine->geometry();
        const QImage linePart = picture.copy(line);
        bool varied = false;
        for (int y = 0; y < linePart.height() && !varied; ++y)
            for (int x = 0; x < linePart.width() && !varied; ++x)
                varied = linePart.pixel(x, y) != linePart.pixel(0, linePart.height() / 2);
        EXPECT_TRUE(varied);
        EXPECT_TRUE(picture.save(QDir(folder).filePath(QString::fromLatin1(row.File))));
    }
}

TEST(CalcTest, HelpKeyOpensHelpAndClosingTheCalculatorClosesIt) {
    auto calc = MakeCalc();
    EXPECT_EQ(calc->BtnHelp->text().toStdString(), "?");
    Click(*calc, QStringLiteral("BtnHelp"));
    QPointer<QWidget> help = HelpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    calc.reset();
    EXPECT_TRUE(help.isNull() || !help->isVisible());
}

// Every key shows its caption: inside the key's face some pixels stand clearly apart from the
// face colour. Catches a caption font that draws nothing for its characters (such as a
// symbol-encoded font asked for the letter pi).
TEST(CalcTest, EveryKeyCaptionIsDrawn) {
    auto calc = MakeCalc();
    calc->show();
    for (QPushButton* key : calc->findChildren<QPushButton*>()) {
        if (!key->isVisible() || key->text().isEmpty()) continue;
        SCOPED_TRACE(key->objectName().toStdString());
        const QImage face = key->grab().toImage().copy(key->rect().adjusted(4, 3, -4, -3));
        std::map<int, int> grayCount; // the most common gray level is the face colour
        for (int y = 0; y < face.height(); ++y)
            for (int x = 0; x < face.width(); ++x)
                ++grayCount[qGray(face.pixel(x, y))];
        int faceGray = 0, most = 0;
        for (const auto& [gray, count] : grayCount)
            if (count > most) most = count, faceGray = gray;
        int ink = 0;
        for (const auto& [gray, count] : grayCount)
            if (std::abs(gray - faceGray) > 40) ink += count;
        EXPECT_GE(ink, 4) << key->text().toStdString();
    }
}

// ---- Text from an input method passes the same key filter as typed keys.
TEST(CalcTest, InputMethodTextPassesTheKeyFilter) {
    RunScripts({
        {"the result is squared", {"5", "<Return>", "im:^", "2", "<Return>"}, "25", 2, {}},
        {"a composed letter starts a new line", {"5", "<Return>", "im:\u00e9"}, "\u00e9", 1, {}},
        {"only the first committed character decides", {"5", "<Return>", "im:*2"}, "5*2", 3, {}},
        {"composing decides nothing yet",
         {"5", "<Return>", "preedit:^", "im:^", "3"},
         "5^3",
         3,
         {}},
        {"without a result the text goes in at the cursor",
         {"12", "<Left>", "im:\u00e9"},
         "1\u00e92",
         2,
         {}},
    });
}

// ---- The line never selects itself when the focus comes back to it.
TEST(CalcTest, FocusComingBackKeepsTheCursor) {
    RunScripts({
        {"tab away and back inserts at the cursor",
         {"12345", "<Left>", "<Left>", "<Tab>", "<Shift+Tab>", "9"},
         "123945",
         4,
         {}},
        {"a result still starts a new line after tabbing",
         {"1+2", "<Return>", "<Tab>", "<Shift+Tab>", "5"},
         "5",
         1,
         {}},
    });
}

// ---- The window's frame: the window menu and a minimise button, no maximise button, in
// either window style.
TEST(CalcTest, FrameOffersMinimiseButNoMaximise) {
    struct Row {
        const char* Name;
        Qt::WindowType Flag;
        bool Present;
    };
    const Row rows[] = {
        {"buttons chosen, not the system's defaults", Qt::CustomizeWindowHint, true},
        {"title bar", Qt::WindowTitleHint, true},
        {"window menu", Qt::WindowSystemMenuHint, true},
        {"minimise button", Qt::WindowMinimizeButtonHint, true},
        {"close button, which ends the program", Qt::WindowCloseButtonHint, true},
        {"no maximise button", Qt::WindowMaximizeButtonHint, false},
    };
    auto calc = MakeCalc();
    for (bool onTop : {false, true}) {
        if (calc->StayOnTop() != onTop) calc->MStayOnTop->trigger();
        ASSERT_EQ(calc->StayOnTop(), onTop);
        ASSERT_NE(calc->windowHandle(), nullptr);
        const Qt::WindowFlags flags = calc->windowHandle()->flags(); // what the platform gets
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.Name) + (onTop ? ", on top" : ""));
            EXPECT_EQ(flags.testFlag(row.Flag), row.Present);
        }
    }
}

// ---- What the help says about memory M after a rejected line is what the program does: each
// row quotes the help and runs the case it describes.
TEST(CalcTest, HelpOnRejectedLinesAgreesWithTheProgram) {
    struct Row {
        std::vector<std::pair<const char*, const char*>> Quotes; // page, text
        TScriptRow Session;
    };
    const Row rows[] = {
        {{{"calculator.html", "and so does memory M"}},
         {"= keeps M",
          {"7", "BtnStoM", "BtnClear", "Foo", "<Return>", "BtnClear", "BtnRM"},
          "7",
          -1,
          {"Unknown identifier"}}},
        {{{"calculator.html", "->M then stores the last result in M"},
          {"memories.html", "->M stores the previous result in M"}},
         {"->M",
          {"5", "<Return>", "BtnClear", "Foo", "BtnStoM", "BtnClear", "BtnRM"},
          "5",
          -1,
          {"Unknown identifier"}}},
        {{{"calculator.html", "M+ adds the last result to M"},
          {"memories.html", "M+ adds the previous result to M"}},
         {"M+",
          {"5", "BtnStoM", "BtnClear", "Foo", "BtnAddM", "BtnClear", "BtnRM"},
          "10",
          -1,
          {"Unknown identifier"}}},
    };
    InstallHelp(*qApp); // the pages in the resources
    for (const Row& row : rows) {
        for (const auto& [pageName, says] : row.Quotes) {
            SCOPED_TRACE(std::string(pageName) + ": " + says);
            QFile page(QStringLiteral(":/help/") + QString::fromLatin1(pageName));
            ASSERT_TRUE(page.open(QIODevice::ReadOnly));
            QTextDocument document;
            document.setHtml(QString::fromUtf8(page.readAll()));
            EXPECT_TRUE(document.toPlainText().simplified().contains(QString::fromUtf8(says)));
        }
        RunScripts({row.Session});
    }
}
