#include "velbend/ui/widgets.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>

#include "velbend/common/progdir.h"

namespace velbend {

void HoldButton::mousePressEvent(QMouseEvent* e) {
    QPushButton::mousePressEvent(e);
    if (isEnabled() && !held_) {
        held_ = true;
        emit held();
    }
}

void HoldButton::mouseReleaseEvent(QMouseEvent* e) {
    QPushButton::mouseReleaseEvent(e);
    Release();
}

void HoldButton::focusOutEvent(QFocusEvent* e) {
    QPushButton::focusOutEvent(e);
    Release();
}

void HoldButton::hideEvent(QHideEvent* e) {
    QPushButton::hideEvent(e);
    Release();
}

void HoldButton::Release() {
    if (!held_) return;
    held_ = false;
    setDown(false);
    emit letGo();
}

void ReleaseHeldButtons(QWidget* root) {
    if (!root) return;
    for (HoldButton* b : root->findChildren<HoldButton*>()) b->Release();
}

bool SetWidgetText(QWidget* w, const QString& text) {
    if (auto* b = qobject_cast<QAbstractButton*>(w)) b->setText(text);
    else if (auto* l = qobject_cast<QLabel*>(w)) l->setText(text);
    else if (auto* e = qobject_cast<QLineEdit*>(w)) e->setText(text);
    else if (auto* g = qobject_cast<QGroupBox*>(w)) g->setTitle(text);
    else return false;
    return true;
}

void ApplyCaptions(QWidget* root, std::span<const Caption> table, int16_t language) {
    if (!root) return;
    for (const Caption& c : table) {
        const QString text = Q(CaptionText(c, language));
        const QString name = Q(c.name);
        if (name == QLatin1String("Form")) {
            root->setWindowTitle(text);
            continue;
        }
        if (QWidget* w = root->findChild<QWidget*>(name)) {
            if (auto* m = qobject_cast<QMenu*>(w)) m->setTitle(text);
            else SetWidgetText(w, text);
            continue;
        }
        if (QAction* a = root->findChild<QAction*>(name)) a->setText(text);
    }
}

void LoadWindowIcon(QWidget* w) {
    const auto file = ProgramFolder() / "公司图标.ico";
    QIcon icon(QString::fromStdString(file.string()));
    if (!icon.isNull()) w->setWindowIcon(icon);
}

}  // namespace velbend
