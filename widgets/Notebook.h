#pragma once
// TNotebook: a stack of named pages, one shown at a time (a wizard's steps,
// a form's fill pages). Pages are found by name without regard to case.
#include <QStackedWidget>
#include <QString>
#include <QStringList>

#include "platform/Controls.h"

class TNotebook : public QStackedWidget {
    Q_OBJECT
public:
    explicit TNotebook(QWidget* parent = nullptr);

    // Appends a page (a plain widget when none is given) and returns it.
    QWidget* AddPage(const QString& name, QWidget* page = nullptr);
    // The page names in order; editing them renames pages.
    QStringList GetPages() const { return FNames; }
    void SetPages(const QStringList& names);
    int PageCount() const { return FNames.size(); }
    QString PageName(int index) const;
    QWidget* Page(int index) const { return widget(index); }
    // Index of the page of that name, case-insensitive; -1 when none.
    int IndexOfPage(const QString& name) const;

    // The page shown (-1 without pages). Setting an index out of range is
    // ignored.
    int GetPageIndex() const { return currentIndex(); }
    void SetPageIndex(int index);
    // Name of the page shown; setting a name no page has is ignored.
    QString GetActivePage() const { return PageName(currentIndex()); }
    void SetActivePage(const QString& name);

    // Fired after the page shown changed.
    TNotifyEvent OnPageChanged;

private:
    QStringList FNames;
};
