#include "widgets/Notebook.h"

TNotebook::TNotebook(QWidget* parent) : QStackedWidget(parent) {
    connect(this, &QStackedWidget::currentChanged, this, [this](int) {
        if (OnPageChanged) OnPageChanged(this);
    });
}

QWidget* TNotebook::AddPage(const QString& name, QWidget* page) {
    if (!page) page = new QWidget;
    FNames.append(name);
    addWidget(page);
    return page;
}

void TNotebook::SetPages(const QStringList& names) {
    while (FNames.size() > names.size()) {
        QWidget* w = widget(FNames.size() - 1);
        removeWidget(w);
        delete w;
        FNames.removeLast();
    }
    for (int i = 0; i < names.size(); ++i) {
        if (i < FNames.size()) FNames[i] = names[i];
        else AddPage(names[i]);
    }
}

QString TNotebook::PageName(int index) const { return index >= 0 && index < FNames.size() ? FNames[index] : QString(); }

int TNotebook::IndexOfPage(const QString& name) const {
    for (int i = 0; i < FNames.size(); ++i)
        if (FNames[i].compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

void TNotebook::SetPageIndex(int index) {
    if (index >= 0 && index < count()) setCurrentIndex(index);
}

void TNotebook::SetActivePage(const QString& name) { SetPageIndex(IndexOfPage(name)); }
