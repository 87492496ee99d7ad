// Keyed-blob store: item compression and expansion of 1 MB of mixed data
// (zlib at its fastest level as the peer), and opening a 10-item container to
// read one item (reading the same file whole as the floor), each peer with the
// ratio ours / peer.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <unistd.h>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>

#include "bench/PeerRatio.h"
#include "store/QDB.h"
#include "store/QDBCompress.h"

namespace {

// Text-like settings and captions, runs, and a share of noise (as in stored
// thumbnails).
const std::vector<uint8_t>& MixedMegabyte() {
    static const std::vector<uint8_t> data = [] {
        static const char* words[] = {"Bevel Width: ",
                                      "pixels",
                                      "true",
                                      "false",
                                      "clBlack",
                                      "$00FF8040",
                                      "0;0;0;128;128;128;256;256;256;128;128;128;0;0;0",
                                      "\r\n",
                                      "plasma ",
                                      "oval "};
        std::mt19937 rng(42);
        std::vector<uint8_t> v;
        while (v.size() < (1u << 20)) {
            unsigned r = rng() % 100;
            if (r < 5) {
                v.insert(v.end(), 16 + rng() % 200, static_cast<uint8_t>(rng()));
            } else if (r < 25) {
                for (int i = 0; i < 64; ++i) v.push_back(static_cast<uint8_t>(rng()));
            } else {
                const char* w = words[rng() % 10];
                v.insert(v.end(), w, w + std::strlen(w));
            }
        }
        v.resize(1u << 20);
        return v;
    }();
    return data;
}

void BM_Compress(benchmark::State& state) {
    const auto& plain = MixedMegabyte();
    TReadOnlyMemoryStream in(plain.data(), int64_t(plain.size()));
    int64_t packed = 0;
    const double total = TimeIterations(state, [&] {
        TMemoryStream out;
        packed = qdb::Compress(in, out);
        benchmark::DoNotOptimize(out.Memory());
    });
    KeepOurTime("compress", total, state.iterations());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(plain.size()));
    state.counters["ratio"] = double(packed) / double(plain.size());
}

void BM_Expand(benchmark::State& state) {
    const auto& plain = MixedMegabyte();
    TReadOnlyMemoryStream in(plain.data(), int64_t(plain.size()));
    TMemoryStream packed;
    qdb::Compress(in, packed);
    const double total = TimeIterations(state, [&] {
        packed.SetPosition(0);
        TMemoryStream out;
        qdb::Expand(packed, out, packed.GetSize());
        benchmark::DoNotOptimize(out.Memory());
    });
    KeepOurTime("expand", total, state.iterations());
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(plain.size()));
}

void BM_ZlibCompressPeer(benchmark::State& state) {
    const auto& plain = MixedMegabyte();
    std::vector<uint8_t> out(compressBound(uLong(plain.size())));
    uLongf n = 0;
    const double total = TimeIterations(state, [&] {
        n = uLongf(out.size());
        compress2(out.data(), &n, plain.data(), uLong(plain.size()), Z_BEST_SPEED);
        benchmark::DoNotOptimize(out.data());
    });
    SetRatioToOurs(state, "compress", total);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(plain.size()));
    state.counters["ratio"] = double(n) / double(plain.size());
}

void BM_ZlibExpandPeer(benchmark::State& state) {
    const auto& plain = MixedMegabyte();
    std::vector<uint8_t> packed(compressBound(uLong(plain.size())));
    uLongf n = uLongf(packed.size());
    compress2(packed.data(), &n, plain.data(), uLong(plain.size()), Z_BEST_SPEED);
    std::vector<uint8_t> out(plain.size());
    const double total = TimeIterations(state, [&] {
        uLongf m = uLongf(out.size());
        uncompress(out.data(), &m, packed.data(), n);
        benchmark::DoNotOptimize(out.data());
    });
    SetRatioToOurs(state, "expand", total);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(plain.size()));
}

// A parameter-file-sized container: ten items of 2..40 KB.
const std::string& TenItemContainer() {
    static const std::string path = [] {
        char dir[] = "/tmp/qdb-bench-XXXXXX";
        std::string folder = ::mkdtemp(dir);
        std::string file = folder + "/ten.qdb";
        TQDB db;
        db.Open(file, TQDB::omCreateNew);
        const auto& mixed = MixedMegabyte();
        for (int i = 0; i < 10; ++i) {
            size_t n = 2048 + size_t(i) * 4096;
            TReadOnlyMemoryStream item(mixed.data() + i * 50000, int64_t(n));
            db.AddItem(item, "item" + std::to_string(i));
        }
        db.Close();
        return file;
    }();
    static const struct TRemoveAtExit {
        ~TRemoveAtExit() { std::filesystem::remove_all(ExtractFilePath(path)); }
    } cleanup;
    (void)cleanup;
    return path;
}

void BM_OpenTenItemsReadOne(benchmark::State& state) {
    const std::string& file = TenItemContainer();
    const double total = TimeIterations(state, [&] {
        TQDB db;
        db.Open(file, TQDB::omReadExisting);
        TMemoryStream m;
        db.GetItemByKey("item7", m);
        benchmark::DoNotOptimize(m.Memory());
    });
    KeepOurTime("open", total, state.iterations());
}

void BM_ReadWholeFilePeer(benchmark::State& state) {
    const std::string& file = TenItemContainer();
    const double total = TimeIterations(state, [&] {
        TMemoryStream m;
        m.LoadFromFile(file);
        benchmark::DoNotOptimize(m.Memory());
    });
    SetRatioToOurs(state, "open", total);
}

}  // namespace

BENCHMARK(BM_Compress)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibCompressPeer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Expand)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibExpandPeer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenTenItemsReadOne)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadWholeFilePeer)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
