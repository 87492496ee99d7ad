// Reading and writing a 4-megapixel 24-bit picture as PPM (raw and plain),
// Targa (plain and run-length), TIFF (plain and PackBits) and PCX (read
// only), file to file, next to ImageMagick's `convert` doing the same, less
// the time it takes for a 1 x 1 picture (its start-up), and raw PPM and TIFF
// next to the single-purpose tools (netpbm's ppmtoppm, libtiff's tiffcp),
// with the ratio ours / tool.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "bench/PeerRatio.h"
#include "image/PGFormats.h"

namespace {

constexpr int kSide = 2048;  // 4 megapixels

// Bands of flat colour steps (what the run-length formats shrink) between
// bands of noise (what they cannot), as buttons and textures mix them.
void Paint(TPixelGraphic& picture) {
    picture.SetSize(kSide, kSide, 3);
    uint32_t seed = 7;
    for (int y = 0; y < kSide; ++y) {
        uint8_t* row = picture.GetScanLine(y);
        const bool noisy = (y / 64) % 2;
        for (int i = 0; i < 3 * kSide; ++i) {
            seed = seed * 134775813u + 1u;
            row[i] = noisy ? uint8_t(seed >> 24) : uint8_t((i / 48 + y / 64 * 5) & 0xFF);
        }
    }
}

TPixelGraphic& Picture() {
    static TPixelGraphic picture;
    static const bool painted = (InitPixelGraphicLibrary(), Paint(picture), true);
    (void)painted;
    return picture;
}

std::string TempPath(const std::string& name) { return "/tmp/gw-formats2-bench-" + name; }

// A format as the benchmarks use it: file extension, the settings that
// select the variant, and ImageMagick's options for the same variant.
struct TVariant {
    const char* Name;
    const char* Ext;
    const char* PeerOptions;
    void (*Setup)();
    // The single-purpose tool doing the same read and write ("" for none):
    // a shell command with IN and OUT for the files.
    const char* Tool = "";
};

void Defaults() {
    PxMWriteBinary = false;
    TiffCompression = 1;
}

const TVariant kVariants[] = {
    {"ppm_raw", "ppm", "", [] { Defaults(), PxMWriteBinary = true; }, "ppmtoppm < IN > OUT"},
    {"ppm_plain", "ppm", "-compress None", Defaults},
    {"tga", "tga", "-compress None", Defaults},
    {"tif", "tif", "-compress None", Defaults, "tiffcp -c none IN OUT"},
    {"tif_packbits", "tif", "-compress RLE", [] { Defaults(), TiffCompression = 32773; }, "tiffcp -c packbits IN OUT"},
};

bool HaveConvert() { return std::system("command -v convert >/dev/null 2>&1") == 0; }

// The input file of a variant, written by us.
std::string Input(const TVariant& v) {
    v.Setup();
    const std::string path = TempPath(std::string("in-") + v.Name + "." + v.Ext);
    Picture().SaveToFile(path);
    return path;
}

void BM_Read(benchmark::State& state, const TVariant& v) {
    const std::string in = Input(v);
    TPixelGraphic g;
    for (auto _ : state) g.LoadFromFile(in);
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}

void BM_Write(benchmark::State& state, const TVariant& v) {
    const std::string out = TempPath(std::string("out-") + v.Name + "." + v.Ext);
    v.Setup();
    for (auto _ : state) Picture().SaveToFile(out);
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}

// convert reads the file and writes it again in the same variant; the
// start-up is measured on a 1 x 1 picture of the same format.
void BM_Convert_ReadWrite_LessStartup(benchmark::State& state, const TVariant& v) {
    if (!HaveConvert()) return state.SkipWithError("convert is not installed");
    const std::string in = Input(v), out = TempPath(std::string("peer-") + v.Name + "." + v.Ext);
    const std::string tiny = TempPath(std::string("tiny-") + v.Name + "." + v.Ext);
    TPixelGraphic one;
    one.SetSize(1, 1, 3);
    one.SaveToFile(tiny);
    TimePeerCommand(state, v.Name, "convert '" + in + "' " + v.PeerOptions + " '" + out + "'",
                    "convert '" + tiny + "' " + v.PeerOptions + " '" + out + "'");
}

void BM_ReadWrite(benchmark::State& state, const TVariant& v) {
    const std::string in = Input(v), out = TempPath(std::string("out-") + v.Name + "." + v.Ext);
    TPixelGraphic g;
    const double total = TimeIterations(state, [&] {
        g.LoadFromFile(in);
        g.SaveToFile(out);
    });
    KeepOurTime(v.Name, total, state.iterations());
}

// The tool's whole run (its start-up is a millisecond or so), with the ratio
// of our read and write to it.
void BM_Tool_ReadWrite(benchmark::State& state, const TVariant& v) {
    std::string command = v.Tool;
    const std::string in = Input(v), out = TempPath(std::string("tool-") + v.Name + "." + v.Ext);
    command.replace(command.find("IN"), 2, "'" + in + "'");
    command.replace(command.find("OUT"), 3, "'" + out + "'");
    TimePeerCommand(state, v.Name, command + " 2>/dev/null");
}

// Files we have no writer for (PCX, run-length Targa) are made by convert;
// reading them is set against convert reading them (into nothing).
void ReadPeerFile(benchmark::State& state, const std::string& name, const std::string& ext, const std::string& options,
                  bool peer) {
    if (!HaveConvert()) return state.SkipWithError("convert is not installed");
    const std::string src = Input(kVariants[0]);
    const std::string in = TempPath("peer-made-" + name + "." + ext);
    const std::string tiny = TempPath("peer-tiny-" + name + "." + ext);
    if (std::system(("convert '" + src + "' " + options + " '" + in + "'").c_str()) != 0 ||
        std::system(("convert -size 1x1 xc:red " + options + " '" + tiny + "'").c_str()) != 0)
        return state.SkipWithError("convert failed");
    if (peer) {
        TimePeerCommand(state, name, "convert '" + in + "' null:", "convert '" + tiny + "' null:");
        return;
    }
    TPixelGraphic g;
    const double total = TimeIterations(state, [&] { g.LoadFromFile(in); });
    KeepOurTime(name, total, state.iterations());
}

void Register() {
    for (const TVariant& v : kVariants) {
        const std::string n = v.Name;
        benchmark::RegisterBenchmark(("Read/" + n).c_str(), BM_Read, v)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Write/" + n).c_str(), BM_Write, v)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("ReadWrite/" + n).c_str(), BM_ReadWrite, v)->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("Convert_ReadWrite_LessStartup/" + n).c_str(), BM_Convert_ReadWrite_LessStartup,
                                     v)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3);
        if (*v.Tool)
            benchmark::RegisterBenchmark(("Tool_ReadWrite/" + n).c_str(), BM_Tool_ReadWrite, v)
                ->UseManualTime()
                ->Unit(benchmark::kMillisecond)
                ->Iterations(5);
    }
    for (const auto& [name, ext, options] :
         {std::tuple{"pcx", "pcx", ""}, std::tuple{"tga_rle", "tga", "-compress RLE"}}) {
        benchmark::RegisterBenchmark((std::string("Read/") + name).c_str(), ReadPeerFile, name, ext, options, false)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("Convert_Read_LessStartup/") + name).c_str(), ReadPeerFile, name, ext,
                                     options, true)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3);
    }
}

}  // namespace

int main(int argc, char** argv) {
    Register();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
