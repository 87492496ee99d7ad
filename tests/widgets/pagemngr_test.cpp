#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>
#include <memory>

#include "widgets/Notebook.h"
#include "widgets/PageMngr.h"
#include "widgets/kv_btns.h"

namespace {

// A form with a three-page notebook, two buttons and a manager over them.
struct TWizard {
    QWidget Form;
    TNotebook* Book;
    TKV_Button* Prior;
    TKV_Button* Next;
    TPageManager* Manager;
    QStringList Log;

    explicit TWizard(const QStringList& pages = {"One", "Two", "Three"}) {
        Form.setObjectName("Form");
        Book = new TNotebook(&Form);
        for (const QString& p : pages) Book->AddPage(p);
        Prior = new TKV_Button(&Form);
        Prior->setGeometry(0, 100, 80, 25);
        Next = new TKV_Button(&Form);
        Next->setGeometry(90, 100, 80, 25);
        Manager = new TPageManager(&Form);
        Manager->SetPageOwner(Book);
        Manager->SetPriorBtn(Prior);
        Manager->SetNextBtn(Next);
    }

    void LogEvents() {
        for (TPageProxy* p : Manager->GetPageProxies()) {
            const QString name = p->GetPageName();
            p->OnEnter = [this, name](QObject*, bool next) { Log << "Enter " + name + (next ? "+" : "-"); };
            p->OnLeave = [this, name](QObject*, bool next) { Log << "Leave " + name + (next ? "+" : "-"); };
            p->OnShow = [this, name](QObject*, bool next) {
                Log << "Show " + name + (next ? "+" : "-") + " at " + QString::number(Book->GetPageIndex());
            };
            p->OnHide = [this, name](QObject*, bool next) { Log << "Hide " + name + (next ? "+" : "-"); };
        }
        Manager->OnCheckButtons = [this](QObject*) {
            Log << QString("Buttons %1%2 at %3")
                       .arg(Prior->isEnabled() ? "P" : "p", Next->isEnabled() ? "N" : "n")
                       .arg(Book->GetPageIndex());
        };
    }
};

void Click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10)); }

TEST(PageManager, ButtonsFollowThePage) {
    TWizard w;
    w.Manager->Loaded();
    EXPECT_EQ(w.Book->GetPageIndex(), 0);
    EXPECT_FALSE(w.Prior->isEnabled());
    EXPECT_TRUE(w.Next->isEnabled());
    Click(w.Next);
    EXPECT_EQ(w.Book->GetPageIndex(), 1);
    EXPECT_TRUE(w.Prior->isEnabled());
    EXPECT_TRUE(w.Next->isEnabled());
    Click(w.Next);
    EXPECT_EQ(w.Book->GetPageIndex(), 2);
    EXPECT_TRUE(w.Prior->isEnabled());
    EXPECT_FALSE(w.Next->isEnabled());
    Click(w.Prior);
    EXPECT_EQ(w.Book->GetPageIndex(), 1);
}

TEST(PageManager, ARequestHandlerCanCloseTheWayForward) {
    TWizard w;
    w.Manager->OnGetNextPage = [](QObject*, int, int& page) { page = -1; };
    w.Manager->Loaded();
    for (int page = 0; page < 3; ++page) {
        w.Book->SetPageIndex(page);
        w.Manager->UpdateButtons();
        EXPECT_FALSE(w.Next->isEnabled()) << page;
        EXPECT_EQ(w.Prior->isEnabled(), page > 0) << page;
    }
    // And one that skips a page.
    w.Manager->OnGetNextPage = [](QObject*, int current, int& page) {
        if (current == 0) page = 2;
    };
    w.Book->SetPageIndex(0);
    w.Manager->ChangePage(true);
    EXPECT_EQ(w.Book->GetPageIndex(), 2);
}

TEST(PageManager, EventOrderForwardAndBack) {
    TWizard w;
    w.LogEvents();
    w.Manager->Loaded();
    w.Log.clear();
    Click(w.Next);
    EXPECT_EQ(w.Log, QStringList({"Leave One+", "Enter Two+", "Buttons PN at 1", "Hide One+", "Show Two+ at 1"}));
    w.Log.clear();
    Click(w.Prior);
    EXPECT_EQ(w.Log, QStringList({"Leave Two-", "Enter One-", "Buttons pN at 0", "Hide Two-", "Show One- at 0"}));
    // From the last page forward only code can step: it is announced as
    // left, and nothing else happens.
    w.Book->SetPageIndex(2);
    w.Log.clear();
    w.Manager->ChangePage(true);
    EXPECT_EQ(w.Log, QStringList({"Leave Three+"}));
    EXPECT_EQ(w.Book->GetPageIndex(), 2);
}

TEST(PageManager, TheButtonsOwnClickRunsAfterThePageChange) {
    QWidget form;
    auto* book = new TNotebook(&form);
    book->AddPage("A");
    book->AddPage("B");
    auto* next = new TKV_Button(&form);
    next->resize(50, 20);
    int seenPage = -1;
    next->OnClick = [&](QObject*) { seenPage = book->GetPageIndex(); };
    {
        TPageManager manager(&form);
        manager.SetPageOwner(book);
        manager.SetNextBtn(next);
        manager.Loaded();
        Click(next);
        EXPECT_EQ(seenPage, 1);
    }
    // The manager gone, the button has its own handler back.
    book->SetPageIndex(0);
    next->setEnabled(true);
    seenPage = -1;
    Click(next);
    EXPECT_EQ(seenPage, 0);
    EXPECT_EQ(book->GetPageIndex(), 0);
}

TEST(PageManager, ProxiesAreNamedAndFollowThePages) {
    TWizard w;
    const auto& proxies = w.Manager->GetPageProxies();
    ASSERT_EQ(proxies.size(), 3);
    EXPECT_EQ(proxies[0]->objectName(), "PageProxy1");
    EXPECT_EQ(proxies[1]->objectName(), "PageProxy2");
    EXPECT_EQ(proxies[2]->objectName(), "PageProxy3");
    EXPECT_EQ(proxies[0]->GetPageName(), "One");
    EXPECT_EQ(proxies[2]->GetPageName(), "Three");
    EXPECT_EQ(proxies[1]->parent(), &w.Form);

    // Names taken by other components of the form are skipped.
    QWidget form;
    (new QObject(&form))->setObjectName("PageProxy1");
    auto* book = new TNotebook(&form);
    book->AddPage("X");
    auto* manager = new TPageManager(&form);
    manager->SetPageOwner(book);
    EXPECT_EQ(manager->GetPageProxies().at(0)->objectName(), "PageProxy2");

    // Pages renamed and reordered: the list follows the page order; with as
    // many proxies as pages none is freed.
    auto names = [&w] {
        QStringList n;
        for (TPageProxy* p : w.Manager->GetPageProxies()) n << p->objectName() + "=" + p->GetPageName();
        return n;
    };
    w.Book->SetPages({"Three", "Four", "One"});
    w.Manager->SyncProxies();
    EXPECT_EQ(names(), QStringList({"PageProxy3=Three", "PageProxy2=Two", "PageProxy1=One"}));
    // Fewer pages: the proxy of a page that is gone is freed.
    w.Book->SetPages({"Three", "One"});
    w.Manager->SyncProxies();
    EXPECT_EQ(names(), QStringList({"PageProxy3=Three", "PageProxy1=One"}));
    // More pages: new proxies take the smallest free numbers and the first
    // unclaimed captions.
    w.Book->SetPages({"Three", "One", "Five", "Six"});
    w.Manager->SyncProxies();
    EXPECT_EQ(names(), QStringList({"PageProxy3=Three", "PageProxy1=One", "PageProxy2=Five", "PageProxy4=Six"}));
}

TEST(PageManager, AStrayPageNameBecomesEmptyAndGetsNoEvents) {
    TWizard w;
    TPageProxy* p = w.Manager->GetPageProxies().at(1);
    p->SetPageName("Nowhere");
    EXPECT_EQ(p->GetPageName(), "");
    int events = 0;
    p->OnEnter = p->OnShow = [&](QObject*, bool) { ++events; };
    w.Manager->Loaded();
    Click(w.Next);
    EXPECT_EQ(w.Book->GetPageIndex(), 1);
    EXPECT_EQ(events, 0);
    // The lookup ignores case, the events compare exactly.
    p->SetPageName("two");
    EXPECT_EQ(p->GetPageName(), "two");
    EXPECT_EQ(w.Manager->ProxyOfPage(1), nullptr);
    // Without a notebook any name is kept.
    TPageManager alone;
    TPageProxy free;
    free.SetPageManager(&alone);
    free.SetPageName("Anything");
    EXPECT_EQ(free.GetPageName(), "Anything");
    free.SetPageManager(nullptr);
    EXPECT_TRUE(alone.GetPageProxies().isEmpty());
}

TEST(PageManager, FreedNotebookAndButtonsAreForgotten) {
    TWizard w;
    int ownClicks = 0;
    w.Manager->SetPriorBtn(nullptr);
    w.Prior->OnClick = [&](QObject*) { ++ownClicks; };
    w.Manager->SetPriorBtn(w.Prior);
    w.Manager->Loaded();
    Click(w.Next);  // on the second page the way back is open
    ASSERT_EQ(w.Book->GetPageIndex(), 1);
    ASSERT_TRUE(w.Prior->isEnabled());
    delete w.Next;
    delete w.Book;
    EXPECT_EQ(w.Manager->GetNextBtn(), nullptr);
    EXPECT_EQ(w.Manager->GetPageOwner(), nullptr);
    EXPECT_EQ(w.Manager->CurrentPage(), -1);
    w.Manager->ChangePage(true);  // nothing to do, nothing breaks
    // The button that is left still steps (to no page) and then runs its
    // own handler.
    Click(w.Prior);
    EXPECT_EQ(ownClicks, 1);
    // With no notebook there is no step to take either way.
    w.Manager->UpdateButtons();
    EXPECT_FALSE(w.Prior->isEnabled());
}

}  // namespace
