// The display-parameter dialog: its controls, the actions of its buttons on the display
// window's plot, the keypad decimal key, and its settings section.
#include "app/ShowPar.h"

#include "app/Application.h"
#include "app/Calc.h"
#include "app/EngineText.h"
#include "app/Help.h"
#include "app/KeypadDecimal.h"
#include "app/SettingsStore.h"
#include "app/SpinButton.h"
#include "display/Drawwin.h"
#include "engine/Errors.h"
#include "engine/Evaluator.h"
#include "engine/Parser.h"
#include "engine/StringTable.h"
#include "plot/FnPlot.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

TDrawParDialog* DrawParDialog = nullptr;

namespace {

// Hints of the range fields by axis kind, from the string table.
constexpr int StrStartOfRange = 700;
constexpr int StrEndOfRange = 701;
constexpr int StrStartDecade = 702;
constexpr int StrEndDecade = 703;

constexpr const char* Section = "DisplayOptions";

const QColor GreyLabel(128, 128, 128);

QString Str(int ident) {
    return QString::fromStdString(LoadStr(ident));
}

// The copy button's glyph: a small calculator whose display line points with an arrow into
// the function field on its left.
QIcon CopyGlyph() {
    QIcon icon;
    for (const int size : {16, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.scale(size / 16.0, size / 16.0);
        painter.setPen(QPen(Qt::black, 0));
        painter.setBrush(QColor(192, 192, 192));
        painter.drawRect(7, 1, 8, 14); // the calculator's case
        painter.setBrush(QColor(0, 128, 128));
        painter.drawRect(8, 2, 6, 3); // its display
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 3; ++col)
                painter.drawRect(8 + 2 * col, 7 + 2 * row, 1, 1); // keys
        painter.setBrush(QColor(0, 0, 128));
        const QPointF head[] = {{0.5, 4.0}, {4.5, 0.5}, {4.5, 7.5}};
        painter.drawPolygon(head, 3); // the arrow pointing left, out of the display
        painter.drawRect(4, 3, 3, 2);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QLabel* BuddyLabel(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

TDrawParDialog::TDrawParDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("DrawParDialog"));
    setWindowTitle(QStringLiteral("Display"));
    setModal(false);
    // A hidden dialog must not keep the program running.
    setAttribute(Qt::WA_QuitOnClose, false);

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setContentsMargins(6, 6, 6, 6);
    CreatePages();
    layout->addWidget(DrawParNotebook);
    CreatePanel();
    layout->addWidget(Panel1);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    MStayOnTop = PopupMenu1->addAction(tr("Always on top"));
    MStayOnTop->setObjectName(QStringLiteral("MStayOnTop"));
    MStayOnTop->setCheckable(true);
    connect(MStayOnTop, &QAction::triggered, this, &TDrawParDialog::MStayOnTopClick);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { PopupMenu1->popup(mapToGlobal(pos)); });

    SetHelpContext(this, HelpTopic::DisplayParameters);

    // The linear buttons are selected before loading, so that their state always has run
    // its handler, loaded or not.
    BtnLinearX->setChecked(true);
    BtnLinearY->setChecked(true);
    BtnLinearXClick();
    BtnLinearYClick();
    OptScale->setChecked(true);
    LoadDisplayOptions();
}

TDrawParDialog::~TDrawParDialog() {
    // The dialog is going away, so a failure can only be told now, before it is gone.
    if (!SaveDisplayOptions() && qobject_cast<QApplication*>(QCoreApplication::instance()))
        QMessageBox::warning(nullptr, ApplicationTitle(),
                             tr("The display settings could not be saved to\n%1.")
                                 .arg(OpenSettingsStore().fileName()));
}

QLineEdit* TDrawParDialog::MakeEdit(const char* name, const QString& hint) {
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setToolTip(hint);
    edit->installEventFilter(this); // the keypad decimal key
    return edit;
}

void TDrawParDialog::CreatePages() {
    DrawParNotebook = new QTabWidget(this);
    DrawParNotebook->setObjectName(QStringLiteral("DrawParNotebook"));
    const QString fnHint = QStringLiteral("Function to be drawn");

    auto* page0 = new QWidget;
    page0->setObjectName(QStringLiteral("PageFn"));
    CBFn = MakeEdit("CBFn", fnHint);
    BtnCopy = new QToolButton(page0);
    BtnCopy->setObjectName(QStringLiteral("BtnCopy"));
    BtnCopy->setIcon(CopyGlyph());
    BtnCopy->setToolTip(QStringLiteral("Get formula from calculator"));
    BtnCopy->setAccessibleName(QStringLiteral("Get formula from calculator"));
    connect(BtnCopy, &QToolButton::clicked, this, &TDrawParDialog::BtnCopyClick);
    auto* grid0 = new QGridLayout(page0);
    grid0->addWidget(BuddyLabel(QStringLiteral("&Function f(x):"), CBFn, page0), 0, 0, 1, 2);
    grid0->addWidget(CBFn, 1, 0);
    grid0->addWidget(BtnCopy, 1, 1);
    grid0->setRowStretch(2, 1);
    DrawParNotebook->addTab(page0, QStringLiteral("y=f(x)"));

    auto* page1 = new QWidget;
    page1->setObjectName(QStringLiteral("PageParametric"));
    CBft = MakeEdit("CBft", fnHint);
    CBgt = MakeEdit("CBgt", fnHint);
    EditParaFrom = MakeEdit("EditParaFrom", QStringLiteral("Start of parameter range"));
    EditParaTo = MakeEdit("EditParaTo", QStringLiteral("End of parameter range"));
    EditParaStep = MakeEdit("EditParaStep", QStringLiteral("Parameter step"));
    auto* grid1 = new QGridLayout(page1);
    grid1->addWidget(BuddyLabel(QStringLiteral("Function &f(t):"), CBft, page1), 0, 0);
    grid1->addWidget(CBft, 0, 1);
    grid1->addWidget(BuddyLabel(QStringLiteral("Function &g(t):"), CBgt, page1), 1, 0);
    grid1->addWidget(CBgt, 1, 1);
    grid1->addWidget(new QLabel(QStringLiteral("Parameter range:"), page1), 2, 0, 1, 2);
    auto* range = new QHBoxLayout;
    range->addWidget(BuddyLabel(QStringLiteral("f&rom"), EditParaFrom, page1));
    range->addWidget(EditParaFrom);
    range->addWidget(BuddyLabel(QStringLiteral("&to"), EditParaTo, page1));
    range->addWidget(EditParaTo);
    range->addWidget(BuddyLabel(QStringLiteral("&Step"), EditParaStep, page1));
    range->addWidget(EditParaStep);
    grid1->addLayout(range, 3, 0, 1, 2);
    grid1->setRowStretch(4, 1);
    DrawParNotebook->addTab(page1, QStringLiteral("x=f(t), y=g(t)"));
    // Moving the edits into the pages' layouts made the pages their parents.
}

void TDrawParDialog::CreatePanel() {
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto* panel = new QVBoxLayout(Panel1);
    panel->setContentsMargins(0, 0, 0, 0);

    // One group per axis: the axis kind and the range.
    const auto axisGroup =
        [this, panel](const QString& title, const char* groupName, QRadioButton*& linear,
                      const char* linearName, const QString& linearText, QRadioButton*& log,
                      const char* logName, const QString& logText, QLineEdit*& from,
                      const char* fromName, const QString& fromText, QLineEdit*& to,
                      const char* toName, const QString& toText) {
            auto* group = new QGroupBox(title, Panel1);
            group->setObjectName(QString::fromLatin1(groupName));
            linear = new QRadioButton(linearText, group);
            linear->setObjectName(QString::fromLatin1(linearName));
            linear->setToolTip(QStringLiteral("linear scale"));
            log = new QRadioButton(logText, group);
            log->setObjectName(QString::fromLatin1(logName));
            log->setToolTip(QStringLiteral("logarithmic scale"));
            from = MakeEdit(fromName, Str(StrStartOfRange));
            to = MakeEdit(toName, Str(StrEndOfRange));
            auto* grid = new QGridLayout(group);
            grid->addWidget(linear, 0, 0, 1, 2);
            grid->addWidget(log, 0, 2, 1, 3);
            grid->addWidget(new QLabel(QStringLiteral("Range:"), group), 1, 0);
            grid->addWidget(BuddyLabel(fromText, from, group), 1, 1);
            grid->addWidget(from, 1, 2);
            grid->addWidget(BuddyLabel(toText, to, group), 1, 3);
            grid->addWidget(to, 1, 4);
            panel->addWidget(group);
        };
    axisGroup(QStringLiteral("&x-axis"), "GroupX", BtnLinearX, "BtnLinearX",
              QStringLiteral("linear"), BtnLogX, "BtnLogX", QStringLiteral("logarithmic"),
              EditXFrom, "EditXFrom", QStringLiteral("&from"), EditXTo, "EditXTo",
              QStringLiteral("&to"));
    axisGroup(QStringLiteral("&y-axis"), "GroupY", BtnLinearY, "BtnLinearY",
              QStringLiteral("l&inear"), BtnLogY, "BtnLogY", QStringLiteral("lo&garithmic"),
              EditYFrom, "EditYFrom", QStringLiteral("from"), EditYTo, "EditYTo",
              QStringLiteral("to"));
    connect(BtnLinearX, &QRadioButton::toggled, this, [this](bool on) {
        if (on) BtnLinearXClick();
    });
    connect(BtnLogX, &QRadioButton::toggled, this, [this](bool on) {
        if (on) BtnLogXClick();
    });
    connect(BtnLinearY, &QRadioButton::toggled, this, [this](bool on) {
        if (on) BtnLinearYClick();
    });
    connect(BtnLogY, &QRadioButton::toggled, this, [this](bool on) {
        if (on) BtnLogYClick();
    });

    // The scale switch and the tick density.
    auto* scaleRow = new QHBoxLayout;
    OptScale = new QCheckBox(QStringLiteral("s&cale"), Panel1);
    OptScale->setObjectName(QStringLiteral("OptScale"));
    OptScale->setToolTip(QStringLiteral("Shoe scale"));
    connect(OptScale, &QCheckBox::clicked, this, &TDrawParDialog::OptScaleClick);
    scaleRow->addWidget(OptScale);
    scaleRow->addStretch(1);
    scaleRow->addWidget(new QLabel(QStringLiteral("Tickmarks"), Panel1));
    const auto spin = [this, scaleRow](QLabel*& label, const char* labelName, const QString& text,
                                       TSpinButton*& button, const char* buttonName) {
        label = new QLabel(text, Panel1);
        label->setObjectName(QString::fromLatin1(labelName));
        button = new TSpinButton(Panel1);
        button->setObjectName(QString::fromLatin1(buttonName));
        button->SetHint(QStringLiteral("Change number of tickmarks"));
        scaleRow->addSpacing(8);
        scaleRow->addWidget(label);
        scaleRow->addWidget(button);
    };
    spin(SFLabelX, "SFLabelX", QStringLiteral("X:"), BtnSkalFaktX, "BtnSkalFaktX");
    spin(SFLabelY, "SFLabelY", QStringLiteral("Y:"), BtnSkalFaktY, "BtnSkalFaktY");
    connect(BtnSkalFaktX->UpButton, &QToolButton::clicked, this,
            &TDrawParDialog::BtnSkalFaktXUpClick);
    connect(BtnSkalFaktX->DownButton, &QToolButton::clicked, this,
            &TDrawParDialog::BtnSkalFaktXDownClick);
    connect(BtnSkalFaktY->UpButton, &QToolButton::clicked, this,
            &TDrawParDialog::BtnSkalFaktYUpClick);
    connect(BtnSkalFaktY->DownButton, &QToolButton::clicked, this,
            &TDrawParDialog::BtnSkalFaktYDownClick);
    panel->addLayout(scaleRow);

    // The buttons; New function is the default, so Enter in a field presses it.
    auto* buttons = new QGridLayout;
    const auto button = [this](QPushButton*& target, const char* name, const QString& text,
                               const QString& hint) {
        target = new QPushButton(text, Panel1);
        target->setObjectName(QString::fromLatin1(name));
        target->setToolTip(hint);
    };
    button(BtnNew, "BtnNew", QStringLiteral("&New function"), QStringLiteral("Draw new function"));
    button(BtnAdd, "BtnAdd", QStringLiteral("&Add"), QStringLiteral("Draw additional function"));
    button(BtnReset, "BtnReset", QStringLiteral("&Reset"),
           QStringLiteral("Restore default values"));
    button(BtnPrint, "BtnPrint", QStringLiteral("&Print"), QStringLiteral("Print function"));
    button(BtnLeave, "BtnLeave", QStringLiteral("&Close"), QStringLiteral("Close display window"));
    BtnNew->setDefault(true);
    connect(BtnNew, &QPushButton::clicked, this, &TDrawParDialog::BtnNewClick);
    connect(BtnAdd, &QPushButton::clicked, this, &TDrawParDialog::BtnAddClick);
    connect(BtnReset, &QPushButton::clicked, this, &TDrawParDialog::BtnResetClick);
    connect(BtnPrint, &QPushButton::clicked, this, &TDrawParDialog::BtnPrintClick);
    connect(BtnLeave, &QPushButton::clicked, this, &TDrawParDialog::BtnLeaveClick);
    buttons->addWidget(BtnNew, 0, 0, 1, 2);
    buttons->addWidget(BtnAdd, 0, 2);
    buttons->addWidget(BtnReset, 1, 0);
    buttons->addWidget(BtnPrint, 1, 1);
    buttons->addWidget(BtnLeave, 1, 2);
    panel->addLayout(buttons);
}

// --- Evaluating the fields ---------------------------------------------------------------

void TDrawParDialog::ShowFieldError(QLineEdit* edit, const QString& message, int position) {
    QMessageBox box(QMessageBox::Critical, ApplicationTitle(), message, QMessageBox::Ok, this);
    box.exec();
    // The page that holds the field comes to the front, so the focus can reach it.
    for (int page = 0; page < DrawParNotebook->count(); ++page)
        if (DrawParNotebook->widget(page)->isAncestorOf(edit))
            DrawParNotebook->setCurrentIndex(page);
    activateWindow();
    edit->setFocus();
    edit->deselect();
    const int length = static_cast<int>(edit->text().size());
    edit->setCursorPosition(position < 0 ? length : std::clamp(position, 0, length));
}

// The integer operators' own errors carry no position; the field is still the culprit.
void TDrawParDialog::ShowEngineError(QLineEdit* edit, const Exception& error) {
    const auto* positioned = dynamic_cast<const EPositionedError*>(&error);
    ShowFieldError(edit, QString::fromUtf8(error.what()), positioned ? positioned->Position : -1);
}

Real TDrawParDialog::EvalRangeEdit(QLineEdit* edit) {
    try {
        return EvaluateText(EngineText(edit->text()), "X");
    } catch (const Exception& error) {
        ShowEngineError(edit, error);
    }
    return 0;
}

bool TDrawParDialog::ReadRange(QLineEdit* fromEdit, QLineEdit* toEdit, Real& from, Real& to) {
    if (fromEdit->text().isEmpty()) return false;
    from = EvalRangeEdit(fromEdit);
    if (toEdit->text().isEmpty()) return false;
    to = EvalRangeEdit(toEdit);
    if (from > to) std::swap(from, to);
    return true;
}

bool TDrawParDialog::ApplyRanges() {
    if (!DrawWindow) return false;
    DrawWindow->SetShowScale(OptScale->isChecked());
    Real from = 0, to = 0;
    if (!ReadRange(EditXFrom, EditXTo, from, to)) return false;
    DrawWindow->SetXFrom(from);
    DrawWindow->SetXTo(to);
    DrawWindow->SetXLogarithmic(BtnLogX->isChecked());
    if (!ReadRange(EditYFrom, EditYTo, from, to)) return false;
    DrawWindow->SetYFrom(from);
    DrawWindow->SetYTo(to);
    DrawWindow->SetYLogarithmic(BtnLogY->isChecked());
    return true;
}

bool TDrawParDialog::ReadParameterRange(Real& from, Real& to, Real& step) {
    if (!ReadRange(EditParaFrom, EditParaTo, from, to)) return false;
    if (EditParaStep->text().isEmpty()) return false;
    step = EvalRangeEdit(EditParaStep);
    return step != 0;
}

bool TDrawParDialog::NewPlotFromPage() {
    return PlotFromPage(false);
}

bool TDrawParDialog::AddPlotFromPage() {
    return PlotFromPage(true);
}

bool TDrawParDialog::PlotFromPage(bool add) {
    if (!DrawWindow) return false;
    if (DrawParNotebook->currentIndex() == 0) {
        try {
            const std::string text = EngineText(CBFn->text());
            add ? DrawWindow->AddFunction(text) : DrawWindow->NewFunction(text);
        } catch (const Exception& error) {
            ShowEngineError(CBFn, error);
            return false;
        }
        return true;
    }

    const std::string fText = EngineText(CBft->text());
    const std::string gText = EngineText(CBgt->text());
    Real from = 0, to = 0, step = 0;
    if (!ReadParameterRange(from, to, step)) return false;
    try {
        add ? DrawWindow->AddParametric(fText, gText, from, to, step)
            : DrawWindow->NewParametric(fText, gText, from, to, step);
    } catch (const EParaSpecError& error) {
        // The plot refuses a range it cannot draw (a negative step, too many steps).
        QLineEdit* culprit = !std::isfinite(from) ? EditParaFrom
                             : !std::isfinite(to) ? EditParaTo
                                                  : EditParaStep;
        ShowFieldError(culprit, QString::fromUtf8(error.what()), -1);
        return false;
    } catch (const Exception& error) {
        // f(t) is compiled first, so the error is in g(t) exactly when f(t) compiles alone.
        bool inF = true;
        try {
            TExprTree tree = CompileExpression(fText, "T");
            FreeTree(tree);
            inF = false;
        } catch (const Exception&) {
        }
        ShowEngineError(inF ? CBft : CBgt, error);
        return false;
    }
    return true;
}

// --- Buttons and events ------------------------------------------------------------------

void TDrawParDialog::BtnNewClick() {
    if (!DrawWindow) return;
    DrawWindow->ResetTickFactors();
    NewPlotFromPage();
    ApplyRanges();
    RedrawShown();
}

void TDrawParDialog::BtnAddClick() {
    if (!DrawWindow) return;
    DrawWindow->ResetTickFactors();
    AddPlotFromPage();
    ApplyRanges();
    RedrawShown();
}

void TDrawParDialog::BtnResetClick() {
    if (!DrawWindow) return;
    DrawWindow->ResetTickFactors();
    ApplyRanges();
    RedrawShown();
}

// The user who closed the plot window and then asks the dialog for a plot wants to see it:
// the window comes back behind the dialog, which keeps the keyboard.
void TDrawParDialog::RedrawShown() {
    if (!DrawWindow->isVisible() && isVisible()) {
        DrawWindow->show();
        raise();
        activateWindow();
    }
    DrawWindow->Redraw();
}

// The printer is made on the first print and kept, so the user's choice of printer and
// options stays for the next one.
void TDrawParDialog::BtnPrintClick() {
    if (!DrawWindow) return;
    if (!PrintDialogPrinter) {
        PrintDialogPrinter = std::make_unique<QPrinter>();
        PrintDialogPrinter->setDocName(QStringLiteral("Pelvane"));
    }
    QPrintDialog printDialog(PrintDialogPrinter.get(), this);
    if (printDialog.exec() != QDialog::Accepted) return;
    try {
        DrawWindow->PrintPlot(*PrintDialogPrinter);
    } catch (const std::exception& error) {
        // The print has ended its document and cleared its state before passing this on.
        TApplication::ShowException(error);
    }
    DrawWindow->Redraw();
}

void TDrawParDialog::BtnLeaveClick() {
    if (DrawWindow) DrawWindow->close();
    close();
}

// Switching the scale redraws the current page's function on its own, as New does.
void TDrawParDialog::OptScaleClick() {
    BtnNewClick();
}

void TDrawParDialog::BtnCopyClick() {
    if (Calc) CBFn->setText(Calc->EditLine->text());
}

void TDrawParDialog::BtnSkalFaktXUpClick() {
    if (!DrawWindow) return;
    DrawWindow->NextXTickFactor();
    DrawWindow->Redraw();
}

void TDrawParDialog::BtnSkalFaktXDownClick() {
    if (!DrawWindow) return;
    DrawWindow->PrevXTickFactor();
    DrawWindow->Redraw();
}

void TDrawParDialog::BtnSkalFaktYUpClick() {
    if (!DrawWindow) return;
    DrawWindow->NextYTickFactor();
    DrawWindow->Redraw();
}

void TDrawParDialog::BtnSkalFaktYDownClick() {
    if (!DrawWindow) return;
    DrawWindow->PrevYTickFactor();
    DrawWindow->Redraw();
}

// On a logarithmic axis the tick density is fixed at one per decade and the range fields
// hold decades.
void TDrawParDialog::ShowScaleKind(bool logarithmic, TSpinButton* spin, QLabel* label,
                                   QLineEdit* from, QLineEdit* to) {
    spin->setEnabled(!logarithmic);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, logarithmic ? GreyLabel : QColor(Qt::black));
    label->setPalette(palette);
    from->setToolTip(Str(logarithmic ? StrStartDecade : StrStartOfRange));
    to->setToolTip(Str(logarithmic ? StrEndDecade : StrEndOfRange));
}

void TDrawParDialog::BtnLinearXClick() {
    ShowScaleKind(false, BtnSkalFaktX, SFLabelX, EditXFrom, EditXTo);
}

void TDrawParDialog::BtnLogXClick() {
    ShowScaleKind(true, BtnSkalFaktX, SFLabelX, EditXFrom, EditXTo);
}

void TDrawParDialog::BtnLinearYClick() {
    ShowScaleKind(false, BtnSkalFaktY, SFLabelY, EditYFrom, EditYTo);
}

void TDrawParDialog::BtnLogYClick() {
    ShowScaleKind(true, BtnSkalFaktY, SFLabelY, EditYFrom, EditYTo);
}

bool TDrawParDialog::StayOnTop() const {
    return windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void TDrawParDialog::SetStayOnTop(bool on) {
    if (StayOnTop() != on) {
        const bool visible = isVisible();
        hide();
        setWindowFlag(Qt::WindowStaysOnTopHint, on);
        if (visible) show();
    }
    MStayOnTop->setChecked(on);
}

void TDrawParDialog::MStayOnTopClick() {
    // The action has already toggled its check mark.
    SetStayOnTop(MStayOnTop->isChecked());
}

void TDrawParDialog::QuorilDDEExecuteMacro(const QStringList& lines) {
    if (lines.isEmpty() || lines.front() != QStringLiteral("Grid") || !DrawWindow) return;
    // The check box is left alone: the next New, Add or Reset sets the flag from it again.
    DrawWindow->SetShowScale(!DrawWindow->GetShowScale());
    DrawWindow->Redraw();
}

void TDrawParDialog::closeEvent(QCloseEvent* event) {
    if (DrawWindow) DrawWindow->close();
    QDialog::closeEvent(event);
}

void TDrawParDialog::showEvent(QShowEvent* event) {
    // Qt centres a dialog over the active window each time it is shown, which here is the
    // plot, until the dialog has been placed once; after that it comes back where the user
    // left it.
    if (!event->spontaneous() && !testAttribute(Qt::WA_Moved) && DrawWindow &&
        DrawWindow->isVisible()) {
        const QScreen* screen = DrawWindow->screen();
        if (layout()) layout()->activate();
        const QSize margins = frameGeometry().size() - geometry().size();
        const QPoint frameTopLeft =
            PlaceBeside(DrawWindow->frameGeometry(), size() + margins,
                        screen ? screen->availableGeometry() : DrawWindow->frameGeometry());
        move(frameTopLeft); // a window's position is that of its frame
    }
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        // Typing goes into the function of the page on show, not to the last button pressed.
        QLineEdit* field = DrawParNotebook->currentIndex() == 1 ? CBft : CBFn;
        field->setFocus(Qt::ActiveWindowFocusReason);
    }
}

QPoint PlaceBeside(const QRect& windowFrame, const QSize& dialogFrame, const QRect& screen) {
    // Window managers report a frame only after mapping it; the gap covers a border not yet
    // counted.
    constexpr int Gap = 8;
    const int right = windowFrame.right() + 1 + Gap;
    const int left = windowFrame.left() - Gap - dialogFrame.width();
    const int roomRight = screen.right() + 1 - right;
    const int roomLeft = windowFrame.left() - Gap - screen.left();
    int x;
    if (roomRight >= dialogFrame.width())
        x = right;
    else if (roomLeft >= dialogFrame.width())
        x = left;
    else if (roomRight >= roomLeft)
        x = screen.right() + 1 - dialogFrame.width();
    else
        x = screen.left();
    x = std::max(screen.left(), std::min(x, screen.right() + 1 - dialogFrame.width()));
    // Level with the window's lower edge: the coordinate read-out stands near the top.
    const int level = std::max(windowFrame.top(), windowFrame.bottom() + 1 - dialogFrame.height());
    const int y =
        std::max(screen.top(), std::min(level, screen.bottom() + 1 - dialogFrame.height()));
    return {x, y};
}

void TDrawParDialog::keyPressEvent(QKeyEvent* event) {
    // The dialog has no Cancel button; Escape does not close the plotter.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

// Every field sees the keys after the dialog: the numeric keypad's decimal key types "."
// whatever the keyboard layout makes of it.
bool TDrawParDialog::eventFilter(QObject* watched, QEvent* event) {
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (!edit || (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease))
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    TrackKeypadDecimal(*key, KeypadDecimal);
    if (event->type() == QEvent::KeyRelease) return false;
    if (KeypadDecimal && !key->text().isEmpty() && key->text().front().isPrint()) {
        edit->insert(QStringLiteral("."));
        return true;
    }
    return false;
}

// --- Settings ----------------------------------------------------------------------------

void TDrawParDialog::LoadDisplayOptions() {
    QSettings store = OpenSettingsStore();
    const auto text = [&store](const char* name) {
        return ReadSettingsString(store, Section, name, QString());
    };
    CBFn->setText(text("Fn"));
    EditXFrom->setText(text("XFrom"));
    EditXTo->setText(text("XTo"));
    EditYFrom->setText(text("YFrom"));
    EditYTo->setText(text("YTo"));
    (ReadSettingsInteger(store, Section, "LinX", 1) != 0 ? BtnLinearX : BtnLogX)->setChecked(true);
    (ReadSettingsInteger(store, Section, "LinY", 1) != 0 ? BtnLinearY : BtnLogY)->setChecked(true);
    // Only the check mark: the display window does not exist yet to draw in.
    OptScale->setChecked(ReadSettingsInteger(store, Section, "OptScale", 1) != 0);
    DrawParNotebook->setCurrentIndex(ReadSettingsInteger(store, Section, "PageIndex", 0, 0, 1));
    CBft->setText(text("Ft"));
    CBgt->setText(text("Gt"));
    EditParaFrom->setText(text("ParaFrom"));
    EditParaTo->setText(text("ParaTo"));
    EditParaStep->setText(text("ParaStep"));
}

bool TDrawParDialog::SaveDisplayOptions() {
    QSettings store = OpenSettingsStore();
    const auto text = [&store](const char* name, const QLineEdit* edit) {
        WriteSettingsString(store, Section, QString::fromLatin1(name), edit->text());
    };
    text("Fn", CBFn);
    text("XFrom", EditXFrom);
    text("XTo", EditXTo);
    text("YFrom", EditYFrom);
    text("YTo", EditYTo);
    WriteSettingsInteger(store, Section, "LinX", BtnLinearX->isChecked() ? 1 : 0);
    WriteSettingsInteger(store, Section, "LinY", BtnLinearY->isChecked() ? 1 : 0);
    WriteSettingsInteger(store, Section, "OptScale", OptScale->isChecked() ? 1 : 0);
    WriteSettingsInteger(store, Section, "PageIndex", DrawParNotebook->currentIndex());
    text("Ft", CBft);
    text("Gt", CBgt);
    text("ParaFrom", EditParaFrom);
    text("ParaTo", EditParaTo);
    text("ParaStep", EditParaStep);
    store.sync();
    return store.status() == QSettings::NoError;
}
