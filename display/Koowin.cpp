#include "display/Koowin.h"

#include "display/BevelPanel.h"
#include "plot/FnPlot.h"

#include <QCloseEvent>
#include <QLabel>

TKooWind* KooWind = nullptr;

namespace {

// The read-out is designed at 120 pixels per inch; like the calculator it is drawn half as
// large again as its 96-dpi equivalent, which makes 6/5 of the design pixels.
constexpr int Scaled(int designPixels) {
    return designPixels * 6 / 5;
}

constexpr int ClientWidth = 238; // design pixels
constexpr int ClientHeight = 132;
constexpr int LabelLeft = 16;
constexpr int FirstRowTop = 8;
constexpr int RowPitch = 24;
constexpr int RowCount = 5;

} // namespace

TKooWind::TKooWind(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("KooWind"));
    setWindowTitle(QStringLiteral("Coordinates"));
    // A hidden helper window must never keep the program running.
    setAttribute(Qt::WA_QuitOnClose, false);
    // Showing it must not take the activation from the display window, which would erase the
    // cursor mark until the next mouse move.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(Scaled(ClientWidth), Scaled(ClientHeight));
    move(Scaled(724), Scaled(20));

    Panel1 = new TBevelPanel(this, false, 5, true);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(rect());

    QFont labelFont(QStringLiteral("MS Sans Serif"));
    labelFont.setPixelSize(Scaled(13));
    QPalette maroon = palette();
    maroon.setColor(QPalette::WindowText, QColor(128, 0, 0));

    // Declared in the design's order; placed by row.
    QLabel** rows[RowCount] = {&LabelX, &LabelY, &LabelFnX, &LabelFnY, &LabelParam};
    const char* names[RowCount] = {"LabelX", "LabelY", "LabelFnX", "LabelFnY", "LabelParam"};
    for (int row = 0; row < RowCount; ++row) {
        auto* label = new QLabel(Panel1);
        label->setObjectName(QString::fromLatin1(names[row]));
        label->setFont(labelFont);
        label->setPalette(maroon);
        label->setTextFormat(Qt::PlainText);
        const int top = Scaled(FirstRowTop) + row * Scaled(RowPitch);
        // As wide as the row allows, so that any number fits without resizing the label.
        label->setGeometry(Scaled(LabelLeft), top, width() - Scaled(LabelLeft) - Scaled(6),
                           Scaled(RowPitch));
        *rows[row] = label;
    }
}

TKooWind::~TKooWind() {
    if (KooWind == this) KooWind = nullptr;
}

void TKooWind::SetRows(int32_t kind) {
    int rows = 0;
    if (kind == FnKindYOverX)
        rows = 3;
    else if (kind == FnKindParametric)
        rows = 5;
    else
        return;
    const int clientHeight = LabelX->y() + rows * (LabelY->y() - LabelX->y());
    setFixedHeight(clientHeight);
    Panel1->setGeometry(0, 0, width(), clientHeight);
}

void TKooWind::closeEvent(QCloseEvent* event) {
    if (event->spontaneous())
        event->ignore();
    else
        event->accept();
}
