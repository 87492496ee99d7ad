#include "widgets/TimeAlarmer.h"

int TObjectsList::Add(QObject* object) {
    FItems.emplace_back(object);
    return Count() - 1;
}

QObject* TObjectsList::Get(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return FItems[static_cast<size_t>(index)].get();
}

void TObjectsList::Clear() { FItems.clear(); }

TTimeAlarmer& GlobalTimeAlarmer() {
    static TTimeAlarmer alarmer;
    return alarmer;
}
