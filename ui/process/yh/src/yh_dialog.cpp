#include "velbend/ui/yh_dialog.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include "velbend/ui/widgets.h"

namespace velbend {

namespace {

QRect Place(const YhRect& r) { return TwipsRect(r.left, r.top, r.width, r.height); }

template <class W>
W* New(QWidget* parent, const char* name, const YhRect& r) {
    auto* w = new W(parent);
    w->setObjectName(name);
    w->setGeometry(Place(r));
    return w;
}

// A password box: every character shown as "*", at most 6 characters.
QLineEdit* PasswordBox(QWidget* parent, const char* name, const YhRect& r) {
    auto* e = New<QLineEdit>(parent, name, r);
    e->setEchoMode(QLineEdit::Password);
    e->setMaxLength(6);
    e->setStyleSheet("QLineEdit { lineedit-password-character: 42; }");
    return e;
}

}  // namespace

YH_Form::YH_Form(Program& program, QWidget* parent) : ModalDialog(program, parent), model_(program) {
    setObjectName("YH_Form");
    const YhLayout& l = YhLayoutOf();
    setFixedSize(Twips(l.width), Twips(l.height));
    New<QLabel>(this, "Label1", l.Label1);
    user_ = New<QGroupBox>(this, "user", l.user);
    option_[0] = New<QRadioButton>(user_, "Option1", l.Option1);
    option_[1] = New<QRadioButton>(user_, "Option2", l.Option2);
    option_[2] = New<QRadioButton>(user_, "Option3", l.Option3);

    passIn_ = New<QGroupBox>(this, "PassIn", l.PassIn);
    text_[0] = PasswordBox(passIn_, "Text1", l.Text1);
    auto* command4 = New<QPushButton>(passIn_, "Command4", l.Command4);
    auto* command3 = New<QPushButton>(passIn_, "Command3", l.Command3);
    passIn_->hide();

    passEdit_ = New<QGroupBox>(this, "PassEdit", l.PassEdit);
    New<QLabel>(passEdit_, "Label4", l.Label4);
    text_[1] = PasswordBox(passEdit_, "Text2", l.Text2);
    New<QLabel>(passEdit_, "Label2", l.Label2);
    text_[2] = PasswordBox(passEdit_, "Text3", l.Text3);
    New<QLabel>(passEdit_, "Label3", l.Label3);
    text_[3] = PasswordBox(passEdit_, "Text4", l.Text4);
    auto* command1 = New<QPushButton>(passEdit_, "Command1", l.Command1);
    auto* command2 = New<QPushButton>(passEdit_, "Command2", l.Command2);
    passEdit_->hide();

    command5_ = New<QPushButton>(this, "Command5", l.Command5);
    auto* command6 = New<QPushButton>(this, "Command6", l.Command6);

    Load();

    connect(option_[0], &QRadioButton::clicked, this, [this] { Handle([this] { model_.Option1_Click(); }); });
    connect(option_[1], &QRadioButton::clicked, this, [this] { Handle([this] { model_.Option2_Click(); }); });
    connect(option_[2], &QRadioButton::clicked, this, [this] { Handle([this] { model_.Option3_Click(); }); });
    std::string* texts[4] = {&model_.Text1, &model_.Text2, &model_.Text3, &model_.Text4};
    for (int i = 0; i < 4; ++i) {
        std::string* t = texts[i];
        connect(text_[i], &QLineEdit::textChanged, this, [t](const QString& s) { *t = s.toStdString(); });
    }
    connect(command1, &QPushButton::clicked, this, [this] { Handle([this] { model_.Command1_Click(); }); });
    connect(command2, &QPushButton::clicked, this, [this] { Handle([this] { model_.Command2_Click(); }); });
    connect(command3, &QPushButton::clicked, this, [this] { Handle([this] { model_.Command3_Click(); }); });
    connect(command4, &QPushButton::clicked, this, [this] { Handle([this] { model_.Command4_Click(); }); });
    connect(command5_, &QPushButton::clicked, this, [this] { Handle([this] { model_.Command5_Click(); }); });
    connect(command6, &QPushButton::clicked, this, [this] { Handle([this] { model_.Command6_Click(); }); });
}

void YH_Form::XianShiCE() { ApplyCaptions(this, YhCaptions(), program().language()); }

void YH_Form::LoadFields() {
    model_.Form_Load();
    Sync();
}

void YH_Form::Sync() {
    for (int i = 0; i < 3; ++i) {
        const QSignalBlocker block(option_[i]);
        option_[i]->setChecked(model_.selected == i + 1);
    }
    user_->setEnabled(model_.userEnabled);
    passIn_->setVisible(model_.passInVisible);
    passEdit_->setVisible(model_.passEditVisible);
    command5_->setEnabled(model_.command5Enabled);
    const std::string* texts[4] = {&model_.Text1, &model_.Text2, &model_.Text3, &model_.Text4};
    for (int i = 0; i < 4; ++i) {
        const QString t = Q(*texts[i]);
        if (text_[i]->text() != t) {
            const QSignalBlocker block(text_[i]);
            text_[i]->setText(t);
        }
    }
    if (!model_.focus.empty()) {
        if (QWidget* w = findChild<QWidget*>(Q(model_.focus))) w->setFocus();
        model_.focus.clear();
    }
    if (model_.closed) accept();
}

void YH_Form::EnterPressed() {
    Handle([this] { model_.Form_KeyPress(kKeyEnter); });
}

bool YH_Form::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            EnterPressed();
            return true;
        }
    }
    return ModalDialog::eventFilter(watched, event);
}

void YH_Form::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        EnterPressed();
        return;
    }
    ModalDialog::keyPressEvent(e);
}

namespace {
const bool kRegistered = RegisterDialog(DialogKind::Users, [](Program& p, QWidget* parent) {
    YH_Form f(p, parent);
    f.exec();
});
}  // namespace

}  // namespace velbend
