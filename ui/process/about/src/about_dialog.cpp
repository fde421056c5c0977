#include "velbend/ui/about_dialog.h"

#include <QLabel>

#include "velbend/ui/widgets.h"

namespace velbend {

AboutMe_Form::AboutMe_Form(Program& program, QWidget* parent) : ModalDialog(program, parent) {
    setObjectName("AboutMe_Form");
    const AboutLayout l = AboutLayoutOf();
    setFixedSize(Twips(l.width), Twips(l.height));
    for (int i = 0; i < 5; ++i) {
        const AboutRect& r = l.labels[static_cast<std::size_t>(i)];
        auto* label = new QLabel(this);
        label->setObjectName(QString("Label%1").arg(i + 1));
        label->setGeometry(TwipsRect(r.left, r.top, r.width, r.height));
        label->setTextFormat(Qt::PlainText);  // the file's text is shown as it stands
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        labels_[i] = label;
    }
    Load();
}

void AboutMe_Form::XianShiCE() { ApplyCaptions(this, AboutCaptions(), program().language()); }

void AboutMe_Form::LoadFields() {
    const auto lines = AboutLabels(ReadAboutInfo(), program().language());
    for (int i = 0; i < 4; ++i) labels_[i]->setText(Q(lines[static_cast<std::size_t>(i)]));
}

namespace {
const bool kRegistered = RegisterDialog(DialogKind::About, [](Program& p, QWidget* parent) {
    AboutMe_Form f(p, parent);
    f.exec();
});
}  // namespace

}  // namespace velbend
