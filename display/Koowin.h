#pragma once
// The coordinate read-out window "Coordinates": five rows that coordinate tracking fills with
// the mouse position and the current curve's point there, three of them shown for y = f(x)
// and all five for a parametric curve.
#include "display/BevelPanel.h"

#include <QLabel>
#include <QWidget>

#include <cstdint>

class TKooWind : public QWidget {
    Q_OBJECT

public:
    explicit TKooWind(QWidget* parent = nullptr);
    ~TKooWind() override;

    // Sizes the window for the rows a curve of this kind uses: 3 for y = f(x) (kind 0), 5 for
    // a parametric curve (kind 1); any other kind changes nothing. Only the height changes.
    void SetRows(int32_t kind);

    TBevelPanel* Panel1 = nullptr;
    QLabel* LabelY = nullptr;
    QLabel* LabelFnX = nullptr;
    QLabel* LabelFnY = nullptr;
    QLabel* LabelParam = nullptr;
    QLabel* LabelX = nullptr;

protected:
    // Only the display window's switches hide the read-out; a close request by the user
    // (the window has no close box, but a window manager may still ask) is refused.
    void closeEvent(QCloseEvent* event) override;
};

// The program's one read-out window, set by start-up; null until then (every user checks).
extern TKooWind* KooWind;
