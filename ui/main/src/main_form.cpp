#include "velbend/ui/main_form.h"

#include <dlfcn.h>

#include <utility>

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFont>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTabBar>
#include <QTimer>

#include "velbend/forms/dialog_common.h"
#include "velbend/forms/drawing_menus.h"
#include "velbend/forms/drawing_view.h"
#include "velbend/forms/main_captions.h"
#include "velbend/machine/jog.h"
#include "velbend/machine/program_writer.h"
#include "velbend/machine/run_state.h"
#include "velbend/machine/run_timer.h"
#include "velbend/machine/slot_export.h"
#include "velbend/machine/test_programs.h"
#include "velbend/params/sysfile.h"
#include "velbend/ui/dialog.h"
#include "velbend/ui/picture1_view.h"
#include "velbend/ui/widgets.h"

#include "caption_fit.h"

namespace velbend {
namespace {

using PumpFn = void (*)(void*);
using SetPumpFn = int32_t (*)(PumpFn, void*);

bool g_pumping = false;

// The card library's waits call this: the window stays live, and a handler
// already running refuses to be entered again (MainForm::Handle).
void PumpEvents(void*) {
    if (g_pumping) return;
    g_pumping = true;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    g_pumping = false;
}

QRect PixelRect(const LayoutRect& r) {
    return QRect(static_cast<int>(std::lround(r.Left)), static_cast<int>(std::lround(r.Top)),
                 static_cast<int>(std::lround(r.Width)), static_cast<int>(std::lround(r.Height)));
}

QRect TwipRect(const LayoutRect& r) { return TwipsRect(r.Left, r.Top, r.Width, r.Height); }

void SetTextIfChanged(QLineEdit* e, const std::string& s) {
    const QString q = Q(s);
    if (e->text() != q) e->setText(q);
}

void SetLabelIfChanged(QLabel* l, const std::string& s) {
    const QString q = Q(s);
    if (l->text() != q) l->setText(q);
}

QString LampStyle(uint32_t colour) {
    if (colour == MainPanel::kWindowBackground) return "background-color: palette(window); border: 1px solid gray;";
    return QString("background-color: #%1; border: 1px solid gray;").arg(colour & 0xFFFFFF, 6, 16, QChar('0'));
}

}  // namespace

void UseProgramFont() {
    for (const char* family : {"WenQuanYi Micro Hei", "Noto Sans CJK SC", "WenQuanYi Zen Hei"}) {
        if (QFontDatabase::hasFamily(family)) {
            QApplication::setFont(QFont(family, 9));
            return;
        }
    }
}

MainForm::MainForm(Program& program, QWidget* parent) : QMainWindow(parent), program_(program), model_(program) {
    setObjectName("MainForm");
    fitter_ = new CaptionFitter(this);
    LoadWindowIcon(this);
    BuildWidgets();
    BuildMenus();
    Connect();
    timer2_ = new QTimer(this);
    timer2_->setObjectName("Timer2");
    connect(timer2_, &QTimer::timeout, this, [this] { Timer2_Timer(); });
    Handle("Form_Load", [this] { Form_Load(model_); });
    BindPump();
    Refresh();
    // Design size: a client area of 1008 x 710 pixels.
    resize(1008, 710 + menuBar()->sizeHint().height());
    ApplyLayout();
    if (program_.ctx.panel.Timer2Interval > 0) timer2_->start(program_.ctx.panel.Timer2Interval);
}

MainForm::~MainForm() {
    timer2_->stop();
    if (pumpSetter_) reinterpret_cast<SetPumpFn>(pumpSetter_)(nullptr, nullptr);
    // The widgets go while the model they show is still here (the drawing
    // view lets go of the drawing as it goes), and nothing they send on the
    // way reaches a handler.
    ReleaseHeldButtons(this);
    for (QObject* o : findChildren<QObject*>()) o->disconnect(this);
    delete takeCentralWidget();
}

QWidget* MainForm::Add(QWidget* w, const std::string& name) {
    w->setObjectName(Q(name));
    widgets_[name] = w;
    return w;
}

QWidget* MainForm::Control(const std::string& name) const {
    auto it = widgets_.find(name);
    return it == widgets_.end() ? nullptr : it->second;
}

QAction* MainForm::Action(const std::string& name) const {
    auto it = actions_.find(name);
    return it == actions_.end() ? nullptr : it->second;
}

void MainForm::BuildWidgets() {
    const bool cs7 = program_.ctx.secondBuild;
    auto* client = new QWidget(this);
    client->setObjectName("MainFormClient");
    setCentralWidget(client);

    auto frame = [&](const std::string& name, QWidget* parent = nullptr) {
        auto* g = new QGroupBox(parent ? parent : client);
        Add(g, name);
        return g;
    };
    auto label = [&](QWidget* parent, const std::string& name) {
        auto* l = new QLabel(parent);
        Add(l, name);
        return l;
    };
    auto edit = [&](QWidget* parent, const std::string& name, bool readOnly = false) {
        auto* e = new QLineEdit(parent);
        e->setReadOnly(readOnly);
        Add(e, name);
        return e;
    };
    auto button = [&](QWidget* parent, const std::string& name) {
        auto* b = new QPushButton(parent);
        b->setFocusPolicy(Qt::TabFocus);
        Add(b, name);
        return b;
    };
    auto check = [&](QWidget* parent, const std::string& name) {
        auto* c = new QCheckBox(parent);
        Add(c, name);
        return c;
    };

    picture_ = new Picture1View(program_, model_.drawing, client);
    widgets_["Picture1"] = picture_;
    for (const char* m : {"Shape2", "Shape3"}) {
        auto* s = new QFrame(picture_);
        Add(s, m);
        s->setStyleSheet(std::string(m) == "Shape2" ? "border: 2px solid red;" : "border: 2px solid cyan;");
        s->hide();
    }

    tab1_ = new QTabBar(client);
    Add(tab1_, "TabStrip1");
    tab1_->setShape(QTabBar::RoundedSouth);
    tab1_->addTab("控制");
    tab1_->addTab("设置");
    tab1_->setExpanding(true);
    auto* t1 = edit(client, "Text1", true);
    t1->setAlignment(Qt::AlignCenter);
    t1->setFocusPolicy(Qt::NoFocus);

    // Feeding.
    auto* f1 = frame("Frame1");
    label(f1, "Label1(0)");
    edit(f1, "Text2");
    label(f1, "Label0(5)");
    check(f1, "Check1");
    edit(f1, "Text3");
    label(f1, "Label0(6)");
    check(f1, "Check3");
    check(f1, "Check4");
    for (const char* n : {"Command_TL", "Command_SL"}) {
        auto* h = new HoldButton(f1);
        h->setFocusPolicy(Qt::TabFocus);
        Add(h, n);
    }
    button(f1, "Command_XZ");
    // Seek zero.
    auto* f2 = frame("Frame2");
    for (const char* n : {"Command_Z1", "Command_Z2", "Command_Z3"}) button(f2, n);
    // Machining.
    auto* f3 = frame("Frame3");
    for (const char* n : {"Label1(1)", "Label1(2)", "Label1(12)", "Label0(7)", "Label0(9)"}) label(f3, n);
    edit(f3, "Text4");
    edit(f3, "Text5");
    edit(f3, "Text7")->hide();  // lies under Text15; keeps the end-feed length
    edit(f3, "Text15");
    check(f3, "Check2");
    const std::pair<const char*, QStyle::StandardPixmap> runButtons[] = {
        {"Command_Run", QStyle::SP_MediaPlay}, {"Command_Pause", QStyle::SP_MediaPause}, {"Command_Stop", QStyle::SP_MediaStop}};
    for (auto [n, icon] : runButtons) {
        auto* b = button(f3, n);
        b->setIcon(style()->standardIcon(icon));
        b->setIconSize(QSize(24, 24));
    }
    button(f3, "StepCommand")->hide();
    edit(f3, "StepText", true)->hide();
    // Contour offset.
    auto* f7 = frame("Frame7");
    button(f7, "Command1");
    edit(f7, "Text6");
    label(f7, "Label0(8)");
    // Setup buttons.
    auto* f4 = frame("Frame4");
    for (int i = 0; i < 6; ++i) button(f4, Indexed("Command10", i));
    f4->setAutoFillBackground(true);  // lies over the other frames of the column
    f4->hide();

    // Bottom band.
    if (!cs7) {
        auto* f5 = frame("Frame5");
        for (int i = 0; i < 5; ++i) {
            label(f5, Indexed("Label1", 3 + i));
            label(f5, Indexed("Label0", i));
        }
        for (const char* n : {"TextX", "TextY", "TextZ", "TextA", "TextF"}) edit(f5, n, true)->setFocusPolicy(Qt::NoFocus);
        for (int i = 0; i < 6; ++i) {
            auto* s = label(f5, Indexed("Shape1", i));
            s->setStyleSheet(LampStyle(MainPanel::kWindowBackground));
        }
        label(f5, "Label2(0)");
        label(f5, "Label2(1)");
        for (int i = 0; i < 4; ++i) {
            auto* l = label(f5, Indexed("Label3", i));
            l->installEventFilter(this);
        }
        tab2_ = new QTabBar(client);
        Add(tab2_, "TabStrip2");
        tab2_->addTab("加工基本信息");
        tab2_->addTab("字形详细信息");
        tab2_->setExpanding(true);
    }
    auto* f9 = frame("Frame9");
    for (int i = 0; i < 3; ++i) button(f9, Indexed("Command4", i));
    auto* f6 = frame("Frame6");
    for (int r = 0; r < 4; ++r) {
        label(f6, Indexed("Label1", 8 + r));
        auto* line = new QFrame(f6);
        Add(line, "Line" + std::to_string(r + 1));
        line->setFrameShape(QFrame::HLine);
        line->setFrameShadow(QFrame::Sunken);
        label(f6, Indexed("Label4", r));
    }
    auto* list = new QListWidget(client);
    Add(list, "List1");
    if (!cs7) list->hide();

    // Slotting-program output frame.
    auto* out = new QFrame(client);
    Add(out, "OutFrame");
    out->setFrameShape(QFrame::Box);
    out->setAutoFillBackground(true);
    auto* t10 = edit(out, "Text10", true);
    t10->setGeometry(0, 0, 360, 22);
    for (int i = 0; i < 5; ++i) label(out, Indexed("Label5", i))->setGeometry(12, 34 + i * 34, 170, 22);
    edit(out, "Text8")->setGeometry(190, 34, 150, 22);
    for (int i = 0; i < 4; ++i) edit(out, Indexed("Text9", i))->setGeometry(190, 68 + i * 34, 150, 22);
    button(out, "Command2(0)")->setGeometry(60, 214, 100, 30);
    button(out, "Command2(1)")->setGeometry(200, 214, 100, 30);
    out->hide();

    // Parameter-group frame.
    auto* qh = new QFrame(client);
    Add(qh, "QHparaFrame");
    qh->setFrameShape(QFrame::Box);
    qh->setAutoFillBackground(true);
    auto* t12 = edit(qh, "Text12", true);
    t12->setGeometry(0, 0, 500, 22);
    t12->setAlignment(Qt::AlignCenter);
    for (int k = 0; k < 2; ++k) {
        auto* g = frame(Indexed("Frame8", k), qh);
        g->setGeometry(10 + k * 245, 30, 235, 310);
        auto* group = new QButtonGroup(g);
        for (int i = 0; i < 10; ++i) {
            auto* o = new QRadioButton(QString::number(i + 1), g);
            Add(o, Indexed(k == 0 ? "Option1" : "Option2", i));
            o->setGeometry(10, 24 + i * 28, 45, 22);
            group->addButton(o, i);
            edit(g, Indexed(k == 0 ? "Text11" : "Text13", i))->setGeometry(60, 24 + i * 28, 165, 22);
        }
    }
    button(qh, "Command3(3)")->setGeometry(10, 345, 235, 26);
    button(qh, "Command3(4)")->setGeometry(255, 345, 235, 26);
    for (int i = 0; i < 3; ++i) button(qh, Indexed("Command3", i))->setGeometry(40 + i * 150, 378, 120, 26);
    qh->hide();

    // Machine-debug choice frame.
    auto* tsh = new QFrame(client);
    Add(tsh, "TshFrame");
    tsh->setFrameShape(QFrame::Box);
    tsh->setAutoFillBackground(true);
    auto* l7 = label(tsh, "Label7");
    l7->setGeometry(12, 10, 336, 70);
    l7->setWordWrap(true);
    edit(tsh, "Text14")->setGeometry(12, 88, 336, 24);
    button(tsh, "Command5(0)")->setGeometry(40, 130, 120, 30);
    button(tsh, "Command5(1)")->setGeometry(200, 130, 120, 30);
    tsh->hide();

    if (cs7) {
        // The options live in the operator dialog.
        for (const char* n : {"Check2", "Check3", "Check4"}) widgets_[n]->hide();
        // The shorter feeding frame holds the three jog buttons only; the
        // jog speed and step boxes keep their values (the speed comes from
        // the axis parameters, the step is off).
        for (const char* n : {"Label1(0)", "Text2", "Label0(5)", "Check1", "Text3", "Label0(6)"}) widgets_[n]->hide();
    }
    model_.layout = DesignLayout(cs7);
    for (const auto& c : FixedMainCaptions()) {
        if (QWidget* w = Control(c.name)) SetWidgetText(w, Q(c.zh));
    }
}

void MainForm::BuildMenus() {
    QMenuBar* bar = menuBar();
    auto menu = [&](QMenu* parent, const std::string& name) {
        QMenu* m = parent ? parent->addMenu(Q(name)) : bar->addMenu(Q(name));
        m->setObjectName(Q(name));
        m->menuAction()->setObjectName(Q(name));
        menus_[name] = m;
        return m;
    };
    auto entry = [&](QMenu* m, const std::string& name) {
        QAction* a = m->addAction(Q(name));
        a->setObjectName(Q(name));
        actions_[name] = a;
        return a;
    };
    QMenu* file = menu(nullptr, "文件");
    entry(file, "打开");
    entry(file, "关闭");
    QMenu* output = menu(file, "输出");
    entry(output, "字形PLT");
    entry(output, "开槽程序");
    entry(file, "退出");
    QMenu* view = menu(nullptr, "视图");
    for (const char* n : {"字形Y镜向", "还原视图", "取消选择", "查看选择面积"}) entry(view, n);
    QMenu* node = menu(nullptr, "节点");
    for (const char* n : {"删除节点", "取消删除", "取消前一个删除", "增加节点", "取消增加", "取消前一个增加"}) entry(node, n);
    QMenu* para = menu(nullptr, "参数");
    entry(para, "切换参数组");
    entry(para, "当前参数组");
    QMenu* help = menu(nullptr, "帮助");
    entry(help, "关于我们");
    QMenu* lang = menu(nullptr, "Languige");
    lang->setTitle("语言(Language)");
    entry(lang, "Chinese")->setText("中文(Chinese)");
    entry(lang, "English")->setText("英文(English)");
}

template <class F>
void MainForm::Handle(const char* name, F&& f) {
    if (running_.count(name)) return;  // entered again from inside a card wait
    running_.insert(name);
    f();
    running_.erase(name);
    if (refreshing_) dirty_ = true;
    else Refresh();
}

void MainForm::Connect() {
    auto& ctx = program_.ctx;
    auto& panel = ctx.panel;
    auto click = [&](const std::string& name, auto fn) {
        auto* b = qobject_cast<QAbstractButton*>(Control(name));
        if (!b) return;
        const std::string key = name;
        connect(b, &QAbstractButton::clicked, this, [this, key, fn] { Handle(key.c_str(), fn); });
    };
    // Text boxes bound to the panel.
    const std::pair<const char*, std::string*> texts[] = {
        {"Text2", &panel.Text2}, {"Text3", &panel.Text3}, {"Text4", &panel.Text4}, {"Text5", &panel.Text5},
        {"Text6", &panel.Text6}, {"Text7", &panel.Text7}, {"Text8", &panel.Text8}, {"Text9(0)", &panel.Text9[0]},
        {"Text9(1)", &panel.Text9[1]}, {"Text9(2)", &panel.Text9[2]}, {"Text9(3)", &panel.Text9[3]},
        {"Text14", &panel.Text14}};
    for (auto [name, field] : texts) {
        auto* e = qobject_cast<QLineEdit*>(Control(name));
        const std::string key = name;
        connect(e, &QLineEdit::textChanged, this, [this, field, key](const QString& t) {
            *field = t.toStdString();
            if (key == "Text5") Handle("Text5_Change", [this] { Text5_Change(program_, model_.drawing); });
        });
    }
    connect(qobject_cast<QLineEdit*>(Control("Text15")), &QLineEdit::textChanged, this,
            [this](const QString& t) { Text15_Change(model_, t.toStdString()); });
    const std::pair<const char*, int16_t*> checks[] = {
        {"Check1", &panel.Check1}, {"Check2", &panel.Check2}, {"Check3", &panel.Check3}, {"Check4", &panel.Check4}};
    for (auto [name, field] : checks) {
        auto* c = qobject_cast<QCheckBox*>(Control(name));
        connect(c, &QCheckBox::toggled, this, [field](bool on) { *field = on ? 1 : 0; });
    }

    // Machine buttons.
    click("Command_Run", [this] { Command_Run_Click(program_.ctx); });
    click("Command_Pause", [this] { Command_Pause_Click(program_.ctx); });
    click("Command_Stop", [this] { Command_Stop_Click(program_.ctx); });
    click("StepCommand", [this] { StepCommand_Click(program_.ctx); });
    click("Command_XZ", [this] { Command_XZ_Click(program_.ctx); });
    click("Command_Z1", [this] { Command_Z1_Click(program_.ctx); });
    click("Command_Z2", [this] { Command_Z2_Click(program_.ctx); });
    click("Command_Z3", [this] { Command_Z3_Click(program_.ctx); });
    click("Command1", [this] { Command1_Click(program_, model_.drawing); });
    for (int i = 0; i < 2; ++i) {
        click(Indexed("Command2", i), [this, i] { Command2_Click(program_.ctx, static_cast<int16_t>(i)); });
        click(Indexed("Command5", i), [this, i] { Command5_Click(program_.ctx, static_cast<int16_t>(i)); });
    }
    for (int i = 0; i < 3; ++i)
        click(Indexed("Command4", i), [this, i] { Command4_Click(program_.ctx, static_cast<int16_t>(i)); });
    for (int i = 0; i < 5; ++i)
        click(Indexed("Command3", i), [this, i] { Command3_Click(model_, static_cast<int16_t>(i)); });
    for (int i = 0; i < 6; ++i) {
        auto* b = qobject_cast<QAbstractButton*>(Control(Indexed("Command10", i)));
        connect(b, &QAbstractButton::clicked, this, [this, i] { OpenSetupDialog(i); });
    }
    auto hold = [&](const char* name, void (*down)(MachineContext&, int16_t, int16_t, double, double),
                    void (*up)(MachineContext&, int16_t, int16_t, double, double)) {
        auto* h = qobject_cast<HoldButton*>(Control(name));
        const std::string downKey = std::string(name) + "_MouseDown", upKey = std::string(name) + "_MouseUp";
        connect(h, &HoldButton::held, this, [this, down, downKey] {
            Handle(downKey.c_str(), [this, down] { down(program_.ctx, 1, 0, 0, 0); });
        });
        connect(h, &HoldButton::letGo, this, [this, up, upKey] {
            Handle(upKey.c_str(), [this, up] { up(program_.ctx, 1, 0, 0, 0); });
        });
    };
    hold("Command_SL", Command_SL_MouseDown, Command_SL_MouseUp);
    hold("Command_TL", Command_TL_MouseDown, Command_TL_MouseUp);

    // Group frame.
    for (int i = 0; i < 10; ++i) {
        auto* o1 = qobject_cast<QRadioButton*>(Control(Indexed("Option1", i)));
        auto* o2 = qobject_cast<QRadioButton*>(Control(Indexed("Option2", i)));
        connect(o1, &QRadioButton::toggled, this, [this, i](bool on) { model_.group.option1[i] = on; });
        connect(o2, &QRadioButton::toggled, this, [this, i](bool on) { model_.group.option2[i] = on; });
        auto* t11 = qobject_cast<QLineEdit*>(Control(Indexed("Text11", i)));
        auto* t13 = qobject_cast<QLineEdit*>(Control(Indexed("Text13", i)));
        connect(t11, &QLineEdit::textChanged, this, [this, i](const QString& t) { model_.group.text11[i] = t.toStdString(); });
        connect(t13, &QLineEdit::textChanged, this, [this, i](const QString& t) { model_.group.text13[i] = t.toStdString(); });
    }

    // Tab strips: a refused click puts the strip back.
    connect(tab1_, &QTabBar::currentChanged, this, [this](int index) {
        if (refreshing_) return;
        Handle("TabStrip1_Click", [this, index] { TabStrip1_Click(model_, index + 1); });
    });
    if (tab2_) {
        connect(tab2_, &QTabBar::currentChanged, this, [this](int index) {
            if (refreshing_) return;
            Handle("TabStrip2_Click", [this, index] { TabStrip2_Click(model_, index + 1); });
        });
    }
    // List1: a row made current by the keys or by a press highlights its
    // segment; a click on the row that already was current highlights it
    // again.  Filling the list highlights nothing.
    auto* list = qobject_cast<QListWidget*>(Control("List1"));
    list->viewport()->installEventFilter(this);
    connect(list, &QListWidget::currentRowChanged, this, [this](int row) {
        if (refreshing_ || row < 0) return;
        list1Moved_ = true;
        Handle("List1_Click", [this, row] { List1_Click(program_, model_.drawing, row); });
    });
    connect(list, &QListWidget::itemClicked, this, [this, list](QListWidgetItem* item) {
        if (std::exchange(list1Moved_, false)) return;  // its press made the row current
        const int row = list->row(item);
        Handle("List1_Click", [this, row] { List1_Click(program_, model_.drawing, row); });
    });
    connect(picture_, &Picture1View::changed, this, [this] { Refresh(); });

    // Menus: the drawing's, then the language and parameter entries.
    InstallDrawingMenus(menuBar(), program_, model_.drawing, this, [this] { Refresh(); });
    // The about box is a modal dialog as well (the menu's own slot, connected
    // first, runs it): when it closes, the window's activate handler runs.
    connect(actions_["关于我们"], &QAction::triggered, this, [this] {
        if (!FindDialog(DialogKind::About)) return;
        Handle("Form_Activate", [this] { Form_Activate(model_); });
    });
    connect(actions_["Chinese"], &QAction::triggered, this, [this] { Handle("Chinese_Click", [this] { Chinese_Click(model_); }); });
    connect(actions_["English"], &QAction::triggered, this, [this] { Handle("English_Click", [this] { English_Click(model_); }); });
    connect(actions_["切换参数组"], &QAction::triggered, this,
            [this] { Handle("切换参数组_Click", [this] { 切换参数组_Click(model_); }); });
    connect(actions_["当前参数组"], &QAction::triggered, this,
            [this] { Handle("当前参数组_Click", [this] { 当前参数组_Click(model_); }); });
}

void MainForm::OpenSetupDialog(int index) {
    auto kind = Command10Dialog(index, program_.params.gUserLevel);
    if (!kind) return;
    const DialogOpener* open = FindDialog(static_cast<DialogKind>(*kind));
    if (!open) return;
    const std::string key = "Command10_Click";
    if (running_.count(key)) return;
    running_.insert(key);
    ReleaseHeldButtons(this);
    const std::string tableBefore = DialogOpening(model_);
    (*open)(program_, this);
    running_.erase(key);
    DialogClosed(model_, tableBefore);
    Refresh();
}

void MainForm::BindPump() {
    Card& card = program_.ctx.card;
    if (!card.Loaded() || card.Where().empty() || card.Where()[0] != '/') return;
    void* h = ::dlopen(card.Where().c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!h) return;
    auto set = reinterpret_cast<SetPumpFn>(::dlsym(h, "korvotarvik_set_pump_callback"));
    if (set) {
        set(&PumpEvents, nullptr);
        pumpSetter_ = reinterpret_cast<void*>(set);
    }
    ::dlclose(h);
}

void MainForm::Timer2_Timer() {
    Handle("Timer2_Timer", [this] { velbend::Timer2_Timer(program_.ctx); });
}

void MainForm::Refresh() {
    if (refreshing_) return;
    refreshing_ = true;
    auto& panel = program_.ctx.panel;
    const bool cs7 = program_.ctx.secondBuild;

    // Captions, enabled and visible flags of the model.
    bool recaptioned = false;
    for (const auto& [name, state] : model_.controls) {
        if (name == "Form") {
            if (windowTitle() != Q(state.text)) setWindowTitle(Q(state.text));
            continue;
        }
        if (name.rfind("TabStrip", 0) == 0 && name.find(".Tab(") != std::string::npos) {
            QTabBar* bar = name[8] == '1' ? tab1_ : tab2_;
            const int tab = name[name.size() - 2] - '1';
            if (bar && bar->tabText(tab) != Q(state.text)) bar->setTabText(tab, Q(state.text));
            continue;
        }
        if (QWidget* w = Control(name)) {
            if (state.hasText) {
                if (auto* g = qobject_cast<QGroupBox*>(w)) {
                    if (g->title() != Q(state.text)) g->setTitle(Q(state.text));
                } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
                    if (b->text() != Q(state.text)) {
                        b->setText(Q(state.text));
                        recaptioned = true;
                    }
                } else if (auto* l = qobject_cast<QLabel*>(w)) {
                    if (l->text() != Q(state.text)) {
                        l->setText(Q(state.text));
                        recaptioned = true;
                    }
                } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
                    SetTextIfChanged(e, state.text);
                }
            }
            w->setEnabled(state.enabled);
            continue;
        }
        if (auto it = menus_.find(name); it != menus_.end()) {
            if (state.hasText) it->second->setTitle(Q(state.text));
        } else if (QAction* a = Action(name)) {
            if (state.hasText) a->setText(Q(state.text));
            a->setEnabled(state.enabled);
        }
    }

    if (recaptioned) FitCaptions();

    // Panel values.
    const std::pair<const char*, const std::string*> texts[] = {
        {"Text2", &panel.Text2}, {"Text3", &panel.Text3}, {"Text4", &panel.Text4}, {"Text5", &panel.Text5},
        {"Text6", &panel.Text6}, {"Text7", &panel.Text7}, {"Text8", &panel.Text8}, {"Text9(0)", &panel.Text9[0]},
        {"Text9(1)", &panel.Text9[1]}, {"Text9(2)", &panel.Text9[2]}, {"Text9(3)", &panel.Text9[3]},
        {"Text14", &panel.Text14}, {"StepText", &panel.StepText}, {"TextX", &panel.TextX}, {"TextY", &panel.TextY},
        {"TextZ", &panel.TextZ}, {"TextA", &panel.TextA}, {"TextF", &panel.TextF}};
    for (auto [name, field] : texts)
        if (auto* e = qobject_cast<QLineEdit*>(Control(name))) SetTextIfChanged(e, *field);
    SetTextIfChanged(qobject_cast<QLineEdit*>(Control("Text15")), model_.Text15);
    SetTextIfChanged(qobject_cast<QLineEdit*>(Control("Text1")), model_.Text1);
    for (int i = 0; i < 4; ++i) SetLabelIfChanged(qobject_cast<QLabel*>(Control(Indexed("Label4", i))), panel.Label4[i]);
    SetLabelIfChanged(qobject_cast<QLabel*>(Control("Label7")), panel.Label7);
    for (int i = 0; i < 2; ++i) {
        auto* b = qobject_cast<QAbstractButton*>(Control(Indexed("Command5", i)));
        if (b->text() != Q(panel.Command5[i])) b->setText(Q(panel.Command5[i]));
    }
    if (!panel.StepCommandCaption.empty()) {
        auto* b = qobject_cast<QAbstractButton*>(Control("StepCommand"));
        if (b->text() != Q(panel.StepCommandCaption)) b->setText(Q(panel.StepCommandCaption));
    }
    const std::pair<const char*, int16_t> checks[] = {
        {"Check1", panel.Check1}, {"Check2", panel.Check2}, {"Check3", panel.Check3}, {"Check4", panel.Check4}};
    for (auto [name, value] : checks) {
        auto* c = qobject_cast<QCheckBox*>(Control(name));
        if (c->isChecked() != (value == 1)) c->setChecked(value == 1);
    }
    Control("Check3")->setEnabled(panel.Check3Enabled && model_.Control("Check3").enabled);
    if (!cs7) {
        for (int i = 0; i < 6; ++i) {
            QWidget* s = Control(Indexed("Shape1", i));
            const QString style = LampStyle(panel.Shape1[i]);
            if (s->styleSheet() != style) s->setStyleSheet(style);
        }
    }
    const std::pair<const char*, const PanelMarker*> markers[] = {{"Shape2", &panel.Shape2}, {"Shape3", &panel.Shape3}};
    for (auto [name, m] : markers) {
        QWidget* w = Control(name);
        if (m->Visible) {
            const QRect r(static_cast<int>(std::lround(m->Left)), static_cast<int>(std::lround(m->Top)),
                          std::max(2, static_cast<int>(std::lround(m->Width))),
                          std::max(2, static_cast<int>(std::lround(m->Height))));
            if (w->geometry() != r) w->setGeometry(r);
        }
        if (w->isVisibleTo(picture_) != m->Visible) w->setVisible(m->Visible);
    }
    auto* list = qobject_cast<QListWidget*>(Control("List1"));
    bool sameList = list->count() == static_cast<int>(panel.List1.size());
    for (int i = 0; sameList && i < list->count(); ++i) sameList = list->item(i)->text() == Q(panel.List1[i]);
    if (!sameList) {
        list->clear();
        for (const auto& line : panel.List1) list->addItem(Q(line));
    }

    // Visibility.
    auto show = [&](const char* name, bool visible) {
        QWidget* w = Control(name);
        if (w && w->isVisibleTo(this) != visible && (w->isVisibleTo(w->parentWidget()) != visible)) w->setVisible(visible);
    };
    show("Frame4", model_.Frame4Visible);
    show("Frame6", model_.Frame6Visible);
    show("List1", model_.List1Visible);
    show("OutFrame", panel.OutFrameVisible);
    show("TshFrame", panel.TshFrameVisible);
    show("QHparaFrame", model_.group.visible);
    show("Command3(3)", model_.group.copyButtonsVisible);
    show("Command3(4)", model_.group.copyButtonsVisible);
    show("StepCommand", panel.StepCommandVisible);
    show("StepText", panel.StepTextVisible);
    show("Text14", panel.Text14Visible);
    if (model_.group.visible) {
        for (int i = 0; i < 10; ++i) {
            auto* o1 = qobject_cast<QRadioButton*>(Control(Indexed("Option1", i)));
            auto* o2 = qobject_cast<QRadioButton*>(Control(Indexed("Option2", i)));
            if (model_.group.option1[i] && !o1->isChecked()) o1->setChecked(true);
            if (model_.group.option2[i] && !o2->isChecked()) o2->setChecked(true);
        }
    }
    for (int i = 0; i < 10; ++i) {
        SetTextIfChanged(qobject_cast<QLineEdit*>(Control(Indexed("Text11", i))), model_.group.text11[i]);
        SetTextIfChanged(qobject_cast<QLineEdit*>(Control(Indexed("Text13", i))), model_.group.text13[i]);
    }
    if (tab1_->currentIndex() != model_.tab1 - 1) tab1_->setCurrentIndex(model_.tab1 - 1);
    if (tab2_ && tab2_->currentIndex() != model_.tab2 - 1) tab2_->setCurrentIndex(model_.tab2 - 1);

    // Setup buttons: present and disabled while their dialog is not part of
    // the program.
    for (int i = 0; i < 6; ++i) {
        auto kind = Command10Dialog(i, program_.params.gUserLevel);
        const bool available = kind && FindDialog(static_cast<DialogKind>(*kind)) != nullptr;
        Control(Indexed("Command10", i))->setEnabled(available && model_.Control(Indexed("Command10", i)).enabled);
    }
    if (QAction* about = Action("关于我们")) about->setEnabled(FindDialog(DialogKind::About) != nullptr);

    if (timer2_ && panel.Timer2Interval > 0 && !closed_ &&
        (!timer2_->isActive() || timer2_->interval() != panel.Timer2Interval)) {
        timer2_->start(panel.Timer2Interval);
    }
    refreshing_ = false;
    // A handler raised by a value set here (Text5's change) changed the
    // panel: show that too.
    if (dirty_) {
        dirty_ = false;
        Refresh();
    }
}

void MainForm::ApplyLayout() {
    QWidget* client = centralWidget();
    const QRect frame = frameGeometry();
    const double outerW = (frame.width() > 0 ? frame.width() : width()) * 15.0;
    const double outerH = (frame.height() > 0 ? frame.height() : height()) * 15.0;
    if (!Resize(model_, client->width(), client->height(), outerW, outerH)) return;
    for (const auto& [name, r] : model_.layout.px) {
        QWidget* w = Control(name);
        if (!w) continue;
        QRect g = PixelRect(r);
        if (w == tab1_) {
            const int h = tab1_->sizeHint().height();
            g = QRect(g.left(), g.bottom() - h + 1, g.width(), h);
        } else if (w == tab2_) {
            g.setHeight(tab2_->sizeHint().height());
        }
        if (w->geometry() != g) w->setGeometry(g);
    }
    for (const auto& [name, r] : model_.layout.tw) {
        QWidget* w = Control(name);
        if (!w) continue;
        QRect g = TwipRect(r);
        if (name.rfind("Line", 0) == 0) g.setHeight(2);
        if (w->geometry() != g) w->setGeometry(g);
    }
    // Frames over the tab strip stay above it.
    for (const char* n : {"Frame1", "Frame2", "Frame3", "Frame7", "Frame4", "Frame6", "List1", "OutFrame", "QHparaFrame", "TshFrame"})
        if (QWidget* w = Control(n)) w->raise();
    FitCaptions();
}

void MainForm::FitCaptions() {
    for (const auto& [name, w] : widgets_) {
        // Values and prompts written at run time keep the window's font.
        if (name.rfind("Label4", 0) == 0 || name.rfind("Shape", 0) == 0 || name == "Label7") continue;
        fitter_->Fit(w);
    }
}

void MainForm::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    ApplyLayout();
}

void MainForm::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (!shown_) {
        shown_ = true;
        ApplyLayout();
        Handle("Form_Activate", [this] { Form_Activate(model_); });
    }
}

void MainForm::closeEvent(QCloseEvent* e) {
    if (!closed_) {
        ReleaseHeldButtons(this);
        Handle("Form_Unload", [this] { Form_Unload(model_); });
        closed_ = true;
        timer2_->stop();
    }
    e->accept();
}

bool MainForm::event(QEvent* e) {
    if (e->type() == QEvent::WindowDeactivate) ReleaseHeldButtons(this);
    return QMainWindow::event(e);
}

bool MainForm::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::MouseButtonPress) {
        if (auto* list = qobject_cast<QListWidget*>(Control("List1")); list && watched == list->viewport())
            list1Moved_ = false;
        for (int i = 0; i < 4; ++i) {
            if (watched == Control(Indexed("Label3", i))) {
                Handle("Label3_Click", [this, i] { Label3_Click(model_, static_cast<int16_t>(i)); });
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, e);
}

}  // namespace velbend
