// Our GIF reader against giflib on frame 0 of a corpus made with ImageMagick: photos, noise,
// gradients and flat drawn art, in 2, 16 and 256 colours, some interlaced, from 16x16 up to
// 4000x3000, and one animation. Every file is first checked: our colour indexes and our pixels
// must be giflib's, or the program names the file and fails. Then, best of the rounds:
//   indexes  our parse and LZW decoding, against DGifOpen and DGifSlurp
//   pixels   TGIFImage::LoadFromStream, against DGifSlurp and mapping through the colour table
//
// Run: build/bench/GifBench [--corpus DIR] [--rounds R] [--jobs N]
// The corpus is made only where files are missing (the large ones take a while), by default in
// /tmp/tevlo-gif-corpus. --rounds 0 makes and checks the corpus without timing anything.
#include "pictures/GifFile.h"
#include "pictures/RxGIF.h"
#include "platform/Files.h"

#include <QGuiApplication>
#include <QImage>
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <gif_lib.h>
#include <map>
#include <memory>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace {

// ---------------------------------------------------------------------------------------------
// The corpus

struct Recipe {
    std::string name;
    std::string kind;
    std::vector<std::string> args;
};

struct Look {
    int colors = 256;
    bool dither = true;
    bool interlace = false;
};

std::string sizeText(int w, int h) {
    return std::to_string(w) + "x" + std::to_string(h);
}

// The name tells how a file was made, so a changed recipe never reuses an old file.
std::string fileName(const std::string& kind, const std::string& source, int w, int h,
                     const Look& look) {
    return kind + "-" + source + "-" + sizeText(w, h) + "-" + std::to_string(look.colors) + "c" +
           (look.dither ? "" : "-nodither") + (look.interlace ? "-interlaced" : "") + ".gif";
}

Recipe finish(std::string kind, std::string name, std::vector<std::string> args, const Look& look) {
    // +dither is a setting, so it has to come before the reduction it changes.
    if (!look.dither)
        args.push_back("+dither");
    args.insert(args.end(), {"-colors", std::to_string(look.colors)});
    if (look.interlace)
        args.insert(args.end(), {"-interlace", "GIF"});
    return {std::move(name), std::move(kind), std::move(args)};
}

// A built-in picture of ImageMagick stretched to the size, or plasma:fractal for "plasma".
Recipe photo(const std::string& source, int w, int h, const Look& look, int seed = 0) {
    std::vector<std::string> args;
    if (source == "plasma")
        args = {"-seed", std::to_string(seed), "-size", sizeText(w, h), "plasma:fractal"};
    else
        args = {source + ":", "-resize", sizeText(w, h) + "!"};
    return finish("photo", fileName("photo", source, w, h, look), std::move(args), look);
}

Recipe noise(int w, int h, const Look& look, int seed) {
    return finish(
        "noise", fileName("noise", "random", w, h, look),
        {"-seed", std::to_string(seed), "-size", sizeText(w, h), "xc:", "+noise", "Random"}, look);
}

Recipe gradient(bool radial, int w, int h, const Look& look) {
    const std::string source = radial ? "radial-gradient:white-navy" : "gradient:navy-yellow";
    return finish("gradient", fileName("gradient", radial ? "radial" : "linear", w, h, look),
                  {"-size", sizeText(w, h), source}, look);
}

std::string point(double x, double y) {
    return std::to_string(int(std::lround(x))) + "," + std::to_string(int(std::lround(y)));
}

// Shapes without text, so the fonts of the machine never change a file; a soft background
// behind them gives the quantizer more than a handful of colours to choose from.
Recipe flat(int w, int h, const Look& look, bool antialias = true) {
    std::vector<std::string> args = {"-size", sizeText(w, h), "gradient:#f0e8d0-#a0c0e0",
                                     antialias ? "-antialias" : "+antialias"};
    auto shape = [&args](const char* fill, std::string how) {
        args.insert(args.end(), {"-fill", fill, "-draw", std::move(how)});
    };
    const double r = std::min(w, h) * 0.3;
    shape("#d04020", "rectangle " + point(w * 0.1, h * 0.1) + " " + point(w * 0.45, h * 0.6));
    shape("#2060c0", "circle " + point(w * 0.65, h * 0.5) + " " + point(w * 0.65 + r, h * 0.5));
    shape("#30a050", "polygon " + point(w * 0.2, h * 0.9) + " " + point(w * 0.5, h * 0.65) + " " +
                         point(w * 0.8, h * 0.95));
    const int stroke = std::max(1, std::min(w, h) / 100);
    args.insert(args.end(), {"-stroke", "black", "-strokewidth", std::to_string(stroke)});
    shape("none", "ellipse " + point(w * 0.5, h * 0.5) + " " + point(w * 0.4, h * 0.35) + " 0,360");
    return finish("flat", fileName("flat", antialias ? "shapes" : "hardshapes", w, h, look),
                  std::move(args), look);
}

// A ball crossing a plasma sky; frames after the first are only what changed.
Recipe animation() {
    // The sky is drawn once and every frame starts from a copy of it. It keeps one place of the
    // colour table free for the ball, so the frames need no new reduction that would change
    // every pixel and leave nothing for the optimizer to take out.
    std::vector<std::string> args = {"-seed", "11", "-size", "480x360", "plasma:fractal"};
    args.insert(args.end(), {"-colors", "255", "-write", "mpr:sky", "+delete", "-delay", "8"});
    for (int i = 0; i < 12; ++i) {
        const double x = 40 + i * 36;
        args.insert(args.end(), {"(", "mpr:sky", "-fill", "#ffd020", "-draw",
                                 "circle " + point(x, 180) + " " + point(x + 30, 180), ")"});
    }
    args.insert(args.end(), {"-loop", "0", "-layers", "Optimize"});
    return {"animation-ball-480x360-12frames-optimized.gif", "animation", std::move(args)};
}

std::vector<Recipe> corpusRecipes() {
    const Look c2{2}, c16{16}, c256{256};
    const Look c2i{2, true, true}, c16i{16, true, true}, c256i{256, true, true};
    const Look c2n{2, false}, c16n{16, false}, c256n{256, false};
    return {
        photo("rose", 16, 16, c256),
        photo("rose", 70, 46, c16),
        photo("netscape", 216, 144, c256),
        photo("logo", 640, 480, c16n),
        photo("wizard", 480, 640, c256i),
        photo("granite", 1024, 768, c2),
        photo("wizard", 1600, 1200, c16),
        photo("plasma", 1024, 768, c256, 3),
        photo("plasma", 4000, 3000, c256, 7),
        photo("wizard", 4000, 3000, c256i),
        photo("granite", 4000, 3000, c16),

        noise(16, 16, c256, 1),
        noise(64, 64, c16, 2),
        noise(200, 150, c2, 3),
        noise(640, 480, c256, 4),
        noise(640, 480, c16i, 5),
        noise(1024, 768, c2n, 6),
        noise(1600, 1200, c256, 7),
        noise(4000, 3000, c256, 8),
        noise(4000, 3000, c2i, 9),

        gradient(true, 64, 64, c16),
        gradient(false, 200, 150, c2),
        gradient(false, 640, 480, c256),
        gradient(true, 640, 480, c16n),
        gradient(true, 1024, 768, c256i),
        gradient(false, 1600, 1200, c16),
        gradient(false, 4000, 3000, c256n),
        gradient(true, 4000, 3000, c16),

        flat(16, 16, c2),
        flat(64, 64, c16, false),
        flat(200, 150, c16),
        flat(640, 480, c256i),
        flat(1024, 768, c16),
        flat(1600, 1200, c2),
        flat(1600, 1200, c256),
        flat(4000, 3000, c16n),
        flat(4000, 3000, c2i),

        animation(),
    };
}

bool exists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

pid_t spawnConvert(const Recipe& recipe, const std::string& part) {
    std::vector<std::string> words = {"convert"};
    words.insert(words.end(), recipe.args.begin(), recipe.args.end());
    words.push_back("gif:" + part);
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, "convert", nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    return pid;
}

std::string partName(const std::string& dir, const Recipe& recipe) {
    return dir + "/." + recipe.name + ".part";
}

// Waits for one of the running conversions and puts its file in place.
bool finishOne(const std::string& dir, std::map<pid_t, const Recipe*>& running) {
    int status = 0;
    const pid_t pid = ::waitpid(-1, &status, 0);
    if (pid < 0) {
        // No child left to wait for: whatever was running is lost.
        running.clear();
        return false;
    }
    const auto it = running.find(pid);
    if (it == running.end())
        return true;
    const Recipe& recipe = *it->second;
    running.erase(it);
    const std::string part = partName(dir, recipe);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
        std::rename(part.c_str(), (dir + "/" + recipe.name).c_str()) == 0)
        return true;
    std::fprintf(stderr, "GifBench: ImageMagick cannot make %s\n", recipe.name.c_str());
    std::remove(part.c_str());
    return false;
}

// Makes the missing files, a few at a time. Each is written under a temporary name first, so
// that an interrupted run never leaves a half file that a later run would take as made.
bool makeCorpus(const std::string& dir, const std::vector<Recipe>& recipes, int jobs) {
    std::vector<const Recipe*> missing;
    for (const Recipe& recipe : recipes)
        if (!exists(dir + "/" + recipe.name))
            missing.push_back(&recipe);
    if (missing.empty())
        return true;
    std::printf("making %zu of %zu corpus files in %s ...\n", missing.size(), recipes.size(),
                dir.c_str());
    std::fflush(stdout);
    const auto start = std::chrono::steady_clock::now();
    std::map<pid_t, const Recipe*> running;
    std::size_t next = 0;
    bool ok = true;
    while ((ok && next < missing.size()) || !running.empty()) {
        while (ok && int(running.size()) < jobs && next < missing.size()) {
            const Recipe* recipe = missing[next++];
            const pid_t pid = spawnConvert(*recipe, partName(dir, *recipe));
            if (pid > 0) {
                running[pid] = recipe;
                continue;
            }
            std::fprintf(stderr, "GifBench: cannot start convert for %s\n", recipe->name.c_str());
            ok = false;
        }
        if (!running.empty())
            ok = finishOne(dir, running) && ok;
    }
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (ok)
        std::printf("made them in %.1f s\n", took);
    return ok;
}

// ---------------------------------------------------------------------------------------------
// giflib

struct MemoryInput {
    const std::string* bytes;
    std::size_t pos;
};

int readMemory(GifFileType* gif, GifByteType* out, int n) {
    auto* in = static_cast<MemoryInput*>(gif->UserData);
    const std::size_t got = std::min(std::size_t(n), in->bytes->size() - in->pos);
    std::memcpy(out, in->bytes->data() + in->pos, got);
    in->pos += got;
    return int(got);
}

class Giflib {
public:
    explicit Giflib(const std::string& bytes) : m_input{&bytes, 0} {
        int error = 0;
        m_gif = DGifOpen(&m_input, readMemory, &error);
        if (!m_gif)
            throw std::runtime_error(std::string("giflib: ") + GifErrorString(error));
    }
    ~Giflib() {
        int error = 0;
        DGifCloseFile(m_gif, &error);
    }
    Giflib(const Giflib&) = delete;
    Giflib& operator=(const Giflib&) = delete;
    GifFileType* operator->() const { return m_gif; }
    GifFileType* get() const { return m_gif; }

private:
    MemoryInput m_input;
    GifFileType* m_gif = nullptr;
};

void check(int result, GifFileType* gif) {
    if (result == GIF_ERROR)
        throw std::runtime_error(std::string("giflib: ") + GifErrorString(gif->Error));
}

// What giflib gives of frame 0: its descriptor, its indexes and the colour table that applies.
struct GiflibFrame {
    int width = 0;
    int height = 0;
    bool interlaced = false;
    const GifByteType* raster = nullptr;
    const ColorMapObject* map = nullptr;
    std::unique_ptr<GifByteType[]> owned;
};

GiflibFrame slurpFrame(Giflib& gif) {
    check(DGifSlurp(gif.get()), gif.get());
    if (gif->ImageCount < 1)
        throw std::runtime_error("giflib: no frame");
    const SavedImage& image = gif->SavedImages[0];
    GiflibFrame frame;
    frame.width = image.ImageDesc.Width;
    frame.height = image.ImageDesc.Height;
    frame.interlaced = image.ImageDesc.Interlace;
    frame.raster = image.RasterBits;
    frame.map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
    return frame;
}

// DGifSlurp decodes every frame; for an animation that would time twelve frames against our
// one, so there the records are read one by one and reading stops after frame 0.
GiflibFrame firstFrame(Giflib& gif) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    while (type != IMAGE_DESC_RECORD_TYPE) {
        check(DGifGetRecordType(gif.get(), &type), gif.get());
        if (type == TERMINATE_RECORD_TYPE)
            throw std::runtime_error("giflib: no frame");
        if (type != EXTENSION_RECORD_TYPE)
            continue;
        int code = 0;
        GifByteType* block = nullptr;
        check(DGifGetExtension(gif.get(), &code, &block), gif.get());
        while (block)
            check(DGifGetExtensionNext(gif.get(), &block), gif.get());
    }
    check(DGifGetImageDesc(gif.get()), gif.get());
    GiflibFrame frame;
    frame.width = gif->Image.Width;
    frame.height = gif->Image.Height;
    frame.interlaced = gif->Image.Interlace;
    frame.map = gif->Image.ColorMap ? gif->Image.ColorMap : gif->SColorMap;
    frame.owned = std::make_unique_for_overwrite<GifByteType[]>(std::size_t(frame.width) *
                                                                std::size_t(frame.height));
    GifByteType* out = frame.owned.get();
    if (!frame.interlaced) {
        check(DGifGetLine(gif.get(), out, frame.width * frame.height), gif.get());
    } else {
        // giflib hands the rows over in the order of the four passes.
        static const int firstRow[] = {0, 4, 2, 1}, rowStep[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int y = firstRow[pass]; y < frame.height; y += rowStep[pass])
                check(DGifGetLine(gif.get(), out + std::size_t(y) * frame.width, frame.width),
                      gif.get());
    }
    frame.raster = out;
    return frame;
}

GiflibFrame giflibFrame(Giflib& gif, bool animated) {
    return animated ? firstFrame(gif) : slurpFrame(gif);
}

// Colours as QImage::Format_RGB32 holds them; indexes past the table are black.
std::array<std::uint32_t, 256> rgbTable(const ColorMapObject* map) {
    std::array<std::uint32_t, 256> table;
    table.fill(0xFF000000u);
    for (int i = 0; map && i < map->ColorCount && i < 256; ++i)
        table[std::size_t(i)] = 0xFF000000u | std::uint32_t(map->Colors[i].Red) << 16 |
                                std::uint32_t(map->Colors[i].Green) << 8 | map->Colors[i].Blue;
    return table;
}

void giflibPixels(const GiflibFrame& frame, std::vector<std::uint32_t>& pixels) {
    const std::array<std::uint32_t, 256> table = rgbTable(frame.map);
    const std::size_t count = std::size_t(frame.width) * std::size_t(frame.height);
    pixels.resize(count);
    for (std::size_t i = 0; i < count; ++i)
        pixels[i] = table[frame.raster[i]];
}

// ---------------------------------------------------------------------------------------------
// Our reader

struct OurFrame {
    TGIFFile file;
    int width = 0;
    int height = 0;
    std::unique_ptr<std::uint8_t[]> indexes;
    bool damaged = false;
};

void ourIndexes(const std::shared_ptr<const std::string>& bytes, OurFrame& frame, int fill = -1) {
    ReadGIFFile(bytes, frame.file);
    if (frame.file.Frames.empty())
        throw std::runtime_error("our reader found no frame");
    const TGIFFrameRecord& record = frame.file.Frames.front();
    const TGIFItem& item = *record.Item;
    frame.width = item.Width;
    frame.height = item.Height;
    const std::size_t size = std::size_t(item.Width) * std::size_t(item.Height) + gifDecodeSlack;
    frame.indexes = std::make_unique_for_overwrite<std::uint8_t[]>(size);
    // The check fills the raster first, so a pixel the decoder forgets cannot pass as a 0.
    if (fill >= 0)
        std::memset(frame.indexes.get(), fill, size);
    frame.damaged = DecodeFrameIndexes(item.ZipData(), item.Width, item.Height, item.BitsPerPixel,
                                       record.Interlaced, frame.indexes.get(), {});
}

// ---------------------------------------------------------------------------------------------
// Checking

enum Measure { IndexesOurs, IndexesGiflib, PixelsOurs, PixelsGiflib, MeasureCount };

struct Sample {
    const Recipe* recipe = nullptr;
    std::shared_ptr<const std::string> bytes;
    int width = 0;
    int height = 0;
    int colors = 0;
    bool interlaced = false;
    bool animated = false;
    std::array<int, MeasureCount> reps{};
    std::array<double, MeasureCount> best{};
    double megapixels() const { return double(width) * height / 1e6; }
};

std::uint64_t checksum(const std::uint8_t* data, std::size_t size) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (std::size_t i = 0; i < size; ++i)
        hash = (hash ^ data[i]) * 0x100000001b3ull;
    return hash;
}

std::string firstDifference(const std::uint8_t* ours, const std::uint8_t* theirs, int width,
                            std::size_t size) {
    const std::size_t at = std::size_t(std::mismatch(ours, ours + size, theirs).first - ours);
    char text[96];
    std::snprintf(text, sizeof text, "first at x %zu, y %zu: ours %d, giflib %d", at % width,
                  at / width, ours[at], theirs[at]);
    return text;
}

// Answers what is wrong with our indexes of the sample, or nothing.
std::string checkIndexes(Sample& sample) {
    Giflib gif(*sample.bytes);
    const GiflibFrame theirs = slurpFrame(gif);
    sample.width = theirs.width;
    sample.height = theirs.height;
    sample.interlaced = theirs.interlaced;
    sample.animated = gif->ImageCount > 1;
    sample.colors = theirs.map ? theirs.map->ColorCount : 0;
    OurFrame ours;
    ourIndexes(sample.bytes, ours, 0xAA);
    if (ours.width != theirs.width || ours.height != theirs.height)
        return "size " + sizeText(ours.width, ours.height) + ", giflib " +
               sizeText(theirs.width, theirs.height);
    const std::size_t size = std::size_t(theirs.width) * std::size_t(theirs.height);
    if (checksum(ours.indexes.get(), size) != checksum(theirs.raster, size))
        return std::string(ours.damaged ? "our decoder calls the data damaged; " : "") +
               "indexes differ, " +
               firstDifference(ours.indexes.get(), theirs.raster, theirs.width, size);
    if (sample.animated) {
        // The frame-0 path used for timing must agree with DGifSlurp, or its times mean little.
        Giflib again(*sample.bytes);
        const GiflibFrame first = firstFrame(again);
        if (checksum(first.raster, size) != checksum(theirs.raster, size))
            return "giflib's own frame 0 reading differs from DGifSlurp";
    }
    return {};
}

std::string checkPixels(const Sample& sample) {
    Giflib gif(*sample.bytes);
    std::vector<std::uint32_t> theirs;
    giflibPixels(slurpFrame(gif), theirs);
    TGIFImage picture;
    picture.LoadFromStream(*sample.bytes);
    const QImage image = picture.CurrentBitmap().image().convertToFormat(QImage::Format_RGB32);
    if (image.width() != sample.width || image.height() != sample.height)
        return "picture is " + sizeText(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
        const std::uint32_t* want = theirs.data() + std::size_t(y) * sample.width;
        for (int x = 0; x < image.width(); ++x)
            if (row[x] != want[x]) {
                char text[96];
                std::snprintf(text, sizeof text, "pixels differ, first at x %d, y %d: %06X, %06X",
                              x, y, row[x] & 0xFFFFFFu, want[x] & 0xFFFFFFu);
                return text;
            }
    }
    return {};
}

bool checkSample(Sample& sample) {
    std::string problem;
    try {
        problem = checkIndexes(sample);
        if (problem.empty())
            problem = checkPixels(sample);
    } catch (const std::exception& error) {
        problem = error.what();
    }
    if (problem.empty())
        return true;
    std::fprintf(stderr, "GifBench: MISMATCH in %s: %s\n", sample.recipe->name.c_str(),
                 problem.c_str());
    return false;
}

// ---------------------------------------------------------------------------------------------
// Timing

// Keeps the compiler from dropping work whose result nobody looks at.
volatile std::uint32_t sink;

void runOnce(const Sample& sample, Measure measure) {
    switch (measure) {
    case IndexesOurs: {
        OurFrame ours;
        ourIndexes(sample.bytes, ours);
        sink = sink + ours.indexes[0];
        break;
    }
    case IndexesGiflib: {
        Giflib gif(*sample.bytes);
        sink = sink + giflibFrame(gif, sample.animated).raster[0];
        break;
    }
    case PixelsOurs: {
        TGIFImage picture;
        picture.LoadFromStream(*sample.bytes);
        sink = sink + std::uint32_t(picture.Width());
        break;
    }
    case PixelsGiflib: {
        Giflib gif(*sample.bytes);
        std::vector<std::uint32_t> pixels;
        giflibPixels(giflibFrame(gif, sample.animated), pixels);
        sink = sink + pixels[0];
        break;
    }
    case MeasureCount:
        break;
    }
}

// Seconds of one run, from reps runs in a row.
double timeRuns(const Sample& sample, Measure measure, int reps) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < reps; ++i)
        runOnce(sample, measure);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / reps;
}

// Small files are run many times in a row, so that one timing spans enough to be measured.
void calibrate(Sample& sample) {
    constexpr double span = 0.01;
    for (int m = 0; m < MeasureCount; ++m) {
        const double once = timeRuns(sample, Measure(m), 1);
        sample.reps[m] = std::clamp(int(std::ceil(span / std::max(once, 1e-7))), 1, 10000);
        sample.best[m] = 1e30;
    }
}

// Every round measures each file once each way, the readers taking turns at going first, so a
// slow moment of the machine falls on both alike.
void measure(std::vector<Sample>& samples, int rounds) {
    for (Sample& sample : samples)
        calibrate(sample);
    for (int r = 0; r < rounds; ++r) {
        for (Sample& sample : samples) {
            const bool oursFirst = (r % 2) == 0;
            for (Measure pair : {IndexesOurs, PixelsOurs}) {
                const Measure first = oursFirst ? pair : Measure(pair + 1);
                const Measure second = oursFirst ? Measure(pair + 1) : pair;
                for (Measure m : {first, second})
                    sample.best[m] = std::min(sample.best[m], timeRuns(sample, m, sample.reps[m]));
            }
        }
        std::fprintf(stderr, "round %d of %d done\n", r + 1, rounds);
    }
}

// ---------------------------------------------------------------------------------------------
// Reporting

struct Group {
    std::string label;
    std::function<bool(const Sample&)> holds;
};

std::vector<Group> groups() {
    auto kind = [](const char* k) {
        return Group{k, [k](const Sample& s) { return s.recipe->kind == k; }};
    };
    return {
        kind("photo"),
        kind("noise"),
        kind("gradient"),
        kind("flat"),
        kind("animation"),
        {"2 colours", [](const Sample& s) { return s.colors <= 2; }},
        {"16 colours", [](const Sample& s) { return s.colors > 2 && s.colors <= 16; }},
        {"256 colours", [](const Sample& s) { return s.colors > 16; }},
        {"interlaced", [](const Sample& s) { return s.interlaced; }},
        {"not interlaced", [](const Sample& s) { return !s.interlaced; }},
        {"overall", [](const Sample&) { return true; }},
    };
}

void printRow(const std::string& label, int files, double mp,
              const std::array<double, MeasureCount>& seconds) {
    const double io = mp / seconds[IndexesOurs], ig = mp / seconds[IndexesGiflib];
    const double po = mp / seconds[PixelsOurs], pg = mp / seconds[PixelsGiflib];
    std::printf("%-46s %5d %8.2f | %8.1f %8.1f %6.2f | %8.1f %8.1f %6.2f\n", label.c_str(), files,
                mp, io, ig, io / ig, po, pg, po / pg);
}

void printHeader(const char* first) {
    std::printf("%-46s %5s %8s | %-24s | %-24s\n", first, "files", "MP", "indexes, MP/s",
                "pixels, MP/s");
    std::printf("%-46s %5s %8s | %8s %8s %6s | %8s %8s %6s\n", "", "", "", "ours", "giflib",
                "ratio", "ours", "giflib", "ratio");
}

void report(const std::vector<Sample>& samples, int rounds) {
    std::printf("\nframe 0, best of %d rounds; ratio = speed of ours / speed of giflib\n\n",
                rounds);
    printHeader("file");
    for (const Sample& s : samples)
        printRow(s.recipe->name, 1, s.megapixels(), s.best);
    std::printf("\n");
    printHeader("group");
    for (const Group& group : groups()) {
        int files = 0;
        double mp = 0;
        std::array<double, MeasureCount> seconds{};
        for (const Sample& s : samples)
            if (group.holds(s)) {
                ++files;
                mp += s.megapixels();
                for (int m = 0; m < MeasureCount; ++m)
                    seconds[m] += s.best[m];
            }
        if (files)
            printRow(group.label, files, mp, seconds);
    }
}

// ---------------------------------------------------------------------------------------------

struct Options {
    std::string corpus = "/tmp/tevlo-gif-corpus";
    int rounds = 5;
    int jobs = int(std::max(1u, std::thread::hardware_concurrency()));
};

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--corpus" && hasValue)
            options.corpus = argv[++i];
        else if (arg == "--rounds" && hasValue)
            options.rounds = std::max(0, std::atoi(argv[++i]));
        else if (arg == "--jobs" && hasValue)
            options.jobs = std::max(1, std::atoi(argv[++i]));
        else
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: GifBench [--corpus DIR] [--rounds R] [--jobs N]\n");
        return 2;
    }
    // Pictures end in the form the screen draws, which may ask the platform; none is shown.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const std::vector<Recipe> recipes = corpusRecipes();
    ::mkdir(options.corpus.c_str(), 0755);
    if (!makeCorpus(options.corpus, recipes, options.jobs))
        return 1;

    std::vector<Sample> samples;
    bool allMatch = true;
    for (const Recipe& recipe : recipes) {
        Sample sample;
        sample.recipe = &recipe;
        sample.bytes = std::make_shared<const std::string>(
            platform::readFile(options.corpus + "/" + recipe.name));
        allMatch = checkSample(sample) && allMatch;
        samples.push_back(std::move(sample));
    }
    if (!allMatch)
        return 1;
    std::printf("%zu files: our indexes and pixels of frame 0 are giflib's\n", samples.size());
    if (options.rounds == 0)
        return 0;
    measure(samples, options.rounds);
    report(samples, options.rounds);
    return 0;
}
