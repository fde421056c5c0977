#include "velbend/ui/picture1_view.h"

#include <cmath>
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
    painter.fillRect(0, 0, width, height, Qt::black);
    const auto& panel = program.ctx.panel;
    const double w = panel.gViewWidth;
    const double aspect = panel.gViewAspect;
    if (!(w > 0) || !(aspect > 0) || width <= 0 || height <= 0) return;
    // Drawing units to pixels, Y up.
    const double sx = width / w;
    const double sy = height / (aspect * w);
    const double left = panel.gViewCenterX - w / 2;
    const double top = panel.gViewCenterY + aspect * w / 2;
    const double W = width, H = height;

    // Lines of one colour are drawn together.
    std::vector<QLineF> lines;
    lines.reserve(drawing.list.Lines.size());
    const auto& all = drawing.list.Lines;
    std::vector<bool> done(all.size(), false);
    for (size_t i = 0; i < all.size(); ++i) {
        if (done[i]) continue;
        const DisplayColor c = all[i].Color;
        lines.clear();
        for (size_t k = i; k < all.size(); ++k) {
            const DisplayLine& l = all[k];
            if (done[k] || !(l.Color == c)) continue;
            done[k] = true;
            const double x1 = (l.X1 - left) * sx, y1 = (top - l.Y1) * sy;
            const double x2 = (l.X2 - left) * sx, y2 = (top - l.Y2) * sy;
            // Lines wholly beside the picture are left out.
            if ((x1 < 0 && x2 < 0) || (x1 > W && x2 > W) || (y1 < 0 && y2 < 0) || (y1 > H && y2 > H)) continue;
            if (!std::isfinite(x1 + y1 + x2 + y2)) continue;
            lines.emplace_back(x1, y1, x2, y2);
        }
        QPen pen(ColorOf(c));
        pen.setWidth(1);
        pen.setCosmetic(true);
        painter.setPen(pen);
        painter.drawLines(lines.data(), static_cast<int>(lines.size()));
    }
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
        case 5: setCursor(Qt::ClosedHandCursor); break;
        default: unsetCursor(); break;
    }
}

}  // namespace velbend
