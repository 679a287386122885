// The display dialog driven as a user drives it, with the real display window behind it:
// what New, Add, Reset and the scale switch make of the fields, how rejected fields are
// reported, the axis kinds, the tick buttons, the settings section, the macro command and
// the program's start-up and shutdown with the plotter's windows.
#include "CalcTestSupport.h"
#include "ModalBoxes.h"

#include "app/Help.h"
#include "app/MacroProtocol.h"
#include "app/MacroServer.h"
#include "app/ShowPar.h"
#include "app/SpinButton.h"
#include "app/Startup.h"
#include "display/Drawwin.h"
#include "display/Koowin.h"
#include "plot/Plot.h"

#include <QFile>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextBrowser>

#include <cmath>
#include <map>
#include <vector>

namespace {

using calctest::Store;

class ShowParTest : public testing::Test {
protected:
    void SetUp() override { calctest::FreshStart(); }
    void TearDown() override {
        if (Calc) EndProgram();
        calctest::FreshStart();
    }

    // Starts the program afresh with these settings entries ("DisplayOptions/..." keys) and
    // opens the plotter with the calculator's Plot key.
    static void Start(const std::map<QString, QString>& stored = {}) {
        if (Calc) {
            EndProgram();
            calctest::FreshStart();
        }
        {
            QSettings store = Store();
            for (const auto& [key, text] : stored)
                store.setValue(QStringLiteral("DisplayOptions/") + key, text);
            store.sync();
        }
        StartProgram(*qApp);
        QTest::mouseClick(Calc->BtnPlot, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(DrawWindow));
        ASSERT_TRUE(QTest::qWaitForWindowActive(DrawParDialog));
    }

    static TDrawParDialog& Dialog() { return *DrawParDialog; }
    static TPlot& Plot() { return DrawWindow->Plot(); }

    // At the left end, where a radio button or check box has its mark: a wide one does not
    // react to a click beyond its text.
    static void Click(QAbstractButton* button) {
        QTest::mouseClick(
            button, Qt::LeftButton, Qt::NoModifier,
            QPoint(std::min(button->width() / 2, button->height() / 2), button->height() / 2));
    }
};

bool Dark(const QImage& image, int x, int y) {
    return image.valid(x, y) && qGray(image.pixel(x, y)) < 100;
}

bool DarkNear(const QImage& image, int x, int y) {
    return Dark(image, x, y - 1) || Dark(image, x, y) || Dark(image, x, y + 1);
}

TEST_F(ShowParTest, FirstStartDrawsWithTheWindowsOwnRanges) {
    Start();
    TDrawParDialog& d = Dialog();
    for (QLineEdit* edit : d.findChildren<QLineEdit*>())
        EXPECT_TRUE(edit->text().isEmpty()) << edit->objectName().toStdString();
    EXPECT_TRUE(d.BtnLinearX->isChecked());
    EXPECT_TRUE(d.BtnLinearY->isChecked());
    EXPECT_TRUE(d.BtnSkalFaktX->isEnabled());
    EXPECT_TRUE(d.OptScale->isChecked());
    EXPECT_EQ(d.DrawParNotebook->currentIndex(), 0);

    TModalBoxAnswerer boxes;
    QTest::keyClicks(d.CBFn, QStringLiteral("X^2/10"));
    QTest::keyClick(d.CBFn, Qt::Key_Return); // Enter presses New function
    EXPECT_TRUE(boxes.Boxes.empty());
    ASSERT_EQ(Plot().Functions.size(), 1u);
    EXPECT_EQ(Plot().Title, "X^2/10");
    EXPECT_EQ(Plot().GetXFrom(), -10);
    EXPECT_EQ(Plot().GetXTo(), 10);
    EXPECT_EQ(Plot().GetYFrom(), -10);
    EXPECT_EQ(Plot().GetYTo(), 10);
    EXPECT_TRUE(Plot().GetShowScale());
    // The vertex of the parabola at the origin is drawn.
    EXPECT_TRUE(
        DarkNear(DrawWindow->BackBuffer(), Plot().WorldToDevX(0.5L), Plot().WorldToDevY(0.025L)));
}

struct TRangeRow {
    const char* Name;
    const char* XFrom;
    const char* XTo;
    const char* YFrom;
    const char* YTo;
    Real ExpectedXFrom, ExpectedXTo, ExpectedYFrom, ExpectedYTo;
    const char* Box;   // nullptr: no message
    const char* Field; // the field with the focus after the message
    int Cursor;
};

constexpr Real TwoPi = 6.28318530717958647692528676655900577L;

const TRangeRow RangeRows[] = {
    {"as typed", "-3", "4", "-1", "2", -3, 4, -1, 2, nullptr, nullptr, 0},
    {"x swapped", "10", "-10", "-1", "1", -10, 10, -1, 1, nullptr, nullptr, 0},
    {"y swapped", "0", "1", "5", "-5", 0, 1, -5, 5, nullptr, nullptr, 0},
    {"an expression", "0", "2*PI", "-1", "1", 0, TwoPi, -1, 1, nullptr, nullptr, 0},
    {"empty x from keeps both axes", "", "5", "0", "1", -10, 10, -10, 10, nullptr, nullptr, 0},
    {"empty y to keeps y", "1", "2", "3", "", 1, 2, -10, 10, nullptr, nullptr, 0},
    {"syntax error counts as 0", "1+*3", "5", "-1", "1", 0, 5, -1, 1, "Invalid expression",
     "EditXFrom", 2},
    {"domain error counts as 0", "-5", "LN(0)-5", "-1", "1", -5, 0, -1, 1,
     "Argument zero or negative", "EditXTo", 3},
    {"error in y, then swapped", "-1", "1", "2", "1+", -1, 1, 0, 2, "Invalid expression", "EditYTo",
     2},
    // The integer operators' errors carry no position: the cursor goes behind the text.
    {"integer overflow counts as 0", "1 AND 1E20", "3", "-1", "1", 0, 3, -1, 1,
     "Invalid floating point operation", "EditXFrom", 10},
};

TEST_F(ShowParTest, ResetAppliesTheRangeFields) {
    for (const TRangeRow& row : RangeRows) {
        SCOPED_TRACE(row.Name);
        Start();
        TDrawParDialog& d = Dialog();
        d.EditXFrom->setText(QString::fromUtf8(row.XFrom));
        d.EditXTo->setText(QString::fromUtf8(row.XTo));
        d.EditYFrom->setText(QString::fromUtf8(row.YFrom));
        d.EditYTo->setText(QString::fromUtf8(row.YTo));
        d.BtnAdd->setFocus();
        {
            TModalBoxAnswerer boxes;
            Click(d.BtnReset);
            if (row.Box) {
                ASSERT_EQ(boxes.Boxes.size(), 1u);
                EXPECT_EQ(boxes.Boxes[0].Text.toStdString(), row.Box);
                EXPECT_EQ(boxes.Boxes[0].Icon, QMessageBox::Critical);
                auto* field = d.findChild<QLineEdit*>(QString::fromLatin1(row.Field));
                EXPECT_EQ(d.focusWidget(), field);
                EXPECT_EQ(field->cursorPosition(), row.Cursor);
                EXPECT_FALSE(field->hasSelectedText());
            } else {
                EXPECT_TRUE(boxes.Boxes.empty());
            }
        }
        EXPECT_EQ(Plot().GetXFrom(), row.ExpectedXFrom);
        EXPECT_EQ(Plot().GetXTo(), row.ExpectedXTo);
        EXPECT_EQ(Plot().GetYFrom(), row.ExpectedYFrom);
        EXPECT_EQ(Plot().GetYTo(), row.ExpectedYTo);
    }
}

struct TFormulaRow {
    const char* Name;
    int Page;
    const char* Fn;
    const char* Ft;
    const char* Gt;
    const char* Step;
    const char* Box; // nullptr: no message
    const char* Field;
    int Cursor;
};

const TFormulaRow FormulaRows[] = {
    {"f(x) unknown name", 0, "2*Q", "", "", "", "Unknown identifier", "CBFn", 2},
    {"f(t) holds the error", 1, "", "COS(T", "SIN(T)", "0.1", ") expected", "CBft", 5},
    {"g(t) holds the error", 1, "", "COS(T)", "SIN(T)+Q", "0.1", "Unknown identifier", "CBgt", 7},
    {"X is no parameter", 1, "", "COS(T)", "X", "0.1", "Unknown identifier", "CBgt", 0},
    {"negative step", 1, "", "COS(T)", "SIN(T)", "-0.1", "Parameter step must be greater than 0",
     "EditParaStep", 4},
};

// A rejected function is reported in the field that holds it; New has already emptied the
// plot, Add keeps what was there.
TEST_F(ShowParTest, RejectedFunctionIsReportedInItsField) {
    for (const bool add : {false, true}) {
        for (const TFormulaRow& row : FormulaRows) {
            SCOPED_TRACE(std::string(row.Name) + (add ? " (Add)" : " (New)"));
            Start({{"Ft", row.Ft},
                   {"Gt", row.Gt},
                   {"ParaFrom", "0"},
                   {"ParaTo", "2*PI"},
                   {"ParaStep", row.Step}});
            TDrawParDialog& d = Dialog();
            d.CBFn->setText(QStringLiteral("X"));
            Click(d.BtnNew);
            d.CBFn->setText(QStringLiteral("X^2"));
            Click(d.BtnAdd);
            ASSERT_EQ(Plot().Functions.size(), 2u);

            d.DrawParNotebook->setCurrentIndex(row.Page);
            d.CBFn->setText(QString::fromUtf8(row.Fn));
            TModalBoxAnswerer boxes;
            Click(add ? d.BtnAdd : d.BtnNew);
            ASSERT_EQ(boxes.Boxes.size(), 1u);
            EXPECT_EQ(boxes.Boxes[0].Text.toStdString(), row.Box);
            auto* field = d.findChild<QLineEdit*>(QString::fromLatin1(row.Field));
            EXPECT_EQ(d.focusWidget(), field);
            EXPECT_EQ(field->cursorPosition(), row.Cursor);
            EXPECT_EQ(Plot().Functions.size(), add ? 2u : 0u);
        }
    }
}

struct TParameterRow {
    const char* Name;
    const char* From;
    const char* To;
    const char* Step;
    size_t Curves;
};

const TParameterRow ParameterRows[] = {
    {"complete", "0", "2*PI", "0.01", 1},
    {"swapped range", "2*PI", "0", "PI/50", 1},
    {"step evaluating to 0", "0", "1", "1-1", 0},
    {"empty start", "", "2*PI", "0.1", 0},
    {"empty end", "0", "", "0.1", 0},
    {"empty step", "0", "2*PI", "", 0},
};

// An incomplete parameter range draws nothing and says nothing.
TEST_F(ShowParTest, ParametricPageNeedsACompleteRange) {
    for (const TParameterRow& row : ParameterRows) {
        SCOPED_TRACE(row.Name);
        Start({{"PageIndex", "1"},
               {"Ft", "COS(T)"},
               {"Gt", "SIN(T)"},
               {"ParaFrom", row.From},
               {"ParaTo", row.To},
               {"ParaStep", row.Step}});
        TModalBoxAnswerer boxes;
        Click(Dialog().BtnNew);
        EXPECT_TRUE(boxes.Boxes.empty());
        ASSERT_EQ(Plot().Functions.size(), row.Curves);
        if (row.Curves) {
            EXPECT_EQ(Plot().Functions[0]->Kind, FnKindParametric);
        }
    }
}

TEST_F(ShowParTest, ScaleSwitchReplacesAddedCurvesByThePagesFunction) {
    Start();
    TDrawParDialog& d = Dialog();
    for (const char* fn : {"X", "X^2", "X^3"}) {
        d.CBFn->setText(QString::fromLatin1(fn));
        Click(d.BtnAdd);
    }
    ASSERT_EQ(Plot().Functions.size(), 3u);
    d.CBFn->setText(QStringLiteral("SIN(X)"));
    Click(d.OptScale);
    EXPECT_FALSE(d.OptScale->isChecked());
    EXPECT_EQ(Plot().Functions.size(), 1u);
    EXPECT_EQ(Plot().Title, "SIN(X)");
    EXPECT_FALSE(Plot().GetShowScale());
}

// The radio buttons, tick spin, its label and the range hints of both axes agree with the kinds.
void ExpectAxisKinds(const TDrawParDialog& d, bool xLog, bool yLog) {
    const auto check = [](bool log, QRadioButton* logButton, TSpinButton* spin, QLabel* label,
                          QLineEdit* from, QLineEdit* to) {
        EXPECT_EQ(logButton->isChecked(), log);
        EXPECT_EQ(spin->isEnabled(), !log);
        EXPECT_EQ(label->palette().color(QPalette::WindowText),
                  log ? QColor(128, 128, 128) : QColor(Qt::black));
        EXPECT_EQ(from->toolTip().toStdString(), log ? "Start decade" : "Start of display range");
        EXPECT_EQ(to->toolTip().toStdString(), log ? "End decade" : "End of display range");
    };
    check(xLog, d.BtnLogX, d.BtnSkalFaktX, d.SFLabelX, d.EditXFrom, d.EditXTo);
    check(yLog, d.BtnLogY, d.BtnSkalFaktY, d.SFLabelY, d.EditYFrom, d.EditYTo);
}

struct TAxisKindRow {
    const char* Name;
    const char* Button;
    bool XLog, YLog; // the dialog's state afterwards
};

const TAxisKindRow AxisKindRows[] = {
    {"x logarithmic", "BtnLogX", true, false},
    {"y logarithmic", "BtnLogY", true, true},
    {"x linear again", "BtnLinearX", false, true},
    {"y linear again", "BtnLinearY", false, false},
};

// The axis kind changes the dialog at once and the plot only at the next New.
TEST_F(ShowParTest, AxisKindButtonsSwitchSpinLabelAndHints) {
    Start({{"XFrom", "0"}, {"XTo", "3"}, {"YFrom", "-1"}, {"YTo", "2"}});
    TDrawParDialog& d = Dialog();
    for (const TAxisKindRow& row : AxisKindRows) {
        SCOPED_TRACE(row.Name);
        const bool xBefore = Plot().KooSystem.XAxis.Logarithmic;
        const bool yBefore = Plot().KooSystem.YAxis.Logarithmic;
        Click(d.findChild<QRadioButton*>(QString::fromLatin1(row.Button)));
        ExpectAxisKinds(d, row.XLog, row.YLog);
        EXPECT_EQ(Plot().KooSystem.XAxis.Logarithmic, xBefore);
        EXPECT_EQ(Plot().KooSystem.YAxis.Logarithmic, yBefore);
        Click(d.BtnNew); // no function typed: only the scale, ranges and kinds
        EXPECT_EQ(Plot().KooSystem.XAxis.Logarithmic, row.XLog);
        EXPECT_EQ(Plot().KooSystem.YAxis.Logarithmic, row.YLog);
    }
}

struct TSpinRow {
    const char* Name;
    const char* Spin;
    bool Up;
};

const TSpinRow SpinRows[] = {
    {"x denser", "BtnSkalFaktX", true},
    {"x sparser", "BtnSkalFaktX", false},
    {"y denser", "BtnSkalFaktY", true},
    {"y sparser", "BtnSkalFaktY", false},
};

// Each arrow redraws with another tick density; the opposite arrow brings the picture back,
// and New starts again from the default density.
TEST_F(ShowParTest, TickButtonsChangeTheDrawing) {
    Start({{"Fn", "X"}, {"XFrom", "-10"}, {"XTo", "10"}, {"YFrom", "-10"}, {"YTo", "10"}});
    TDrawParDialog& d = Dialog();
    Click(d.BtnNew);
    const QImage original = DrawWindow->BackBuffer().copy();
    for (const TSpinRow& row : SpinRows) {
        SCOPED_TRACE(row.Name);
        auto* spin = d.findChild<TSpinButton*>(QString::fromLatin1(row.Spin));
        Click(row.Up ? spin->UpButton : spin->DownButton);
        EXPECT_NE(DrawWindow->BackBuffer(), original);
        Click(row.Up ? spin->DownButton : spin->UpButton);
        EXPECT_EQ(DrawWindow->BackBuffer(), original);
        Click(row.Up ? spin->UpButton : spin->DownButton);
        Click(d.BtnNew);
        EXPECT_EQ(DrawWindow->BackBuffer(), original);
    }
}

// Damaged integers read as their defaults; texts come back as typed.
struct TStoredRow {
    const char* Name;
    const char* Key;
    const char* Value;
    bool XLog, YLog, Scale;
    int Page;
};

const TStoredRow StoredRows[] = {
    {"LinX 0 selects logarithmic", "LinX", "0", true, false, true, 0},
    {"LinY 0x0 selects logarithmic", "LinY", "0x0", false, true, true, 0},
    {"LinX any other number is linear", "LinX", "-7", false, false, true, 0},
    {"LinX damaged is linear", "LinX", "0abc", false, false, true, 0},
    {"OptScale 0 unchecks", "OptScale", "0", false, false, false, 0},
    {"PageIndex 1", "PageIndex", "1", false, false, true, 1},
    {"PageIndex out of range", "PageIndex", "2", false, false, true, 0},
    {"text with a comma", "Fn", "MAX(X,1)", false, false, true, 0},
};

TEST_F(ShowParTest, StoredValuesAreReadWithTheirDefaults) {
    for (const TStoredRow& row : StoredRows) {
        SCOPED_TRACE(row.Name);
        Start({{row.Key, row.Value}});
        ExpectAxisKinds(Dialog(), row.XLog, row.YLog);
        EXPECT_EQ(Dialog().OptScale->isChecked(), row.Scale);
        EXPECT_EQ(Dialog().DrawParNotebook->currentIndex(), row.Page);
        EXPECT_EQ(Dialog().CBFn->text(), QString(row.Key) == "Fn" ? row.Value : "");
    }
}

TEST_F(ShowParTest, FieldsSurviveARestartAsTyped) {
    // Settings entry and the field it keeps.
    const std::map<QString, QString> fields = {
        {"Fn", "CBFn"},           {"XFrom", "EditXFrom"},
        {"XTo", "EditXTo"},       {"YFrom", "EditYFrom"},
        {"YTo", "EditYTo"},       {"Ft", "CBft"},
        {"Gt", "CBgt"},           {"ParaFrom", "EditParaFrom"},
        {"ParaTo", "EditParaTo"}, {"ParaStep", "EditParaStep"}};
    const auto field = [](const QString& name) {
        return DrawParDialog->findChild<QLineEdit*>(name);
    };
    Start();
    for (const auto& [entry, name] : fields)
        field(name)->setText(entry + QStringLiteral(" *2+PI")); // each field its own text
    Click(Dialog().BtnLogX);
    Click(Dialog().BtnLogY);
    Dialog().OptScale->setChecked(false); // a click would draw the (unknown) function
    Dialog().DrawParNotebook->setCurrentIndex(1);
    EndProgram();

    Start();
    for (const auto& [entry, name] : fields)
        EXPECT_EQ(field(name)->text(), entry + QStringLiteral(" *2+PI"));
    EXPECT_TRUE(Dialog().BtnLogX->isChecked());
    EXPECT_TRUE(Dialog().BtnLogY->isChecked());
    EXPECT_FALSE(Dialog().OptScale->isChecked());
    EXPECT_EQ(Dialog().DrawParNotebook->currentIndex(), 1);
}

struct TMacroRow {
    const char* Name;
    QStringList Lines;
    bool Toggles;
};

const TMacroRow MacroRows[] = {
    {"Grid", {"Grid"}, true},
    {"lower case", {"grid"}, false},
    {"in brackets", {"[Grid]"}, false},
    {"trailing blank", {"Grid "}, false},
    {"a second line is ignored", {"Grid", "Grid"}, true},
    {"Grid only as second line", {"Scale", "Grid"}, false},
    {"no line", {}, false},
};

// The macro switches the plot's scale and redraws, leaving the check box alone; twice
// restores the picture.
TEST_F(ShowParTest, GridMacroTogglesTheScale) {
    Start({{"Fn", "SIN(X)"}});
    Click(Dialog().BtnNew);
    const QImage withScale = DrawWindow->BackBuffer().copy();
    for (const TMacroRow& row : MacroRows) {
        SCOPED_TRACE(row.Name);
        Dialog().QuorilDDEExecuteMacro(row.Lines);
        EXPECT_EQ(Plot().GetShowScale(), !row.Toggles);
        EXPECT_EQ(DrawWindow->BackBuffer() == withScale, !row.Toggles);
        EXPECT_TRUE(Dialog().OptScale->isChecked());
        Dialog().QuorilDDEExecuteMacro(row.Lines);
        EXPECT_TRUE(Plot().GetShowScale());
        EXPECT_EQ(DrawWindow->BackBuffer(), withScale);
    }
    // The next Reset takes the flag from the check box again.
    Dialog().QuorilDDEExecuteMacro({QStringLiteral("Grid")});
    Click(Dialog().BtnReset);
    EXPECT_TRUE(Plot().GetShowScale());
}

// The macro sent by another program through the macro channel, as a user's script would:
// each is acknowledged and switches the scale.
TEST_F(ShowParTest, GridMacroThroughTheChannel) {
    Start({{"Fn", "SIN(X)"}});
    Click(Dialog().BtnNew);
    ASSERT_NE(MacroServer, nullptr);
    const QString service = MacroServiceName(QCoreApplication::applicationFilePath());
    // The server answers from this event loop, so the client is waited for without blocking it.
    const auto send = [&service](const QStringList& lines) {
        QProcess client;
        client.start(QStringLiteral(QUORIL_DDE_PATH),
                     {QStringLiteral("--service"), service, MacroTopic, lines.join(u'\n')});
        const bool ended =
            QTest::qWaitFor([&client] { return client.state() == QProcess::NotRunning; }, 10000);
        if (!ended) client.kill();
        return ended && client.exitStatus() == QProcess::NormalExit ? client.exitCode() : -1;
    };
    for (const bool shown : {false, true}) {
        EXPECT_EQ(send({QStringLiteral("Grid")}), 0);
        EXPECT_EQ(Plot().GetShowScale(), shown);
    }
}

// New function, Add and Reset bring back a plot window the user closed, with the plot drawn,
// and leave the keyboard in the dialog.
TEST_F(ShowParTest, PlotActionsShowAClosedPlotWindow) {
    const struct {
        const char* Name;
        QPushButton* TDrawParDialog::*Button;
    } rows[] = {
        {"New function", &TDrawParDialog::BtnNew},
        {"Add", &TDrawParDialog::BtnAdd},
        {"Reset", &TDrawParDialog::BtnReset},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        Start({{"Fn", "SIN(X)"}});
        DrawWindow->close();
        ASSERT_FALSE(DrawWindow->isVisible());
        Click(Dialog().*row.Button);
        EXPECT_TRUE(DrawWindow->isVisible());
        EXPECT_TRUE(Plot().AxesPrepared()); // drawn, not only shown
        EXPECT_TRUE(QTest::qWaitForWindowActive(DrawParDialog));
    }
}

TEST_F(ShowParTest, ClosingTheDialogHidesTheDisplayWindow) {
    enum TWay { CloseButton, WindowClosed, Escape };
    const struct {
        const char* Name;
        TWay Way;
        bool Closes;
    } rows[] = {
        {"Close button", CloseButton, true},
        {"window closed", WindowClosed, true},
        {"Escape", Escape, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        Start();
        TDrawParDialog& d = Dialog();
        switch (row.Way) {
        case CloseButton:
            QTest::mouseClick(d.BtnLeave, Qt::LeftButton);
            break;
        case WindowClosed:
            d.close();
            break;
        case Escape:
            QTest::keyClick(d.CBFn, Qt::Key_Escape);
            break;
        }
        EXPECT_EQ(d.isVisible(), !row.Closes);
        EXPECT_EQ(DrawWindow->isVisible(), !row.Closes);
        EXPECT_NE(Calc, nullptr);
        // Shown again, the plotter has kept its plot.
        QTest::mouseClick(Calc->BtnPlot, Qt::LeftButton);
        EXPECT_TRUE(d.isVisible());
        EXPECT_TRUE(DrawWindow->isVisible());
    }
}

// Typed keys; a key behind '#' comes from the keypad.
const struct {
    const char* Name;
    const char* Keys;
    const char* Text;
} KeyRows[] = {
    {"keypad comma", "1#,5", "1.5"},
    {"main keyboard comma stays", "1,2", "1,2"},
    {"only while held", "#,2,", ".2,"},
};

TEST_F(ShowParTest, KeypadDecimalKeyTypesAPoint) {
    Start();
    for (const auto& row : KeyRows) {
        SCOPED_TRACE(row.Name);
        for (QLineEdit* edit : {Dialog().EditXFrom, Dialog().CBFn}) {
            edit->clear();
            edit->setFocus();
            for (const char* key = row.Keys; *key; ++key) {
                const bool keypad = *key == '#';
                QTest::keyClick(edit, keypad ? *++key : *key,
                                keypad ? Qt::KeypadModifier : Qt::NoModifier);
            }
            EXPECT_EQ(edit->text().toStdString(), row.Text);
        }
    }
}

TEST_F(ShowParTest, CopyButtonTakesTheCalculatorsLine) {
    Start();
    Calc->EditLine->setText(QStringLiteral("X^2-1"));
    Dialog().CBFn->setText(QStringLiteral("old"));
    Click(Dialog().BtnCopy);
    EXPECT_EQ(Dialog().CBFn->text(), QStringLiteral("X^2-1"));
}

TEST_F(ShowParTest, F1OpensTheDialogsHelpTopic) {
    Start();
    QTest::keyClick(Dialog().EditXTo, Qt::Key_F1);
    ASSERT_NE(HelpWindow(), nullptr);
    auto* browser = HelpWindow()->findChild<QTextBrowser*>(QStringLiteral("Browser"));
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(browser->source().fileName(), QStringLiteral("parameters.html"));
}

TEST_F(ShowParTest, AlwaysOnTopKeepsTheDialogShown) {
    Start();
    for (const bool on : {true, false}) {
        Dialog().MStayOnTop->trigger();
        EXPECT_EQ(Dialog().StayOnTop(), on);
        EXPECT_EQ(Dialog().MStayOnTop->isChecked(), on);
        EXPECT_TRUE(Dialog().isVisible());
    }
}

// The plotter's windows exist hidden from start-up on, do not keep the program running
// (also when shown), and go in the order read-out, dialog (which saves), display window,
// calculator.
TEST_F(ShowParTest, StartAndEndWithThePlottersWindows) {
    for (const bool plotterShown : {false, true}) {
        SCOPED_TRACE(plotterShown ? "plotter shown" : "plotter hidden");
        StartProgram(*qApp);
        ASSERT_NE(DrawParDialog, nullptr);
        ASSERT_NE(KooWind, nullptr);
        ASSERT_NE(DrawWindow, nullptr);
        EXPECT_FALSE(DrawParDialog->isVisible());
        EXPECT_FALSE(KooWind->isVisible());
        EXPECT_FALSE(DrawWindow->isVisible());
        EXPECT_TRUE(DrawWindow->BackBuffer().isNull()) << "drawn before it was shown";
        if (plotterShown) {
            QTest::mouseClick(Calc->BtnPlot, Qt::LeftButton);
            EXPECT_TRUE(DrawWindow->isVisible());
            EXPECT_TRUE(DrawParDialog->isVisible());
            EXPECT_TRUE(QTest::qWaitForWindowActive(DrawParDialog)); // shown last
        }
        DrawParDialog->CBFn->setText(QStringLiteral("COS(X)"));

        QTimer::singleShot(0, [] { Calc->close(); });
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
        guard.start(10000);
        EXPECT_EQ(QApplication::exec(), 0);

        std::vector<std::string> destroyed;
        const auto watch = [&destroyed](QObject* window, const char* name) {
            QObject::connect(window, &QObject::destroyed, [&destroyed, name] {
                // The dialog has saved its fields by the time the next window goes.
                const bool saved = Store().contains(QStringLiteral("DisplayOptions/Fn"));
                destroyed.push_back(std::string(name) + (saved ? " (saved)" : ""));
            });
        };
        watch(Calc, "Calc");
        watch(DrawWindow, "DrawWindow");
        watch(KooWind, "KooWind");
        watch(DrawParDialog, "DrawParDialog");
        EndProgram();
        EXPECT_EQ(destroyed, (std::vector<std::string>{"KooWind", "DrawParDialog (saved)",
                                                       "DrawWindow (saved)", "Calc (saved)"}));
        EXPECT_EQ(DrawParDialog, nullptr);
        EXPECT_EQ(DrawWindow, nullptr);
        EXPECT_EQ(KooWind, nullptr);
        calctest::FreshStart();
    }
}

// Print runs the print dialog and, once the user confirms, prints the plot on one page;
// cancelling prints nothing.
TEST_F(ShowParTest, PrintPrintsOnlyWhenTheDialogIsConfirmed) {
    Start({{"XFrom", "-5"}, {"XTo", "5"}, {"YFrom", "-2"}, {"YTo", "2"}});
    Dialog().CBFn->setText(QStringLiteral("SIN(X)"));
    Click(Dialog().BtnNew);
    ASSERT_TRUE(Dialog().BtnPrint->isEnabled());
    const QImage screen = DrawWindow->BackBuffer().copy();

    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    struct TRow {
        const char* Name;
        bool Confirm;
    };
    for (const TRow& row : {TRow{"cancelled", false}, TRow{"confirmed", true}}) {
        SCOPED_TRACE(row.Name);
        const QString file =
            folder.filePath(QString::fromLatin1(row.Name) + QStringLiteral(".pdf"));
        bool sawPrintDialog = false;
        TModalBoxAnswerer boxes([&](QWidget* modal) {
            auto* printDialog = qobject_cast<QPrintDialog*>(modal);
            if (!printDialog) return;
            sawPrintDialog = true;
            // Without printers the dialog offers printing to a file, named in this field.
            auto* fileName = printDialog->findChild<QLineEdit*>(QStringLiteral("filename"));
            ASSERT_NE(fileName, nullptr);
            fileName->setText(file);
            if (!row.Confirm) printDialog->reject();
        });
        Click(Dialog().BtnPrint);
        EXPECT_TRUE(sawPrintDialog);
        EXPECT_EQ(boxes.Boxes.size(), 1u); // the print dialog alone: no error
        EXPECT_EQ(QFile::exists(file), row.Confirm);
        EXPECT_FALSE(DrawWindow->Printing);
        EXPECT_EQ(DrawWindow->BackBuffer(), screen); // the screen shows the plot as before
    }
}

// Beside the display window's frame, not over the plot, and on the screen.
TEST(PlaceBeside, BesideTheWindowAndOnTheScreen) {
    const QRect screen(0, 0, 1600, 1000);
    const struct {
        const char* Name;
        QRect Window;
        QRect Screen;
        QPoint Expected; // of a dialog of 300 x 400
    } rows[] = {
        {"room on the right", {100, 100, 400, 300}, screen, {508, 100}},
        {"taller window: level with its lower edge", {100, 100, 400, 600}, screen, {508, 300}},
        {"room on the left only", {900, 100, 600, 300}, screen, {592, 100}},
        {"no room: the right is wider", {100, 0, 1300, 300}, screen, {1300, 0}},
        {"no room: the left is wider", {200, 0, 1300, 300}, screen, {0, 0}},
        {"low window: lifted onto the screen", {100, 800, 400, 150}, screen, {508, 600}},
        {"window above the screen", {100, -50, 400, 300}, screen, {508, 0}},
        {"second screen", {1700, 100, 400, 300}, {1600, 0, 1600, 1000}, {2108, 100}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        EXPECT_EQ(PlaceBeside(row.Window, QSize(300, 400), row.Screen), row.Expected);
    }
}

// The Plot key shows the dialog beside the plot with the function field ready for typing,
// and after closing it comes back where it was.
TEST_F(ShowParTest, PlotKeyPutsTheDialogBesideThePlotReadyForTyping) {
    StartProgram(*qApp);
    DrawWindow->resize(200, 300); // leaves room on the small offscreen screen
    DrawWindow->move(0, 0);
    QTest::mouseClick(Calc->BtnPlot, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitForWindowActive(DrawParDialog));
    EXPECT_FALSE(Dialog().frameGeometry().intersects(DrawWindow->frameGeometry()));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("X*2"));
    EXPECT_EQ(Dialog().CBFn->text(), QStringLiteral("X*2"));

    QTest::mouseClick(Dialog().BtnLeave, Qt::LeftButton);
    ASSERT_FALSE(Dialog().isVisible());
    const QPoint placed(Dialog().pos().x() + 40, 100);
    Dialog().move(placed);
    Dialog().DrawParNotebook->setCurrentIndex(1);
    QTest::mouseClick(Calc->BtnPlot, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitForWindowActive(DrawParDialog));
    EXPECT_EQ(Dialog().pos(), placed);
    EXPECT_EQ(QApplication::focusWidget(), Dialog().CBft);
}

} // namespace
