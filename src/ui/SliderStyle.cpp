#include "ui/SliderStyle.h"

#include <QApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionSlider>
#include <algorithm>

#include "ui/ControlColours.h"
#include "ui/SliderCtrl.h"

namespace ui {

namespace {

constexpr int kChannelThickness = 4;
constexpr int kTickLength = 3;

// Where the parts of a slider lie, worked out as if it were horizontal (x along the channel, y
// across it); a vertical slider is the same picture mirrored on its diagonal.
struct SliderGeometry {
    int length = 0;     // along the channel
    int thickness = 0;  // across it
    int thumbWidth = 0;
    int thumbLength = 0;
    int thumbTop = 0;
    bool pointed = false;  // the thumb points at tick marks below it
    int minimum = 0;
    int maximum = 0;
    bool upsideDown = false;

    int ThumbLeft(int position) const {
        return QStyle::sliderPositionFromValue(minimum, maximum, position, length - thumbWidth,
                                               upsideDown);
    }
    int ThumbCentre(int position) const { return ThumbLeft(position) + thumbWidth / 2; }
    QRect Thumb(int position) const {
        return {ThumbLeft(position), thumbTop, thumbWidth, thumbLength};
    }
    int BodyRows() const { return pointed ? thumbLength - (thumbWidth / 2 + 1) : thumbLength; }
    QRect Channel() const {
        const int top = thumbTop + (BodyRows() - kChannelThickness) / 2;
        return {thumbWidth / 2, top, std::max(0, length - thumbWidth), kChannelThickness};
    }
    int TickTop() const { return thumbTop + thumbLength + 1; }
};

const CSliderCtrl* AsSkinnedSlider(const QWidget* widget) {
    return qobject_cast<const CSliderCtrl*>(widget);
}

QRect Transposed(const QRect& rect) {
    return {rect.y(), rect.x(), rect.height(), rect.width()};
}

SliderGeometry GeometryOf(const QStyleOptionSlider& option, const CSliderCtrl& slider) {
    SliderGeometry g;
    const bool horizontal = option.orientation == Qt::Horizontal;
    g.length = horizontal ? option.rect.width() : option.rect.height();
    g.thickness = horizontal ? option.rect.height() : option.rect.width();
    g.thumbLength = std::clamp(slider.GetThumbLength(), 1, std::max(1, g.thickness));
    // Narrow enough to place finely, wide enough to take hold of; odd, so it has a middle.
    g.thumbWidth = (g.thumbLength * 2 / 9) * 2 + 3;
    g.pointed = slider.HasTicks();
    g.thumbTop = g.pointed ? std::max(0, (g.thickness - g.thumbLength - kTickLength - 1) / 2)
                           : std::max(0, (g.thickness - g.thumbLength) / 2);
    g.minimum = option.minimum;
    g.maximum = option.maximum;
    g.upsideDown = option.upsideDown;
    return g;
}

void DrawChannel(QPainter& painter, const SliderGeometry& g, int position,
                 std::optional<int> fillOrigin, bool enabled) {
    const QRect channel = g.Channel();
    if (channel.width() <= 0) return;
    painter.fillRect(channel, enabled ? QColor(205, 205, 205) : QColor(216, 216, 216));
    if (enabled) {
        // The travelled part, from the minimum's end (or the origin) to the thumb.
        const int centre = g.ThumbCentre(position);
        QRect travelled = channel;
        if (fillOrigin) {
            const int origin = g.ThumbCentre(*fillOrigin);
            travelled.setLeft(std::min(origin, centre));
            travelled.setRight(std::max(origin, centre));
        } else if (g.upsideDown) {
            travelled.setLeft(centre);
        } else {
            travelled.setRight(centre);
        }
        painter.fillRect(travelled, kSkinAmber);
    }
    // Sunken: a shadow along the top edge and the left end, light along the bottom.
    const QColor shadow = enabled ? QColor(120, 120, 120) : QColor(176, 176, 176);
    painter.fillRect(QRect(channel.left(), channel.top(), channel.width(), 1), shadow);
    painter.fillRect(QRect(channel.left(), channel.top(), 1, channel.height()), shadow);
    painter.fillRect(QRect(channel.left(), channel.bottom(), channel.width(), 1), Qt::white);
    painter.fillRect(QRect(channel.right(), channel.top() + 1, 1, channel.height() - 1), Qt::white);
}

void DrawTicks(QPainter& painter, const SliderGeometry& g, const std::vector<int>& ticks,
               bool enabled) {
    const QColor colour = enabled ? QColor(90, 90, 90) : QColor(165, 165, 165);
    const int top = g.TickTop();
    const int length = std::min(kTickLength, g.thickness - top);
    if (length <= 0) return;
    for (int position : ticks)
        painter.fillRect(QRect(g.ThumbCentre(position), top, 1, length), colour);
}

void DrawThumb(QPainter& painter, const SliderGeometry& g, int position, bool enabled, bool pressed,
               bool hovered) {
    const QRectF thumb = QRectF(g.Thumb(position)).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath path;
    if (g.pointed) {
        const qreal bodyBottom = thumb.top() + g.BodyRows() - 1;
        path.moveTo(thumb.topLeft());
        path.lineTo(thumb.topRight());
        path.lineTo(thumb.right(), bodyBottom);
        path.lineTo(thumb.center().x(), thumb.bottom());
        path.lineTo(thumb.left(), bodyBottom);
        path.closeSubpath();
    } else {
        path.addRoundedRect(thumb, 2, 2);
    }

    QColor top(252, 252, 252), bottom(222, 222, 222), outline(105, 105, 105);
    if (!enabled) {
        top = bottom = QColor(238, 238, 238);
        outline = QColor(176, 176, 176);
    } else if (pressed) {
        top = QColor(250, 224, 188);
        bottom = QColor(238, 186, 122);
        outline = QColor(168, 98, 28);
    } else if (hovered) {
        outline = QColor(190, 112, 34);
    }
    QLinearGradient fill(thumb.topLeft(), thumb.bottomLeft());
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(outline, 1));
    painter.setBrush(fill);
    painter.drawPath(path);
    painter.restore();
}

}  // namespace

CSliderStyle::CSliderStyle() : QProxyStyle(nullptr) {}

QRect CSliderStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                   SubControl subControl, const QWidget* widget) const {
    const auto* sliderOption = qstyleoption_cast<const QStyleOptionSlider*>(option);
    const CSliderCtrl* slider = AsSkinnedSlider(widget);
    if (control != CC_Slider || !sliderOption || !slider)
        return QProxyStyle::subControlRect(control, option, subControl, widget);

    const SliderGeometry g = GeometryOf(*sliderOption, *slider);
    QRect rect;
    switch (subControl) {
        case SC_SliderHandle:
            rect = g.Thumb(sliderOption->sliderPosition);
            break;
        case SC_SliderGroove:
            // The whole control: a press anywhere beside the thumb pages.
            rect = QRect(0, 0, g.length, g.thickness);
            break;
        case SC_SliderTickmarks:
            rect = g.pointed ? QRect(0, g.TickTop(), g.length, kTickLength) : QRect();
            break;
        default:
            return QProxyStyle::subControlRect(control, option, subControl, widget);
    }
    if (sliderOption->orientation == Qt::Vertical) rect = Transposed(rect);
    return rect.translated(option->rect.topLeft());
}

void CSliderStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                      QPainter* painter, const QWidget* widget) const {
    const auto* sliderOption = qstyleoption_cast<const QStyleOptionSlider*>(option);
    const CSliderCtrl* slider = AsSkinnedSlider(widget);
    if (control != CC_Slider || !sliderOption || !slider) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    const SliderGeometry g = GeometryOf(*sliderOption, *slider);
    const bool enabled = option->state & State_Enabled;
    const bool onThumb = option->activeSubControls & SC_SliderHandle;
    const bool pressed = onThumb && (option->state & State_Sunken);
    const bool hovered = onThumb && (option->state & State_MouseOver);

    painter->save();
    painter->translate(option->rect.topLeft());
    if (sliderOption->orientation == Qt::Vertical)
        painter->setTransform(QTransform(0, 1, 1, 0, 0, 0), true);
    DrawChannel(*painter, g, sliderOption->sliderPosition, slider->FillOrigin(), enabled);
    if (g.pointed) DrawTicks(*painter, g, slider->TickPositions(), enabled);
    DrawThumb(*painter, g, sliderOption->sliderPosition, enabled, pressed, hovered);
    painter->restore();
}

int CSliderStyle::pixelMetric(PixelMetric metric, const QStyleOption* option,
                              const QWidget* widget) const {
    if (const CSliderCtrl* slider = AsSkinnedSlider(widget)) {
        const int thumbLength = slider->GetThumbLength();
        switch (metric) {
            case PM_SliderLength:
                return (thumbLength * 2 / 9) * 2 + 3;
            case PM_SliderControlThickness:
                return thumbLength;
            case PM_SliderThickness:
                return thumbLength + kTickLength + 1;
            case PM_SliderTickmarkOffset:
                return 0;
            default:
                break;
        }
    }
    return QProxyStyle::pixelMetric(metric, option, widget);
}

int CSliderStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                            QStyleHintReturn* returnData) const {
    if (AsSkinnedSlider(widget)) {
        switch (hint) {
            case SH_Slider_PageSetButtons:
                return Qt::LeftButton;  // the left button pages, as on a trackbar
            case SH_Slider_AbsoluteSetButtons:
                return Qt::MiddleButton;
            case SH_Slider_StopMouseOverSlider:
                return 0;  // the slider decides itself when paging ends
            default:
                break;
        }
    }
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

CSliderStyle* SliderStyle() {
    // The application owns the one style that every slider shares.
    auto* style = qApp->findChild<CSliderStyle*>(QString(), Qt::FindDirectChildrenOnly);
    if (!style) {
        style = new CSliderStyle;
        style->setParent(qApp);
    }
    return style;
}

}  // namespace ui
