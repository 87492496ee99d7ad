#include "widgets/PageMngr.h"

// ---- TPageProxy ----------------------------------------------------------------

TPageProxy::TPageProxy(QObject* owner) : QObject(owner) {}

TPageProxy::~TPageProxy() { SetPageManager(nullptr); }

void TPageProxy::SetPageManager(TPageManager* manager) {
    if (manager == FManager) return;
    if (FManager) FManager->RemoveProxy(this);
    if (manager) manager->AddProxy(this);
}

void TPageProxy::SetPageName(const QString& value) {
    TNotebook* notebook = FManager ? FManager->GetPageOwner() : nullptr;
    if (notebook && notebook->IndexOfPage(value) < 0) FPageName.clear();
    else FPageName = value;
}

// ---- TPageManager -----------------------------------------------------------

TPageManager::TPageManager(QObject* owner) : QObject(owner) {}

TPageManager::~TPageManager() {
    Unhook(0);
    Unhook(1);
    while (!FProxies.isEmpty()) delete FProxies.last();  // each leaves the list
}

void TPageManager::AddProxy(TPageProxy* proxy) {
    FProxies.append(proxy);
    proxy->FManager = this;
}

void TPageManager::RemoveProxy(TPageProxy* proxy) {
    FProxies.removeOne(proxy);
    proxy->FManager = nullptr;
}

void TPageManager::SetPageOwner(TNotebook* notebook) {
    FPageOwner = notebook;
    SyncProxies();
}

void TPageManager::SetButton(int index, TGraphicControl* button) {
    if (FButtons[index] == button) return;
    Unhook(index);
    FButtons[index] = button;
    Hook(index);
}

void TPageManager::Hook(int index) {
    TGraphicControl* button = FButtons[index];
    if (!button) return;
    FSavedClicks[index] = button->OnClick;
    button->OnClick = [this, index](QObject*) { ButtonClick(index); };
}

void TPageManager::Unhook(int index) {
    if (TGraphicControl* button = FButtons[index]) button->OnClick = FSavedClicks[index];
    FSavedClicks[index] = nullptr;
}

void TPageManager::ButtonClick(int index) {
    ChangePage(index == 1);
    // The handler may free the manager's form; copy it first.
    TNotifyEvent own = FSavedClicks[index];
    QObject* sender = FButtons[index];
    if (own) own(sender);
}

void TPageManager::Loaded() {
    if (FSetStartPage && FPageOwner && !FProxies.isEmpty() && !FProxies.first()->GetPageName().isEmpty())
        FPageOwner->SetActivePage(FProxies.first()->GetPageName());
    UpdateButtons();
}

int TPageManager::CurrentPage() const { return FPageOwner ? FPageOwner->GetPageIndex() : -1; }

int TPageManager::GetPriorPageIndex(int current) {
    int page = current > 0 ? current - 1 : -1;
    if (OnGetPriorPage) OnGetPriorPage(this, current, page);
    return page;
}

int TPageManager::GetNextPageIndex(int current) {
    const int count = FPageOwner ? FPageOwner->PageCount() : 0;
    int page = current < count - 1 ? current + 1 : -1;
    if (OnGetNextPage) OnGetNextPage(this, current, page);
    return page;
}

TPageProxy* TPageManager::ProxyOfPage(int index) const {
    if (!FPageOwner || index < 0 || index >= FPageOwner->PageCount()) return nullptr;
    const QString caption = FPageOwner->PageName(index);
    for (TPageProxy* p : FProxies)
        if (!p->GetPageName().isEmpty() && p->GetPageName() == caption) return p;
    return nullptr;
}

void TPageManager::ChangePage(bool next) {
    const int current = CurrentPage();
    // Leaving is announced before the target is known to exist; only code
    // gets here without a target, since the button is disabled then.
    if (TPageProxy* p = ProxyOfPage(current))
        if (p->OnLeave) p->OnLeave(p, next);
    const int target = next ? GetNextPageIndex(current) : GetPriorPageIndex(current);
    if (!FPageOwner || target < 0 || target >= FPageOwner->PageCount()) return;
    if (TPageProxy* p = ProxyOfPage(target))
        if (p->OnEnter) p->OnEnter(p, next);
    if (!FPageOwner) return;
    FPageOwner->SetPageIndex(target);
    UpdateButtons();
    if (FPageOwner && FPageOwner->GetPageIndex() == target) {
        if (TPageProxy* p = ProxyOfPage(current))
            if (p->OnHide) p->OnHide(p, next);
        if (TPageProxy* p = ProxyOfPage(target))
            if (p->OnShow) p->OnShow(p, next);
    }
}

void TPageManager::UpdateButtons() {
    const int current = CurrentPage();
    if (TGraphicControl* b = FButtons[0]) b->setEnabled(GetPriorPageIndex(current) >= 0);
    if (TGraphicControl* b = FButtons[1]) b->setEnabled(GetNextPageIndex(current) >= 0);
    if (OnCheckButtons) OnCheckButtons(this);
}

QString TPageManager::UnusedProxyName() const {
    QObject* owner = parent() ? parent() : const_cast<TPageManager*>(this);
    for (int n = 1;; ++n) {
        QString name = QStringLiteral("PageProxy%1").arg(n);
        bool used = owner->objectName() == name || owner->findChild<QObject*>(name) != nullptr;
        for (const TPageProxy* p : FProxies) used = used || p->objectName() == name;
        if (!used) return name;
    }
}

void TPageManager::SyncProxies() {
    if (!FPageOwner) return;
    const QStringList pages = FPageOwner->GetPages();
    while (FProxies.size() < pages.size()) {
        auto* proxy = new TPageProxy(parent() ? parent() : this);
        proxy->setObjectName(UnusedProxyName());
        proxy->SetPageManager(this);
        for (const QString& page : pages) {
            bool claimed = false;
            for (const TPageProxy* p : FProxies) claimed = claimed || p->GetPageName() == page;
            if (!claimed) {
                proxy->SetPageName(page);
                break;
            }
        }
    }
    for (int i = FProxies.size() - 1; i >= 0 && FProxies.size() > pages.size(); --i) {
        TPageProxy* p = FProxies[i];
        if (!p->GetPageName().isEmpty() && !pages.contains(p->GetPageName())) delete p;
    }
    for (int i = 0; i < pages.size(); ++i)
        for (int j = 0; j < FProxies.size(); ++j)
            if (FProxies[j]->GetPageName() == pages[i] && i < FProxies.size()) {
                FProxies.move(j, i);
                break;
            }
}
