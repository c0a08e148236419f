#pragma once

#include <QtWidgets/QSlider>

#include <cstdint>

#include "screens/SliderColours.h"

/// The softpot slider: a slider that paints its own thumb and channel, so that the thumb
/// carries a state colour (the tuning screens colour the selected row green, or red while the
/// transmitter is keyed, and every other row grey).
///
/// Colours are COLORREF numbers (0x00BBGGRR). The thumb is filled with the base colour set by
/// SetColour, its bevels in colours derived from it; whenever it is painted while the slider
/// has the keyboard focus, the base colour becomes green (65280). Geometry comes from
/// the widget style (groove and handle rectangles), so mouse handling and painting agree on
/// any style. Tick marks are the style's.
///
/// Keyboard: a plain trackbar moves its thumb towards the minimum on the up arrow and towards
/// the maximum on the down arrow; this slider exchanges the two, so the up arrow raises the
/// value by one step and the down arrow lowers it.
class CColourSlider : public QSlider {
    Q_OBJECT
public:
    explicit CColourSlider(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);

    /// Sets the thumb's base colour, derives its bevel colours and repaints.
    void SetColour(std::uint32_t colorref);
    /// The thumb's base colour.
    std::uint32_t GetColour() const { return m_palette.base; }

    /// Marks a stretch of the range, filled in the highlight colour when start < end.
    void SetSelection(int start, int end);
    void ClearSelection();
    int SelectionStart() const { return m_selStart; }
    int SelectionEnd() const { return m_selEnd; }
    bool HasSelection() const { return m_selStart < m_selEnd; }

    /// The colours the thumb and channel are painted with now.
    const SliderColours::Palette& Palette() const { return m_palette; }

    /// Where the thumb, the channel and the filled selection are painted (widget coordinates);
    /// the selection rectangle is empty without a selection.
    QRect ThumbRect() const;
    QRect ChannelRect() const;
    QRect SelectionRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    SliderColours::SystemColours System() const;
    /// Derives the bevel colours from the current base colour.
    void DeriveColours();
    void PaintChannel(QPainter& painter) const;
    void PaintThumb(QPainter& painter, const QRect& rect) const;

    SliderColours::Palette m_palette;
    int m_selStart = 0;
    int m_selEnd = 0;
};
