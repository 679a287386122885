// The calculator's working state through the settings store: what a session writes, what the
// next start reads back, and how unreadable or unwritable stores are met.
#include "tests/app/CalcTestSupport.h"

#include "engine/Convert.h"
#include "engine/Globals.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cmath>
#include <functional>
#include <map>

using namespace calctest;

namespace {

using TEntries = std::map<std::string, std::string>;

// Every entry of the calculator's sections as stored text; a value that is not a string
// shows as "<not text>".
TEntries StoredEntries() {
    QSettings store = Store();
    TEntries entries;
    for (const QString& key : store.allKeys()) {
        if (!key.startsWith(u"Options/") && !key.startsWith(u"Status/") &&
            !key.startsWith(u"Registers/"))
            continue;
        const QVariant value = store.value(key);
        entries[key.toStdString()] =
            value.typeId() == QMetaType::QString ? value.toString().toStdString() : "<not text>";
    }
    return entries;
}

void Put(const char* key, const QString& text) {
    QSettings store = Store();
    store.setValue(QString::fromLatin1(key), text);
    store.sync();
}

// The program-wide state a new start would have, leaving the store as it is.
void ResetProgramState() {
    AngleUnit = AngleRadians;
    NumBase = BaseDecimal;
    Memory.fill(0);
    SetShowHints(false);
    SetHintPause(500);
}

// The folder the tests' settings live in (the store's file is <folder>/Hemsel/Quoril.conf).
QString SettingsFolder() {
    return QFileInfo(Store().fileName()).dir().absolutePath() + "/..";
}

} // namespace

TEST(CalcSettingsTest, FirstRunWritesEveryEntryWithItsDefault) {
    FreshStart();
    EXPECT_TRUE(StoredEntries().empty());
    MakeCalc().reset();
    const TEntries expected = {
        {"Options/Winkeleinheit", "1"}, {"Options/Precision", "18"},  {"Options/Hints", "0"},
        {"Status/NumBase", "0"},        {"Status/AktExpression", ""}, {"Status/OldExpression", ""},
        {"Status/CurPos", "0"},         {"Status/ClearInput", "0"},   {"Status/WinStyle", "0"},
        {"Registers/RegA", "0"},        {"Registers/RegB", "0"},      {"Registers/RegC", "0"},
        {"Registers/RegD", "0"},        {"Registers/RegE", "0"},      {"Registers/RegF", "0"},
        {"Registers/RegG", "0"},        {"Registers/RegH", "0"},      {"Registers/RegI", "0"},
        {"Registers/RegJ", "0"},        {"Registers/RegM", "0"},
    };
    EXPECT_EQ(StoredEntries(), expected);
}

TEST(CalcSettingsTest, SessionComesBackAtTheNextStart) {
    {
        auto calc = MakeCalc();
        RunSteps(*calc, {"1/3", "BtnSto", "BtnA", "BtnClear", "-7", "BtnSto", "BtnJ", "BtnClear",
                         "2.5", "BtnStoM", "BtnDRG", "BtnDRG", "BtnTAB", "Btn4", "@MStayOnTop",
                         "@MShowHints", "BtnClear", "Max(1,2)", "<Return>"});
        ASSERT_EQ(Line(*calc), "2.0000");
        RunSteps(*calc, {"BtnConvHex", "<Left>"});
        ASSERT_EQ(Line(*calc), "$2");
    }
    const TEntries expected = {
        {"Options/Winkeleinheit", "0"}, {"Options/Precision", "4"},
        {"Options/Hints", "1"},         {"Status/NumBase", "1"},
        {"Status/AktExpression", "$2"}, {"Status/OldExpression", "2.0000->Hex"},
        {"Status/CurPos", "1"},         {"Status/ClearInput", "1"},
        {"Status/WinStyle", "3"},       {"Registers/RegA", "0.333333333333333"},
        {"Registers/RegB", "0"},        {"Registers/RegC", "0"},
        {"Registers/RegD", "0"},        {"Registers/RegE", "0"},
        {"Registers/RegF", "0"},        {"Registers/RegG", "0"},
        {"Registers/RegH", "0"},        {"Registers/RegI", "0"},
        {"Registers/RegJ", "-7"},       {"Registers/RegM", "2.5"},
    };
    EXPECT_EQ(StoredEntries(), expected);

    ResetProgramState();
    auto calc = MakeCalc(false);
    EXPECT_EQ(AngleUnit, AngleDegrees);
    EXPECT_EQ(calc->BtnDRG->text().toStdString(), "Drg");
    EXPECT_EQ(calc->GetPrecision(), 4);
    EXPECT_TRUE(ShowHints());
    EXPECT_TRUE(calc->MShowHints->isChecked());
    EXPECT_EQ(HintPause(), 500); // the menu item has not been used in this run
    EXPECT_EQ(NumBase, BaseHex);
    EXPECT_EQ(Line(*calc), "$2");
    EXPECT_EQ(calc->GetOldExpression().toStdString(), "2.0000->Hex");
    EXPECT_EQ(calc->EditLine->cursorPosition(), 1);
    EXPECT_TRUE(calc->GetClearInput());
    EXPECT_FALSE(calc->GetResultShown());
    EXPECT_TRUE(calc->StayOnTop());
    EXPECT_TRUE(calc->MStayOnTop->isChecked());
    // One third loses the digits beyond the 15th on its way through the store.
    EXPECT_EQ(Memory[0], DotTextToFloat("0.333333333333333"));
    EXPECT_NE(Memory[0], 1.0L / 3);
    EXPECT_EQ(Memory[9], -7);
    EXPECT_EQ(calc->GetMemoryM(), 2.5L);
    // The restored result is replaced by the next digit, and F<->E waits for a new result.
    RunSteps(*calc, {"BtnFE"});
    EXPECT_EQ(Line(*calc), "$2");
    RunSteps(*calc, {"5"});
    EXPECT_EQ(Line(*calc), "5");
}

TEST(CalcSettingsTest, IntegerTextsAndTheHexadecimalPrefix) {
    struct Row {
        const char* Text; // stored as Options/Precision
        int Precision;
    };
    const Row rows[] = {
        {"7", 7},
        {"+7", 7},
        {"-0", 0},
        {"0", 0},
        {"0xC", 12},
        {"0XA", 10},
        {"0x0", 0},
        {"0x00000003", 3},
        {"0x", 18},
        {"0X", 18},
        {"0xG", 18},
        {"0x-1", 18},
        {"12abc", 18},
        {"abc", 18},
        {"", 18},
        {"1.5", 18},
        {" 5", 18},
        {"5 ", 18},
        {"99999999999", 18},
        {"-1", 18},
        {"19", 18},
        {"0x100000000", 18},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Text);
        FreshStart();
        Put("Options/Precision", QString::fromLatin1(row.Text));
        auto calc = MakeCalc(false);
        EXPECT_EQ(calc->GetPrecision(), row.Precision);
    }
}

TEST(CalcSettingsTest, CursorPositionIsReadLikeEveryInteger) {
    struct Row {
        const char* Text; // stored as Status/CurPos, or nullptr for none
        int Cursor;       // in the line "abcdefghijklmnopqrstuvwxyz"
    };
    const Row rows[] = {
        {nullptr, 26}, {"0x12", 18}, {"0x", 26}, {"3", 3},
        {"0", 0},      {"99", 26},   {"-3", 0},  {"x", 26},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Text ? row.Text : "(none)");
        FreshStart();
        Put("Status/AktExpression", QStringLiteral("abcdefghijklmnopqrstuvwxyz"));
        if (row.Text) Put("Status/CurPos", QString::fromLatin1(row.Text));
        auto calc = MakeCalc(false);
        EXPECT_EQ(calc->EditLine->cursorPosition(), row.Cursor);
        EXPECT_FALSE(calc->EditLine->hasSelectedText());
    }
}

TEST(CalcSettingsTest, DamagedValuesGiveTheirDefaults) {
    struct Row {
        const char* Name;
        const char* Key;
        const char* Text;
        std::function<void(TCalc&)> Check;
    };
    const Row rows[] = {
        {"memory text that is no number", "Registers/RegB", "abc",
         [](TCalc&) { EXPECT_EQ(Memory[1], 0); }},
        {"memory text with a comma", "Registers/RegC", "1,5",
         [](TCalc&) { EXPECT_EQ(Memory[2], 0); }},
        {"memory M that is no number", "Registers/RegM", "--1",
         [](TCalc& calc) { EXPECT_EQ(calc.GetMemoryM(), 0); }},
        {"memory in exponent form", "Registers/RegD", "1.5E-5",
         [](TCalc&) { EXPECT_EQ(Memory[3], DotTextToFloat("1.5E-5")); }},
        {"angle unit out of range", "Options/Winkeleinheit", "7",
         [](TCalc& calc) {
             EXPECT_EQ(AngleUnit, AngleRadians);
             EXPECT_EQ(calc.BtnDRG->text().toStdString(), "dRg");
         }},
        {"angle unit in grads", "Options/Winkeleinheit", "2",
         [](TCalc& calc) { EXPECT_EQ(calc.BtnDRG->text().toStdString(), "drG"); }},
        {"number base out of range", "Status/NumBase", "5",
         [](TCalc&) { EXPECT_EQ(NumBase, BaseDecimal); }},
        {"binary number base", "Status/NumBase", "2",
         [](TCalc&) { EXPECT_EQ(NumBase, BaseBinary); }},
        {"unknown window style", "Status/WinStyle", "7",
         [](TCalc& calc) { EXPECT_FALSE(calc.StayOnTop()); }},
        {"any non-zero hint value", "Options/Hints", "2", [](TCalc&) { EXPECT_TRUE(ShowHints()); }},
        {"non-zero clear flag", "Status/ClearInput", "-1",
         [](TCalc& calc) { EXPECT_TRUE(calc.GetClearInput()); }},
        {"clear flag that is no number", "Status/ClearInput", "yes",
         [](TCalc& calc) { EXPECT_FALSE(calc.GetClearInput()); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        FreshStart();
        Put(row.Key, QString::fromLatin1(row.Text));
        auto calc = MakeCalc(false);
        row.Check(*calc);
    }
}

TEST(CalcSettingsTest, LineTextsSurviveAsWritten) {
    const char* texts[] = {"Max(1,2)", "a:=\"1\"; b", "@x", "  1 + 2  ", "\u00e9\u03c0\\[x]", ""};
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        TModalCloser closer; // some of the texts are no expressions
        {
            auto calc = MakeCalc();
            Type(calc->EditLine, QString::fromUtf8(text));
            RunSteps(*calc, {"BtnEval", "BtnPB"});
        }
        auto calc = MakeCalc(false);
        EXPECT_EQ(Line(*calc), text);
        EXPECT_EQ(calc->GetOldExpression().toStdString(), text);
    }
}

// A value edited by hand with an unquoted comma still reads as the whole text.
TEST(CalcSettingsTest, HandEditedLineWithCommasReadsWhole) {
    struct Row {
        const char* FileLine;
        const char* Line;
    };
    const Row rows[] = {
        {"AktExpression=Max(1,2)", "Max(1,2)"},
        {"AktExpression=Min(3,4,5)", "Min(3,4,5)"},
        {"AktExpression=\"Max(1,2)\"", "Max(1,2)"},
        {"AktExpression=1+2", "1+2"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.FileLine);
        FreshStart();
        QFile file(Store().fileName());
        QDir().mkpath(QFileInfo(file).absolutePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QByteArray("[Status]\n") + row.FileLine + "\n");
        file.close();
        auto calc = MakeCalc(false);
        EXPECT_EQ(Line(*calc), row.Line);
    }
}

TEST(CalcSettingsTest, DeletedRegistersSectionRestoresZeroMemories) {
    {
        auto calc = MakeCalc();
        RunSteps(*calc, {"4", "BtnSto", "BtnA", "9", "BtnSto", "BtnI", "3", "BtnStoM"});
    }
    {
        QSettings store = Store();
        EXPECT_EQ(store.value(QStringLiteral("Registers/RegI")).toString().toStdString(), "9");
        store.remove(QStringLiteral("Registers"));
        store.sync();
    }
    ResetProgramState();
    Memory.fill(5); // whatever the memories hold, the defaults are 0
    auto calc = MakeCalc(false);
    for (int i = 0; i < MemoryCount; ++i)
        EXPECT_EQ(Memory[static_cast<std::size_t>(i)], 0) << i;
    EXPECT_EQ(calc->GetMemoryM(), 0);
}

TEST(CalcSettingsTest, HintsOnAtStartKeepTheShortPauseUntilTheMenuIsUsed) {
    FreshStart();
    Put("Options/Hints", QStringLiteral("1"));
    auto calc = MakeCalc(false);
    struct Row {
        bool Hints;
        int Pause;
    };
    const Row rows[] = {{true, 500}, {false, 500}, {true, 1000}};
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(i);
        if (i > 0) calc->MShowHints->trigger();
        EXPECT_EQ(ShowHints(), rows[i].Hints);
        EXPECT_EQ(calc->MShowHints->isChecked(), rows[i].Hints);
        EXPECT_EQ(HintPause(), rows[i].Pause);
    }
    calc.reset();
    EXPECT_FALSE(ShowHints()); // the closed calculator switches hints off
    EXPECT_EQ(StoredEntries()["Options/Hints"], "1");
}

TEST(CalcSettingsTest, UnwritableStoreIsReportedAndTheSessionGoesOn) {
    const QString original = SettingsFolder();
    QTemporaryDir blocked;
    ASSERT_TRUE(blocked.isValid());
    // A folder below a plain file cannot be made, whoever runs the tests.
    QFile plain(blocked.filePath(QStringLiteral("plain")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    auto calc = MakeCalc();
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       blocked.filePath(QStringLiteral("plain/below")));
    RunSteps(*calc, {"6*7"});
    EXPECT_FALSE(calc->SaveSettings());
    RunSteps(*calc, {"<Return>"});
    EXPECT_EQ(Line(*calc), "42");
    {
        TModalCloser closer;
        calc.reset();
        ASSERT_EQ(closer.Texts.size(), 1);
        EXPECT_TRUE(closer.Texts[0].startsWith(u"The calculator's settings could not be saved"))
            << closer.Texts[0].toStdString();
        EXPECT_EQ(closer.Captions[0].toStdString(), "Quoril for Windows");
    }
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, original);
    EXPECT_TRUE(StoredEntries().empty()); // nothing went to the real store either
}

TEST(CalcSettingsTest, OffAndClosingEndTheProgramAndSaveTheSame) {
    struct Row {
        const char* Name;
        std::function<void(TCalc&)> End;
    };
    const Row rows[] = {
        {"Off key", [](TCalc& calc) { Click(calc, QStringLiteral("BtnAus")); }},
        {"closing the window", [](TCalc& calc) { calc.close(); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        auto calc = MakeCalc();
        RunSteps(*calc, {"6*7", "<Return>", "+1"});
        QTimer::singleShot(0, calc.get(), [&] { row.End(*calc); });
        EXPECT_EQ(QApplication::exec(), 0); // returns once the program is told to end
        calc.reset();
        TEntries entries = StoredEntries();
        EXPECT_EQ(entries["Status/AktExpression"], "42+1");
        EXPECT_EQ(entries["Status/OldExpression"], "6*7");
        EXPECT_EQ(entries["Status/CurPos"], "4");
    }
}

// ---- Memories that hold an infinity or a value that is not a number.
namespace {

// What a memory holds, as a word: "INF", "-INF", "NAN", or the number's text.
std::string Kind(Real value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    return FloatToDotText(value);
}

} // namespace

TEST(CalcSettingsTest, InfiniteAndNaNMemoriesComeBack) {
    struct Row {
        const char* Line; // stored into memory A and into M
        const char* Stored;
    };
    const Row rows[] = {
        {"1E3000*1E3000", "INF"},
        {"-1E3000*1E3000", "-INF"},
        {"1E3000*1E3000-1E3000*1E3000", "NAN"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Line);
        {
            auto calc = MakeCalc();
            TModalCloser closer;
            RunSteps(*calc, {row.Line, "BtnStoM", "BtnClear", row.Line, "BtnSto", "BtnA"});
            EXPECT_EQ(closer.Texts.join(u'|').toStdString(), "");
            ASSERT_EQ(Kind(Memory[0]), row.Stored);
        }
        TEntries entries = StoredEntries();
        EXPECT_EQ(entries["Registers/RegA"], row.Stored);
        EXPECT_EQ(entries["Registers/RegM"], row.Stored);
        ResetProgramState();
        auto calc = MakeCalc(false);
        EXPECT_EQ(Kind(Memory[0]), row.Stored);
        EXPECT_EQ(Kind(calc->GetMemoryM()), row.Stored);
    }
}

TEST(CalcSettingsTest, HandWrittenInfiniteAndNaNTexts) {
    struct Row {
        const char* Text; // stored as Registers/RegE
        const char* Read;
    };
    const Row rows[] = {
        {"INF", "INF"},   {"-INF", "-INF"}, {"NAN", "NAN"},    {"inf", "INF"},
        {"-Inf", "-INF"}, {"+INF", "0"},    {"INFINITY", "0"}, {" INF", "0"},
        {"- INF", "0"},   {"-NAN", "0"},    {"1E5000", "0"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Text);
        FreshStart();
        Put("Registers/RegE", QString::fromLatin1(row.Text));
        auto calc = MakeCalc(false);
        EXPECT_EQ(Kind(Memory[4]), row.Read);
    }
}
