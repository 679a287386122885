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
#include <exception>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QLineEdit;
class QMenu;
class QMenuBar;
class QMouseEvent;
class QPrinter;
class QKeyEvent;
class QToolButton;
class QWheelEvent;
class TPlot;
class TStack;
class TStackElement;
class TMemMetaFile;
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
    void Wheel(QWheelEvent* event);
    // The receiver accepts the keys it uses; the others go on to the window.
    void KeyDown(QKeyEvent* event);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

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
    // Mark bookkeeping: the window's own repaint and a change of its place among the windows
    // (becoming active or inactive) erase the cursor mark; a plain move leaves it.
    void EraseBackground();
    void WindowPosChanging(bool zOrderChanges);

    // In-place editing: places LabelEdit over the title band at the surface point (x, y), or
    // selects the curve nearest to it when no band is there.
    void EditLabelAt(int32_t x, int32_t y);

    // Controls, named as their objectName.
    QMenuBar* MainMenu = nullptr;
    QMenu* Bearbeiten1 = nullptr;
    QAction* Kopieren1 = nullptr;
    QMenu* Optionen1 = nullptr;
    QAction* Koordinatenfenster = nullptr;
    QAction* Zoom1 = nullptr;
    TBevelPanel* Panel2 = nullptr;
    QToolButton* SBCopy = nullptr;
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
    // Navigation beside the frame zoom: the middle-button drag, where it started and the
    // ranges it started from; the wheel's angle not yet making up a whole notch; a view change
    // waiting for its redraw.
    bool PanDown = false;
    int32_t PanX = 0;
    int32_t PanY = 0;
    Real PanXFrom = 0;
    Real PanXTo = 0;
    Real PanYFrom = 0;
    Real PanYTo = 0;
    int32_t WheelRemainder = 0;
    bool ViewRedrawPending = false;

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
    // Wheel notches zoom about the point under the mouse; arrow keys move the view.
    void PaintBoxWheel(QWheelEvent* event);
    void PaintBoxKeyDown(QKeyEvent* event);
    // Draws a view change made by a pan or a key, if one is still waiting; several changes
    // made in one turn of the event loop are drawn once.
    void FlushViewRedraw();
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

    // ---- Clipboard copy and printing (DrawCopyPrint.cpp). ----
    // Both lay the plot out as a page (the top margin is half the y labels' width), draw
    // neither zoom frame nor cursor mark, do nothing when the axes are not valid and redraw
    // the screen at the end, also after a failure; a failure passes on to the caller.
    //
    // Puts the plot on the clipboard, replacing what it held, as one SVG (view box: the
    // surface's pixels; width and height: the surface's physical size on the screen) and the
    // same picture as an image. Measured on the screen's canvas.
    void CopyPlot();
    // Prints the plot on one page of `printer` (set up by the caller, e.g. in a print dialog)
    // as the document "Pelvane", measured on the page. Printing is true meanwhile, so the
    // surface paints nothing. A failure ends the document.
    void PrintPlot(QPrinter& printer);
    // The picture being recorded, during a copy only.
    TMemMetaFile* CopyMetaFile = nullptr;

public slots:
    // Copy from the menu (Ctrl+C) and from the tool bar; a failure is shown in a message box
    // and the window goes on working.
    void Kopieren1Click();
    void SBCopyClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

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
    // The surface's size, at least one pixel each way.
    QSize BackBufferSize() const;
    // Makes the back buffer that size; true when it exists afterwards.
    bool EnsureBackBuffer();
    // Copies a changed part of the back buffer to the screen.
    void ShowChanged(const QRegion& region);
    // The mouse interaction's steps.
    bool HasCurrentCurve() const;
    void TrackCoordinates(int32_t x, int32_t y);
    void ZoomToFrame();
    void UndoZoom();
    // The plot's view as the history keeps it, and a view written to the axis ends directly:
    // the range setters would empty the history.
    TStackElement CurrentView() const;
    void SetViewEnds(const TStackElement& view);
    // Navigation (DrawNavigate.cpp). A gesture is a run of wheel notches or arrow keys less
    // than half a second apart, or one middle-button drag; it pushes one view onto the
    // history before its first change.
    enum class TViewGesture { None, Wheel, Pan, Keys };
    void StartPan(int32_t x, int32_t y);
    bool PanTo(int32_t x, int32_t y);
    void EndPan();
    void ChangeView(TViewGesture gesture, quint64 time, const TStackElement& view);
    void EndViewGesture();
    void RequestViewRedraw(bool track);
    void TrackAfterViewChange();
    void ShowLabelEdit(int32_t left, int32_t top, int32_t width, int32_t height,
                       const std::string& text, void (TDrawWindow::*commit)());
    void LabelEditFocusLost();
    void HideLabelEdit();
    void BuildControls();
    // The error box of a failed copy: application title, the failure's text, OK.
    void ShowCopyFailure(const std::exception& error);

    QImage Buffer;
    TCanvas Canvas{&Buffer};
    // The surface must be drawn anew before it is shown (first show, resize, Redraw while
    // hidden).
    bool BufferStale = true;
    void (TDrawWindow::*Commit)() = nullptr;
    std::unique_ptr<TStack> History;
    TViewGesture Gesture = TViewGesture::None;
    quint64 GestureTime = 0;
    quint64 WheelTime = 0;
    // The history element the running gesture pushed; any other change of the history ends
    // the gesture.
    const TStackElement* GestureTop = nullptr;
    bool TrackAfterRedraw = false;
};

// The program's one display window, set by start-up; null until then.
extern TDrawWindow* DrawWindow;
// The zoom history of the display window's plot: created and freed with the window, emptied
// by the plot's range setters.
extern TStack* ZoomHistory;
