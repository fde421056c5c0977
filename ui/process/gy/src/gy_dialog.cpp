#include "velbend/ui/gy_dialog.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include "velbend/ui/widgets.h"

namespace velbend {

namespace {

QRect Place(const GyRect& r) { return TwipsRect(r.left, r.top, r.width, r.height); }

// A caption that does not fit its place on one line wraps, in a smaller
// font where two lines need it.
void FitCaption(QLabel* l) {
    QFont f = l->font();
    const QRect room(0, 0, l->width(), l->height());
    for (double pt = f.pointSizeF(); pt >= 6.0; pt -= 0.5) {
        f.setPointSizeF(pt);
        const QRect need = QFontMetrics(f).boundingRect(room, Qt::TextWordWrap, l->text());
        if (need.width() <= room.width() && need.height() <= room.height()) break;
    }
    l->setFont(f);
}

QLabel* NewLabel(QWidget* parent, const QString& name, const GyRect& r, Qt::Alignment align) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setGeometry(Place(r));
    l->setAlignment(align | Qt::AlignVCenter);
    l->setWordWrap(true);
    return l;
}

}  // namespace

GY_Form::GY_Form(Program& program, QWidget* parent) : ModalDialog(program, parent), model_(program) {
    setObjectName("GY_Form");
    const GyLayout whole = GyLayoutFor(2);
    frame1_ = new QGroupBox(this);
    frame1_->setObjectName("Frame1");
    frame1_->setGeometry(Place(whole.frame1));

    for (int i = 0; i < kGyBoxes; ++i) {
        const GyBoxPlace p = GyPlace(i);
        QWidget* parentOfBox = p.inFrame1 ? static_cast<QWidget*>(frame1_) : this;
        NewLabel(parentOfBox, Q(Indexed("Label1", i)), p.label, Qt::AlignRight);
        auto* box = new QLineEdit(parentOfBox);
        box->setObjectName(Q(Indexed("Text1", i)));
        box->setGeometry(Place(p.text));
        text1_[static_cast<std::size_t>(i)] = box;
        NewLabel(parentOfBox, Q(Indexed("Label2", i)), p.unit, Qt::AlignLeft);
    }
    NewLabel(frame1_, "Label17", whole.label17, Qt::AlignRight);
    option1_ = new QRadioButton(frame1_);
    option1_->setObjectName("Option1");
    option1_->setGeometry(Place(whole.option1));
    option2_ = new QRadioButton(frame1_);
    option2_->setObjectName("Option2");
    option2_->setGeometry(Place(whole.option2));

    command1_ = new QPushButton(this);
    command1_->setObjectName("Command1");
    command2_ = new QPushButton(this);
    command2_->setObjectName("Command2");

    Load();

    for (int i = 0; i < kGyBoxes; ++i)
        connect(text1_[static_cast<std::size_t>(i)], &QLineEdit::textChanged, this, [this, i] { Text1_Change(i); });
    connect(option1_, &QRadioButton::clicked, this, [this] { model_.Option1_Click(); });
    connect(option2_, &QRadioButton::clicked, this, [this] { model_.Option2_Click(); });
    connect(command1_, &QPushButton::clicked, this, [this] { model_.Command1_Click(); });
    connect(command2_, &QPushButton::clicked, this, &QDialog::reject);
}

void GY_Form::XianShiCE() {
    ApplyCaptions(this, GyCaptions(), program().language());
    for (QLabel* l : findChildren<QLabel*>()) {
        l->setFont(font());
        FitCaption(l);
    }
    setWindowTitle(Q(GyTitle(program().params)));
}

void GY_Form::LoadFields() {
    model_.Form_Load();
    const GyLayout& l = model_.layout;
    setFixedSize(Twips(l.width), Twips(l.clientHeight));
    frame1_->setVisible(l.frame1Visible);
    command1_->setGeometry(Place(l.command1));
    command2_->setGeometry(Place(l.command2));
    for (int i = 0; i < kGyBoxes; ++i) {
        auto* box = text1_[static_cast<std::size_t>(i)];
        box->setText(Q(model_.Text1[static_cast<std::size_t>(i)]));
        box->setCursorPosition(0);
    }
    option1_->setChecked(model_.Option1);
    option2_->setChecked(model_.Option2);
}

void GY_Form::Text1_Change(int index) {
    QLineEdit* box = text1_[static_cast<std::size_t>(index)];
    if (model_.Text1_Change(index, box->text().toStdString())) return;
    // Refused: the box shows the value that was kept.
    const QSignalBlocker block(box);
    box->setText(Q(model_.Text1[static_cast<std::size_t>(index)]));
}

namespace {
const bool kRegistered = RegisterDialog(DialogKind::TechMaker, [](Program& p, QWidget* parent) {
    GY_Form f(p, parent);
    f.exec();
});
}  // namespace

}  // namespace velbend
