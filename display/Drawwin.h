#pragma once
// The display window "Quoril Display Window": it owns the one plot and the zoom history,
// lays the plot out on its drawing surface and draws it into a raster back buffer, lets the
// user edit the headline and axis titles in place and pick the curve the read-out follows,
// and carries the tool bar and menu that switch zoom mode and the read-out window.
//
// Other windows change the plot only through the window operations below; none of them
// repaints, the caller calls Redraw afterwards. Until the window is first shown there is no
// back buffer and Redraw draws nothing (the plot is laid out and drawn at the first show).
#include "display/BevelPanel.h"
#include "engine/Real.h"
#include "plot/Canvas.h"

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QLineEdit;
class QMenu;
class QMenuBar;
class QMouseEvent;
class QKeyEvent;
class QToolButton;
class TPlot;
class TStack;
class TDrawWindow;

// The drawing surface: shows the window's back buffer and reports mouse and size changes.
class TPaintBox : public QWidget {
    Q_OBJECT

public:
    explicit TPaintBox(TDrawWindow* owner, QWidget* parent);

signals:
    void MouseDown(QMouseEvent* event);
    void MouseMove(QMouseEvent* event);
    void MouseUp(QMouseEvent* event);
    void DblClick(QMouseEvent* event);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    TDrawWindow* Owner;
};

// The in-place editor of a title; its focus loss commits the text.
class TLabelEdit;

class TDrawWindow : public QWidget {
    Q_OBJECT

public:
    explicit TDrawWindow(QWidget* parent = nullptr);
    ~TDrawWindow() override;

    // The current plot (the entry of Plots at PlotIndex).
    TPlot& Plot();
    const TPlot& Plot() const;

    // Window operations. Empty texts change nothing; compile errors pass to the caller as the
    // engine's exceptions. The curve operations size the read-out for the current curve.
    void NewFunction(const std::string& text);
    void NewParametric(const std::string& xText, const std::string& yText, Real from, Real to,
                       Real step);
    void AddFunction(const std::string& text);
    void AddParametric(const std::string& xText, const std::string& yText, Real from, Real to,
                       Real step);
    bool GetShowScale() const;
    void SetShowScale(bool flag);
    void SetXLogarithmic(bool flag);
    void SetYLogarithmic(bool flag);
    // Setting a range end empties ZoomHistory.
    void SetXFrom(Real value);
    void SetXTo(Real value);
    void SetYFrom(Real value);
    void SetYTo(Real value);
    void NextXTickFactor();
    void PrevXTickFactor();
    void NextYTickFactor();
    void PrevYTickFactor();
    void ResetTickFactors();
    // Repaints the drawing surface at once; afterwards no cursor mark and no zoom frame are
    // on the screen.
    void Redraw();

    // The canvas on the drawing surface's back buffer, where the screen picture is drawn and
    // measured (made at the surface's size if the window has not been shown yet).
    TCanvas& ScreenCanvas();
    // The back buffer as last painted; null before the first paint.
    const QImage& BackBuffer() const { return Buffer; }
    // Size of the drawing surface in pixels.
    int32_t SurfaceWidth() const;
    int32_t SurfaceHeight() const;

    // Screen layout and drawing into the back buffer; exceptions pass on.
    void PaintPlot();
    // Device coordinates limited to the plot area.
    int32_t ClampX(int32_t x) const;
    int32_t ClampY(int32_t y) const;
    // Transient marks, drawn in not-xor on the back buffer: drawing one twice removes it.
    void ToggleCursorMark(int32_t x, int32_t y);
    void ToggleZoomFrame(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    void RemoveZoomFrame();
    // Carries the frame corners over to a new screen layout.
    void RescaleZoomFrame();

    // In-place editing: places LabelEdit over the title band at the surface point (x, y), or
    // selects the curve nearest to it when no band is there.
    void EditLabelAt(int32_t x, int32_t y);

    // Controls, named as their objectName.
    QMenuBar* MainMenu = nullptr;
    QMenu* Bearbeiten1 = nullptr;
    QAction* Kopieren1 = nullptr; // disabled until the clipboard copy exists
    QMenu* Optionen1 = nullptr;
    QAction* Koordinatenfenster = nullptr;
    QAction* Zoom1 = nullptr;
    TBevelPanel* Panel2 = nullptr;
    QToolButton* SBCopy = nullptr; // disabled until the clipboard copy exists
    QToolButton* SBKoordWin = nullptr;
    QToolButton* SBZoom = nullptr;
    TBevelPanel* Panel1 = nullptr;
    TPaintBox* PaintBox = nullptr;
    QLineEdit* LabelEdit = nullptr;

    // Fields.
    std::vector<std::unique_ptr<TPlot>> Plots; // one entry
    bool Printing = false;
    int32_t PlotIndex = 1; // numbered from 1
    int32_t LastXStart = 0;
    int32_t LastYStart = 0;
    int32_t LastXExtent = 1;
    int32_t LastYExtent = 1;
    bool LeftDown = false;
    bool RightDown = false;
    bool FrameDrawn = false;
    bool FrameVisible = false;
    int32_t FrameX1 = 0;
    int32_t FrameY1 = 0;
    int32_t FrameX2 = 0;
    int32_t FrameY2 = 0;
    int32_t MouseX = 0;
    int32_t MouseY = 0;
    int32_t MarkX = 0;
    int32_t MarkY = 0;
    bool MarkVisible = false;

public slots:
    void FormResize();
    void FormPaint();
    // Closing only hides; with the read-out window on it switches read-out and zoom off.
    void FormClose();
    // Runs whenever the surface must be drawn anew; swallows every exception.
    void PaintBoxPaint();
    void PaintBoxDblClick(QMouseEvent* event);
    void PaintBoxMouseDown(QMouseEvent* event);
    void PaintBoxMouseMove(QMouseEvent* event);
    void PaintBoxMouseUp(QMouseEvent* event);
    void KoordinatenfensterClick();
    void SBKoordWinClick();
    void Zoom1Click();
    void SBZoomClick();
    // Focus-loss handlers of LabelEdit: store its text as typed, also an empty one, and
    // redraw.
    void CommitXTitle();
    void CommitYTitle();
    void CommitHeadline();

public:
    // A carriage return typed anywhere in the window is swallowed; true when it was.
    bool FormKeyPress(QKeyEvent* event);
    // Enter hides LabelEdit (which commits it); other keys are left to the edit box.
    void LabelEditKeyDown(QKeyEvent* event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    friend class TPaintBox;
    friend class TLabelEdit;

    // The paint box's own paint: brings a stale back buffer up to date, then copies the
    // exposed rectangle to the screen.
    void CopyToScreen(QPaintEvent* event);
    // Called by the paint box when its size changes: the back buffer must be drawn anew.
    void SurfaceResized();
    // Sizes the read-out for the current curve.
    void SizeReadOut();
    // Makes the back buffer the surface's size; true when it exists afterwards.
    bool EnsureBackBuffer();
    // Copies a changed part of the back buffer to the screen.
    void ShowChanged(const QRect& rect);
    void ShowLabelEdit(int32_t left, int32_t top, int32_t width, int32_t height,
                       const std::string& text, void (TDrawWindow::*commit)());
    void LabelEditFocusLost();
    void HideLabelEdit();
    void BuildControls();

    QImage Buffer;
    TCanvas Canvas{&Buffer};
    // The surface must be drawn anew before it is shown (first show, resize, Redraw while
    // hidden).
    bool BufferStale = true;
    void (TDrawWindow::*Commit)() = nullptr;
    std::unique_ptr<TStack> History;
};

// The program's one display window, set by start-up; null until then.
extern TDrawWindow* DrawWindow;
// The zoom history of the display window's plot: created and freed with the window, emptied
// by the plot's range setters.
extern TStack* ZoomHistory;
