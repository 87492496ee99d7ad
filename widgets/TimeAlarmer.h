#pragma once
// TObjectsList, a list that owns the objects it holds, and TTimeAlarmer,
// which owns one such list; one TTimeAlarmer lives for the program's run.
#include <QObject>
#include <memory>
#include <vector>

class TObjectsList {
public:
    TObjectsList() = default;
    ~TObjectsList() { Clear(); }
    TObjectsList(const TObjectsList&) = delete;
    TObjectsList& operator=(const TObjectsList&) = delete;

    // Takes ownership; returns the index.
    int Add(QObject* object);
    int Count() const { return static_cast<int>(FItems.size()); }
    QObject* Get(int index) const;
    // Frees every object, then empties the list.
    void Clear();

private:
    std::vector<std::unique_ptr<QObject>> FItems;
};

class TTimeAlarmer {
public:
    TTimeAlarmer() : FList(std::make_unique<TObjectsList>()) {}
    TObjectsList& List() { return *FList; }
    // A second owned object, freed with the alarmer.
    void SetOwned(std::unique_ptr<QObject> object) { FOwned = std::move(object); }

private:
    std::unique_ptr<TObjectsList> FList;
    std::unique_ptr<QObject> FOwned;
};

// The program-wide instance, freed at exit.
TTimeAlarmer& GlobalTimeAlarmer();
