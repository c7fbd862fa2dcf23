// Viewer benchmark: opens an image as the document does and renders 1600 × 1000 views headless.
// Prints the time to the first picture (open plus a fitted view), the median warm repaint over 20
// zooms and positions, and one cold tile fill (a new place at 100 %). The machine it runs on decides
// the figures; run it on a quiet one. Usage: view_bench FILE [FILE...]
#include "core/Messages.h"
#include "document/ImageDocument.h"
#include "view/ImageRenderer.h"
#include "view/ViewerNavigation.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

class QuietMessages final : public gc::Messages {
public:
    void Show(gc::MessageKind, const std::string&, const std::string&) override {}
};

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void BenchFile(const char* path) {
    constexpr int WIDTH = 1600, HEIGHT = 1000;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(WIDTH) * HEIGHT);
    QuietMessages messages;
    const auto start = std::chrono::steady_clock::now();
    gc::ImageDocument document;
    if (document.OpenFile(path, messages) != gc::OpenOutcome::Opened) {
        std::printf("%s: not opened\n", path);
        return;
    }
    const gc::PixelStore* image = document.GetImage(0);
    gc::ImageRenderer renderer;
    renderer.SetImage(image);
    if (image->Type() != gc::SampleType::UInt8)
        renderer.SetMapping(gc::DefaultMapping(image->Type(), renderer.Histogram()));
    const double fit = gc::FitZoom(image->Width(), image->Height(), WIDTH, HEIGHT);
    renderer.Render({fit, 0, 0, WIDTH, HEIGHT}, pixels.data(), WIDTH);
    const double first = Seconds(start);

    std::vector<double> warm;
    for (int i = 0; i < 20; ++i) {
        const double zoom = fit * (1 + (i % 4) * 0.1);
        const auto t = std::chrono::steady_clock::now();
        renderer.Render({zoom, (i % 3) * 20, (i % 2) * 15, WIDTH, HEIGHT}, pixels.data(), WIDTH);
        warm.push_back(Seconds(t));
    }
    std::sort(warm.begin(), warm.end());
    const auto t = std::chrono::steady_clock::now();
    renderer.Render({1.0, image->Width() / 2, image->Height() / 2, WIDTH, HEIGHT}, pixels.data(), WIDTH);
    const double cold = Seconds(t);
    std::printf(
        "%s: %d x %d, first picture %.3f s, warm repaint median %.1f ms, cold fill at 100 %% %.1f ms\n", path,
        image->Width(), image->Height(), first, warm[10] * 1000, cold * 1000);
}

} // namespace

int main(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i)
        BenchFile(argv[i]);
    return 0;
}
