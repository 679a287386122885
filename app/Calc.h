#pragma once
// The calculator window: one input line above a keypad whose keys insert text, plus the
// context menu. Only the engine interprets the text; this window owns memory M, the display
// options, the shift keys and the calculator's stored settings.
#include "engine/Real.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QString>
#include <QWidget>

#include <functional>

class EPositionedError;

// The two shift keys live at program level, one copy each, released at start.
inline bool SecondFn = false; // the 2ndF key is engaged
inline bool HypMode = false;  // the Hyp key is engaged

class TCalc : public QWidget {
    Q_OBJECT

public:
    explicit TCalc(QWidget* parent = nullptr);
    ~TCalc() override;

    void InsertText(const QString& text);
    void ClearLine();
    void ShowResult(Real value); // may raise EInvalidOp for a hexadecimal or binary display
    void Evaluate(bool replay);  // engine errors are shown here; others propagate

    void LoadSettings();
    // Returns false when the settings store could not be written.
    bool SaveSettings();

    // A read-only view of the window's state.
    bool GetClearInput() const { return ClearInput; }
    bool GetResultShown() const { return ResultShown; }
    bool GetExpDisplay() const { return ExpDisplay; }
    int GetPrecision() const { return Precision; }
    bool GetStoMode() const { return StoMode; }
    bool GetRclMode() const { return RclMode; }
    bool GetTabMode() const { return TabMode; }
    const QString& GetOldExpression() const { return OldExpression; }
    Real GetLastResult() const { return LastResult; }
    Real GetMemoryM() const { return MemoryM; }
    int GetFullHeight() const { return FullHeight; }
    bool StayOnTop() const;

    // The file that holds the calculator's settings.
    static QString SettingsFileName();

    // Controls, named as their objectName.
    QLineEdit* EditLine = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* LetzteEingabe1 = nullptr;
    QAction* Eingabelschen1 = nullptr;
    QAction* MPlus = nullptr;
    QAction* MMinus = nullptr;
    QAction* RM1 = nullptr;
    QAction* MarkAll = nullptr;
    QAction* CutClip = nullptr;
    QAction* PasteClip = nullptr;
    QAction* CopyClip = nullptr;
    QAction* MStayOnTop = nullptr;
    QAction* MShowHints = nullptr;
    QPushButton* Btn2ndF = nullptr;
    QPushButton* BtnHyp = nullptr;
    QPushButton* BtnDRG = nullptr;
    QPushButton* BtnSize = nullptr;
    QPushButton* BtnHelp = nullptr;
    QPushButton* BtnAus = nullptr;
    QPushButton* BtnEval = nullptr;
    QPushButton* BtnPlot = nullptr;
    QLabel* Label17 = nullptr;
    QLabel* Label18 = nullptr;
    QLabel* LabelArHyp = nullptr; // top of the first row of second-meaning labels

public slots:
    void BtnDigitClick(); // Btn0..Btn9: the digit is the last character of the key's name
    void BtnPointClick();
    void BtnCommaClick();
    void BtnParOpenClick();
    void BtnParCloseClick();
    void BtnAddClick();
    void BtnSubClick();
    void BtnMultClick();
    void BtnDivClick();
    void BtnExClick();
    void BtnANDClick();
    void BtnORClick();
    void BtnXORClick();
    void BtnNOTClick();
    void BtnSinClick();
    void BtnCosClick();
    void BtnTanClick();
    void BtnAbsClick();
    void BtnHochClick();
    void BtnExpClick();
    void BtnLnClick();
    void BtnQuadClick();
    void BtnSqrtClick();
    void BtnDegClick();
    void BtnPolClick();
    void BtnKombClick();
    void BtnPiClick();
    void BtnHexClick();
    void BtnBinClick();
    void BtnConvDezClick();
    void BtnConvHexClick();
    void BtnConvBinClick();
    void BtnEvalClick();
    void BtnCompClick();
    void BtnPBClick();
    void BtnClearClick();
    void BtnBackSpaceClick();
    void Btn2ndFClick();
    void BtnHypClick();
    void BtnFEClick();
    void BtnTABClick();
    void BtnDRGClick();
    void BtnStoClick();
    void BtnRclClick();
    void BtnMemoryClick(); // BtnA..BtnJ: the letter is the last character of the key's name
    void BtnStoMClick();
    void BtnAddMClick();
    void BtnRMClick();
    void BtnSizeClick();
    void BtnAusClick();
    void BtnHelpClick();
    void BtnPlotClick(); // shows the display window, then the display-parameter dialog
    void Label17Click();

    void LetzteEingabe1Click();
    void Eingabelschen1Click();
    void MPlusClick();
    void MMinusClick();
    void RM1Click();
    void MarkAllClick();
    void CutClipClick();
    void PasteClipClick();
    void CopyClipClick();
    void MStayOnTopClick();
    void MShowHintsClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateKeys();
    void CreateMenu();
    void InsertKey(const char* name); // a key of the insertion table
    void ConvertKey(const char* text);
    void DigitOrPoint(int precision, const QString& text);
    void ReleaseShiftKeys();
    void PaintShiftCaptions();
    void ShowAngleUnit(); // the dRg key's caption for the engine's angle unit
    void FocusLine();
    void ShowEngineError(const EPositionedError& error);
    void SetStayOnTop(bool on);
    bool FilterLineKey(QEvent* event);
    void FilterTypedCharacter(QChar ch); // a character after a result starts a new line or not
    void FilterInputText(const QString& committed);
    // Runs a handler; an error other than the engine's goes to the application's display.
    void Handle(const std::function<void()>& action);

    bool ClearInput = false;
    bool ResultShown = false;
    bool ExpDisplay = false;
    int Precision = 18;
    bool StoMode = false;
    bool RclMode = false;
    bool TabMode = false;
    QString OldExpression;
    Real LastResult = 0;
    Real MemoryM = 0;
    int FullHeight = 0;
    bool KeypadDecimal = false;
};

// The program's calculator window; set by the program entry.
extern TCalc* Calc;
