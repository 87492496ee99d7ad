#include "widgets/kv_dlgs.h"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <memory>

Tinputdlgform::Tinputdlgform(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("inputdlgform"));
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPointSize(8);
    setFont(f);
    setFixedSize(278, 72);
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
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->hide();
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
        const QRect g = s->availableGeometry();
        move(g.center() - QPoint(width() / 2, height() / 2));
    }
}

void Tinputdlgform::SetPrompt(const QString& prompt) {
    const int shift = prompt.isEmpty() ? 0 : 18;
    Label1->setText(prompt);
    Label1->setGeometry(7, 6, 265, 16);
    Label1->setVisible(!prompt.isEmpty());
    Edit1->move(7, 8 + shift);
    BitBtn1->move(62, 40 + shift);
    BitBtn2->move(142, 39 + shift);
    const QPoint centre = geometry().center();
    setFixedSize(278, 72 + shift);
    move(centre - QPoint(width() / 2, height() / 2));
}

bool Tinputdlg::Execute() {
    auto form = std::make_unique<Tinputdlgform>();
    if (!FText.isEmpty()) form->Edit1->setText(FText);
    form->setWindowTitle(FCaption);
    form->SetPrompt(FPrompt);
    const bool ok = form->exec() == QDialog::Accepted;
    if (ok) FText = form->Edit1->text();
    return ok;
}
