#include "app/FrameStyle.h"

#include <qdrawutil.h>
#include <QPainter>
#include <QStyleOptionGroupBox>
#include <algorithm>

namespace pv {

namespace {

constexpr int kCaptionIndent = 6;   // from the frame's left edge to the caption's gap
constexpr int kCaptionPadding = 2;  // the gap in the line on either side of the caption
constexpr int kGapAboveContents = 3;

bool isPlainFrame(QStyle::ComplexControl control, const QStyleOptionComplex* option) {
    const auto* box = qstyleoption_cast<const QStyleOptionGroupBox*>(option);
    return control == QStyle::CC_GroupBox && box != nullptr &&
           !(box->subControls & QStyle::SC_GroupBoxCheckBox);
}

}  // namespace

FrameStyle::FrameStyle(int contentsTop) : contentsTop_(contentsTop) {}

QRect FrameStyle::subControlRect(ComplexControl control, const QStyleOptionComplex* option,
                                 SubControl part, const QWidget* widget) const {
    if (!isPlainFrame(control, option))
        return QProxyStyle::subControlRect(control, option, part, widget);
    const auto* box = static_cast<const QStyleOptionGroupBox*>(option);
    const QRect& whole = box->rect;
    const int textHeight = box->fontMetrics.height();
    // The line, two pixels in most styles, through the caption's middle, but never lower than
    // just above the controls.
    const int lineTop = box->text.isEmpty() ? 0
                                            : std::clamp(textHeight / 2 - 1, 0,
                                                         contentsTop_ - kGapAboveContents - 2);
    switch (part) {
        case SC_GroupBoxFrame:
            return whole.adjusted(0, lineTop, 0, 0);
        case SC_GroupBoxLabel: {
            if (box->text.isEmpty())
                return {};
            const int width = box->fontMetrics.horizontalAdvance(box->text) + 2 * kCaptionPadding;
            const int top = std::max(0, lineTop + 1 - textHeight / 2);
            const int bottom = std::min(top + textHeight, contentsTop_ - kGapAboveContents);
            return QRect(whole.left() + kCaptionIndent, whole.top() + top,
                         std::min(width, whole.width() - 2 * kCaptionIndent), bottom - top);
        }
        case SC_GroupBoxContents:
            return whole.adjusted(0, contentsTop_, 0, 0);
        default:
            return QProxyStyle::subControlRect(control, option, part, widget);
    }
}

void FrameStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                    QPainter* painter, const QWidget* widget) const {
    if (!isPlainFrame(control, option)) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    const auto* box = static_cast<const QStyleOptionGroupBox*>(option);
    if (box->subControls & SC_GroupBoxFrame) {
        // Etched, as frames are: not the style's group box primitive, which may add its own
        // room for a caption above the line.
        qDrawShadeRect(painter, subControlRect(control, box, SC_GroupBoxFrame, widget),
                       box->palette, true, 1, 0);
    }
    if ((box->subControls & SC_GroupBoxLabel) && !box->text.isEmpty()) {
        const QRect caption = subControlRect(control, box, SC_GroupBoxLabel, widget);
        painter->fillRect(caption, box->palette.window());  // the line's gap
        QPalette palette = box->palette;
        if (box->textColor.isValid())
            palette.setColor(QPalette::WindowText, box->textColor);
        proxy()->drawItemText(painter, caption.adjusted(kCaptionPadding, 0, 0, 0),
                              Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, palette,
                              box->state & State_Enabled, box->text, QPalette::WindowText);
    }
}

}  // namespace pv
