#include "app/ToolbarIcons.h"

#include <QtGui/QPainter>
#include <QtGui/QPainterPath>
#include <QtGui/QPixmap>

#include "resources/CommandIds.h"

namespace {

using Painter = void (*)(QPainter&);

const QColor kOutline(60, 60, 60);

QPen Outline(qreal width = 1.0) {
    return QPen(kOutline, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

/// A portable radio on the left half: body, antenna, speaker grille and display.
void DrawRadio(QPainter& p) {
    p.setPen(Outline());
    p.setBrush(QColor(70, 78, 90));
    p.drawRoundedRect(QRectF(3.5, 6.5, 8, 15), 1.5, 1.5);
    p.drawRect(QRectF(5.5, 1.5, 2, 5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(150, 205, 235));
    p.drawRect(QRectF(5, 8.5, 5, 3));
    p.setBrush(QColor(170, 175, 185));
    for (int row = 0; row < 3; ++row) p.drawRect(QRectF(5, 13.5 + 2.2 * row, 5, 1));
}

/// A fat arrow pointing right (or left) across the right half.
void DrawArrow(QPainter& p, bool pointRight, const QColor& fill) {
    QPainterPath arrow;
    if (pointRight) {
        arrow.moveTo(13, 11);
        arrow.lineTo(17, 11);
        arrow.lineTo(17, 7.5);
        arrow.lineTo(22.5, 13.5);
        arrow.lineTo(17, 19.5);
        arrow.lineTo(17, 16);
        arrow.lineTo(13, 16);
    } else {
        arrow.moveTo(22.5, 11);
        arrow.lineTo(18.5, 11);
        arrow.lineTo(18.5, 7.5);
        arrow.lineTo(13, 13.5);
        arrow.lineTo(18.5, 19.5);
        arrow.lineTo(18.5, 16);
        arrow.lineTo(22.5, 16);
    }
    arrow.closeSubpath();
    p.setPen(Outline());
    p.setBrush(fill);
    p.drawPath(arrow);
}

void DrawReadDevice(QPainter& p) {
    DrawRadio(p);
    DrawArrow(p, true, QColor(70, 170, 80));  // out of the radio
}

void DrawWriteDevice(QPainter& p) {
    DrawRadio(p);
    DrawArrow(p, false, QColor(215, 90, 60));  // into the radio
}

void DrawOpen(QPainter& p) {
    p.setPen(Outline());
    p.setBrush(QColor(214, 170, 70));
    QPainterPath back;
    back.moveTo(2.5, 19.5);
    back.lineTo(2.5, 5.5);
    back.lineTo(8.5, 5.5);
    back.lineTo(10.5, 7.5);
    back.lineTo(19.5, 7.5);
    back.lineTo(19.5, 10.5);
    p.drawPath(back);
    p.setBrush(QColor(245, 205, 95));
    QPainterPath front;
    front.moveTo(2.5, 19.5);
    front.lineTo(6.5, 10.5);
    front.lineTo(22.5, 10.5);
    front.lineTo(18.5, 19.5);
    front.closeSubpath();
    p.drawPath(front);
}

void DrawSave(QPainter& p) {
    p.setPen(Outline());
    p.setBrush(QColor(60, 110, 190));
    QPainterPath body;
    body.moveTo(3.5, 3.5);
    body.lineTo(18, 3.5);
    body.lineTo(20.5, 6);
    body.lineTo(20.5, 20.5);
    body.lineTo(3.5, 20.5);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(QColor(250, 250, 250));
    p.drawRect(QRectF(6.5, 12.5, 11, 8));  // label
    p.setBrush(QColor(190, 195, 205));
    p.drawRect(QRectF(7.5, 3.5, 8, 5));  // shutter
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 110, 190));
    p.drawRect(QRectF(12.5, 4.5, 2, 3));
    p.setPen(QPen(QColor(150, 160, 175), 1));
    p.drawLine(QPointF(8.5, 15.5), QPointF(15.5, 15.5));
    p.drawLine(QPointF(8.5, 17.5), QPointF(15.5, 17.5));
}

void DrawCut(QPainter& p) {
    p.setPen(QPen(QColor(150, 155, 165), 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 14), QPointF(17.5, 2.5));  // blades
    p.drawLine(QPointF(16, 14), QPointF(6.5, 2.5));
    p.setPen(QPen(QColor(200, 50, 50), 2.0));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(6.5, 17.5), 3.5, 3.5);  // handles
    p.drawEllipse(QPointF(17.5, 17.5), 3.5, 3.5);
    p.setPen(Qt::NoPen);
    p.setBrush(kOutline);
    p.drawEllipse(QPointF(12, 9.2), 1.1, 1.1);  // pivot
}

void DrawPage(QPainter& p, const QRectF& r) {
    p.setPen(Outline());
    p.setBrush(QColor(252, 252, 252));
    p.drawRect(r);
    p.setPen(QPen(QColor(150, 160, 175), 1));
    for (qreal y = r.top() + 3; y < r.bottom() - 1.5; y += 2.5)
        p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
}

void DrawCopy(QPainter& p) {
    DrawPage(p, QRectF(3.5, 2.5, 11, 14));
    DrawPage(p, QRectF(9.5, 7.5, 11, 14));
}

void DrawPaste(QPainter& p) {
    p.setPen(Outline());
    p.setBrush(QColor(180, 130, 80));
    p.drawRoundedRect(QRectF(3.5, 4.5, 15, 17), 1.5, 1.5);  // board
    p.setBrush(QColor(190, 195, 205));
    p.drawRoundedRect(QRectF(7.5, 2.5, 7, 4), 1, 1);  // clip
    DrawPage(p, QRectF(10.5, 9.5, 10, 12));
}

void DrawPrint(QPainter& p) {
    p.setPen(Outline());
    p.setBrush(QColor(252, 252, 252));
    p.drawRect(QRectF(6.5, 2.5, 11, 7));  // paper in
    p.setBrush(QColor(150, 155, 165));
    p.drawRoundedRect(QRectF(2.5, 8.5, 19, 9), 1.5, 1.5);  // body
    p.setBrush(QColor(252, 252, 252));
    p.drawRect(QRectF(6.5, 14.5, 11, 7));  // paper out
    p.setPen(QPen(QColor(150, 160, 175), 1));
    p.drawLine(QPointF(8.5, 17.5), QPointF(15.5, 17.5));
    p.drawLine(QPointF(8.5, 19.5), QPointF(13.5, 19.5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(80, 190, 90));
    p.drawEllipse(QPointF(18.5, 11), 1, 1);
}

void DrawAbout(QPainter& p) {
    p.setPen(Outline());
    p.setBrush(QColor(60, 110, 190));
    p.drawEllipse(QRectF(2.5, 2.5, 19, 19));
    QFont font;
    font.setBold(true);
    font.setPixelSize(15);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(2.5, 2.5, 19, 19.5), Qt::AlignCenter, "?");
}

struct IconEntry {
    int command;
    const char* themeNames[3];  ///< freedesktop names, the first the theme has wins
    Painter draw;
};

const IconEntry kIcons[] = {
    {Cmd::kReadDeviceToolbar, {"document-import", "network-receive", "go-down"}, &DrawReadDevice},
    {Cmd::kFileOpen, {"document-open"}, &DrawOpen},
    {Cmd::kWriteDevice, {"document-export", "network-transmit", "go-up"}, &DrawWriteDevice},
    {Cmd::kFileSave, {"document-save"}, &DrawSave},
    {Cmd::kCut, {"edit-cut"}, &DrawCut},
    {Cmd::kCopy, {"edit-copy"}, &DrawCopy},
    {Cmd::kPaste, {"edit-paste"}, &DrawPaste},
    {Cmd::kPrint, {"document-print"}, &DrawPrint},
    {Cmd::kAbout, {"help-about"}, &DrawAbout},
};

const IconEntry* Find(int command) {
    for (const IconEntry& e : kIcons)
        if (e.command == command)
            return &e;
    return nullptr;
}

QIcon Draw(Painter draw) {
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        p.scale(size / 24.0, size / 24.0);  // drawn on a 24-unit grid
        draw(p);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace

QIcon DrawnToolbarIcon(int commandId) {
    const IconEntry* entry = Find(commandId);
    return entry ? Draw(entry->draw) : QIcon();
}

QIcon ToolbarIcon(int commandId) {
    const IconEntry* entry = Find(commandId);
    if (!entry)
        return QIcon();
    for (const char* name : entry->themeNames) {
        if (name && QIcon::hasThemeIcon(name))
            return QIcon::fromTheme(name);
    }
    return Draw(entry->draw);
}
