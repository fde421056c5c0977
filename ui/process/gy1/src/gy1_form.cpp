#include "velbend/ui/gy1_form.h"

#include <algorithm>

#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "velbend/ui/widgets.h"

namespace velbend {
namespace {

// The horizontal span (in the label's parent) of the first run of two or
// more blanks of a label's caption, and the end of the caption.
struct CaptionGap {
    int gapStart = 0, gapEnd = 0, textEnd = 0;
};
CaptionGap GapOf(const QLabel* label) {
    const QString t = label->text();
    const QFontMetrics fm = label->fontMetrics();
    CaptionGap g;
    g.textEnd = label->x() + fm.horizontalAdvance(t);
    const int start = t.indexOf(QLatin1String("  "));
    if (start < 0) {
        g.gapStart = g.gapEnd = g.textEnd;
        return g;
    }
    int end = start;
    while (end < t.size() && t[end] == QLatin1Char(' ')) ++end;
    g.gapStart = label->x() + fm.horizontalAdvance(t.left(start));
    g.gapEnd = label->x() + fm.horizontalAdvance(t.left(end));
    return g;
}

// Puts a box into [from, to] of its row, at most its design width wide.
void PlaceBox(QWidget* box, int from, int to, int designWidth) {
    const int pad = 3;
    const int width = std::max(24, std::min(designWidth, to - from - 2 * pad));
    box->setGeometry(from + pad, box->y(), width, box->height());
}

// "Command7(6)" -> ("Command7", 6); a name without an index gives -1.
std::pair<std::string, int> SplitName(const std::string& name) {
    const auto open = name.find('(');
    if (open == std::string::npos) return {name, -1};
    return {name.substr(0, open), std::stoi(name.substr(open + 1))};
}

}  // namespace

GY1_Form::GY1_Form(Program& program, QWidget* parent) : ModalDialog(program, parent), model_(program) {
    Build();
    timer1_ = new QTimer(this);
    timer1_->setObjectName("Timer1");
    timer1_->setInterval(200);
    connect(timer1_, &QTimer::timeout, this, &GY1_Form::Timer1_Timer);
    Load();
    timer1_->start();
}

// A hold still on ends while the model is alive (the buttons go after it).
GY1_Form::~GY1_Form() { OnLoseHold(); }

void GY1_Form::OnLoseHold() {
    ModalDialog::OnLoseHold();
    model_.ReleaseJogs();
}

void GY1_Form::Build() {
    const bool second = program().ctx.secondBuild;
    const auto [w, h] = GY1_ClientSize(second);
    setFixedSize(Twips(w), Twips(h));
    using K = GY1_Place::Kind;
    for (const GY1_Place& p : GY1_Layout(second)) {
        QWidget* parent = *p.container ? widgets_.at(p.container) : this;
        QWidget* widget = nullptr;
        switch (p.kind) {
            case K::Frame: {
                // Frames are opaque: the panels cover what lies under them.
                auto* g = new QGroupBox(parent);
                g->setAutoFillBackground(true);
                widget = g;
                break;
            }
            case K::Label: widget = new QLabel(parent); break;
            case K::Text: {
                auto* e = new QLineEdit(parent);
                e->setReadOnly(p.locked);
                widget = e;
                break;
            }
            case K::Button: widget = new QPushButton(parent); break;
            case K::HoldButton: widget = new HoldButton(parent); break;
            case K::Check: widget = new QCheckBox(parent); break;
        }
        widget->setObjectName(Q(p.name));
        widget->setGeometry(TwipsRect(p.left, p.top, p.width, p.height));
        widgets_.emplace(p.name, widget);
        Connect(widget, p.name);
    }
}

void GY1_Form::Connect(QWidget* w, const std::string& name) {
    if (auto* e = qobject_cast<QLineEdit*>(w)) {
        connect(e, &QLineEdit::textChanged, this, [this, name](const QString& text) {
            if (showing_) return;
            model_.SetText(name, text.toStdString());
            Show();
        });
    } else if (auto* c = qobject_cast<QCheckBox*>(w)) {
        connect(c, &QCheckBox::toggled, this, [this, name](bool on) {
            if (showing_) return;
            model_.SetValue(name, on ? 1 : 0);
            Show();
        });
    } else if (auto* b = qobject_cast<QPushButton*>(w)) {
        const auto [base, index] = SplitName(name);
        if (auto* hold = qobject_cast<HoldButton*>(b)) {
            connect(hold, &HoldButton::held, this, [this, index] {
                model_.Command7_MouseDown(index);
                Show();
            });
            connect(hold, &HoldButton::letGo, this, [this, index] {
                model_.Command7_MouseUp(index);
                Show();
            });
        }
        connect(b, &QPushButton::clicked, this, [this, base, index] { Click(base, index); });
    }
}

void GY1_Form::Click(const std::string& base, int index) {
    if (base == "Command1") model_.Command1_Click(index);
    else if (base == "Command3") model_.Command3_Click(index);
    else if (base == "Command4") model_.Command4_Click(index);
    else if (base == "Command7") model_.Command7_Click(index);
    else if (base == "Command2" && model_.Command2_Click(index)) {
        reject();
        return;
    }
    Show();
}

void GY1_Form::XianShiCE() {
    model_.XianShiCE();
    Show();
    PlaceCaptionBoxes();
}

void GY1_Form::PlaceCaptionBoxes() {
    auto* label14 = qobject_cast<QLabel*>(widgets_.at("Label1(14)"));
    const CaptionGap g14 = GapOf(label14);
    QWidget* depth = widgets_.at("Text1(10)");
    PlaceBox(depth, g14.gapStart, g14.gapEnd, Twips(720));

    auto* label8 = qobject_cast<QLabel*>(widgets_.at("Label1(8)"));
    const CaptionGap g8 = GapOf(label8);
    QWidget* front = widgets_.at("Text1(5)");
    QWidget* back = widgets_.at("Text1(6)");
    QWidget* unit = widgets_.at("Label0(6)");
    PlaceBox(front, g8.gapStart, g8.gapEnd, Twips(780));
    PlaceBox(back, g8.textEnd, g8.textEnd + Twips(780) + 6, Twips(780));
    unit->move(back->x() + back->width() + 4, unit->y());
}

void GY1_Form::LoadFields() {
    model_.Form_Load();
    Show();
}

void GY1_Form::Timer1_Timer() {
    model_.Timer1_Timer();
    Show();
}

void GY1_Form::Show() {
    showing_ = true;
    for (const auto& [name, c] : model_.Controls()) {
        if (name == "Form") {
            if (windowTitle() != Q(c.Text)) setWindowTitle(Q(c.Text));
            continue;
        }
        auto it = widgets_.find(name);
        if (it == widgets_.end()) continue;
        QWidget* w = it->second;
        const QString text = Q(c.Text);
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            if (e->text() != text) e->setText(text);
        } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
            if (g->title() != text) g->setTitle(text);
        } else if (!c.Text.empty() || qobject_cast<QLabel*>(w)) {
            SetWidgetText(w, text);
        }
        if (auto* cb = qobject_cast<QCheckBox*>(w)) cb->setChecked(c.Value == 1);
        if (w->isHidden() == c.Visible) {
            w->setHidden(!c.Visible);
            // A panel opened comes in front of the frames it covers.
            if (c.Visible) w->raise();
        }
        if (w->isEnabled() != c.Enabled) w->setEnabled(c.Enabled);
    }
    showing_ = false;
}

[[maybe_unused]] static const bool kRegistered = RegisterDialog(DialogKind::TechOperator, [](Program& p, QWidget* parent) {
    GY1_Form f(p, parent);
    f.exec();
});

}  // namespace velbend
