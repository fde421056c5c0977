#include "caption_fit.h"

#include <QCheckBox>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace velbend {
namespace {

constexpr double kSmallestPointSize = 6.5;
constexpr int kButtonMarginX = 4;  // each side, inside the bevel
constexpr int kButtonMarginY = 2;
const char* const kWrapProperty = "velbendWrappedCaption";

// Width left to `w` before the next visible sibling that starts to its
// right on the same line.
int Room(const QWidget* w) {
    int room = w->width();
    const QWidget* parent = w->parentWidget();
    if (!parent) return room;
    const QRect g = w->geometry();
    for (const QObject* o : parent->children()) {
        const auto* s = qobject_cast<const QWidget*>(o);
        if (!s || s == w || !s->isVisibleTo(parent)) continue;
        const QRect r = s->geometry();
        if (r.left() <= g.left() || r.top() > g.bottom() || r.bottom() < g.top()) continue;
        room = std::min(room, r.left() - g.left() - 2);
    }
    return room;
}

// The largest point size from `base` down whose text fits `fits`.
template <class Fits>
QFont Fitted(const QFont& base, Fits fits) {
    QFont f = base;
    const double start = base.pointSizeF() > 0 ? base.pointSizeF() : 9;
    for (double pt = start; pt >= kSmallestPointSize; pt -= 0.5) {
        f.setPointSizeF(pt);
        if (fits(QFontMetrics(f))) return f;
    }
    f.setPointSizeF(kSmallestPointSize);
    return f;
}

void SetFont(QWidget* w, const QFont& base, const QFont& font) {
    if (font == base) {
        if (w->testAttribute(Qt::WA_SetFont)) w->setFont(QFont());  // inherit again
    } else if (w->font() != font) {
        w->setFont(font);
    }
}

QRect ButtonTextRect(const QPushButton* b) {
    return b->rect().adjusted(kButtonMarginX, kButtonMarginY, -kButtonMarginX, -kButtonMarginY);
}

}  // namespace

void CaptionFitter::Fit(QWidget* w) {
    if (!w || !w->parentWidget()) return;
    const QFont base = w->parentWidget()->font();
    if (auto* l = qobject_cast<QLabel*>(w)) {
        if (l->wordWrap() || l->text().isEmpty()) return;
        const int room = Room(l);
        SetFont(l, base, Fitted(base, [&](const QFontMetrics& fm) { return fm.horizontalAdvance(l->text()) <= room; }));
    } else if (auto* c = qobject_cast<QCheckBox*>(w)) {
        const int box = c->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, c) +
                        c->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, c) + 2;
        const int room = Room(c) - box;
        SetFont(c, base, Fitted(base, [&](const QFontMetrics& fm) { return fm.horizontalAdvance(c->text()) <= room; }));
    } else if (auto* b = qobject_cast<QPushButton*>(w)) {
        if (b->text().isEmpty() || !b->icon().isNull()) return;
        const QRect area = ButtonTextRect(b);
        const bool oneLine = QFontMetrics(base).horizontalAdvance(b->text()) <= area.width();
        b->setProperty(kWrapProperty, !oneLine);
        if (oneLine) {
            SetFont(b, base, base);
        } else {
            b->installEventFilter(this);
            SetFont(b, base, Fitted(base, [&](const QFontMetrics& fm) {
                        const QRect need = fm.boundingRect(area, Qt::AlignCenter | Qt::TextWordWrap, b->text());
                        return need.width() <= area.width() && need.height() <= area.height();
                    }));
        }
        b->update();
    }
}

bool CaptionFitter::eventFilter(QObject* watched, QEvent* e) {
    auto* b = qobject_cast<QPushButton*>(watched);
    if (!b || e->type() != QEvent::Paint || !b->property(kWrapProperty).toBool()) return QObject::eventFilter(watched, e);
    // The bevel as the style draws it, the caption on several lines.
    QStylePainter p(b);
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.state |= b->isDown() ? QStyle::State_Sunken : QStyle::State_Raised;
    if (b->isChecked()) opt.state |= QStyle::State_On;
    p.drawControl(QStyle::CE_PushButtonBevel, opt);
    p.setFont(b->font());
    p.setPen(b->palette().color(b->isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    p.drawText(ButtonTextRect(b), Qt::AlignCenter | Qt::TextWordWrap, b->text());
    return true;
}

}  // namespace velbend
