#pragma once
// The look of the window's frames (Frame1, Frame2): the border runs through the middle of the
// caption, which interrupts it at the top left, as frames have always looked. The controls of a
// frame sit close below its top edge (design top 300 twips); a style that puts the caption above
// the border line (Fusion does) leaves the line under their top edge, or hidden by them with a
// taller font. Here the line stays above the controls whatever the font, and so does the caption.
#include <QProxyStyle>

namespace pv {

class FrameStyle : public QProxyStyle {
  public:
    // `contentsTop`: where the frame's controls begin, in pixels from its top.
    explicit FrameStyle(int contentsTop);

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl part,
                         const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget = nullptr) const override;

  private:
    int contentsTop_;
};

}  // namespace pv
