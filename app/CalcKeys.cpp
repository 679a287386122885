// The calculator's key and menu handlers. Keys compute nothing: they insert text, switch a
// mode, or hand the line to the engine through Evaluate.
#include "app/Calc.h"

#include "app/About.h"
#include "app/CalcLayout.h"
#include "app/Help.h"
#include "app/Hints.h"
#include "app/ShowPar.h"
#include "display/Drawwin.h"
#include "engine/Convert.h"
#include "engine/Globals.h"
#include "engine/StringTable.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>

namespace {

// The text a key inserts: by 2ndF and, for the trigonometric keys, by Hyp. "Keeps" means
// the text continues a shown result instead of replacing it.
struct TInsertDef {
    const char* Name;
    const char* Normal;
    const char* Second;
    bool KeepsNormal;
    bool KeepsSecond;
    const char* Hyp = nullptr; // with Hyp; nullptr: Hyp has no effect on the key
    const char* HypSecond = nullptr;
};

constexpr TInsertDef InsertKeys[] = {
    {"BtnComma", ",", ",", false, false},
    {"BtnParOpen", "(", "(", false, false},
    {"BtnParClose", ")", ")", false, false},
    {"BtnAdd", "+", "+", true, true},
    {"BtnSub", "-", "-", true, true},
    {"BtnMult", "*", "*", true, true},
    {"BtnDiv", "/", "/", true, true},
    {"BtnEx", "E", "E", true, true},
    {"BtnAND", " AND ", " AND ", true, true},
    {"BtnOR", " OR ", " OR ", true, true},
    {"BtnXOR", " XOR ", " XOR ", true, true},
    {"BtnNOT", "NOT ", "NOT ", false, false},
    {"BtnSin", "Sin(", "ArcSin(", false, false, "Sinh(", "ArSinh("},
    {"BtnCos", "Cos(", "ArcCos(", false, false, "Cosh(", "ArCosh("},
    {"BtnTan", "Tan(", "ArcTan(", false, false, "Tanh(", "ArTanh("},
    {"BtnAbs", "Abs(", "Rnd", false, false},
    {"BtnHoch", "^", "Sqrtx(", true, true},
    {"BtnExp", "Exp(", "Exp10(", true, true},
    {"BtnLn", "Ln(", "Log(", false, false},
    {"BtnQuad", "^2", "^-1", true, true},
    {"BtnSqrt", "Sqrt(", "Sqrt3(", false, false},
    {"BtnDeg", "->DEG", "->DMS", true, true},
    {"BtnPol", "->POL ", "->REC ", true, true},
    // The operator words need blanks around them: 5 Komb 2, not the unknown word 5Komb2.
    {"BtnKomb", " Komb ", " Perm ", false, false},
    {"BtnPi", "PI", "!", false, true},
    {"BtnHex", "$", "$", false, false},
    {"BtnBin", "#", "#", false, false},
};

const char* AngleCaption(int angleUnit) {
    switch (angleUnit) {
    case AngleDegrees:
        return "Drg";
    case AngleRadians:
        return "dRg";
    case AngleGrads:
        return "drG";
    default:
        return nullptr;
    }
}

// The last character of the sending key's name: its digit or memory letter.
QChar KeyCharacter(const QObject* sender) {
    const QString name = sender ? sender->objectName() : QString();
    return name.isEmpty() ? QChar() : name.back();
}

} // namespace

void TCalc::InsertKey(const char* name) {
    for (const TInsertDef& def : InsertKeys) {
        if (qstrcmp(def.Name, name) != 0) continue;
        const bool second = SecondFn;
        const char* text = second ? def.Second : def.Normal;
        if (HypMode && def.Hyp) text = second ? def.HypSecond : def.Hyp;
        Handle([&] {
            if (second ? def.KeepsSecond : def.KeepsNormal) ClearInput = false;
            InsertText(QString::fromLatin1(text));
        });
        return;
    }
}

void TCalc::BtnCommaClick() {
    InsertKey("BtnComma");
}
void TCalc::BtnParOpenClick() {
    InsertKey("BtnParOpen");
}
void TCalc::BtnParCloseClick() {
    InsertKey("BtnParClose");
}
void TCalc::BtnAddClick() {
    InsertKey("BtnAdd");
}
void TCalc::BtnSubClick() {
    InsertKey("BtnSub");
}
void TCalc::BtnMultClick() {
    InsertKey("BtnMult");
}
void TCalc::BtnDivClick() {
    InsertKey("BtnDiv");
}
void TCalc::BtnExClick() {
    InsertKey("BtnEx");
}
void TCalc::BtnANDClick() {
    InsertKey("BtnAND");
}
void TCalc::BtnORClick() {
    InsertKey("BtnOR");
}
void TCalc::BtnXORClick() {
    InsertKey("BtnXOR");
}
void TCalc::BtnNOTClick() {
    InsertKey("BtnNOT");
}
void TCalc::BtnSinClick() {
    InsertKey("BtnSin");
}
void TCalc::BtnCosClick() {
    InsertKey("BtnCos");
}
void TCalc::BtnTanClick() {
    InsertKey("BtnTan");
}
void TCalc::BtnAbsClick() {
    InsertKey("BtnAbs");
}
void TCalc::BtnHochClick() {
    InsertKey("BtnHoch");
}
void TCalc::BtnExpClick() {
    InsertKey("BtnExp");
}
void TCalc::BtnLnClick() {
    InsertKey("BtnLn");
}
void TCalc::BtnQuadClick() {
    InsertKey("BtnQuad");
}
void TCalc::BtnSqrtClick() {
    InsertKey("BtnSqrt");
}
void TCalc::BtnDegClick() {
    InsertKey("BtnDeg");
}
void TCalc::BtnPolClick() {
    InsertKey("BtnPol");
}
void TCalc::BtnKombClick() {
    InsertKey("BtnKomb");
}
void TCalc::BtnPiClick() {
    InsertKey("BtnPi");
}
void TCalc::BtnHexClick() {
    InsertKey("BtnHex");
}
void TCalc::BtnBinClick() {
    InsertKey("BtnBin");
}

// In TAB mode a digit or the point sets the number of decimals instead of typing.
void TCalc::DigitOrPoint(int precision, const QString& text) {
    Handle([&] {
        if (!TabMode) {
            InsertText(text);
            return;
        }
        TabMode = false;
        Precision = precision;
        if (ResultShown)
            ShowResult(LastResult);
        else
            FocusLine();
    });
}

void TCalc::BtnDigitClick() {
    const QChar digit = KeyCharacter(sender());
    if (digit.isDigit()) DigitOrPoint(digit.digitValue(), QString(digit));
}

void TCalc::BtnPointClick() {
    DigitOrPoint(18, QStringLiteral("."));
}

void TCalc::ConvertKey(const char* text) {
    Handle([&] {
        ClearInput = false;
        InsertText(QString::fromLatin1(text));
        Evaluate(false);
    });
}

void TCalc::BtnConvDezClick() {
    ConvertKey("->Dez");
}
void TCalc::BtnConvHexClick() {
    ConvertKey("->Hex");
}
void TCalc::BtnConvBinClick() {
    ConvertKey("->Bin");
}

void TCalc::BtnEvalClick() {
    Handle([&] { Evaluate(false); });
}

void TCalc::BtnCompClick() {
    Handle([&] { Evaluate(true); });
}

void TCalc::BtnPBClick() {
    EditLine->setText(OldExpression);
    EditLine->setCursorPosition(static_cast<int>(OldExpression.size()));
    ClearInput = false;
    FocusLine();
}

void TCalc::BtnClearClick() {
    ClearLine();
    ReleaseShiftKeys();
    FocusLine();
}

void TCalc::BtnBackSpaceClick() {
    // Typed, not edited: it passes the key filter, so after a result it continues the result.
    FocusLine();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b"));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b"));
    QCoreApplication::sendEvent(EditLine, &press);
    QCoreApplication::sendEvent(EditLine, &release);
}

void TCalc::Btn2ndFClick() {
    SecondFn = !SecondFn;
    PaintShiftCaptions();
    FocusLine();
}

void TCalc::BtnHypClick() {
    HypMode = !HypMode;
    PaintShiftCaptions();
    FocusLine();
}

void TCalc::BtnFEClick() {
    Handle([&] {
        if (!ResultShown) return;
        ExpDisplay = !ExpDisplay;
        ShowResult(LastResult);
    });
}

void TCalc::BtnTABClick() {
    TabMode = true;
    StoMode = false;
    RclMode = false;
    FocusLine();
}

void TCalc::BtnDRGClick() {
    AngleUnit = AngleUnit >= AngleGrads || AngleUnit < AngleDegrees ? AngleDegrees : AngleUnit + 1;
    BtnDRG->setText(QString::fromLatin1(AngleCaption(AngleUnit)));
    FocusLine();
}

void TCalc::ShowAngleUnit() {
    if (const char* caption = AngleCaption(AngleUnit))
        BtnDRG->setText(QString::fromLatin1(caption));
}

void TCalc::BtnStoClick() {
    StoMode = true;
    RclMode = false;
    TabMode = false;
    ClearInput = false;
}

void TCalc::BtnRclClick() {
    RclMode = true;
    StoMode = false;
    TabMode = false;
}

void TCalc::BtnMemoryClick() {
    const QChar letter = KeyCharacter(sender());
    const int index = letter.unicode() - u'A';
    if (index < 0 || index >= MemoryCount) return;
    Handle([&] {
        if (StoMode) {
            InsertText(QStringLiteral("Sto ") + letter);
            Evaluate(false);
            StoMode = false;
        } else if (RclMode) {
            ClearInput = false;
            InsertText(QString::fromStdString(FloatToDotText(Memory[index])));
        } else {
            InsertText(QString(letter));
        }
    });
}

void TCalc::BtnStoMClick() {
    Handle([&] {
        Evaluate(false);
        MemoryM = LastResult;
    });
}

void TCalc::BtnAddMClick() {
    const bool subtract = SecondFn; // taken before Evaluate releases the key
    Handle([&] {
        Evaluate(false);
        MemoryM = subtract ? MemoryM - LastResult : MemoryM + LastResult;
    });
}

void TCalc::BtnRMClick() {
    Handle([&] { InsertText(QString::fromStdString(FloatToDotTextF(ffGeneral, 18, 4, MemoryM))); });
}

void TCalc::BtnSizeClick() {
    if (height() > Scaled(FoldThreshold)) {
        // Fold to the input line's row: up to just above the first row of second meanings.
        BtnSize->setText(QString::fromStdString(LoadStr(StrMore)));
        BtnSize->setToolTip(QString::fromStdString(LoadStr(StrFullSize)));
        setFixedHeight(LabelArHyp->y() - 2);
    } else {
        BtnSize->setText(QString::fromStdString(LoadStr(StrLess)));
        BtnSize->setToolTip(QString::fromStdString(LoadStr(StrReduceToLine)));
        setFixedHeight(FullHeight);
    }
    FocusLine();
}

void TCalc::BtnAusClick() {
    QCoreApplication::quit();
}

void TCalc::BtnHelpClick() {
    HelpContents();
}

// The plotter: the display window first, then the dialog in front of it with the focus.
void TCalc::BtnPlotClick() {
    for (QWidget* window :
         {static_cast<QWidget*>(DrawWindow), static_cast<QWidget*>(DrawParDialog)}) {
        if (!window) continue;
        window->show();
        window->raise();
        window->activateWindow();
    }
}

void TCalc::Label17Click() {
    ShowAboutBox(this);
}

void TCalc::LetzteEingabe1Click() {
    BtnPBClick();
}

void TCalc::Eingabelschen1Click() {
    BtnClearClick();
}

void TCalc::MPlusClick() {
    Handle([&] {
        Evaluate(false);
        MemoryM = MemoryM + LastResult;
    });
}

void TCalc::MMinusClick() {
    Handle([&] {
        Evaluate(false);
        MemoryM = MemoryM - LastResult;
    });
}

void TCalc::RM1Click() {
    BtnRMClick();
}

void TCalc::MarkAllClick() {
    FocusLine();
    EditLine->selectAll();
}

void TCalc::CutClipClick() {
    EditLine->cut();
}

void TCalc::PasteClipClick() {
    EditLine->paste();
}

void TCalc::CopyClipClick() {
    if (EditLine->hasSelectedText()) {
        EditLine->copy();
        return;
    }
    if (EditLine->text().isEmpty()) return; // nothing to copy: the clipboard keeps its text
    const int cursor = EditLine->cursorPosition();
    QApplication::clipboard()->setText(EditLine->text());
    EditLine->setCursorPosition(cursor);
}

void TCalc::MStayOnTopClick() {
    SetStayOnTop(MStayOnTop->isChecked());
}

void TCalc::MShowHintsClick() {
    if (MShowHints->isChecked()) {
        SetShowHints(true);
        SetHintPause(1000);
    } else {
        SetShowHints(false);
    }
}
