#include "widgets/kv_dlgs.h"

#include <QGuiApplication>
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
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    if (const QScreen* s = QGuiApplication::primaryScreen()) {
        const QRect g = s->availableGeometry();
        move(g.center() - QPoint(width() / 2, height() / 2));
    }
}

bool Tinputdlg::Execute() {
    auto form = std::make_unique<Tinputdlgform>();
    if (!FText.isEmpty()) form->Edit1->setText(FText);
    form->setWindowTitle(FCaption);
    const bool ok = form->exec() == QDialog::Accepted;
    if (ok) FText = form->Edit1->text();
    return ok;
}
