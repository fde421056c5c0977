#include "wfb_dialog.h"

#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>

#include "velbend/ui/widgets.h"

namespace velbend {

namespace {
constexpr int kRowH = 22;
constexpr int kBoxW = 72;

QString Hex(uint32_t rgb) { return QString("#%1").arg(rgb, 6, 16, QLatin1Char('0')); }
}  // namespace

QLineEdit* WfbDialog::Box(const QString& name, QWidget* parent, bool readOnly) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setReadOnly(readOnly);
    return e;
}

WfbDialog::WfbDialog(Program& program, QWidget* parent) : ModalDialog(program, parent), model_(program) {
    // Two curvature tables side by side, each 15 rows with its scroll bar.
    const char* valueNames[2] = {"Text1", "Text3"};
    const char* radiusNames[2] = {"Text2", "Text4"};
    for (int t = 0; t < 2; ++t) {
        auto* frame = new QGroupBox(this);
        frame->setObjectName(t == 0 ? "Frame1" : "Frame2");
        frame->setGeometry(8 + t * 200, 8, 192, kRowH * WFB_Form::kRows + 70);
        for (int i = 0; i < WFB_Form::kRows; ++i) {
            for (int c = 0; c < 2; ++c) {
                QLineEdit* e = Box(Q(Indexed(c == 0 ? valueNames[t] : radiusNames[t], i)), frame);
                e->setGeometry(6 + c * (kBoxW + 2), 22 + i * kRowH, kBoxW, kRowH - 1);
                if (c == 0) e->setStyleSheet("background-color: #c8c8c8;");
                e->installEventFilter(this);
                tableBoxes_[static_cast<std::size_t>(t * 2 + c)][static_cast<std::size_t>(i)] = e;
                connect(e, &QLineEdit::textEdited, this, [this, t, c, i](const QString& s) {
                    model_.TableText_Change(t, c, i, s.toStdString());
                });
            }
        }
        auto* bar = new QScrollBar(Qt::Vertical, frame);
        bar->setObjectName(t == 0 ? "VScroll1" : "VScroll2");
        bar->setGeometry(6 + 2 * (kBoxW + 2), 22, 16, kRowH * WFB_Form::kRows);
        connect(bar, &QScrollBar::valueChanged, this, [this, t](int v) {
            if (refreshing_) return;
            model_.VScroll_Change(t, v);
            Refresh();
        });
        scroll_[static_cast<std::size_t>(t)] = bar;
        for (int k = 0; k < 2; ++k) {
            auto* b = new QPushButton(frame);
            b->setObjectName(Q(Indexed("Command9", t * 2 + k)));
            b->setGeometry(6 + k * 90, 28 + kRowH * WFB_Form::kRows, 84, 30);
            connect(b, &QPushButton::clicked, this, [this, t, k] {
                model_.Command9_Click(t * 2 + k);
                Refresh();
            });
        }
    }

    // The pat-arc spacing rows.
    auto* frame5 = new QGroupBox(this);
    frame5->setObjectName("Frame5");
    frame5->setGeometry(410, 8, 172, kRowH * WFB_Form::kRows + 34);
    for (int i = 0; i < WFB_Form::kRows; ++i) {
        const bool heading = i == 0;
        text9_[static_cast<std::size_t>(i)] = Box(Q(Indexed("Text9", i)), frame5, heading || i == WFB_Form::kRows - 1);
        text10_[static_cast<std::size_t>(i)] = Box(Q(Indexed("Text10", i)), frame5, heading);
        text9_[static_cast<std::size_t>(i)]->setGeometry(6, 22 + i * kRowH, 78, kRowH - 1);
        text10_[static_cast<std::size_t>(i)]->setGeometry(86, 22 + i * kRowH, 78, kRowH - 1);
        connect(text9_[static_cast<std::size_t>(i)], &QLineEdit::textEdited, this,
                [this, i](const QString& s) { model_.Text9[static_cast<std::size_t>(i)] = s.toStdString(); });
        connect(text10_[static_cast<std::size_t>(i)], &QLineEdit::textEdited, this,
                [this, i](const QString& s) { model_.Text10[static_cast<std::size_t>(i)] = s.toStdString(); });
    }

    // Bending tests.
    const int testTop = kRowH * WFB_Form::kRows + 86;
    auto* frame3 = new QGroupBox(this);
    frame3->setObjectName("Frame3");
    frame3->setGeometry(8, testTop, 250, 90);
    auto* c3 = new QPushButton(frame3);
    c3->setObjectName("Command3");
    c3->setGeometry(8, 14, 134, 30);
    auto* c4 = new QPushButton(frame3);
    c4->setObjectName("Command4");
    c4->setGeometry(8, 50, 134, 30);
    text5_ = Box("Text5", frame3);
    text5_->setGeometry(148, 53, 56, 24);
    auto* l1 = new QLabel(frame3);
    l1->setObjectName("Label1");
    l1->setGeometry(210, 53, 36, 24);

    auto* frame4 = new QGroupBox(this);
    frame4->setObjectName("Frame4");
    frame4->setGeometry(266, testTop, 132, 90);
    auto* c5 = new HoldButton(frame4);
    c5->setObjectName("Command5");
    c5->setGeometry(10, 14, 112, 30);
    auto* c6 = new HoldButton(frame4);
    c6->setObjectName("Command6");
    c6->setGeometry(10, 50, 112, 30);

    auto* frame6 = new QGroupBox(this);
    frame6->setObjectName("Frame6");
    frame6->setGeometry(406, testTop, 176, 160);
    const char* labels[3] = {"Label2", "Label3", "Label4"};
    QLineEdit** boxes[3] = {&text6_, &text7_, &text8_};
    const char* boxNames[3] = {"Text6", "Text7", "Text8"};
    for (int k = 0; k < 3; ++k) {
        auto* l = new QLabel(frame6);
        l->setObjectName(labels[k]);
        l->setGeometry(8, 14 + k * 28, 90, 24);
        *boxes[k] = Box(boxNames[k], frame6);
        (*boxes[k])->setGeometry(100, 14 + k * 28, 66, 24);
    }
    auto* c7 = new QPushButton(frame6);
    c7->setObjectName("Command7");
    c7->setGeometry(8, 104, 96, 30);
    auto* c8 = new QPushButton(frame6);
    c8->setObjectName("Command8");
    c8->setGeometry(108, 104, 60, 30);

    auto* save = new QPushButton(this);
    save->setObjectName("Command1");
    save->setGeometry(20, testTop + 104, 100, 34);
    auto* ret = new QPushButton(this);
    ret->setObjectName("Command2");
    ret->setGeometry(140, testTop + 104, 100, 34);
    setFixedSize(590, testTop + 176);

    connect(text5_, &QLineEdit::textEdited, this, [this](const QString& s) { model_.Text5 = s.toStdString(); });
    connect(text6_, &QLineEdit::textEdited, this, [this](const QString& s) { model_.Text6 = s.toStdString(); });
    connect(text7_, &QLineEdit::textEdited, this, [this](const QString& s) { model_.Text7 = s.toStdString(); });
    connect(text8_, &QLineEdit::textEdited, this, [this](const QString& s) { model_.Text8 = s.toStdString(); });
    connect(save, &QPushButton::clicked, this, [this] {
        model_.Command1_Click();
        Refresh();
    });
    connect(ret, &QPushButton::clicked, this, &QDialog::reject);
    connect(c3, &QPushButton::clicked, this, [this] { model_.Command3_Click(); });
    connect(c4, &QPushButton::clicked, this, [this] { model_.Command4_Click(); });
    connect(c5, &HoldButton::held, this, [this] { model_.Command5_MouseDown(); });
    connect(c5, &HoldButton::letGo, this, [this] { model_.Command5_MouseUp(); });
    connect(c6, &HoldButton::held, this, [this] { model_.Command6_MouseDown(); });
    connect(c6, &HoldButton::letGo, this, [this] { model_.Command6_MouseUp(); });
    connect(c7, &QPushButton::clicked, this, [this] { model_.Command7_Click(); });
    connect(c8, &QPushButton::clicked, this, [this] { model_.Command8_Click(); });
    Load();
}

// A hold still on ends while the model is alive (the buttons go after it).
WfbDialog::~WfbDialog() { OnLoseHold(); }

void WfbDialog::OnLoseHold() {
    ModalDialog::OnLoseHold();
    model_.ReleaseJogs();
}

void WfbDialog::XianShiCE() {
    model_.XianShiCE();
    ApplyCaptions(this, WfbCaptions(), program().language());
    setWindowTitle(Q(model_.title));
}

void WfbDialog::LoadFields() {
    model_.Form_Load();
    Refresh();
}

void WfbDialog::Refresh() {
    refreshing_ = true;
    const std::array<const std::array<std::string, WFB_Form::kRows>*, 4> texts = {&model_.Text1, &model_.Text2,
                                                                                  &model_.Text3, &model_.Text4};
    for (std::size_t t = 0; t < 4; ++t)
        for (std::size_t i = 0; i < WFB_Form::kRows; ++i) tableBoxes_[t][i]->setText(Q((*texts[t])[i]));
    for (std::size_t i = 0; i < WFB_Form::kRows; ++i) {
        text9_[i]->setText(Q(model_.Text9[i]));
        text10_[i]->setText(Q(model_.Text10[i]));
        tableBoxes_[1][i]->setStyleSheet("background-color: " + Hex(model_.Text2Back[i]) + ";");
        tableBoxes_[3][i]->setStyleSheet("background-color: " + Hex(model_.Text4Back[i]) + ";");
    }
    for (int t = 0; t < 2; ++t) {
        scroll_[static_cast<std::size_t>(t)]->setRange(0, model_.ScrollMax(t));
        scroll_[static_cast<std::size_t>(t)]->setValue(t == 0 ? model_.VScroll1 : model_.VScroll2);
    }
    text5_->setText(Q(model_.Text5));
    text6_->setText(Q(model_.Text6));
    text7_->setText(Q(model_.Text7));
    text8_->setText(Q(model_.Text8));
    refreshing_ = false;
}

bool WfbDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        for (int t = 0; t < 4; ++t)
            for (int i = 0; i < WFB_Form::kRows; ++i)
                if (watched == tableBoxes_[static_cast<std::size_t>(t)][static_cast<std::size_t>(i)]) {
                    model_.TableText_Click(t / 2, i);
                    Refresh();
                }
    }
    return ModalDialog::eventFilter(watched, event);
}

static const bool kRegistered = RegisterDialog(DialogKind::Curvature, [](Program& p, QWidget* parent) {
    WfbDialog d(p, parent);
    d.exec();
});

}  // namespace velbend
