// Picture1: the drawing view of the main window.  Paints the recorded
// display list of the drawing (black background, 1-pixel lines, drawing Y
// up) with QPainter and forwards mouse, wheel and resize to the drawing's
// window model.  One wheel notch is one zoom step (high-resolution wheels
// are summed to whole notches).
#pragma once
#include <functional>

#include <QWidget>

#include "velbend/forms/drawing.h"
#include "velbend/forms/program.h"

class QMenuBar;

namespace velbend {

class Picture1View : public QWidget {
    Q_OBJECT
public:
    Picture1View(Program& program, DrawingModel& drawing, QWidget* parent = nullptr);
    ~Picture1View() override;

    // Paints the display list onto `painter` for a picture of the given size
    // (the view's own paint; also used to render off screen).
    static void Paint(QPainter& painter, const Program& program, const DrawingModel& drawing, int width,
                      int height);

    // Shows the cursor of the current mode (0 arrow, 2 cross, 12 no-drop,
    // 5 four-way arrow); the menus call it after changing the mode.
    void SyncCursor();

signals:
    // A handler changed the panel or the tables: the window refreshes its
    // widgets from MainPanel.
    void changed();

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    Program& program_;
    DrawingModel& drawing_;
    int wheelRest_ = 0;  // eighths of a degree not yet a whole notch
};

// Connects the drawing's entries of the main window's menu bar, found by
// their objectName (打开, 关闭, 退出, 字形PLT, 开槽程序, 字形Y镜向, 还原视图,
// 取消选择, 查看选择面积, 删除节点, 取消删除, 取消前一个删除, 增加节点,
// 取消增加, 取消前一个增加, 关于我们).  An entry the bar does not have is
// passed over.  After each handler `refresh` lets the window show the panel.
void InstallDrawingMenus(QMenuBar* bar, Program& program, DrawingModel& drawing, QWidget* window,
                         std::function<void()> refresh);

}  // namespace velbend
