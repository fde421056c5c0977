// The drawing's menu entries of the main window's menu bar.
#include <QAction>
#include <QMenuBar>

#include "velbend/forms/drawing_menus.h"
#include "velbend/machine/slot_export.h"
#include "velbend/ui/dialog.h"
#include "velbend/ui/picture1_view.h"

namespace velbend {

void InstallDrawingMenus(QMenuBar* bar, Program& program, DrawingModel& drawing, QWidget* window,
                         std::function<void()> refresh) {
    if (!bar) return;
    using Handler = void (*)(Program&, DrawingModel&);
    struct Entry {
        const char* name;
        Handler handler;
    };
    static const Entry kEntries[] = {
        {"打开", 打开_Click},
        {"关闭", 关闭_Click},
        {"字形PLT", 字形PLT_Click},
        {"开槽程序", [](Program& p, DrawingModel&) { 开槽程序_Click(p.ctx); }},
        {"字形Y镜向", 字形Y镜向_Click},
        {"还原视图", 还原视图_Click},
        {"取消选择", 取消选择_Click},
        {"查看选择面积", 查看选择面积_Click},
        {"删除节点", 删除节点_Click},
        {"取消删除", 取消删除_Click},
        {"取消前一个删除", 取消前一个删除_Click},
        {"增加节点", 增加节点_Click},
        {"取消增加", 取消增加_Click},
        {"取消前一个增加", 取消前一个增加_Click},
    };
    const QList<QAction*> actions = bar->findChildren<QAction*>();
    auto find = [&](const char* name) -> QAction* {
        for (QAction* a : actions)
            if (a->objectName() == QString::fromUtf8(name)) return a;
        return nullptr;
    };
    auto after = [window, refresh] {
        if (window)
            if (auto* view = window->findChild<Picture1View*>("Picture1")) view->SyncCursor();
        if (refresh) refresh();
    };
    for (const Entry& e : kEntries) {
        QAction* a = find(e.name);
        if (!a) continue;
        Handler h = e.handler;
        QObject::connect(a, &QAction::triggered, bar, [h, &program, &drawing, after] {
            h(program, drawing);
            after();
        });
    }
    if (QAction* a = find("退出")) {
        QObject::connect(a, &QAction::triggered, bar, [window] {
            if (window) window->close();
        });
    }
    if (QAction* a = find("关于我们")) {
        QObject::connect(a, &QAction::triggered, bar, [&program, window] {
            if (const DialogOpener* open = FindDialog(DialogKind::About)) (*open)(program, window);
        });
    }
}

}  // namespace velbend
