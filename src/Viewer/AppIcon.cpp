#include "AppIcon.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>

namespace {

// Drawn on a 128-unit square, as desktop/zelto.svg is.
QPixmap paintedAt(int side) {
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(side / 128.0, side / 128.0);

    QLinearGradient sky(0, 6, 0, 122);
    sky.setColorAt(0, QColor("#2b5878"));
    sky.setColorAt(1, QColor("#173349"));
    painter.setPen(Qt::NoPen);
    painter.setBrush(sky);
    painter.drawRoundedRect(QRectF(6, 6, 116, 116), 22, 22);

    QColor grid("#8fa7b8");
    grid.setAlphaF(0.55);
    painter.setPen(QPen(grid, 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(QPolygonF({{14, 98}, {64, 76}, {114, 98}}));
    painter.drawPolyline(QPolygonF({{26, 106}, {64, 88}, {102, 106}}));
    painter.drawPolyline(QPolygonF({{40, 112}, {64, 100}, {88, 112}}));
    painter.drawLine(QPointF(64, 76), QPointF(64, 116));

    const QPolygonF top({{64, 20}, {98, 38}, {64, 56}, {30, 38}});
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor("#f2a03a"));
    painter.drawPolygon(top);
    painter.setBrush(QColor("#d9731c"));
    painter.drawPolygon(QPolygonF({{30, 38}, {64, 56}, {64, 96}, {30, 78}}));
    painter.setBrush(QColor("#1fa39a"));
    painter.drawPolygon(QPolygonF({{98, 38}, {64, 56}, {64, 96}, {98, 78}}));
    painter.setBrush(QColor(255, 255, 255, 46));
    painter.drawPolygon(top);

    QPen edge(QColor("#0e2232"), 2);
    edge.setJoinStyle(Qt::RoundJoin);
    painter.setPen(edge);
    painter.setBrush(Qt::NoBrush);
    painter.drawPolygon(QPolygonF({{64, 20}, {98, 38}, {98, 78}, {64, 96}, {30, 78}, {30, 38}}));
    painter.drawPolyline(QPolygonF({{30, 38}, {64, 56}, {98, 38}}));
    painter.drawLine(QPointF(64, 56), QPointF(64, 96));
    return pixmap;
}

}  // namespace

QIcon zeltoIcon() {
    QIcon icon;
    for (int side : {16, 24, 32, 48, 64, 128, 256}) icon.addPixmap(paintedAt(side));
    return icon;
}
