// Probing Picture1 from tests and tools: where a drawing point shows, a
// wheel turned over the picture, whether pixels are lit.
#pragma once
#include <cmath>

#include <QApplication>
#include <QImage>
#include <QWheelEvent>
#include <QWidget>

#include "velbend/forms/drawing_view.h"

namespace velbend {

// The pixel of Picture1 that shows drawing point (x, y).
inline QPoint PicturePixelOf(const Program& program, double x, double y) {
    double X = 0, Y = 0;
    DrawingToPixel(program, x, y, X, Y);
    return QPoint(static_cast<int>(std::lround(X)), static_cast<int>(std::lround(Y)));
}

// Turns the wheel over the middle of `picture` by `delta` eighths of a
// degree (120 is one notch; positive turns away from the operator).
inline void TurnWheel(QWidget* picture, int delta) {
    const QPointF at(picture->width() / 2.0, picture->height() / 2.0);
    QWheelEvent e(at, picture->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(picture, &e);
}

// True when a pixel within one of `at` is not black.
inline bool LitNear(const QImage& img, QPoint at) {
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy) {
            const QPoint p = at + QPoint(dx, dy);
            if (img.rect().contains(p) && (img.pixel(p) & 0xFFFFFF) != 0) return true;
        }
    return false;
}

// True when every pixel is black.
inline bool AllBlack(const QImage& img) {
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) != 0) return false;
    return true;
}

}  // namespace velbend
