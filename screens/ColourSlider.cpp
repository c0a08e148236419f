#include "screens/ColourSlider.h"

#include <QtGui/QKeyEvent>
#include <QtGui/QPainter>
#include <QtWidgets/QStyle>
#include <QtWidgets/QStyleOptionSlider>

#include <algorithm>

namespace {

using SliderColours::Colorref;

QColor ToQColor(Colorref c) {
    return QColor(SliderColours::RedOf(c), SliderColours::GreenOf(c), SliderColours::BlueOf(c));
}

Colorref ToColorref(const QColor& c) {
    return SliderColours::Rgb(c.red(), c.green(), c.blue());
}

/// A one-pixel line in a colour.
void Line(QPainter& p, Colorref colour, QPoint a, QPoint b) {
    p.setPen(QPen(ToQColor(colour), 1));
    p.drawLine(a, b);
}

void Pixel(QPainter& p, Colorref colour, QPoint at) {
    p.setPen(QPen(ToQColor(colour), 1));
    p.drawPoint(at);
}

}  // namespace

CColourSlider::CColourSlider(Qt::Orientation orientation, QWidget* parent)
    : QSlider(orientation, parent) {
    m_palette = SliderColours::Derive(System().face, System());
}

SliderColours::SystemColours CColourSlider::System() const {
    const QPalette& pal = palette();
    SliderColours::SystemColours s;
    s.highlight = ToColorref(pal.color(QPalette::Highlight));
    s.face = ToColorref(pal.color(QPalette::Button));
    s.shadow = ToColorref(pal.color(QPalette::Dark));
    s.highlight3d = ToColorref(pal.color(QPalette::Light));
    s.frame = ToColorref(pal.color(QPalette::Shadow));
    return s;
}

void CColourSlider::DeriveColours() {
    m_palette = SliderColours::Derive(m_palette.base, System());
}

void CColourSlider::SetColour(std::uint32_t colorref) {
    // The bevels follow at once, so a thumb never shows the rim of its previous colour.
    m_palette.base = colorref;
    DeriveColours();
    update();
}

void CColourSlider::SetSelection(int start, int end) {
    m_selStart = start;
    m_selEnd = end;
    update();
}

void CColourSlider::ClearSelection() {
    SetSelection(0, 0);
}

QRect CColourSlider::ThumbRect() const {
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    return style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this);
}

QRect CColourSlider::ChannelRect() const {
    QStyleOptionSlider opt;
    initStyleOption(&opt);
    QRect r = style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, this);
    if (minimum() != 0 || maximum() != 0) {
        r.setTop(r.top() + 1);
        r.setBottom(r.bottom() - 1);
    }
    if (orientation() == Qt::Horizontal) {
        r.setLeft(r.left() + 1);
        r.setRight(r.right() - 1);
        r.setBottom(r.bottom() + 1);
    } else {
        r.setTop(r.top() + 1);
        r.setBottom(r.bottom() - 1);
    }
    return r;
}

QRect CColourSlider::SelectionRect() const {
    if (!HasSelection() || maximum() <= minimum())
        return QRect();
    const QRect channel = ChannelRect().adjusted(1, 1, -1, -1);
    const int lo = std::clamp(m_selStart, minimum(), maximum());
    const int hi = std::clamp(m_selEnd, minimum(), maximum());
    const double span = maximum() - minimum();
    if (orientation() == Qt::Horizontal) {
        const int a = channel.left() + int((lo - minimum()) * channel.width() / span);
        const int b = channel.left() + int((hi - minimum()) * channel.width() / span);
        return QRect(QPoint(a, channel.top()), QPoint(b, channel.bottom()));
    }
    const int a = channel.top() + int((lo - minimum()) * channel.height() / span);
    const int b = channel.top() + int((hi - minimum()) * channel.height() / span);
    return QRect(QPoint(channel.left(), a), QPoint(channel.right(), b));
}

void CColourSlider::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    if (tickPosition() != QSlider::NoTicks) {
        // Tick marks are the style's own drawing.
        QStyleOptionSlider opt;
        initStyleOption(&opt);
        opt.subControls = QStyle::SC_SliderTickmarks;
        style()->drawComplexControl(QStyle::CC_Slider, &opt, &painter, this);
    }
    PaintChannel(painter);
    if (hasFocus()) {
        // A focused thumb is always green.
        m_palette.base = SliderColours::kGreen;
        DeriveColours();
    }
    painter.save();
    PaintThumb(painter, ThumbRect());
    painter.restore();
}

void CColourSlider::PaintChannel(QPainter& painter) const {
    QRect r = ChannelRect();
    const int thickness = orientation() == Qt::Horizontal ? r.height() : r.width();
    painter.save();
    if (thickness > 3) {
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(Qt::black);
        painter.drawRoundedRect(r.adjusted(0, 0, -1, -1), 2, 2);
    }
    r.adjust(-1, -1, 1, 0);
    Line(painter, m_palette.faceMix, r.bottomLeft(), r.topLeft());
    Line(painter, m_palette.faceMix, r.topLeft(), r.topRight());
    Line(painter, m_palette.highlight3d, r.bottomLeft(), r.bottomRight());
    Line(painter, m_palette.highlight3d, r.bottomRight(), r.topRight());
    const QRect sel = SelectionRect();
    if (!sel.isEmpty())
        painter.fillRect(sel, ToQColor(m_palette.highlight));
    painter.restore();
}

void CColourSlider::PaintThumb(QPainter& p, const QRect& rect) const {
    // Drawn for a horizontal slider; a vertical one is the same drawing with x and y exchanged.
    QRect r = rect;
    if (orientation() == Qt::Vertical) {
        p.setTransform(QTransform(0, 1, 1, 0, 0, 0), true);
        r = QRect(rect.top(), rect.left(), rect.height(), rect.width());
    }
    const Colorref frame = System().frame;
    const int l = r.left(), t = r.top(), rt = r.right(), b = r.bottom();
    const int w = r.width();

    if (tickPosition() == QSlider::TicksBothSides) {
        p.setPen(QPen(ToQColor(frame), 1));
        p.setBrush(ToQColor(m_palette.base));
        p.drawRoundedRect(r.adjusted(0, 0, -1, -1), 2, 2);
        Line(p, m_palette.light1, {l + 1, b - 2}, {l + 1, t + 2});
        Line(p, m_palette.light1, {l + 2, t + 1}, {rt - 2, t + 1});
        Line(p, m_palette.dark1, {l + 2, b - 1}, {rt - 2, b - 1});
        Line(p, m_palette.dark1, {rt - 1, b - 2}, {rt - 1, t + 2});
        Pixel(p, m_palette.light2, {l + 1, t + 1});
        Pixel(p, m_palette.base, {rt - 1, t + 1});
        Pixel(p, m_palette.dark2, {rt - 1, b - 1});
        Pixel(p, m_palette.base, {l + 1, b - 1});
        return;
    }

    // A shape pointed towards the ticks above (or left), else towards the bottom (or right).
    const bool pointUp = tickPosition() == QSlider::TicksAbove;
    const int tip = std::max(1, w / 2);
    const int mid = l + (w - 1) / 2;
    QPolygon shape;
    if (pointUp) {
        shape << QPoint(mid, t) << QPoint(rt, t + tip) << QPoint(rt, b) << QPoint(l, b)
              << QPoint(l, t + tip);
    } else {
        shape << QPoint(l, t) << QPoint(rt, t) << QPoint(rt, b - tip) << QPoint(mid, b)
              << QPoint(l, b - tip);
    }
    p.setPen(QPen(ToQColor(frame), 1));
    p.setBrush(ToQColor(m_palette.base));
    p.drawPolygon(shape);
    if (w <= 5)
        return;
    if (pointUp) {
        Line(p, m_palette.light2, {l + 1, b - 1}, {l + 1, t + tip});
        Line(p, m_palette.light2, {l + 1, t + tip}, {mid, t + 1});
        Line(p, m_palette.light1, {l + 2, b - 1}, {l + 2, t + tip});
        Line(p, m_palette.dark2, {rt - 1, t + tip}, {rt - 1, b - 1});
        Line(p, m_palette.dark2, {l + 1, b - 1}, {rt - 1, b - 1});
        Line(p, m_palette.dark1, {rt - 2, t + tip}, {rt - 2, b - 2});
        Line(p, m_palette.dark1, {mid + 1, t + 2}, {rt - 2, t + tip});
    } else {
        Line(p, m_palette.light2, {l + 1, t + 1}, {rt - 1, t + 1});
        Line(p, m_palette.light2, {l + 1, t + 1}, {l + 1, b - tip});
        Line(p, m_palette.light1, {l + 2, t + 2}, {rt - 2, t + 2});
        Line(p, m_palette.light1, {l + 2, t + 2}, {l + 2, b - tip});
        Line(p, m_palette.dark2, {rt - 1, t + 1}, {rt - 1, b - tip});
        Line(p, m_palette.dark2, {rt - 1, b - tip}, {mid, b - 1});
        Line(p, m_palette.dark1, {rt - 2, t + 2}, {rt - 2, b - tip});
        Line(p, m_palette.dark1, {rt - 2, b - tip}, {mid, b - 2});
        Line(p, m_palette.light1, {l + 1, b - tip}, {mid - 1, b - 2});
    }
}

void CColourSlider::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        triggerAction(event->key() == Qt::Key_Up ? SliderSingleStepAdd : SliderSingleStepSub);
        event->accept();
        return;
    }
    QSlider::keyPressEvent(event);
}
