#pragma once
// The display window and the read-out window as the program has them, made for one test:
// both program-wide references set, the display window shown on the offscreen screen with a
// drawing surface of a chosen size.
#include "display/Drawwin.h"
#include "display/Koowin.h"
#include "plot/Plot.h"

#include <QApplication>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

struct TWindows {
    TWindows() {
        Koo = std::make_unique<TKooWind>();
        KooWind = Koo.get();
        Draw = std::make_unique<TDrawWindow>();
        DrawWindow = Draw.get();
    }
    ~TWindows() {
        Draw.reset();
        Koo.reset();
    }

    // Shows the display window, active, with a drawing surface of width x height pixels (as
    // near as the window's minimum size allows).
    void Show(int width, int height) {
        Draw->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(Draw.get()));
        for (int attempt = 0; attempt < 3 && Draw->PaintBox->size() != QSize(width, height);
             ++attempt) {
            Draw->resize(Draw->size() + QSize(width, height) - Draw->PaintBox->size());
            QApplication::processEvents();
        }
        Draw->activateWindow();
        QApplication::setActiveWindow(Draw.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(Draw.get()));
        QApplication::processEvents();
    }

    TPlot& Plot() { return Draw->Plot(); }

    std::unique_ptr<TKooWind> Koo;
    std::unique_ptr<TDrawWindow> Draw;
};

inline bool IsBlack(const QImage& image, int x, int y) {
    return image.valid(x, y) && (image.pixel(x, y) & 0xFFFFFFu) == 0;
}
