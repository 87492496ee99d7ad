#pragma once
// The last few tables a filter built, most recent last, for the re-renders
// that ask for the same one again. One list per thread.
#include <cstddef>
#include <memory>
#include <vector>

template <typename TTable, size_t Capacity = 4>
class TRecentTables {
public:
    // The kept table match accepts, made the most recent; null when none.
    template <typename TMatch>
    std::shared_ptr<TTable> Find(TMatch match) {
        for (size_t i = 0; i < FKept.size(); ++i)
            if (match(*FKept[i])) {
                auto table = FKept[i];
                FKept.erase(FKept.begin() + static_cast<std::ptrdiff_t>(i));
                FKept.push_back(table);
                return table;
            }
        return nullptr;
    }
    // Keeps table as the most recent, dropping the oldest beyond Capacity.
    void Keep(const std::shared_ptr<TTable>& table) {
        if (FKept.size() >= Capacity) FKept.erase(FKept.begin());
        FKept.push_back(table);
    }

private:
    std::vector<std::shared_ptr<TTable>> FKept;
};
