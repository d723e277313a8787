#include "ToolbarIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <array>

namespace printcapture {

namespace {

constexpr int kSize = 16;

struct Colours {
    QColor fill;
    QColor line;
};

void drawStart(QPainter& p, const Colours& c) {
    QPainterPath path;
    path.moveTo(4, 2);
    path.lineTo(13, 8);
    path.lineTo(4, 14);
    path.closeSubpath();
    p.setPen(QPen(c.line, 1));
    p.setBrush(c.fill);
    p.drawPath(path);
}

void drawStop(QPainter& p, const Colours& c) {
    p.setPen(QPen(c.line, 1));
    p.setBrush(c.fill);
    p.drawRect(QRectF(3.5, 3.5, 9, 9));
}

void drawClear(QPainter& p, const Colours& c) {
    // A sheet with a cross over it.
    p.setPen(QPen(c.line, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(2.5, 1.5, 9, 12));
    p.setPen(QPen(c.fill, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(7, 7), QPointF(14, 14));
    p.drawLine(QPointF(14, 7), QPointF(7, 14));
}

void drawExit(QPainter& p, const Colours& c) {
    // An open door with an arrow leading out.
    p.setPen(QPen(c.line, 1));
    p.setBrush(QColor(0xC8, 0xA0, 0x64));
    p.drawRect(QRectF(1.5, 1.5, 7, 13));
    p.setPen(QPen(c.fill, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(6, 8), QPointF(14, 8));
    p.drawLine(QPointF(11, 5), QPointF(14, 8));
    p.drawLine(QPointF(11, 11), QPointF(14, 8));
}

// Each picture in the order of ToolbarPicture: how it is drawn and its colours while enabled.
struct Picture {
    void (*paint)(QPainter&, const Colours&);
    Colours enabled;
};

const std::array<Picture, 4> kPictures = {{
    {drawStart, {QColor(0x20, 0xA0, 0x30), QColor(0x10, 0x60, 0x18)}},
    {drawStop, {QColor(0xD0, 0x20, 0x20), QColor(0x80, 0x10, 0x10)}},
    {drawClear, {QColor(0xC0, 0x20, 0x20), QColor(0x40, 0x40, 0x40)}},
    {drawExit, {QColor(0x20, 0x50, 0xC0), QColor(0x50, 0x38, 0x18)}},
}};

const Colours kDisabled{QColor(0xA0, 0xA0, 0xA0), QColor(0x80, 0x80, 0x80)};

QPixmap draw(ToolbarPicture picture, bool enabled) {
    QPixmap pm(kSize, kSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const Picture& drawn = kPictures.at(static_cast<std::size_t>(picture));
    drawn.paint(p, enabled ? drawn.enabled : kDisabled);
    return pm;
}

} // namespace

QIcon toolbarIcon(ToolbarPicture picture) {
    QIcon icon;
    icon.addPixmap(draw(picture, true), QIcon::Normal);
    icon.addPixmap(draw(picture, false), QIcon::Disabled);
    return icon;
}

} // namespace printcapture
