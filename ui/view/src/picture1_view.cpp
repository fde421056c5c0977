#include "velbend/ui/picture1_view.h"

#include <cmath>
#include <cstdlib>
#include <vector>

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include "velbend/forms/drawing_view.h"

namespace velbend {

namespace {

int ButtonOf(Qt::MouseButton b) {
    switch (b) {
        case Qt::LeftButton: return 1;
        case Qt::RightButton: return 2;
        case Qt::MiddleButton: return 4;
        default: return 0;
    }
}

int ShiftOf(Qt::KeyboardModifiers m) {
    int s = 0;
    if (m & Qt::ShiftModifier) s |= 1;
    if (m & Qt::ControlModifier) s |= 2;
    if (m & Qt::AltModifier) s |= 4;
    return s;
}

QColor ColorOf(const DisplayColor& c) { return QColor::fromRgbF(c.R, c.G, c.B); }

}  // namespace

Picture1View::Picture1View(Program& program, DrawingModel& drawing, QWidget* parent)
    : QWidget(parent), program_(program), drawing_(drawing) {
    setObjectName("Picture1");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
    setFocusPolicy(Qt::ClickFocus);
    drawing_.onRedraw = [this] { update(); };
}

Picture1View::~Picture1View() { drawing_.onRedraw = nullptr; }

void Picture1View::Paint(QPainter& painter, const Program& program, const DrawingModel& drawing, int width,
                         int height) {
    if (width <= 0 || height <= 0) return;
    const auto& panel = program.ctx.panel;
    const double w = panel.gViewWidth;
    const double aspect = panel.gViewAspect;
    if (!(w > 0) || !(aspect > 0)) {
        painter.fillRect(0, 0, width, height, Qt::black);
        return;
    }
    // Drawing units to pixels, Y up.
    const double sx = width / w;
    const double sy = height / (aspect * w);
    const double left = panel.gViewCenterX - w / 2;
    const double top = panel.gViewCenterY + aspect * w / 2;
    const double W = width, H = height;

    // Lines of one colour are drawn together, in whole pixels: a line that
    // lies within the picture is set pixel by pixel, the others (reaching
    // beyond its edges) are joined into polylines where one ends on the pixel
    // where the next starts, and clipped by the painter.
    struct Group {
        DisplayColor color;
        std::vector<QPoint> ends;  // two per line
        std::vector<QLineF> far;   // lines reaching far beyond the picture (clipped by the painter)
    };
    std::vector<Group> groups;
    auto pixel = [](double v) {
        const int i = static_cast<int>(v);
        return i - (v < i ? 1 : 0);
    };
    Group* g = nullptr;
    for (const DisplayLine& l : drawing.list.Lines) {
        if (!g || !(g->color == l.Color)) {
            g = nullptr;
            for (Group& x : groups)
                if (x.color == l.Color) g = &x;
            if (!g) {
                groups.push_back(Group{l.Color, {}, {}});
                groups.back().ends.reserve(drawing.list.Lines.size());
                g = &groups.back();
            }
        }
        const double x1 = (l.X1 - left) * sx, y1 = (top - l.Y1) * sy;
        const double x2 = (l.X2 - left) * sx, y2 = (top - l.Y2) * sy;
        // Lines wholly beside the picture are left out.
        if ((x1 < 0 && x2 < 0) || (x1 >= W && x2 >= W) || (y1 < 0 && y2 < 0) || (y1 >= H && y2 >= H)) continue;
        if (!std::isfinite(x1 + y1 + x2 + y2)) continue;
        if (std::fabs(x1) > 1e6 || std::fabs(y1) > 1e6 || std::fabs(x2) > 1e6 || std::fabs(y2) > 1e6) {
            g->far.emplace_back(x1, y1, x2, y2);
            continue;
        }
        g->ends.emplace_back(pixel(x1), pixel(y1));
        g->ends.emplace_back(pixel(x2), pixel(y2));
    }
    // Drawn into an image of the picture: pixels directly, polylines with
    // a painter of their own; then the image onto the device.
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    uchar* bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    QPainter ip(&image);
    std::vector<QPoint> poly;
    auto flush = [&] {
        if (poly.size() > 1) ip.drawPolyline(poly.data(), static_cast<int>(poly.size()));
        poly.clear();
    };
    for (const Group& grp : groups) {
        const QRgb rgb = ColorOf(grp.color).rgb();
        auto inside = [&](QPoint q) { return q.x() >= 0 && q.y() >= 0 && q.x() < width && q.y() < height; };
        auto dot = [&](int x, int y) { reinterpret_cast<QRgb*>(bits + y * stride)[x] = rgb; };
        QPen pen(ColorOf(grp.color));
        pen.setWidth(1);
        pen.setCosmetic(true);
        ip.setPen(pen);
        for (size_t k = 0; k + 1 < grp.ends.size(); k += 2) {
            const QPoint p1 = grp.ends[k], p2 = grp.ends[k + 1];
            // A line within the picture is set pixel by pixel (Bresenham).
            if (inside(p1) && inside(p2)) {
                flush();
                int x = p1.x(), y = p1.y();
                const int dx = std::abs(p2.x() - x), dy = -std::abs(p2.y() - y);
                const int stepX = x < p2.x() ? 1 : -1, stepY = y < p2.y() ? 1 : -1;
                int err = dx + dy;
                for (;;) {
                    dot(x, y);
                    if (x == p2.x() && y == p2.y()) break;
                    const int e2 = 2 * err;
                    if (e2 >= dy) {
                        err += dy;
                        x += stepX;
                    }
                    if (e2 <= dx) {
                        err += dx;
                        y += stepY;
                    }
                }
                continue;
            }
            if (poly.empty() || poly.back() != p1) {
                flush();
                poly.push_back(p1);
            }
            poly.push_back(p2);
        }
        flush();
        if (!grp.far.empty()) ip.drawLines(grp.far.data(), static_cast<int>(grp.far.size()));
    }
    ip.end();
    painter.drawImage(0, 0, image);
}

void Picture1View::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Paint(painter, program_, drawing_, width(), height());
}

void Picture1View::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    GLResize(program_, drawing_, width(), height());
    update();
}

void Picture1View::mousePressEvent(QMouseEvent* e) {
    const QPointF at = e->position();
    Picture1_MouseDown(program_, drawing_, ButtonOf(e->button()), ShiftOf(e->modifiers()), at.x(), at.y());
    SyncCursor();
    emit changed();
}

void Picture1View::mouseMoveEvent(QMouseEvent* e) {
    if (drawing_.mMousePointer != 5) return;
    const QPointF at = e->position();
    Picture1_MouseMove(program_, drawing_, ButtonOf(e->button()), ShiftOf(e->modifiers()), at.x(), at.y());
}

void Picture1View::mouseReleaseEvent(QMouseEvent* e) {
    const QPointF at = e->position();
    Picture1_MouseUp(program_, drawing_, ButtonOf(e->button()), ShiftOf(e->modifiers()), at.x(), at.y());
    SyncCursor();
}

void Picture1View::wheelEvent(QWheelEvent* e) {
    // 120 eighths of a degree make one notch; finer wheels add up to one.
    wheelRest_ += e->angleDelta().y();
    bool zoomed = false;
    while (wheelRest_ >= 120 || wheelRest_ <= -120) {
        const bool in = wheelRest_ > 0;
        wheelRest_ += in ? -120 : 120;
        WheelZoom(program_, drawing_, in);
        zoomed = true;
    }
    e->accept();
    if (zoomed) emit changed();
}

void Picture1View::SyncCursor() {
    switch (drawing_.mMousePointer) {
        case 2: setCursor(Qt::CrossCursor); break;
        case 12: setCursor(Qt::ForbiddenCursor); break;
        case 5: setCursor(Qt::SizeAllCursor); break;
        default: unsetCursor(); break;
    }
}

}  // namespace velbend
