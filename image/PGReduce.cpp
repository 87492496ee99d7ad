// ReduceColors: an optimised palette for a picture, by median cut over a
// 5:6:5 histogram for 24-bit sources and by an octree for palette sources.
#include <algorithm>
#include <memory>
#include <vector>

#include "image/PGraphic.h"

namespace {

// Calls the target's progress handler after a counted row; true when aborted.
bool RowCounted(TPixelGraphic& target, int row, int rows) {
    bool abort = false;
    if (target.OnProgress) target.OnProgress(&target, row, rows - 1, abort);
    return abort;
}

// ---- median cut ------------------------------------------------------------------

struct TBox {
    int RMin, RMax, GMin, GMax, BMin, BMax;
    int64_t Score, Volume;
};

class THistogram {
public:
    std::vector<uint16_t> Count = std::vector<uint16_t>(65536, 0);

    uint16_t At(int r, int g, int b) const { return Count[(r << 11) + (g << 5) + b]; }

    bool PlaneR(const TBox& x, int r) const {
        for (int g = x.GMin; g <= x.GMax; ++g)
            for (int b = x.BMin; b <= x.BMax; ++b)
                if (At(r, g, b)) return true;
        return false;
    }
    bool PlaneG(const TBox& x, int g) const {
        for (int r = x.RMin; r <= x.RMax; ++r)
            for (int b = x.BMin; b <= x.BMax; ++b)
                if (At(r, g, b)) return true;
        return false;
    }
    bool PlaneB(const TBox& x, int b) const {
        for (int r = x.RMin; r <= x.RMax; ++r)
            for (int g = x.GMin; g <= x.GMax; ++g)
                if (At(r, g, b)) return true;
        return false;
    }

    // Moves each side inward to the first plane holding a counted cell.
    void Shrink(TBox& x) const {
        while (x.BMin < x.BMax && !PlaneB(x, x.BMin)) ++x.BMin;
        while (x.BMin < x.BMax && !PlaneB(x, x.BMax)) --x.BMax;
        while (x.GMin < x.GMax && !PlaneG(x, x.GMin)) ++x.GMin;
        while (x.GMin < x.GMax && !PlaneG(x, x.GMax)) --x.GMax;
        while (x.RMin < x.RMax && !PlaneR(x, x.RMin)) ++x.RMin;
        while (x.RMin < x.RMax && !PlaneR(x, x.RMax)) --x.RMax;
        const int64_t db = (x.BMax - x.BMin) * 16, dg = (x.GMax - x.GMin) * 12, dr = (x.RMax - x.RMin) * 16;
        x.Score = db * db + dg * dg + dr * dr;
        x.Volume = int64_t(x.RMax - x.RMin + 1) * (x.GMax - x.GMin + 1) * (x.BMax - x.BMin + 1);
    }

    // Count-weighted mean of the cell centres; false for a box without pixels.
    bool Mean(const TBox& x, uint32_t& colour) const {
        int64_t total = 0, sr = 0, sg = 0, sb = 0;
        for (int r = x.RMin; r <= x.RMax; ++r)
            for (int g = x.GMin; g <= x.GMax; ++g)
                for (int b = x.BMin; b <= x.BMax; ++b) {
                    const int64_t c = At(r, g, b);
                    total += c;
                    sr += c * (8 * r + 4);
                    sg += c * (4 * g + 2);
                    sb += c * (8 * b + 4);
                }
        if (total == 0) return false;
        colour = RGB(static_cast<int>((sr + total / 2) / total), static_cast<int>((sg + total / 2) / total),
                     static_cast<int>((sb + total / 2) / total));
        return true;
    }
};

void SplitBox(std::vector<TBox>& boxes, size_t which, const THistogram& hist) {
    TBox& a = boxes[which];
    TBox b = a;
    const int eb = a.BMax - a.BMin, eg = a.GMax - a.GMin, er = a.RMax - a.RMin;
    if (16 * eb > 12 * eg && 16 * eb > 16 * er) {
        const int m = (a.BMin + a.BMax) / 2;
        a.BMax = m;
        b.BMin = m + 1;
    } else if (16 * er > 12 * eg) {
        const int m = (a.RMin + a.RMax) / 2;
        a.RMax = m;
        b.RMin = m + 1;
    } else {
        const int m = (a.GMin + a.GMax) / 2;
        a.GMax = m;
        b.GMin = m + 1;
    }
    hist.Shrink(a);
    hist.Shrink(b);
    boxes.push_back(b);
}

// Returns false when nothing was counted.
bool MedianCut(TPixelGraphic& target, const TPixelGraphic& source, int n) {
    THistogram hist;
    bool any = false;
    for (int y = 0; y < source.GetHeight(); ++y) {
        const uint8_t* p = source.GetScanLine(y);
        for (int x = 0; x < source.GetWidth(); ++x, p += 3) {
            uint16_t& c = hist.Count[((p[2] >> 3) << 11) + ((p[1] >> 2) << 5) + (p[0] >> 3)];
            if (c < 65535) ++c;
        }
        any = true;
        if (RowCounted(target, y, source.GetHeight())) break;
    }
    if (!any) return false;

    std::vector<TBox> boxes;
    boxes.push_back(TBox{0, 31, 0, 63, 0, 31, 0, 0});
    hist.Shrink(boxes[0]);
    while (static_cast<int>(boxes.size()) < n) {
        size_t pick = boxes.size();
        if (n < 2 * static_cast<int>(boxes.size())) {
            for (size_t i = 0; i < boxes.size(); ++i)
                if (pick == boxes.size() || boxes[i].Score > boxes[pick].Score) pick = i;
            // A single cell cannot be split: splitting it would leave an
            // empty box.
            if (boxes[pick].Score == 0) break;
        } else {
            for (size_t i = 0; i < boxes.size(); ++i)
                if (boxes[i].Score > 0 && (pick == boxes.size() || boxes[i].Volume > boxes[pick].Volume)) pick = i;
            if (pick == boxes.size()) break;
        }
        SplitBox(boxes, pick, hist);
    }
    std::vector<uint32_t> colours;
    for (const TBox& b : boxes) {
        uint32_t c;
        if (hist.Mean(b, c)) colours.push_back(c);
    }
    if (colours.empty()) return false;
    target.SetPaletteCount(static_cast<int>(colours.size()));
    for (size_t i = 0; i < colours.size(); ++i) target.SetPaletteColor(static_cast<int>(i), colours[i]);
    return true;
}

// ---- octree -----------------------------------------------------------------------

struct TNode {
    int Level = 0;
    bool Leaf = false;
    bool Listed = false;
    int64_t Count = 0, R = 0, G = 0, B = 0;
    int Children = 0;
    std::unique_ptr<TNode> Child[8];
};

class TOctree {
public:
    explicit TOctree(int maxLeaves) : FMaxLeaves(maxLeaves) {}

    void Insert(uint32_t colour, int64_t weight) {
        const int r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
        TNode* node = &FRoot;
        for (;;) {
            node->Count += weight;
            node->R += weight * r;
            node->G += weight * g;
            node->B += weight * b;
            if (node->Leaf || node->Level >= FDepthLimit) break;
            const int bit = 7 - node->Level;
            const int i = (((r >> bit) & 1) << 2) | (((g >> bit) & 1) << 1) | ((b >> bit) & 1);
            if (!node->Child[i]) {
                node->Child[i].reset(new TNode);
                node->Child[i]->Level = node->Level + 1;
                ++node->Children;
                if (node->Level + 1 >= FDepthLimit) {
                    node->Child[i]->Leaf = true;
                    ++FLeaves;
                }
            } else if (node->Children > 1 && !node->Listed) {
                node->Listed = true;
                FReducible[node->Level].push_back(node);  // the back is the head
            }
            node = node->Child[i].get();
        }
        if (FLeaves > FMaxLeaves) Reduce();
    }

    int Leaves() const { return FLeaves; }

    void Colours(std::vector<uint32_t>& out) const { Collect(FRoot, out); }

private:
    void Reduce() {
        TNode* pick = nullptr;
        for (int level = FDepthLimit - 1; level >= 0 && !pick; --level) {
            const std::vector<TNode*>& list = FReducible[level];
            for (auto it = list.rbegin(); it != list.rend(); ++it)
                if (!pick || Key(**it) < Key(*pick)) pick = *it;
        }
        // No listed node (few colours parting high in the tree): merge the
        // deepest node with the most children instead.
        if (!pick) pick = DeepestBranch(&FRoot);
        if (!pick) return;
        Unlist(pick);
        FreeChildren(*pick);
        pick->Leaf = true;
        ++FLeaves;
        if (pick->Level < FDepthLimit - 1) FDepthLimit = pick->Level + 1;
    }

    static int64_t Key(const TNode& n) { return 2 * n.R + 3 * n.G + n.B; }

    TNode* DeepestBranch(TNode* node) {
        TNode* best = nullptr;
        if (!node->Leaf && node->Children > 1) best = node;
        for (auto& c : node->Child)
            if (c) {
                TNode* d = DeepestBranch(c.get());
                if (d && (!best || d->Level > best->Level || (d->Level == best->Level && d->Children > best->Children)))
                    best = d;
            }
        return best;
    }

    void Unlist(TNode* node) {
        if (!node->Listed) return;
        std::vector<TNode*>& list = FReducible[node->Level];
        list.erase(std::remove(list.begin(), list.end(), node), list.end());
        node->Listed = false;
    }

    void FreeChildren(TNode& node) {
        for (auto& c : node.Child)
            if (c) {
                FreeChildren(*c);
                Unlist(c.get());
                if (c->Leaf) --FLeaves;
                c.reset();
            }
        node.Children = 0;
    }

    static void Collect(const TNode& node, std::vector<uint32_t>& out) {
        if (node.Leaf) {
            out.push_back(RGB(static_cast<int>(node.R / node.Count), static_cast<int>(node.G / node.Count),
                              static_cast<int>(node.B / node.Count)));
            return;
        }
        for (const auto& c : node.Child)
            if (c) Collect(*c, out);
    }

    TNode FRoot;
    int FMaxLeaves;
    int FDepthLimit = 8;
    int FLeaves = 0;
    std::vector<TNode*> FReducible[9];
};

bool Octree(TPixelGraphic& target, const TPixelGraphic& source, int n) {
    int64_t counts[256] = {};
    bool any = false;
    for (int y = 0; y < source.GetHeight(); ++y) {
        for (int x = 0; x < source.GetWidth(); ++x) ++counts[source.GetPixel(x, y) & 255];
        any = true;
        if (RowCounted(target, y, source.GetHeight())) break;
    }
    if (!any) return false;
    TOctree tree(n);
    for (int i = 0; i < 256; ++i)
        if (counts[i] > 0) {
            const uint32_t c = i < source.GetPaletteCount()   ? source.GetPalette()[i]
                               : source.GetPaletteCount() > 0 ? source.GetPalette()[0]
                                                              : 0;
            tree.Insert(c, counts[i]);
        }
    std::vector<uint32_t> colours;
    tree.Colours(colours);
    target.SetPaletteCount(static_cast<int>(colours.size()));
    for (size_t i = 0; i < colours.size(); ++i) target.SetPaletteColor(static_cast<int>(i), colours[i]);
    return true;
}

}  // namespace

void ReduceColors(TPixelGraphic& target, const TPixelGraphic& source, int count, bool withSystemColors) {
    count = std::min(count, 256);
    const int n = count - (withSystemColors ? 16 : 0);
    auto systemPalette = [&] {
        target.SetPaletteType(pSys16);
        target.SetPaletteCount(std::max(0, std::min(count, 16)));
    };
    if (source.GetWidth() < 1 || source.GetHeight() < 1 || source.GetEmpty() || n < 1) {
        systemPalette();
        return;
    }
    target.SetPaletteCount(0);
    const bool built = source.GetBitCountNum() == 3 ? MedianCut(target, source, n) : Octree(target, source, n);
    if (!built) {
        // Nothing was counted (aborted before the first row).
        systemPalette();
        return;
    }
    if (withSystemColors) {
        const std::vector<uint32_t>& sys = FixedPaletteColors(pSys16);
        for (size_t i = 0; i < sys.size() && target.GetPaletteCount() < count; ++i) {
            const int k = target.GetPaletteCount();
            target.SetPaletteCount(k + 1);
            target.SetPaletteColor(k, sys[i]);
        }
    }
}
