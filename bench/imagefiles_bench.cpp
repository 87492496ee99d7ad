// Reading and writing a 4-megapixel 24-bit picture as BMP, JPEG (quality
// 85) and PNG, next to the same work done by ImageMagick's `convert` (BMP,
// less its start-up) and by bare libjpeg-turbo / libpng calls with the same
// settings (JPEG, PNG), each peer with the ratio ours / peer.
#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

#include "bench/PeerRatio.h"
#include "image/PGFormats.h"

namespace {

constexpr int kSide = 2048;  // 4 megapixels

// A photo-like picture: smooth gradients with a little noise.
TPixelGraphic& Picture() {
    static TPixelGraphic* g = [] {
        InitPixelGraphicLibrary();
        auto* p = new TPixelGraphic;
        p->SetSize(kSide, kSide, 3);
        uint32_t seed = 1;
        for (int y = 0; y < kSide; ++y) {
            uint8_t* row = p->GetScanLine(y);
            for (int x = 0; x < kSide; ++x) {
                seed = seed * 134775813u + 1u;
                const int noise = int(seed >> 29);
                row[3 * x] = uint8_t((x / 8 + noise) & 0xFF);
                row[3 * x + 1] = uint8_t((y / 8 + noise) & 0xFF);
                row[3 * x + 2] = uint8_t(((x + y) / 16 + noise) & 0xFF);
            }
        }
        return p;
    }();
    return *g;
}

std::string TempPath(const std::string& name) { return "/tmp/gw-imagefiles-bench-" + name; }

std::vector<uint8_t> Encoded(const std::string& ext) {
    TMemoryStream s;
    Picture().SaveToStreamExt(s, ext);
    return s.Data();
}

// ---- BMP ------------------------------------------------------------------------
void BM_BMP_ReadWriteFile(benchmark::State& state) {
    const std::string in = TempPath("in.bmp"), out = TempPath("out.bmp");
    Picture().SaveToFile(in);
    TPixelGraphic g;
    const double total = TimeIterations(state, [&] {
        g.LoadFromFile(in);
        g.SaveToFile(out);
    });
    KeepOurTime("bmp", total, state.iterations());
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_BMP_ReadWriteFile)->Unit(benchmark::kMillisecond);

// convert in.bmp out.bmp, less the time convert takes for a 1 x 1 picture.
void BM_Convert_BMP_ReadWriteFile_LessStartup(benchmark::State& state) {
    const std::string in = TempPath("in.bmp"), out = TempPath("peer-out.bmp");
    const std::string tiny = TempPath("tiny.bmp"), tinyOut = TempPath("tiny-out.bmp");
    Picture().SaveToFile(in);
    TPixelGraphic one;
    one.SetSize(1, 1, 3);
    one.SaveToFile(tiny);
    if (std::system("command -v convert >/dev/null 2>&1") != 0) {
        state.SkipWithError("convert is not installed");
        return;
    }
    TimePeerCommand(state, "bmp", "convert '" + in + "' 'BMP3:" + out + "'",
                    "convert '" + tiny + "' 'BMP3:" + tinyOut + "'");
}
BENCHMARK(BM_Convert_BMP_ReadWriteFile_LessStartup)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

// ---- JPEG -------------------------------------------------------------------------
void BM_JPEG_Write(benchmark::State& state) {
    JpegQuality = 85;
    const double total = TimeIterations(state, [] {
        TMemoryStream s;
        Picture().SaveToStreamExt(s, "jpg");
        benchmark::DoNotOptimize(s.GetSize());
    });
    KeepOurTime("jpeg-write", total, state.iterations());
}
BENCHMARK(BM_JPEG_Write)->Unit(benchmark::kMillisecond);

void BM_Bare_libjpeg_Write(benchmark::State& state) {
    TPixelGraphic& g = Picture();
    const double total = TimeIterations(state, [&] {
        jpeg_compress_struct cinfo;
        jpeg_error_mgr err;
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_compress(&cinfo);
        unsigned char* buffer = nullptr;
        unsigned long size = 0;
        jpeg_mem_dest(&cinfo, &buffer, &size);
        cinfo.image_width = kSide;
        cinfo.image_height = kSide;
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_EXT_BGR;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, 85, TRUE);
        cinfo.dct_method = JDCT_FLOAT;  // the same DCT as our writer
        jpeg_start_compress(&cinfo, TRUE);
        while (cinfo.next_scanline < cinfo.image_height) {
            JSAMPROW row = g.GetScanLine(int(cinfo.next_scanline));
            jpeg_write_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_compress(&cinfo);
        jpeg_destroy_compress(&cinfo);
        benchmark::DoNotOptimize(size);
        std::free(buffer);
    });
    SetRatioToOurs(state, "jpeg-write", total);
}
BENCHMARK(BM_Bare_libjpeg_Write)->Unit(benchmark::kMillisecond);

void BM_JPEG_Read(benchmark::State& state) {
    JpegQuality = 85;
    const std::vector<uint8_t> data = Encoded("jpg");
    TPixelGraphic g;
    const double total = TimeIterations(state, [&] {
        TReadOnlyMemoryStream s(data.data(), int64_t(data.size()));
        g.LoadFromStreamExt(s, "jpg");
    });
    KeepOurTime("jpeg-read", total, state.iterations());
}
BENCHMARK(BM_JPEG_Read)->Unit(benchmark::kMillisecond);

void BM_Bare_libjpeg_Read(benchmark::State& state) {
    JpegQuality = 85;
    const std::vector<uint8_t> data = Encoded("jpg");
    const double total = TimeIterations(state, [&] {
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr err;
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, data.data(), data.size());
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = JCS_EXT_BGR;
        jpeg_start_decompress(&cinfo);
        const size_t stride = (size_t(cinfo.output_width) * 3 + 3) & ~size_t(3);
        std::vector<uint8_t> pixels(stride * cinfo.output_height);  // a fresh picture, as a load makes one
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = &pixels[stride * cinfo.output_scanline];
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(pixels.data());
    });
    SetRatioToOurs(state, "jpeg-read", total);
}
BENCHMARK(BM_Bare_libjpeg_Read)->Unit(benchmark::kMillisecond);

// ---- PNG --------------------------------------------------------------------------------
void BM_PNG_Write(benchmark::State& state) {
    const double total = TimeIterations(state, [&] {
        TMemoryStream s;
        Picture().SaveToStreamExt(s, "png");
        benchmark::DoNotOptimize(s.GetSize());
    });
    KeepOurTime("png-write", total, state.iterations());
}
BENCHMARK(BM_PNG_Write)->Unit(benchmark::kMillisecond);

void AppendBytes(png_structp png, png_bytep data, size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void BM_Bare_libpng_Write(benchmark::State& state) {
    TPixelGraphic& g = Picture();
    const double total = TimeIterations(state, [&] {
        std::vector<uint8_t> out;
        png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_set_write_fn(png, &out, AppendBytes, nullptr);
        png_set_IHDR(png, info, kSide, kSide, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        png_set_bgr(png);
        for (int y = 0; y < kSide; ++y) png_write_row(png, g.GetScanLine(y));
        png_write_end(png, info);
        png_destroy_write_struct(&png, &info);
        benchmark::DoNotOptimize(out.data());
    });
    SetRatioToOurs(state, "png-write", total);
}
BENCHMARK(BM_Bare_libpng_Write)->Unit(benchmark::kMillisecond);

void BM_PNG_Read(benchmark::State& state) {
    const std::vector<uint8_t> data = Encoded("png");
    TPixelGraphic g;
    const double total = TimeIterations(state, [&] {
        TReadOnlyMemoryStream s(data.data(), int64_t(data.size()));
        g.LoadFromStreamExt(s, "png");
    });
    KeepOurTime("png-read", total, state.iterations());
}
BENCHMARK(BM_PNG_Read)->Unit(benchmark::kMillisecond);

struct TSource {
    const std::vector<uint8_t>* Data;
    size_t Pos;
};

void TakeBytes(png_structp png, png_bytep data, size_t length) {
    auto* src = static_cast<TSource*>(png_get_io_ptr(png));
    std::copy(src->Data->begin() + long(src->Pos), src->Data->begin() + long(src->Pos + length), data);
    src->Pos += length;
}

void BM_Bare_libpng_Read(benchmark::State& state) {
    const std::vector<uint8_t> data = Encoded("png");
    const double total = TimeIterations(state, [&] {
        TSource src{&data, 0};
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        png_set_read_fn(png, &src, TakeBytes);
        png_read_info(png, info);
        png_set_bgr(png);
        png_read_update_info(png, info);
        const size_t stride = (size_t(png_get_image_width(png, info)) * 3 + 3) & ~size_t(3);
        const int height = int(png_get_image_height(png, info));
        std::vector<uint8_t> pixels(stride * size_t(height));  // a fresh picture, as a load makes one
        for (int y = 0; y < height; ++y) png_read_row(png, &pixels[stride * size_t(y)], nullptr);
        png_read_end(png, nullptr);
        png_destroy_read_struct(&png, &info, nullptr);
        benchmark::DoNotOptimize(pixels.data());
    });
    SetRatioToOurs(state, "png-read", total);
}
BENCHMARK(BM_Bare_libpng_Read)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
