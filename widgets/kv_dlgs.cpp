#include "widgets/kv_dlgs.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <memory>

namespace {
// Room the prompt line takes above the edit.
constexpr int kPromptHeight = 18;
}  // namespace

Tinputdlgform::Tinputdlgform(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("inputdlgform"));
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPointSize(8);
    setFont(f);
    setFixedSize(278, 72);
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(7, 6, 265, 16);
    Label1->hide();
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(7, 8, 265, 21);
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(62, 40, 75, 25);
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry(142, 39, 75, 25);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
        const QRect g = s->availableGeometry();
        move(g.center() - QPoint(width() / 2, height() / 2));
    }
}

void Tinputdlgform::SetPrompt(const QString& text) {
    const int shift = kPromptHeight - (Label1->isVisible() ? kPromptHeight : 0);
    Label1->setText(text);
    Label1->show();
    for (QWidget* w : {static_cast<QWidget*>(Edit1), static_cast<QWidget*>(BitBtn1), static_cast<QWidget*>(BitBtn2)})
        w->move(w->x(), w->y() + shift);
    setFixedSize(width(), height() + shift);
}

bool Tinputdlg::Execute() {
    auto form = std::make_unique<Tinputdlgform>();
    if (!FPrompt.isEmpty()) form->SetPrompt(FPrompt);
    if (!FText.isEmpty()) form->Edit1->setText(FText);
    form->Edit1->selectAll();
    form->setWindowTitle(FCaption);
    const bool ok = form->exec() == QDialog::Accepted;
    if (ok) FText = form->Edit1->text();
    return ok;
}
