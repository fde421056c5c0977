#include "velbend/ui/sb_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>

#include "velbend/ui/widgets.h"

namespace velbend {
namespace {

// Positions are given in pixels of 15 twips.
QRect At(int left, int top, int width, int height) {
    return TwipsRect(left * 15.0, top * 15.0, width * 15.0, height * 15.0);
}

// The stop button's picture: a red octagon.
QIcon StopIcon() {
    QPixmap pm(48, 48);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(220, 0, 0));
    p.setPen(QPen(Qt::white, 3));
    const QPointF pts[] = {{16, 2}, {32, 2}, {46, 16}, {46, 32}, {32, 46}, {16, 46}, {2, 32}, {2, 16}};
    p.drawPolygon(pts, 8);
    p.setPen(QPen(Qt::white, 5));
    p.drawLine(14, 24, 34, 24);
    return QIcon(pm);
}

}  // namespace

template <class W>
W* SB_Form::Make(QWidget* parent, const QString& name, int left, int top, int width, int height) {
    auto* w = new W(parent);
    w->setObjectName(name);
    w->setGeometry(At(left, top, width, height));
    return w;
}

SB_Form::SB_Form(Program& program, QWidget* parent) : ModalDialog(program, parent), model_(program) {
    setFont(QFont("Tahoma", 9));
    Build();
    Load();
}

// A hold still on ends while the model is alive (the buttons go after it).
SB_Form::~SB_Form() { OnLoseHold(); }

void SB_Form::Build() {
    setFixedSize(At(0, 0, 1000, 702).size());
    auto label = [&](QWidget* p, const char* name, int l, int t, int w, int h = 22) {
        auto* x = Make<QLabel>(p, name, l, t, w, h);
        x->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return x;
    };
    auto unit = [&](QWidget* p, const char* name, int l, int t) { return label(p, name, l, t, 30); };
    auto edit = [&](QWidget* p, const QString& name, int l, int t, int w = 60) {
        auto* e = Make<QLineEdit>(p, name, l, t, w, 22);
        connect(e, &QLineEdit::textEdited, this, [this, name](const QString& text) {
            const int open = name.indexOf('(');
            const QString base = open < 0 ? name : name.left(open);
            const auto index = static_cast<int16_t>(open < 0 ? 0 : name.mid(open + 1).chopped(1).toInt());
            const std::string s = text.toStdString();
            if (base == "Text1") model_.Text1_Change(index, s);
            else if (base == "Text2") model_.Text2_Change(index, s);
            else if (base == "Text3") model_.Text3_Change(index, s);
            else if (base == "Text5") model_.Text5_Change(index, s);
            else model_.SetTestText(name.toStdString(), s);
            Sync();
        });
        return e;
    };
    auto option = [&](QWidget* p, int group, int16_t index, int l, int t, int w) {
        auto* o = Make<QRadioButton>(p, Q(Indexed("Option" + std::to_string(group), index)), l, t, w, 20);
        o->setAutoExclusive(false);  // the model decides which one is chosen (possibly none)
        connect(o, &QRadioButton::clicked, this, [this, group, index] {
            model_.Option_Click(group, index);
            Sync();
        });
        return o;
    };
    auto frame = [&](QWidget* p, const char* name, int l, int t, int w, int h) {
        return Make<QGroupBox>(p, name, l, t, w, h);
    };
    auto click = [&](QWidget* p, const QString& name, int l, int t, int w, int h, auto handler) {
        auto* b = Make<QPushButton>(p, name, l, t, w, h);
        connect(b, &QPushButton::clicked, this, [this, handler] {
            handler();
            Sync();
        });
        return b;
    };
    // Press-and-hold buttons: the press and the release go to the model.
    auto hold = [&](QWidget* p, int group, int16_t index, int l, int t, int w) {
        auto* b = Make<HoldButton>(p, Q(Indexed("Command" + std::to_string(group), index)), l, t, w, 30);
        connect(b, &HoldButton::held, this, [this, group, index] {
            if (group == 4) model_.Command4_MouseDown(index);
            else model_.Command5_MouseDown(index);
            Sync();
        });
        connect(b, &HoldButton::letGo, this, [this, group, index] {
            if (group == 4) model_.Command4_MouseUp(index);
            else model_.Command5_MouseUp(index);
        });
        return b;
    };
    auto testCheck = [&](QWidget* p, const char* name, int l, int t) {
        auto* c = Make<QCheckBox>(p, name, l, t, 110, 22);
        connect(c, &QCheckBox::clicked, this, [this, name](bool on) { model_.SetTestCheck(name, on ? 1 : 0); });
        return c;
    };

    // ---- slotting set-up: one row per cutter setting, labels in one column ----
    QGroupBox* f2 = frame(this, "Frame2", 8, 6, 984, 400);
    constexpr int kField = 180;  // where the settings start
    label(f2, "Label1(0)", 10, 22, 168);
    edit(f2, "Text1(0)", kField, 22);
    unit(f2, "Label0(9)", kField + 64, 22);

    label(f2, "Label1(1)", 10, 60, 168);
    QGroupBox* f3 = frame(f2, "Frame3", kField, 50, 300, 34);
    option(f3, 1, 0, 6, 10, 142);
    option(f3, 1, 1, 152, 10, 144);

    label(f2, "Label1(2)", 10, 98, 168);
    QGroupBox* f4 = frame(f2, "Frame4", kField, 88, 230, 34);
    option(f4, 2, 0, 6, 10, 100);
    option(f4, 2, 1, 110, 10, 116);

    label(f2, "Label1(14)", 10, 146, 168);
    QGroupBox* f5 = frame(f2, "Frame5", kField, 126, 470, 64);
    option(f5, 3, 0, 6, 14, 48);
    option(f5, 3, 1, 56, 14, 72);
    edit(f5, "Text1(1)", 130, 13, 54);
    unit(f5, "Label0(6)", 188, 13);
    label(f5, "Label1(8)", 222, 6, 244, 20);
    // The two down distances stand under the words of their caption.
    edit(f5, "Text1(2)", 282, 34, 60);
    edit(f5, "Text1(6)", 372, 34, 60);
    unit(f5, "Label0(5)", 436, 34);

    // Front and back swing: the mode and the largest swing angle.
    struct Swing { const char *label, *frame, *maxLabel, *text, *unit; int16_t first; int top; };
    for (const Swing& w : {Swing{"Label1(3)", "Frame6", "Label1(9)", "Text1(3)", "Label0(12)", 0, 196},
                           Swing{"Label1(18)", "Frame11", "Label1(17)", "Text1(5)", "Label0(11)", 2, 234}}) {
        label(f2, w.label, 10, w.top + 10, 168);
        QGroupBox* f = frame(f2, w.frame, kField, w.top, 470, 34);
        option(f, 4, w.first, 6, 10, 176);
        option(f, 4, static_cast<int16_t>(w.first + 1), 186, 10, 80);
        label(f, w.maxLabel, 268, 7, 118);
        edit(f, w.text, 388, 7, 52);
        unit(f, w.unit, 442, 7);
    }

    label(f2, "Label1(4)", 10, 282, 168);
    QGroupBox* f7 = frame(f2, "Frame7", kField, 272, 240, 34);
    option(f7, 5, 0, 6, 10, 112);
    option(f7, 5, 1, 122, 10, 112);
    label(f2, "Label1(7)", 440, 282, 80);
    edit(f2, "Text1(4)", 522, 282, 50);

    label(f2, "Label1(6)", 10, 320, 168);
    for (int k = 0; k < 4; ++k) {
        auto* c = Make<QComboBox>(f2, Q(Indexed("Combo1", k)), kField + k * 118, 318, 110, 24);
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
        const auto index = static_cast<int16_t>(k);
        auto take = [this, index](const QString& text) {
            if (syncing_) return;
            model_.Combo1_Click(index, text.toStdString());
        };
        connect(c, &QComboBox::textActivated, this, take);
        connect(c, &QComboBox::editTextChanged, this, take);
    }

    QGroupBox* f8 = frame(f2, "Frame8", 666, 14, 310, 316);
    label(f8, "Label1(5)", 8, 12, 294, 20);
    option(f8, 6, 0, 8, 38, 130);
    option(f8, 6, 1, 150, 38, 150);
    auto* check1 = Make<QCheckBox>(f8, "Check1", 8, 66, 294, 22);
    connect(check1, &QCheckBox::clicked, this, [this](bool on) {
        model_.Check1_Click(on ? 1 : 0);
        Sync();
    });
    for (int k = 0; k <= 4; ++k) {
        const int top = 100 + k * 34;
        label(f8, Indexed("Label1", k < 4 ? 10 + k : 15).c_str(), 8, top, 168);
        edit(f8, Q(Indexed("Text5", k)), 180, top);
        if (k < 4) unit(f8, Indexed("Label0", 1 + k).c_str(), 244, top);
    }
    findChild<QLineEdit*>("Text5(4)")->setReadOnly(true);

    QGroupBox* f10 = frame(f2, "Frame10", 10, 344, 966, 50);
    label(f10, "Label1(16)", 8, 14, 156);
    label(f10, "Label5", 166, 14, 50);
    edit(f10, "Text6", 218, 14, 44);
    unit(f10, "Label0(10)", 264, 14);
    const int slotLeft[] = {300, 420, 558, 820, 700};
    const int slotWidth[] = {116, 134, 138, 110, 116};
    for (int16_t i = 0; i <= 4; ++i)
        click(f10, Q(Indexed("Command3", i)), slotLeft[i], 10, slotWidth[i], 30, [this, i] { model_.Command3_Click(i); });

    // ---- bending set-up and its tests ---------------------------------------
    QGroupBox* f9 = frame(this, "Frame9", 8, 414, 440, 280);
    option(f9, 8, 0, 10, 22, 130);
    option(f9, 8, 1, 146, 22, 140);
    option(f9, 8, 2, 290, 22, 144);
    for (int k = 0; k <= 4; ++k) {
        const int top = 52 + k * 27;
        label(f9, Indexed("Label3", k).c_str(), 10, top, 240);
        edit(f9, Q(Indexed("Text3", k)), 252, top, 70);
        unit(f9, Indexed("Label0", k < 4 ? 13 + k : 8).c_str(), 326, top);
    }
    for (int16_t i = 0; i <= 2; ++i) hold(f9, 4, i, 10 + i * 142, 196, 136);
    testCheck(f9, "Check2", 10, 240);
    edit(f9, "Text7", 124, 240);
    unit(f9, "Label0(18)", 188, 240);

    // ---- feed set-up and its tests -------------------------------------------
    QGroupBox* f1 = frame(this, "Frame1", 456, 414, 346, 280);
    option(f1, 7, 0, 10, 22, 150);
    option(f1, 7, 1, 166, 22, 170);
    label(f1, "Label2(0)", 10, 52, 176);
    edit(f1, "Text2(0)", 188, 52, 64);
    unit(f1, "Label0(0)", 256, 52);
    for (int16_t i = 0; i <= 2; ++i) hold(f1, 5, i, 10 + i * 110, 196, 106);
    testCheck(f1, "Check3", 10, 240);
    edit(f1, "Text8", 124, 240);
    unit(f1, "Label0(17)", 188, 240);

    // ---- cutter buttons, Stop, Save, Return ----------------------------------
    for (int16_t i = 0; i <= 2; ++i)
        click(this, Q(Indexed("Command6", i)), 810, 424 + i * 44, 182, 38, [this, i] { model_.Command6_Click(i); });
    QPushButton* stop = click(this, "Command7", 810, 560, 182, 70, [this] { model_.Command7_Click(); });
    stop->setIcon(StopIcon());
    stop->setIconSize(QSize(48, 48));
    click(this, "Command1", 810, 656, 88, 38, [this] { model_.Command1_Click(); });
    click(this, "Command2", 904, 656, 88, 38, [this] { reject(); });
}

void SB_Form::XianShiCE() {
    const int16_t lang = program().language();
    ApplyCaptions(this, SB_Captions(), lang);
    setWindowTitle(Q(model_.Title()));
    for (const char* n : {"Option1(0)", "Option1(1)"}) {
        if (auto* o = findChild<QRadioButton*>(n)) {
            QFont f = o->font();
            f.setPointSize(model_.Option1FontSize());
            o->setFont(f);
        }
    }
    // The six action words of the sequence boxes, in this language.
    for (int k = 0; k < 4; ++k) {
        if (auto* c = findChild<QComboBox*>(Q(Indexed("Combo1", k)))) {
            const bool was = syncing_;
            syncing_ = true;
            c->clear();
            for (const SlotWord& w : SlotWords()) c->addItem(Q(lang == 0 ? w.zh : w.en));
            syncing_ = was;
        }
    }
}

void SB_Form::LoadFields() {
    model_.Form_Load();
    Sync();
}

void SB_Form::OnLoseHold() {
    ModalDialog::OnLoseHold();
    model_.ReleaseJogs();
}

void SB_Form::Sync() {
    syncing_ = true;
    for (QWidget* w : findChildren<QWidget*>()) {
        const std::string name = w->objectName().toStdString();
        if (name.empty() || name.starts_with("qt_")) continue;
        w->setEnabled(model_.Enabled(name));
        w->setVisible(model_.Visible(name));
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            const QString text = Q(model_.Text(name));
            if (e->text() != text) e->setText(text);
        } else if (auto* c = qobject_cast<QComboBox*>(w)) {
            const QString text = Q(model_.Text(name));
            const int i = c->findText(text);
            if (i >= 0) c->setCurrentIndex(i);
            else c->setCurrentIndex(-1);
            if (c->currentText() != text) c->setEditText(text);
        } else if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->isCheckable()) {
            b->setChecked(model_.Checked(name) != 0);
        }
    }
    syncing_ = false;
}

namespace {
const bool kRegistered = RegisterDialog(DialogKind::MachineSetup, [](Program& p, QWidget* parent) {
    SB_Form f(p, parent);
    f.exec();
});
}  // namespace

}  // namespace velbend
