#include "display/Glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace {

// Draws a glyph in a 16 x 16 design grid; `ink` is the outline colour, `fill` the paper.
using TGlyphPainter =
    std::function<void(QPainter&, const QColor& ink, const QColor& fill, const QColor& accent)>;

QPixmap Render(const TGlyphPainter& paint, qreal ratio, bool disabled) {
    const int side = qRound(GlyphSize * ratio);
    QPixmap pixmap(side, side);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing, ratio > 1);
    if (disabled) {
        // The classic greyed picture: a white copy one pixel down and right under a grey one.
        painter.save();
        painter.translate(1, 1);
        paint(painter, Qt::white, Qt::transparent, Qt::white);
        painter.restore();
        paint(painter, QColor(128, 128, 128), Qt::transparent, QColor(128, 128, 128));
    } else {
        paint(painter, Qt::black, Qt::white, QColor(0, 0, 160));
    }
    return pixmap;
}

QIcon MakeIcon(const TGlyphPainter& paint) {
    QIcon icon;
    for (const qreal ratio : {1.0, 2.0}) {
        icon.addPixmap(Render(paint, ratio, false), QIcon::Normal);
        icon.addPixmap(Render(paint, ratio, true), QIcon::Disabled);
    }
    return icon;
}

QPen Ink(const QColor& color) {
    QPen pen(color, 1);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}

// A page with a folded corner whose top left is at (x, y).
void Page(QPainter& painter, qreal x, qreal y, const QColor& ink, const QColor& fill) {
    QPainterPath path;
    path.moveTo(x + 0.5, y + 0.5);
    path.lineTo(x + 6.5, y + 0.5);
    path.lineTo(x + 9.5, y + 3.5);
    path.lineTo(x + 9.5, y + 11.5);
    path.lineTo(x + 0.5, y + 11.5);
    path.closeSubpath();
    painter.setPen(Ink(ink));
    painter.setBrush(fill);
    painter.drawPath(path);
    painter.drawLine(QPointF(x + 6.5, y + 0.5), QPointF(x + 6.5, y + 3.5));
    painter.drawLine(QPointF(x + 6.5, y + 3.5), QPointF(x + 9.5, y + 3.5));
}

} // namespace

QIcon CopyGlyph() {
    return MakeIcon([](QPainter& p, const QColor& ink, const QColor& fill, const QColor& accent) {
        Page(p, 1, 1, ink, fill);
        Page(p, 5, 4, ink, fill);
        // A small curve on the front page: what is copied is the plot.
        p.setPen(Ink(accent));
        p.setBrush(Qt::NoBrush);
        QPainterPath curve;
        curve.moveTo(6.5, 12.5);
        curve.cubicTo(8, 7.5, 10, 7.5, 12.5, 11.5);
        p.drawPath(curve);
    });
}

QIcon KoordWinGlyph() {
    return MakeIcon([](QPainter& p, const QColor& ink, const QColor& fill, const QColor& accent) {
        p.setPen(Ink(ink));
        p.setBrush(fill);
        p.drawRect(QRectF(0.5, 1.5, 15, 13));
        // The title bar.
        p.setBrush(ink == Qt::black ? accent : ink);
        p.drawRect(QRectF(0.5, 1.5, 15, 3));
        // Three read-out rows.
        p.setPen(Ink(ink));
        for (int row = 0; row < 3; ++row) {
            const qreal y = 7.5 + row * 2.5;
            p.drawLine(QPointF(2.5, y), QPointF(4.5, y));
            p.drawLine(QPointF(6.5, y), QPointF(12.5 - row * 2, y));
        }
    });
}

QIcon ZoomGlyph() {
    return MakeIcon([](QPainter& p, const QColor& ink, const QColor& fill, const QColor& accent) {
        QPen dotted = Ink(ink);
        dotted.setStyle(Qt::DotLine);
        p.setPen(dotted);
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(0.5, 0.5, 9, 8));
        // The glass and its handle.
        p.setPen(Ink(ink));
        p.setBrush(fill);
        p.drawEllipse(QRectF(4.5, 3.5, 7, 7));
        QPen handle(ink == Qt::black ? accent : ink, 2.5, Qt::SolidLine, Qt::RoundCap);
        p.setPen(handle);
        p.drawLine(QPointF(11.2, 10.2), QPointF(14.5, 13.5));
    });
}
