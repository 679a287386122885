#pragma once
// The display-parameter dialog "Display": the plotter's control panel. It collects the
// function (y = f(x) or x = f(t), y = g(t)), the ranges, the axis kinds, the scale switch and
// the tick density, builds or extends the display window's plot through the window's
// operations, keeps its fields in the settings section DisplayOptions and answers the macro
// command "Grid".
#include "engine/Real.h"

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QTabWidget>
#include <QToolButton>

#include <memory>

class Exception;
class QPrinter;
class TSpinButton;

class TDrawParDialog : public QDialog {
    Q_OBJECT

public:
    explicit TDrawParDialog(QWidget* parent = nullptr);
    // Saves DisplayOptions.
    ~TDrawParDialog() override;

    // The value of a range or parameter field. A text the engine rejects is reported in an
    // error box, the field gets the focus with the cursor at the error, and the value is 0.
    Real EvalRangeEdit(QLineEdit* edit);
    // Writes the scale switch, then the x and then the y range with its axis kind into the
    // plot. An empty x field leaves both axes as they are, an empty y field the y axis;
    // false then.
    bool ApplyRanges();
    // t start, t end (in rising order) and step; false when a field is empty or the step is 0.
    bool ReadParameterRange(Real& from, Real& to, Real& step);
    // Hands the current page's function to the display window as a new plot or an additional
    // curve. False when nothing was handed over or the function was rejected (then reported
    // with the cursor at the error in the field that holds it).
    bool NewPlotFromPage();
    bool AddPlotFromPage();

    void LoadDisplayOptions();
    // False when the settings store could not be written.
    bool SaveDisplayOptions();

    bool StayOnTop() const;

    // Controls, named as their objectName.
    QTabWidget* DrawParNotebook = nullptr;
    QLineEdit* CBFn = nullptr;
    QToolButton* BtnCopy = nullptr;
    QLineEdit* CBft = nullptr;
    QLineEdit* CBgt = nullptr;
    QLineEdit* EditParaFrom = nullptr;
    QLineEdit* EditParaTo = nullptr;
    QLineEdit* EditParaStep = nullptr;
    QFrame* Panel1 = nullptr;
    QRadioButton* BtnLinearX = nullptr;
    QRadioButton* BtnLogX = nullptr;
    QLineEdit* EditXFrom = nullptr;
    QLineEdit* EditXTo = nullptr;
    QRadioButton* BtnLinearY = nullptr;
    QRadioButton* BtnLogY = nullptr;
    QLineEdit* EditYFrom = nullptr;
    QLineEdit* EditYTo = nullptr;
    QCheckBox* OptScale = nullptr;
    QLabel* SFLabelX = nullptr;
    QLabel* SFLabelY = nullptr;
    TSpinButton* BtnSkalFaktX = nullptr;
    TSpinButton* BtnSkalFaktY = nullptr;
    QPushButton* BtnNew = nullptr;
    QPushButton* BtnAdd = nullptr;
    QPushButton* BtnReset = nullptr;
    QPushButton* BtnPrint = nullptr;
    QPushButton* BtnLeave = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* MStayOnTop = nullptr;

public slots:
    void BtnNewClick();
    void BtnAddClick();
    void BtnResetClick();
    // Runs the print dialog; once the user confirms, prints the plot on one page.
    void BtnPrintClick();
    void BtnLeaveClick();
    void OptScaleClick();
    void BtnCopyClick();
    void BtnSkalFaktXUpClick();
    void BtnSkalFaktXDownClick();
    void BtnSkalFaktYUpClick();
    void BtnSkalFaktYDownClick();
    void BtnLinearXClick();
    void BtnLogXClick();
    void BtnLinearYClick();
    void BtnLogYClick();
    void MStayOnTopClick();
    // The macro command of another program, one string per line: a first line that is
    // exactly "Grid" switches the plot's scale and redraws; anything else is ignored.
    void QuorilDDEExecuteMacro(const QStringList& lines);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreatePages();
    void CreatePanel();
    QLineEdit* MakeEdit(const char* name, const QString& hint);
    bool PlotFromPage(bool add);
    // Redraws the plot window, showing it first when the user closed it.
    void RedrawShown();
    void ShowFieldError(QLineEdit* edit, const QString& message, int position);
    // The engine's error in the field, with the cursor at its position where it has one.
    void ShowEngineError(QLineEdit* edit, const Exception& error);
    // Both fields' values in rising order; false when either is empty (the second is then
    // not read).
    bool ReadRange(QLineEdit* fromEdit, QLineEdit* toEdit, Real& from, Real& to);
    void ShowScaleKind(bool logarithmic, TSpinButton* spin, QLabel* label, QLineEdit* from,
                       QLineEdit* to);
    void SetStayOnTop(bool on);

    bool KeypadDecimal = false;
    std::unique_ptr<QPrinter> PrintDialogPrinter;
};

// Where a dialog of this frame size goes on first showing: beside the display window's frame
// (right, else left) so that it leaves the plot free, level with the window's lower edge (or
// its top when the dialog is the taller), kept on the screen; where neither side has room, on the
// side with more room.
QPoint PlaceBeside(const QRect& windowFrame, const QSize& dialogFrame, const QRect& screen);

// The program's display-parameter dialog; set by the program entry.
extern TDrawParDialog* DrawParDialog;
