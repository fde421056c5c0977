#include "velbend/ui/io_form.h"

#include <QFrame>
#include <QGroupBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include "velbend/ui/widgets.h"

namespace velbend {
namespace {

// Positions are given in pixels of 15 twips.
QRect At(int left, int top, int width, int height) {
    return TwipsRect(left * 15.0, top * 15.0, width * 15.0, height * 15.0);
}

QFrame* MakeLamp(QWidget* parent, const QString& name, int left, int top) {
    auto* f = new QFrame(parent);
    f->setObjectName(name);
    f->setFrameShape(QFrame::Box);
    f->setAutoFillBackground(true);
    f->setGeometry(At(left, top, 16, 16));
    return f;
}

}  // namespace

void ClickLabel::mousePressEvent(QMouseEvent* e) {
    QLabel::mousePressEvent(e);
    if (e->button() == Qt::LeftButton) emit clicked();
}

IO_Form::IO_Form(Program& program, QWidget* parent) : ModalDialog(program, parent), model_(program) {
    setFixedSize(At(0, 0, 700, 568).size());
    // Inputs: two columns of rows, a lamp before each caption.
    auto* in = new QGroupBox(this);
    in->setObjectName("Frame1");
    in->setGeometry(At(8, 6, 684, 290));
    for (const IoRow& r : IoInputs()) {
        // Left column: lamps 0..7, then 16, 17; right column: 8..15, then 18, 19.
        const bool right = (r.lamp >= 8 && r.lamp <= 15) || r.lamp >= 18;
        const int row = r.lamp <= 7 ? r.lamp : r.lamp <= 15 ? r.lamp - 8 : r.lamp <= 17 ? r.lamp - 8 : r.lamp - 10;
        const int left = right ? 350 : 14, top = 24 + row * 26;
        MakeLamp(in, Q(Indexed("Shape1", r.lamp)), left, top + 3);
        auto* l = new QLabel(in);
        l->setObjectName(r.label);
        l->setGeometry(At(left + 24, top, 300, 22));
    }
    // Outputs: eight rows of lamp and clickable caption.
    auto* out = new QGroupBox(this);
    out->setObjectName("Frame2");
    out->setGeometry(At(8, 300, 684, 218));
    for (const IoRow& r : IoOutputs()) {
        const int left = 14, top = 22 + r.lamp * 24;
        MakeLamp(out, Q(Indexed("Shape2", r.lamp)), left, top + 3);
        auto* l = new ClickLabel(out);
        l->setObjectName(r.label);
        l->setGeometry(At(left + 24, top, 300, 22));
        l->setCursor(Qt::PointingHandCursor);
        const auto index = static_cast<int16_t>(r.lamp);
        connect(l, &ClickLabel::clicked, this, [this, index] {
            model_.Label21_Click(index);
            ShowLamps();
        });
    }
    // Buttons, left to right: rotate, pressing, back, out, bending mechanism; Return.
    const int16_t order[] = {0, 3, 2, 1, 4};
    const int width[] = {104, 92, 104, 96, 176};
    for (int k = 0, left = 8; k < 5; left += width[k] + 6, ++k) {
        const int16_t i = order[k];
        auto* b = new QPushButton(this);
        b->setObjectName(Q(Indexed("Command1", i)));
        b->setGeometry(At(left, 526, width[k], 34));
        connect(b, &QPushButton::clicked, this, [this, i] {
            model_.Command1_Click(i);
            ShowLamps();
        });
    }
    auto* back = new QPushButton(this);
    back->setObjectName("Command2");
    back->setGeometry(At(612, 526, 80, 34));
    connect(back, &QPushButton::clicked, this, &QDialog::reject);

    timer_ = new QTimer(this);
    timer_->setObjectName("Timer1");
    timer_->setInterval(200);
    connect(timer_, &QTimer::timeout, this, [this] {
        model_.Timer1_Timer();
        ShowLamps();
    });
    Load();
    timer_->start();
}

void IO_Form::XianShiCE() { ApplyCaptions(this, IO_Captions(), program().language()); }

void IO_Form::LoadFields() {
    model_.Form_Load();
    for (int i = 0; i <= 4; ++i) {
        const std::string name = Indexed("Command1", i);
        if (auto* b = findChild<QPushButton*>(Q(name))) b->setEnabled(model_.Enabled(name));
    }
    ShowLamps();
}

QColor IO_Form::LampColor(Lamp l) const {
    switch (l) {
        case Lamp::Red: return QColor(255, 0, 0);
        case Lamp::Green: return QColor(0, 255, 0);
        case Lamp::Neutral: return QColor(128, 128, 128);
        case Lamp::Background: break;
    }
    return palette().color(QPalette::Window);
}

void IO_Form::ShowLamps() {
    auto paint = [&](const std::string& name, Lamp l) {
        if (auto* f = findChild<QFrame*>(Q(name))) {
            QPalette p = f->palette();
            p.setColor(QPalette::Window, LampColor(l));
            f->setPalette(p);
        }
    };
    for (int k = 0; k < 20; ++k) paint(Indexed("Shape1", k), model_.Shape1(k));
    for (int i = 0; i < 8; ++i) paint(Indexed("Shape2", i), model_.Shape2(i));
}

namespace {
const bool kRegistered = RegisterDialog(DialogKind::IO, [](Program& p, QWidget* parent) {
    IO_Form f(p, parent);
    f.exec();
});
}  // namespace

}  // namespace velbend
