#include "velbend/ui/jjz_form.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

#include "velbend/ui/widgets.h"

namespace velbend {
namespace {

// Placement in twips.  Axis frames: 2 x 2; the encoder frame, Stop, Save
// and Return in the right column; the calibration panel over the frames.
constexpr int kMargin = 150;
constexpr int kFrameW = 5700, kFrameH = 5040;
constexpr int kRightLeft = kMargin + 2 * (kFrameW + kMargin);
constexpr int kRightW = 3900;
constexpr int kFormW = kRightLeft + kRightW + kMargin;
constexpr int kFormH = 2 * (kFrameH + kMargin) + kMargin;
constexpr int kRowTop = 360, kRowStep = 390;

const char* const kAxisLetter[5] = {"", "X", "Y", "Z", "A"};

QLabel* MakeLabel(QWidget* parent, const QString& name, const QRect& r, Qt::Alignment align = Qt::AlignLeft) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setGeometry(r);
    l->setAlignment(align | Qt::AlignVCenter);
    return l;
}

QLineEdit* MakeBox(QWidget* parent, const QString& name, const QRect& r, bool readOnly = false) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setGeometry(r);
    e->setReadOnly(readOnly);
    return e;
}

template <class B>
B* MakeButton(QWidget* parent, const QString& name, const QRect& r) {
    auto* b = new B(parent);
    b->setObjectName(name);
    b->setGeometry(r);
    b->setFocusPolicy(Qt::ClickFocus);
    return b;
}

}  // namespace

JJZ_Form::JJZ_Form(Program& program, QWidget* parent) : ModalDialog(program, parent), model_(program) {
    Build();
    Load();
    timer1_.setInterval(200);
    connect(&timer1_, &QTimer::timeout, this, &JJZ_Form::Timer1_Timer);
    timer1_.start();
}

// A hold still on ends while the model is alive (the buttons go after it).
JJZ_Form::~JJZ_Form() { OnLoseHold(); }

void JJZ_Form::OnLoseHold() {
    ModalDialog::OnLoseHold();
    model_.ReleaseJogs();
}

void JJZ_Form::Build() {
    setObjectName("JJZ_Form");
    setFixedSize(Twips(kFormW), Twips(kFormH));

    int unit = 0;  // Label0(...) in the order of JJZ_Model::Units()
    auto unitLabel = [&](QWidget* parent, const QRect& r) {
        const auto& u = JJZ_Model::Units()[static_cast<std::size_t>(unit)];
        QLabel* l = MakeLabel(parent, Q(Indexed("Label0", unit)), r);
        if (u.text) l->setText(Q(u.text));
        ++unit;
    };

    for (int n = 1; n <= 4; ++n) {
        const int left = kMargin + ((n - 1) % 2) * (kFrameW + kMargin);
        const int top = kMargin + ((n - 1) / 2) * (kFrameH + kMargin);
        auto* f = new QGroupBox(this);
        f->setObjectName(Q("Frame" + std::to_string(n)));
        f->setGeometry(TwipsRect(left, top, kFrameW, kFrameH));
        frame_[static_cast<std::size_t>(n)] = f;
        const std::string tb = "Text" + std::to_string(n);
        for (int k = 1; k <= JJZ_Model::kRows; ++k) {
            const int y = kRowTop + (k - 1) * kRowStep;
            MakeLabel(f, Q(Indexed("Label" + std::to_string(n), k - 1)), TwipsRect(90, y, 2700, 300),
                      Qt::AlignRight);
            text_[n][k] = MakeBox(f, Q(Indexed(tb, k)), TwipsRect(2880, y - 15, 1020, 330));
            if (k != 4) unitLabel(f, TwipsRect(3960, y, 1620, 300));
        }
        const int stepTop = kRowTop + 7 * kRowStep;
        const std::string cb = "Command" + std::to_string(n);
        command_[n][2] = MakeButton<HoldButton>(f, Q(Indexed(cb, 2)), TwipsRect(90, stepTop - 30, 2700, 360));
        text_[n][0] = MakeBox(f, Q(Indexed(tb, 0)), TwipsRect(2880, stepTop - 15, 1020, 330));
        unitLabel(f, TwipsRect(3960, stepTop, 1620, 300));
        command_[n][0] = MakeButton<HoldButton>(f, Q(Indexed(cb, 0)), TwipsRect(90, 3570, 2700, 450));
        command_[n][1] = MakeButton<HoldButton>(f, Q(Indexed(cb, 1)), TwipsRect(2880, 3570, 2700, 450));
        command_[n][3] = MakeButton<HoldButton>(f, Q(Indexed(cb, 3)), TwipsRect(90, 4110, 2700, 390));
        pos_[n] = MakeBox(f, Q(std::string(kAxisLetter[n]) + "Text"), TwipsRect(90, 4590, 2700, 330), true);
        pos_[n]->setFocusPolicy(Qt::NoFocus);

        for (int k = 0; k <= JJZ_Model::kRows; ++k)
            connect(text_[n][k], &QLineEdit::textChanged, this,
                    [this, n, k](const QString& t) { TextEdited(n, k, t); });
        // Every button acts on the press of any mouse button; the release
        // (or the end of the hold) matters to forward and reverse only.
        for (int i = 0; i < 4; ++i) {
            auto* h = static_cast<HoldButton*>(command_[n][i]);
            connect(h, &HoldButton::held, this, [this, n, i] {
                model_.Command_MouseDown(n, static_cast<int16_t>(i));
                Refresh();
            });
            connect(h, &HoldButton::letGo, this, [this, n, i] { model_.Command_MouseUp(n, static_cast<int16_t>(i)); });
        }
    }
    label1_0_ = findChild<QLabel*>("Label1(0)");

    // Feed encoder.
    auto* f5 = new QGroupBox(this);
    f5->setObjectName("Frame5");
    f5->setGeometry(TwipsRect(kRightLeft, kMargin, kRightW, 1800));
    frame_[5] = f5;
    label5_0_ = MakeLabel(f5, "Label5(0)", TwipsRect(90, 360, 1710, 300), Qt::AlignRight);
    text_[5][0] = MakeBox(f5, "Text5(0)", TwipsRect(1860, 345, 1020, 330));
    unitLabel(f5, TwipsRect(2940, 360, 900, 300));
    MakeLabel(f5, "Label5(1)", TwipsRect(90, 810, 1710, 300), Qt::AlignRight);
    text_[5][1] = MakeBox(f5, "Text5(1)", TwipsRect(1860, 795, 1020, 330), true);
    auto* clear = MakeButton<QPushButton>(f5, "Command6", TwipsRect(1860, 1260, 1020, 390));
    connect(text_[5][0], &QLineEdit::textChanged, this, [this](const QString& t) { TextEdited(5, 0, t); });
    connect(clear, &QPushButton::clicked, this, [this] {
        model_.Command6_Click();
        Refresh();
    });
    for (QLabel* l : {label1_0_, label5_0_}) {
        l->setCursor(Qt::PointingHandCursor);
        l->installEventFilter(this);
    }

    auto* stop = MakeButton<QPushButton>(this, "Command5", TwipsRect(kRightLeft, 2100, kRightW, 750));
    connect(stop, &QPushButton::clicked, this, [this] {
        model_.Command5_Click();
        Refresh();
    });
    const int bottom = kFormH - kMargin - 540;
    save_ = MakeButton<QPushButton>(this, "Command0(0)", TwipsRect(kRightLeft, bottom, 1860, 540));
    auto* ret = MakeButton<QPushButton>(this, "Command0(1)", TwipsRect(kRightLeft + 2040, bottom, 1860, 540));
    connect(save_, &QPushButton::clicked, this, [this] {
        model_.Command0_Click(0);
        Refresh();
    });
    connect(ret, &QPushButton::clicked, this, [this] {
        if (model_.Command0_Click(1)) reject();
    });

    // Calibration panel, over the axis frames.
    auto* f6 = new QGroupBox(this);
    f6->setObjectName("Frame6");
    f6->setGeometry(TwipsRect(2560, 1220, 7200, 4080));
    f6->setAutoFillBackground(true);
    frame_[6] = f6;
    text7_ = MakeBox(f6, "Text7", TwipsRect(120, 240, 6960, 360), true);
    text7_->setFocusPolicy(Qt::NoFocus);
    for (int i = 0; i <= 4; ++i) {
        const int y = 720 + i * 450;
        QLabel* l = MakeLabel(f6, Q(Indexed("Label6", i)), TwipsRect(120, y, 2700, 330), Qt::AlignRight);
        text_[6][i] = MakeBox(f6, Q(Indexed("Text6", i)), TwipsRect(2880, y, 1500, 330), i == 4);
        if (i < 4) unitLabel(f6, TwipsRect(4440, y, 900, 330));
        if (i == 4) label6_4_ = l;
        connect(text_[6][i], &QLineEdit::textChanged, this, [this, i](const QString& t) { TextEdited(6, i, t); });
    }
    check2_ = new QCheckBox(f6);
    check2_->setObjectName("Check2");
    check2_->setGeometry(TwipsRect(4440, 720 + 4 * 450, 1200, 330));
    connect(check2_, &QCheckBox::toggled, this, [this](bool on) {
        if (!refreshing_) model_.Check2 = on ? 1 : 0;
    });
    for (int i = 0; i < 7; ++i) {
        auto* b = MakeButton<QPushButton>(f6, Q(Indexed("Command7", i)),
                                          TwipsRect(120 + (i % 4) * 1740, 3060 + (i / 4) * 540, 1650, 420));
        if (i == 6) clear7_ = b;
        connect(b, &QPushButton::clicked, this, [this, i] {
            model_.Command7_Click(static_cast<int16_t>(i));
            Refresh();
        });
    }
    f6->raise();
}

void JJZ_Form::XianShiCE() {
    ApplyCaptions(this, JJZ_Model::Captions(), program().language());
    setWindowTitle(Q(model_.Title()));
}

void JJZ_Form::LoadFields() {
    model_.Form_Load();
    Refresh();
}

void JJZ_Form::TextEdited(int box, int index, const QString& text) {
    if (refreshing_) return;
    model_.SetText(box, index, text.toStdString());
    Refresh();
}

void JJZ_Form::Timer1_Timer() {
    model_.Timer1_Timer();
    Refresh();
}

void JJZ_Form::Refresh() {
    refreshing_ = true;
    for (int b = 1; b <= 6; ++b)
        for (int i = 0; i < 8; ++i) {
            QLineEdit* e = text_[static_cast<std::size_t>(b)][static_cast<std::size_t>(i)];
            if (!e) continue;
            const QString t = Q(model_.Text(b, i));
            if (e->text() != t) e->setText(t);
        }
    text7_->setText(Q(model_.Text7()));
    save_->setEnabled(model_.SaveEnabled());
    for (int f = 1; f <= 5; ++f) frame_[static_cast<std::size_t>(f)]->setEnabled(model_.FrameEnabled(f));
    const bool cs7 = model_.PositionBoxesVisible();
    for (int n = 1; n <= 4; ++n) {
        for (int i = 0; i < 4; ++i)
            command_[static_cast<std::size_t>(n)][static_cast<std::size_t>(i)]->setEnabled(
                model_.CommandEnabled(n, static_cast<int16_t>(i)));
        pos_[static_cast<std::size_t>(n)]->setVisible(cs7);
        pos_[static_cast<std::size_t>(n)]->setText(Q(model_.PositionText(n)));
    }
    frame_[6]->setVisible(model_.PanelVisible());
    const bool count = model_.EncoderCountVisible();
    text_[6][4]->setVisible(count);
    label6_4_->setVisible(count);
    check2_->setVisible(count);
    check2_->setChecked(model_.Check2 == 1);
    clear7_->setVisible(model_.Command7ClearVisible());
    refreshing_ = false;
}

bool JJZ_Form::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && (watched == label1_0_ || watched == label5_0_) &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == label1_0_) model_.Label1_Click(0);
        else model_.Label5_Click(0);
        Refresh();
        return true;
    }
    return ModalDialog::eventFilter(watched, event);
}

namespace {
const bool kRegistered = RegisterDialog(DialogKind::AxisSetup, [](Program& p, QWidget* parent) {
    JJZ_Form f(p, parent);
    f.exec();
});
}  // namespace

}  // namespace velbend
