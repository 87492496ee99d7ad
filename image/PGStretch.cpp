// Copying pixels between pictures: resampling (StretchRect), 1:1 copies
// (CopyRect) and filter runs (ApplyFilter), dithered into palette pictures.
#include <algorithm>
#include <cstring>

#include "image/PGFilter.h"
#include "image/PGraphic.h"

namespace {

// One source pixel of a sampler with its weight.
struct TTap {
    int Pos;
    int64_t Weight;
};

// The taps of every destination column (or row) of a stretch: a column is
// used when its taps lie inside the source.
struct TAxisSampler {
    std::vector<int> Start;  // per destination index, into Taps; Start[i + 1] ends it
    std::vector<TTap> Taps;
    std::vector<int64_t> Divisor;
    std::vector<char> Used;
};

enum TSamplerKind { skOne, skTwoTap, skArea };

// dest: first destination index of the axis; len: destination extent (W);
// s0, w: source start and extent; sourceSize: the source picture's size on
// this axis; [lo, hi]: clipped destination range.
TAxisSampler BuildAxis(TSamplerKind kind, int dest, int len, int s0, int w, int sourceSize, int lo, int hi) {
    TAxisSampler a;
    const int64_t W = len;
    auto inside = [&](int64_t p) { return p >= 0 && p < sourceSize; };
    for (int A = lo; A <= hi; ++A) {
        a.Start.push_back(static_cast<int>(a.Taps.size()));
        const int64_t u = A - dest;
        bool used = true;
        int64_t divisor = 1;
        if (kind == skOne) {
            const int64_t src = w == len ? s0 + u : s0 + w * u / W;
            used = inside(src);
            a.Taps.push_back({static_cast<int>(src), 1});
        } else if (kind == skTwoTap) {
            const int64_t c = w * (2 * u + 1);
            int64_t first = s0 + (c - W) / (2 * W), last = s0 + (c + W) / (2 * W);
            const int64_t wFirst = 3 * W + 2 * W * (first - s0) - c, wLast = W + c - 2 * W * (last - s0);
            divisor = 2 * W;
            const bool single = c == W + 2 * W * (first - s0) || first == last;
            if (!inside(first) || (!single && !inside(last))) {
                // Enlarging: a tap just beyond an edge is pulled back into the source.
                const bool oneOutside = !single && inside(first) != inside(last);
                if (len > w && oneOutside) {
                    first = std::clamp<int64_t>(first, 0, sourceSize - 1);
                    last = std::clamp<int64_t>(last, 0, sourceSize - 1);
                } else {
                    used = false;
                }
            }
            if (single) {
                a.Taps.push_back({static_cast<int>(first), 2 * W});
            } else {
                a.Taps.push_back({static_cast<int>(first), wFirst});
                a.Taps.push_back({static_cast<int>(last), wLast});
            }
        } else {
            const int64_t first = s0 + w * u / W;
            int64_t last = s0 + w * (u + 1) / W;
            if ((w * (u + 1)) % W == 0) --last;
            divisor = w;
            used = inside(first) && inside(last);
            if (first >= last) {
                a.Taps.push_back({static_cast<int>(first), w});
            } else if (used) {
                a.Taps.push_back({static_cast<int>(first), W * (first - s0 + 1) - w * u});
                for (int64_t p = first + 1; p < last; ++p) a.Taps.push_back({static_cast<int>(p), W});
                a.Taps.push_back({static_cast<int>(last), w * (u + 1) - W * (last - s0)});
            }
        }
        a.Divisor.push_back(divisor);
        a.Used.push_back(used);
    }
    a.Start.push_back(static_cast<int>(a.Taps.size()));
    return a;
}

TSamplerKind ChooseSampler(TStretchMode mode, int destLen, int sourceLen) {
    if (mode == smFast || destLen == sourceLen) return skOne;
    const bool shrinking = destLen < sourceLen;
    if ((shrinking && mode == smMedium) || (!shrinking && mode == smPrecise)) return skTwoTap;
    return skArea;
}

// Writes a computed colour: bytes for 24 bits, error diffusion or nearest
// index for palette pictures.
inline void WriteColor(TPixelGraphic& g, int x, int y, int r, int gr, int b, bool dithered) {
    if (g.GetBitCountNum() == 3) {
        uint8_t* p = g.GetScanLine(y) + 3 * x;
        p[0] = static_cast<uint8_t>(b);
        p[1] = static_cast<uint8_t>(gr);
        p[2] = static_cast<uint8_t>(r);
    } else if (dithered) {
        g.SetPixelDithered(x, y, b, gr, r);
    } else {
        g.SetPixelColor(x, y, RGB(r, gr, b));
    }
}

inline void ReadColor(const TPixelGraphic& g, int x, int y, int& r, int& gr, int& b) {
    if (g.GetBitCountNum() == 3) {
        const uint8_t* p = g.GetScanLine(y) + 3 * x;
        b = p[0];
        gr = p[1];
        r = p[2];
    } else {
        const uint32_t c = g.GetPixelColor(x, y);
        r = GetRValue(c);
        gr = GetGValue(c);
        b = GetBValue(c);
    }
}

bool HasPixels(const TPixelGraphic& g) { return g.GetWidth() > 0 && g.GetHeight() > 0 && !g.GetEmpty(); }

// A copy of a picture, used when a picture is copied onto itself so that no
// pixel is read after it was overwritten.
std::unique_ptr<TPixelGraphic> Snapshot(const TPixelGraphic& g) {
    std::unique_ptr<TPixelGraphic> copy(new TPixelGraphic);
    copy->Assign(&g);
    return copy;
}

}  // namespace

void TPixelGraphic::StretchFrom(const TPixelGraphic& source) {
    StretchRect(0, 0, FWidth, FHeight, source, 0, 0, source.FWidth, source.FHeight);
}

void TPixelGraphic::StretchRect(int destX, int destY, int W, int H, const TPixelGraphic& source, int sourceX,
                                int sourceY, int w, int h) {
    if (w == W && h == H) {
        CopyRect(destX, destY, source, sourceX, sourceY, W, H);
        return;
    }
    if (!HasPixels(*this) || !HasPixels(source) || W <= 0 || H <= 0 || w <= 0 || h <= 0) return;
    std::unique_ptr<TPixelGraphic> snapshot;
    const TPixelGraphic& src = &source == this ? *(snapshot = Snapshot(source)) : source;

    const int x0 = std::max(destX, 0), x1 = static_cast<int>(std::min<int64_t>(int64_t(destX) + W - 1, FWidth - 1));
    const int y0 = std::max(destY, 0), y1 = static_cast<int>(std::min<int64_t>(int64_t(destY) + H - 1, FHeight - 1));
    if (x0 > x1 || y0 > y1) {
        DoChange();
        return;
    }
    const TAxisSampler cols = BuildAxis(ChooseSampler(FStretchMode, W, w), destX, W, sourceX, w, src.FWidth, x0, x1);
    const TAxisSampler rows = BuildAxis(ChooseSampler(FStretchMode, H, h), destY, H, sourceY, h, src.FHeight, y0, y1);
    const bool dithered = FDither && FBitCountNum != 3;
    const bool direct = src.FBitCountNum == 3;
    std::vector<const uint8_t*> rowPointers;
    RunPixelLoop(dithered, [&] {
        for (int y = y0; y <= y1; ++y) {
            if (dithered) SwapErrorRows();
            const int ry = y - y0;
            if (rows.Used[ry]) {
                const int rFirst = rows.Start[ry], rLast = rows.Start[ry + 1];
                if (direct) {
                    rowPointers.clear();
                    for (int j = rFirst; j < rLast; ++j) rowPointers.push_back(src.GetScanLine(rows.Taps[j].Pos));
                }
                const int64_t rowDivisor = rows.Divisor[ry];
                uint8_t* destRow = FBitCountNum == 3 ? GetScanLine(y) : nullptr;
                const bool reverse = y & 1;
                for (int k = 0; k <= x1 - x0; ++k) {
                    const int x = reverse ? x1 - k : x0 + k;
                    const int cx = x - x0;
                    if (!cols.Used[cx]) continue;
                    const int cFirst = cols.Start[cx], cLast = cols.Start[cx + 1];
                    const int64_t colDivisor = cols.Divisor[cx];
                    int64_t tr = 0, tg = 0, tb = 0;
                    for (int j = rFirst; j < rLast; ++j) {
                        int64_t sr = 0, sg = 0, sb = 0;
                        for (int i = cFirst; i < cLast; ++i) {
                            const TTap& ct = cols.Taps[i];
                            int r, g, b;
                            if (direct) {
                                const uint8_t* p = rowPointers[j - rFirst] + 3 * ct.Pos;
                                b = p[0];
                                g = p[1];
                                r = p[2];
                            } else {
                                ReadColor(src, ct.Pos, rows.Taps[j].Pos, r, g, b);
                            }
                            sr += ct.Weight * r;
                            sg += ct.Weight * g;
                            sb += ct.Weight * b;
                        }
                        const int64_t rw = rows.Taps[j].Weight;
                        if (colDivisor != 1) {
                            sr /= colDivisor;
                            sg /= colDivisor;
                            sb /= colDivisor;
                        }
                        tr += sr * rw;
                        tg += sg * rw;
                        tb += sb * rw;
                    }
                    if (rowDivisor != 1) {
                        tr /= rowDivisor;
                        tg /= rowDivisor;
                        tb /= rowDivisor;
                    }
                    if (destRow) {
                        uint8_t* p = destRow + 3 * x;
                        p[0] = static_cast<uint8_t>(tb);
                        p[1] = static_cast<uint8_t>(tg);
                        p[2] = static_cast<uint8_t>(tr);
                    } else {
                        WriteColor(*this, x, y, static_cast<int>(tr), static_cast<int>(tg), static_cast<int>(tb),
                                   dithered);
                    }
                }
            }
            if (Progress(y - y0, y1 - y0)) break;
        }
    });
    DoChange();
}

void TPixelGraphic::CopyRect(int destX, int destY, const TPixelGraphic& source, int sourceX, int sourceY, int width,
                             int height) {
    if (!HasPixels(*this) || !HasPixels(source)) return;
    std::unique_ptr<TPixelGraphic> snapshot;
    const TPixelGraphic& src = &source == this ? *(snapshot = Snapshot(source)) : source;

    const int64_t dx = destX, dy = destY;
    const int y0 = static_cast<int>(std::max<int64_t>(dy, 0));
    const int y1 = static_cast<int>(std::min<int64_t>(dy + height - 1, FHeight - 1));
    // Usable columns: inside this picture, and their source column inside the source.
    const int64_t shift = int64_t(sourceX) - destX;
    const int64_t ux0 = std::max({dx, int64_t(0), -shift});
    const int64_t ux1 = std::min({dx + width - 1, int64_t(FWidth) - 1, int64_t(src.FWidth) - 1 - shift});
    if (ux0 > ux1 || y0 > y1) {
        DoChange();
        return;
    }
    const bool dithered = FDither && FBitCountNum != 3;
    const bool bytes = FBitCountNum == 3 && src.FBitCountNum == 3;
    RunPixelLoop(dithered, [&] {
        for (int y = y0; y <= y1; ++y) {
            const int64_t sy = y + int64_t(sourceY) - destY;
            if (sy < 0 || sy >= src.FHeight) continue;
            if (bytes) {
                std::memmove(GetScanLine(y) + 3 * ux0, src.GetScanLine(static_cast<int>(sy)) + 3 * (ux0 + shift),
                             static_cast<size_t>(3 * (ux1 - ux0 + 1)));
                continue;
            }
            if (dithered) SwapErrorRows();
            const bool reverse = y & 1;
            for (int64_t k = ux0; k <= ux1; ++k) {
                const int x = static_cast<int>(reverse ? ux1 - (k - ux0) : k);
                int r, g, b;
                ReadColor(src, static_cast<int>(x + shift), static_cast<int>(sy), r, g, b);
                WriteColor(*this, x, y, r, g, b, dithered);
            }
            if (Progress(y - y0, y1 - y0)) break;
        }
    });
    DoChange();
}

void TPixelGraphic::ApplyFilter(TPGFilter& filter, TPixelGraphic& source) {
    const bool inPlace = filter.CanProcessPaletteAndIdenticalSource();
    if (&source == this && !inPlace) throw EPGFilter(GetLangStr(23));
    if (&source != this) SetSize(source.FWidth, source.FHeight, FBitCountNum);
    if (FWidth <= 0 || FHeight <= 0 || !FBits) return;

    if (inPlace && FBitCountNum != 3 && FBitCountNum >= source.FBitCountNum) {
        // Palette path: the filter changes the palette entries only.
        if (&source != this) Assign(&source);
        if (FPaletteCount > 0) {
            filter.BeginProcess(&source);
            try {
                for (int i = 0; i < FPaletteCount; ++i) SetPaletteColor(i, filter.CalcDestPaletteColor(FPalette[i]));
            } catch (...) {
                filter.EndProcess();
                throw;
            }
            filter.EndProcess();
        }
        DoChange();
        return;
    }

    const bool dithered = FDither && FBitCountNum != 3;
    filter.BeginProcess(&source);
    try {
        RunPixelLoop(dithered, [&] {
            for (int y = 0; y < FHeight; ++y) {
                if (FBitCountNum == 3) {
                    // 24-bit targets are written straight into the row.
                    filter.CalcDestRow(y, GetScanLine(y), FWidth);
                } else {
                    if (dithered) SwapErrorRows();
                    const bool reverse = y & 1;
                    for (int k = 0; k < FWidth; ++k) {
                        const int x = reverse ? FWidth - 1 - k : k;
                        const uint32_t c = filter.CalcDestPixel(x, y);
                        WriteColor(*this, x, y, GetRValue(c), GetGValue(c), GetBValue(c), dithered);
                    }
                }
                if (Progress(y, FHeight - 1)) break;
            }
        });
    } catch (...) {
        filter.EndProcess();
        throw;
    }
    filter.EndProcess();
    DoChange();
}

void TPixelGraphic::RunPixelLoop(bool dithered, const std::function<void()>& rows) {
    if (dithered) InitDitherBuffers();
    ProgressStart();
    try {
        rows();
    } catch (...) {
        ProgressEnd();
        FreeDitherBuffers();
        throw;
    }
    ProgressEnd();
    FreeDitherBuffers();
}
