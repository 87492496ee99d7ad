#pragma once
// TPageManager turns a TNotebook into a wizard: a backward and a forward
// button step through the pages, each page has a TPageProxy whose events
// tell it when it is entered, left, shown and hidden, and handlers may
// change where a step goes.
//
// Usage: create the notebook with its pages, then the manager (owned by the
// form), set PageOwner (this creates one proxy per page), PriorBtn and
// NextBtn, wire the proxies' events and call Loaded().
//
// The buttons are windowless controls (TKV_Button and kin): the manager
// takes over their OnClick and runs its page change first, then the
// handler the button had when it was hooked (given back when unhooked).
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

#include "platform/Controls.h"
#include "widgets/Notebook.h"

class TPageManager;

// Next: true when the move goes forward.
using TPageNotifyEvent = std::function<void(QObject* Sender, bool Next)>;
// A negative NewPage means no page.
using TPageRequestEvent = std::function<void(QObject* Sender, int CurrentPage, int& NewPage)>;

class TPageProxy : public QObject {
    Q_OBJECT
public:
    explicit TPageProxy(QObject* owner = nullptr);
    ~TPageProxy() override;

    TPageManager* GetPageManager() const { return FManager; }
    // Joins a manager (leaving the one it was in); nullptr leaves.
    void SetPageManager(TPageManager* manager);
    QString GetPageName() const { return FPageName; }
    // A name no page of the manager's notebook has (case-insensitive) is
    // stored as empty.
    void SetPageName(const QString& value);

    TPageNotifyEvent OnEnter, OnLeave, OnShow, OnHide;

private:
    friend class TPageManager;
    TPageManager* FManager = nullptr;
    QString FPageName;
};

class TPageManager : public QObject {
    Q_OBJECT
public:
    explicit TPageManager(QObject* owner = nullptr);
    ~TPageManager() override;

    TNotebook* GetPageOwner() const { return FPageOwner; }
    // Stores the notebook and brings the proxies in line with its pages.
    void SetPageOwner(TNotebook* notebook);
    // One proxy per page, in page order.
    const QList<TPageProxy*>& GetPageProxies() const { return FProxies; }
    // Button index 0 (backward) and 1 (forward).
    TGraphicControl* GetPriorBtn() const { return FButtons[0]; }
    void SetPriorBtn(TGraphicControl* button) { SetButton(0, button); }
    TGraphicControl* GetNextBtn() const { return FButtons[1]; }
    void SetNextBtn(TGraphicControl* button) { SetButton(1, button); }
    bool GetSetStartPage() const { return FSetStartPage; }
    void SetSetStartPage(bool value) { FSetStartPage = value; }

    // After the form is set up: shows the first proxy's page (with
    // SetStartPage) and updates the buttons.
    void Loaded();

    // The notebook's page index, -1 without a notebook.
    int CurrentPage() const;
    virtual int GetPriorPageIndex(int current);
    virtual int GetNextPageIndex(int current);
    // Steps forward (Next) or backward: Leave, Enter, the page change, the
    // buttons, then Hide and Show.
    virtual void ChangePage(bool next);
    // Enables the buttons by whether a step is possible, then OnCheckButtons.
    void UpdateButtons();
    // Creates, frees and reorders proxies so that there is one per page.
    void SyncProxies();
    // The proxy whose PageName is page index's caption (exact); nullptr when none.
    TPageProxy* ProxyOfPage(int index) const;

    TPageRequestEvent OnGetPriorPage, OnGetNextPage;
    TNotifyEvent OnCheckButtons;

private:
    friend class TPageProxy;
    void SetButton(int index, TGraphicControl* button);
    void Hook(int index);
    void Unhook(int index);
    void ButtonClick(int index);
    void AddProxy(TPageProxy* proxy);
    void RemoveProxy(TPageProxy* proxy);
    QString UnusedProxyName() const;

    QPointer<TNotebook> FPageOwner;
    QList<TPageProxy*> FProxies;
    QPointer<TGraphicControl> FButtons[2];
    TNotifyEvent FSavedClicks[2];
    bool FSetStartPage = true;
};
