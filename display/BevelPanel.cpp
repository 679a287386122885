#include "display/BevelPanel.h"

#include <QPainter>
#include <qdrawutil.h>

TBevelPanel::TBevelPanel(QWidget* parent, bool raisedOuter, int borderWidth, bool loweredInner)
    : QWidget(parent), RaisedOuter(raisedOuter), BorderWidth(borderWidth),
      LoweredInner(loweredInner) {
    setAutoFillBackground(true);
}

int TBevelPanel::InnerOffset() const {
    return (RaisedOuter ? 1 : 0) + BorderWidth + (LoweredInner ? 1 : 0);
}

void TBevelPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QRect box = rect();
    if (RaisedOuter) {
        qDrawShadePanel(&painter, box, palette(), false, 1);
        box.adjust(1, 1, -1, -1);
    }
    box.adjust(BorderWidth, BorderWidth, -BorderWidth, -BorderWidth);
    if (LoweredInner && box.isValid()) qDrawShadePanel(&painter, box, palette(), true, 1);
}
