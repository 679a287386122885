#include "display/Drawwin.h"

#include "display/BevelPanel.h"
#include "display/Glyphs.h"
#include "display/Koowin.h"
#include "engine/StringTable.h"
#include "plot/Plot.h"
#include "plot/PlotLayout.h"

#include <QAction>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>

TDrawWindow* DrawWindow = nullptr;
TStack* ZoomHistory = nullptr;

namespace {

// Hints of the two switches: what the next click on the button does.
constexpr int StrHideKooWind = 204;
constexpr int StrShowKooWind = 205;
constexpr int StrZoomOff = 206;
constexpr int StrZoomOn = 207;

// Design sizes at 96 pixels per inch. The client area is drawn half as large again, like the
// calculator's keypad; the tool bar keeps its design size.
constexpr int ClientWidth = 434 * 3 / 2;
constexpr int ClientHeight = 392 * 3 / 2;
constexpr int ToolBarHeight = 25;
constexpr int ButtonSide = 20;
// Panel1's raised outer bevel, border and lowered inner bevel: the surface starts 12 pixels
// inside the panel, which is where LabelEdit's coordinates are counted from.
constexpr int PanelBorder = 10;
constexpr int SurfaceLeft = 12;
constexpr int SurfaceTop = 12;

QString Str(int ident) {
    return QString::fromStdString(LoadStr(ident));
}

bool IsCarriageReturn(const QKeyEvent& event) {
    if (event.text() == QStringLiteral("\r")) return true;
    return (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter) &&
           !(event.modifiers() & Qt::ControlModifier);
}

} // namespace

// The title editor: a frameless line edit whose focus loss, while it is shown or being
// hidden, stores the text. Losing the focus because another window became active or a menu
// opened is not leaving the edit box.
class TLabelEdit : public QLineEdit {
public:
    TLabelEdit(TDrawWindow* owner, QWidget* parent) : QLineEdit(parent), Owner(owner) {}

protected:
    void focusOutEvent(QFocusEvent* event) override {
        QLineEdit::focusOutEvent(event);
        if (event->reason() == Qt::ActiveWindowFocusReason ||
            event->reason() == Qt::PopupFocusReason)
            return;
        Owner->LabelEditFocusLost();
    }

private:
    TDrawWindow* Owner;
};

TPaintBox::TPaintBox(TDrawWindow* owner, QWidget* parent) : QWidget(parent), Owner(owner) {
    setObjectName(QStringLiteral("PaintBox"));
    // Moves without a button are needed: the double click reads the last position.
    setMouseTracking(true);
    // Every pixel comes from the back buffer.
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The arrow keys move the view while the surface has the focus; a click gives it.
    setFocusPolicy(Qt::StrongFocus);
}

void TPaintBox::paintEvent(QPaintEvent* event) {
    Owner->CopyToScreen(event);
}

void TPaintBox::resizeEvent(QResizeEvent*) {
    Owner->SurfaceResized();
}

void TPaintBox::mousePressEvent(QMouseEvent* event) {
    emit MouseDown(event);
}

void TPaintBox::mouseMoveEvent(QMouseEvent* event) {
    emit MouseMove(event);
}

void TPaintBox::mouseReleaseEvent(QMouseEvent* event) {
    emit MouseUp(event);
}

void TPaintBox::mouseDoubleClickEvent(QMouseEvent* event) {
    emit DblClick(event);
}

void TPaintBox::wheelEvent(QWheelEvent* event) {
    emit Wheel(event);
}

void TPaintBox::keyPressEvent(QKeyEvent* event) {
    event->ignore();
    emit KeyDown(event);
    if (!event->isAccepted()) QWidget::keyPressEvent(event);
}

TDrawWindow::TDrawWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowMinMaxButtonsHint) {
    setObjectName(QStringLiteral("DrawWindow"));
    setWindowTitle(QStringLiteral("Quoril Display Window"));
    setAttribute(Qt::WA_QuitOnClose, false);

    // The mouse state starts idle, then the one plot and the history it empties.
    Plots.push_back(std::make_unique<TPlot>());
    PlotIndex = 1;
    Plot().Reset();
    // A new plot can be drawn at once: New function without range fields shows something.
    Plot().SetXFrom(-10);
    Plot().SetXTo(10);
    Plot().SetYFrom(-10);
    Plot().SetYTo(10);
    History = std::make_unique<TStack>();
    ZoomHistory = History.get();
    Plot().SetZoomHistory(History.get());

    BuildControls();
    resize(ClientWidth, ClientHeight);
    move(427, 115);
}

TDrawWindow::~TDrawWindow() {
    // The history first, then the plot.
    Plot().SetZoomHistory(nullptr);
    if (ZoomHistory == History.get()) ZoomHistory = nullptr;
    History.reset();
    Canvas.FreeHandle();
    Plots.clear();
    if (DrawWindow == this) DrawWindow = nullptr;
}

void TDrawWindow::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    MainMenu = new QMenuBar(this);
    MainMenu->setObjectName(QStringLiteral("MainMenu"));
    layout->setMenuBar(MainMenu);
    Bearbeiten1 = MainMenu->addMenu(QStringLiteral("&Edit"));
    Bearbeiten1->setObjectName(QStringLiteral("Bearbeiten1"));
    Kopieren1 = Bearbeiten1->addAction(QStringLiteral("&Copy"));
    Kopieren1->setObjectName(QStringLiteral("Kopieren1"));
    Kopieren1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    connect(Kopieren1, &QAction::triggered, this, &TDrawWindow::Kopieren1Click);
    Optionen1 = MainMenu->addMenu(QStringLiteral("&Options"));
    Optionen1->setObjectName(QStringLiteral("Optionen1"));
    Koordinatenfenster = Optionen1->addAction(QStringLiteral("Coordinate &Window"));
    Koordinatenfenster->setObjectName(QStringLiteral("Koordinatenfenster"));
    Koordinatenfenster->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    Koordinatenfenster->setCheckable(true);
    Zoom1 = Optionen1->addAction(QStringLiteral("&Zoom"));
    Zoom1->setObjectName(QStringLiteral("Zoom1"));
    Zoom1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    Zoom1->setCheckable(true);
    // Qt flips a checkable item before it reports the click; the handlers decide from the
    // state the user clicked on, so the flip is undone first.
    connect(Koordinatenfenster, &QAction::triggered, this, [this](bool checked) {
        Koordinatenfenster->setChecked(!checked);
        KoordinatenfensterClick();
    });
    connect(Zoom1, &QAction::triggered, this, [this](bool checked) {
        Zoom1->setChecked(!checked);
        Zoom1Click();
    });

    Panel2 = new TBevelPanel(this, true, 0, false);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFixedHeight(ToolBarHeight);
    layout->addWidget(Panel2);
    // The glyphs are painted when the window is first shown.
    auto makeButton = [this](const char* name, int x, const QString& hint) {
        auto* button = new QToolButton(Panel2);
        button->setObjectName(QString::fromLatin1(name));
        button->setGeometry(x, 2, ButtonSide, ButtonSide);
        button->setIconSize(QSize(GlyphSize, GlyphSize));
        button->setAutoRaise(true);
        // Speed buttons never take the focus.
        button->setFocusPolicy(Qt::NoFocus);
        button->setToolTip(hint);
        return button;
    };
    SBCopy = makeButton("SBCopy", 6, QStringLiteral("Copy to clipboard"));
    connect(SBCopy, &QToolButton::clicked, this, &TDrawWindow::SBCopyClick);
    SBKoordWin = makeButton("SBKoordWin", 26, Str(StrShowKooWind));
    SBKoordWin->setCheckable(true);
    SBZoom = makeButton("SBZoom", 45, Str(StrZoomOn));
    SBZoom->setCheckable(true);
    connect(SBKoordWin, &QToolButton::clicked, this, &TDrawWindow::SBKoordWinClick);
    connect(SBZoom, &QToolButton::clicked, this, &TDrawWindow::SBZoomClick);

    Panel1 = new TBevelPanel(this, true, PanelBorder, true);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setToolTip(QStringLiteral("Double-click to edit labels"));
    layout->addWidget(Panel1, 1);
    PaintBox = new TPaintBox(this, Panel1);
    connect(PaintBox, &TPaintBox::MouseDown, this, &TDrawWindow::PaintBoxMouseDown);
    connect(PaintBox, &TPaintBox::MouseMove, this, &TDrawWindow::PaintBoxMouseMove);
    connect(PaintBox, &TPaintBox::MouseUp, this, &TDrawWindow::PaintBoxMouseUp);
    connect(PaintBox, &TPaintBox::DblClick, this, &TDrawWindow::PaintBoxDblClick);
    connect(PaintBox, &TPaintBox::Wheel, this, &TDrawWindow::PaintBoxWheel);
    connect(PaintBox, &TPaintBox::KeyDown, this, &TDrawWindow::PaintBoxKeyDown);

    LabelEdit = new TLabelEdit(this, Panel1);
    LabelEdit->setObjectName(QStringLiteral("LabelEdit"));
    LabelEdit->setFrame(false);
    QFont editFont(QStringLiteral("MS Sans Serif"));
    editFont.setPixelSize(13);
    LabelEdit->setFont(editFont);
    LabelEdit->hide();

    // Key preview: every key typed in the window passes the window first. The menus'
    // pop-ups are windows of their own, where Enter must still choose an item.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        if (!child->isWindow()) child->installEventFilter(this);
}

TPlot& TDrawWindow::Plot() {
    return *Plots[static_cast<size_t>(PlotIndex - 1)];
}

const TPlot& TDrawWindow::Plot() const {
    return *Plots[static_cast<size_t>(PlotIndex - 1)];
}

// ---- Window operations: each forwards to the plot; the caller redraws. ----

void TDrawWindow::SizeReadOut() {
    if (!KooWind || !HasCurrentCurve()) return;
    const TPlot& plot = Plot();
    KooWind->SetRows(plot.Functions[static_cast<size_t>(plot.Current)]->Kind);
}

void TDrawWindow::NewFunction(const std::string& text) {
    if (text.empty()) return;
    Plot().NewFunction(text);
    SizeReadOut();
}

void TDrawWindow::NewParametric(const std::string& xText, const std::string& yText, Real from,
                                Real to, Real step) {
    if (xText.empty() || yText.empty()) return;
    Plot().NewParametric(xText, yText, from, to, step);
    SizeReadOut();
}

void TDrawWindow::AddFunction(const std::string& text) {
    if (text.empty()) return;
    Plot().AddFunction(text);
    SizeReadOut();
}

void TDrawWindow::AddParametric(const std::string& xText, const std::string& yText, Real from,
                                Real to, Real step) {
    if (xText.empty() || yText.empty()) return;
    Plot().AddParametric(xText, yText, from, to, step);
    SizeReadOut();
}

bool TDrawWindow::GetShowScale() const {
    return Plot().GetShowScale();
}
void TDrawWindow::SetShowScale(bool flag) {
    Plot().SetShowScale(flag);
}
void TDrawWindow::SetXLogarithmic(bool flag) {
    Plot().SetXLogarithmic(flag);
}
void TDrawWindow::SetYLogarithmic(bool flag) {
    Plot().SetYLogarithmic(flag);
}
void TDrawWindow::SetXFrom(Real value) {
    Plot().SetXFrom(value);
}
void TDrawWindow::SetXTo(Real value) {
    Plot().SetXTo(value);
}
void TDrawWindow::SetYFrom(Real value) {
    Plot().SetYFrom(value);
}
void TDrawWindow::SetYTo(Real value) {
    Plot().SetYTo(value);
}
void TDrawWindow::NextXTickFactor() {
    Plot().NextXTickFactor();
}
void TDrawWindow::PrevXTickFactor() {
    Plot().PrevXTickFactor();
}
void TDrawWindow::NextYTickFactor() {
    Plot().NextYTickFactor();
}
void TDrawWindow::PrevYTickFactor() {
    Plot().PrevYTickFactor();
}
void TDrawWindow::ResetTickFactors() {
    Plot().ResetTickFactors();
}

// ---- Drawing. ----

int32_t TDrawWindow::SurfaceWidth() const {
    return PaintBox->width();
}

int32_t TDrawWindow::SurfaceHeight() const {
    return PaintBox->height();
}

QSize TDrawWindow::BackBufferSize() const {
    // Never empty, so the canvas can always measure text; the layout still gets the
    // surface's true size.
    return QSize(std::max(1, SurfaceWidth()), std::max(1, SurfaceHeight()));
}

bool TDrawWindow::EnsureBackBuffer() {
    const QSize size = BackBufferSize();
    if (Buffer.size() == size) return true;
    Canvas.FreeHandle();
    Buffer = QImage(size, QImage::Format_RGB32);
    if (Buffer.isNull()) return false;
    // Point sizes of the plot's fonts follow the screen's resolution.
    Buffer.setDotsPerMeterX(qRound(PaintBox->logicalDpiX() / 0.0254));
    Buffer.setDotsPerMeterY(qRound(PaintBox->logicalDpiY() / 0.0254));
    Buffer.fill(Panel1->palette().color(QPalette::Window));
    return true;
}

TCanvas& TDrawWindow::ScreenCanvas() {
    EnsureBackBuffer();
    return Canvas;
}

void TDrawWindow::PaintPlot() {
    Printing = false;
    TPlot& plot = Plot();
    if (!plot.AxesValid()) return;
    Canvas.SetBrushColor(Panel1->palette().color(QPalette::Window));
    LayOutPlot(plot, Canvas, SurfaceWidth(), SurfaceHeight(), TLayoutKind::Screen);
    RescaleZoomFrame();
    plot.Draw(Canvas);
}

void TDrawWindow::PaintBoxPaint() {
    if (Printing) return;
    if (!EnsureBackBuffer()) return;
    // The surface's background, as the panel under it would show.
    Canvas.FreeHandle();
    Buffer.fill(Panel1->palette().color(QPalette::Window));
    try {
        PaintPlot();
    } catch (...) {
        // Painting never reports: what was drawn before the failure stays.
    }
    Canvas.FreeHandle();
    BufferStale = false;
    if (FrameVisible) ToggleZoomFrame(FrameX1, FrameY1, FrameX2, FrameY2);
    if (MarkVisible) ToggleCursorMark(MarkX, MarkY);
}

void TDrawWindow::Redraw() {
    // This repaint shows any view change still waiting for its own.
    ViewRedrawPending = false;
    if (MarkVisible) ToggleCursorMark(MarkX, MarkY);
    // The whole window's own repaint forgets the mark; the panels and the tool bar show
    // nothing of the plot, so only the bookkeeping is done here.
    FormPaint();
    RemoveZoomFrame();
    if (PaintBox->isVisible()) {
        PaintBoxPaint();
        PaintBox->repaint();
    } else {
        // Drawn when the window is shown.
        BufferStale = true;
    }
}

void TDrawWindow::CopyToScreen(QPaintEvent* event) {
    if (BufferStale || Buffer.size() != BackBufferSize()) PaintBoxPaint();
    QPainter painter(PaintBox);
    // Every pixel is replaced: no blending, one copy of each row. Only the exposed rectangles
    // are copied (a zoom frame changes four thin strips of a large area), each clipped to
    // itself, which lets Qt copy the rows directly instead of blending span by span.
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (const QRect& area : event->region()) {
        painter.setClipRect(area);
        painter.drawImage(area.topLeft(), Buffer, area);
    }
}

void TDrawWindow::SurfaceResized() {
    BufferStale = true;
}

void TDrawWindow::ShowChanged(const QRegion& region) {
    if (PaintBox->isVisible()) PaintBox->update(region);
}

void TDrawWindow::FormResize() {
    // The back buffer is drawn anew at the new size, without the mark.
    BufferStale = true;
    MarkVisible = false;
}

void TDrawWindow::FormPaint() {
    MarkVisible = false;
}

void TDrawWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FormResize();
    // Panel1 keeps the surface inside its bevels.
    PaintBox->setGeometry(SurfaceLeft, SurfaceTop, std::max(0, Panel1->width() - 2 * SurfaceLeft),
                          std::max(0, Panel1->height() - 2 * SurfaceTop));
}

void TDrawWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Start-up creates the window hidden; nothing is painted before it is needed.
    if (SBCopy->icon().isNull()) {
        SBCopy->setIcon(CopyGlyph());
        SBKoordWin->setIcon(KoordWinGlyph());
        SBZoom->setIcon(ZoomGlyph());
    }
}

void TDrawWindow::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    // The window's own repaint is preceded by erasing its background.
    EraseBackground();
    FormPaint();
}

// ---- Closing, keys and switches. ----

void TDrawWindow::closeEvent(QCloseEvent* event) {
    FormClose();
    // Only hidden: the plot, its ranges and the history stay.
    event->accept();
}

void TDrawWindow::FormClose() {
    if (!Koordinatenfenster->isChecked()) return;
    if (KooWind) KooWind->hide();
    Koordinatenfenster->setChecked(false);
    Zoom1->setChecked(false);
    SBKoordWin->setChecked(false);
    SBZoom->setChecked(false);
}

bool TDrawWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // The edit box's own key-down comes first, then the window's preview of the character.
        if (watched == LabelEdit) LabelEditKeyDown(key);
        if (FormKeyPress(key)) return true;
    }
    return QWidget::eventFilter(watched, event);
}

bool TDrawWindow::FormKeyPress(QKeyEvent* event) {
    return IsCarriageReturn(*event);
}

void TDrawWindow::LabelEditKeyDown(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) HideLabelEdit();
}

void TDrawWindow::HideLabelEdit() {
    // Qt does not always tell a hidden widget that it lost the focus; leaving the edit box
    // must store its text, so the focus is taken away first.
    if (LabelEdit->hasFocus()) LabelEdit->clearFocus();
    LabelEdit->hide();
}

void TDrawWindow::SBKoordWinClick() {
    if (SBKoordWin->isChecked()) {
        if (KooWind) {
            KooWind->show();
            KooWind->raise();
        }
        Koordinatenfenster->setChecked(true);
        SBKoordWin->setToolTip(Str(StrHideKooWind));
    } else {
        if (KooWind) KooWind->hide();
        Koordinatenfenster->setChecked(false);
        SBKoordWin->setToolTip(Str(StrShowKooWind));
        if (MarkVisible) {
            ToggleCursorMark(MarkX, MarkY);
            MarkVisible = false;
        }
    }
}

void TDrawWindow::KoordinatenfensterClick() {
    if (Koordinatenfenster->isChecked()) {
        if (KooWind) KooWind->hide();
        SBKoordWin->setChecked(false);
        Koordinatenfenster->setChecked(false);
        if (MarkVisible) ToggleCursorMark(MarkX, MarkY);
        MarkVisible = false;
    } else {
        if (KooWind) {
            KooWind->show();
            KooWind->raise();
        }
        SBKoordWin->setChecked(true);
        Koordinatenfenster->setChecked(true);
    }
}

void TDrawWindow::SBZoomClick() {
    if (SBZoom->isChecked()) {
        Zoom1->setChecked(true);
        SBZoom->setToolTip(Str(StrZoomOff));
    } else {
        Zoom1->setChecked(false);
        SBZoom->setToolTip(Str(StrZoomOn));
    }
}

void TDrawWindow::Zoom1Click() {
    Zoom1->setChecked(!Zoom1->isChecked());
    SBZoom->setChecked(!SBZoom->isChecked());
}

// ---- In-place editing of the titles and choosing the tracked curve. ----

void TDrawWindow::PaintBoxDblClick(QMouseEvent* event) {
    // Only the left button edits a title or picks a curve.
    if (event->button() != Qt::LeftButton) return;
    if (!Plot().AxesPrepared()) return;
    EditLabelAt(MouseX, MouseY);
}

void TDrawWindow::ShowLabelEdit(int32_t left, int32_t top, int32_t width, int32_t height,
                                const std::string& text, void (TDrawWindow::*commit)()) {
    LabelEdit->setGeometry(SurfaceLeft + left, SurfaceTop + top, std::max(0, width),
                           std::max(0, height));
    LabelEdit->show();
    LabelEdit->raise();
    LabelEdit->setText(QString::fromStdString(text));
    LabelEdit->setFocus(Qt::MouseFocusReason);
    Commit = commit;
}

void TDrawWindow::EditLabelAt(int32_t x, int32_t y) {
    // An edit in progress loses the focus here and stores its text first.
    HideLabelEdit();
    TPlot& plot = Plot();
    const TKooAxis& xAxis = plot.KooSystem.XAxis;
    const TKooAxis& yAxis = plot.KooSystem.YAxis;
    bool matched = false;
    // The x title band below the x labels.
    if (xAxis.DevStart < x && x < xAxis.DevEnd && yAxis.OuterEdge - xAxis.TitleSpace < y &&
        y < yAxis.OuterEdge) {
        ShowLabelEdit(xAxis.DevStart, yAxis.OuterEdge - xAxis.TitleSpace,
                      xAxis.DevEnd - xAxis.DevStart, xAxis.TitleSpace, xAxis.Title,
                      &TDrawWindow::CommitXTitle);
        matched = true;
    }
    // The y title band left of the y labels; the edit box is as wide as the x axis, centred
    // on the y axis's extent.
    if (yAxis.DevEnd < y && y < yAxis.DevStart && xAxis.OuterEdge < x &&
        x < xAxis.OuterEdge + yAxis.TitleSpace) {
        ShowLabelEdit(xAxis.OuterEdge,
                      yAxis.DevEnd + (yAxis.DevStart - yAxis.DevEnd - yAxis.TitleSpace) / 2,
                      xAxis.DevEnd - xAxis.DevStart, yAxis.TitleSpace, yAxis.Title,
                      &TDrawWindow::CommitYTitle);
        matched = true;
    }
    // The headline band above the plot area.
    const int32_t headlineTop = yAxis.DevEnd - plot.HeadlineSpace - xAxis.LabelSpace / 2;
    if (xAxis.DevStart < x && x < xAxis.DevEnd && headlineTop < y && y < yAxis.DevEnd) {
        ShowLabelEdit(xAxis.DevStart, headlineTop, xAxis.DevEnd - xAxis.DevStart,
                      plot.HeadlineSpace, plot.Title, &TDrawWindow::CommitHeadline);
        matched = true;
    }
    if (matched) return;
    // Elsewhere the click chooses the curve the read-out follows; a plot without curves has
    // none to choose.
    const int32_t nearest = plot.FindNearestFunction(plot.DevToWorldX(x), plot.DevToWorldY(y));
    if (nearest < 0) return;
    plot.Current = nearest;
    SizeReadOut();
}

void TDrawWindow::LabelEditFocusLost() {
    void (TDrawWindow::*commit)() = Commit;
    if (commit) (this->*commit)();
}

void TDrawWindow::CommitXTitle() {
    Plot().KooSystem.XAxis.Title = LabelEdit->text().toStdString();
    Redraw();
}

void TDrawWindow::CommitYTitle() {
    Plot().KooSystem.YAxis.Title = LabelEdit->text().toStdString();
    Redraw();
}

void TDrawWindow::CommitHeadline() {
    Plot().Title = LabelEdit->text().toStdString();
    Redraw();
}
