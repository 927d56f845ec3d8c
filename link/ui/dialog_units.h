#pragma once
// Dialog-template units to pixels for the font a dialog uses, so the boxes
// keep the proportions of their templates on any screen and font size.
#include <QFontMetrics>
#include <QRect>
#include <QSize>

namespace zet::ui {

struct DialogUnits {
  int baseX = 6, baseY = 13;

  explicit DialogUnits(const QFontMetrics& fm) {
    const int w = fm.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseX = (w / 26 + 1) / 2;
    baseY = fm.height();
    if (baseX < 1) baseX = 1;
    if (baseY < 1) baseY = 1;
  }
  int X(int dlu) const { return dlu * baseX / 4; }
  int Y(int dlu) const { return dlu * baseY / 8; }
  QRect Rect(int x, int y, int w, int h) const { return {X(x), Y(y), X(w), Y(h)}; }
  QSize Size(int w, int h) const { return {X(w), Y(h)}; }
};

}  // namespace zet::ui
