// Usage: sampora_loudnessprofile RECORDING
// How even a recording of the deck sounds: its short-term loudness (EBU R128, the last 3 s) once a
// second, then the spread of those values. Windows below -60 LUFS (silence before the first
// sample) are left out of the spread.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include <ebur128.h>
#include <sndfile.h>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s RECORDING\n", argv[0]);
        return 2;
    }
    SF_INFO info {};
    SNDFILE *file = sf_open(argv[1], SFM_READ, &info);
    if (!file) {
        std::fprintf(stderr, "%s: %s\n", argv[1], sf_strerror(nullptr));
        return 1;
    }
    ebur128_state *meter = ebur128_init(unsigned(info.channels), unsigned(info.samplerate), EBUR128_MODE_S | EBUR128_MODE_I);
    std::vector<float> second(size_t(info.samplerate) * size_t(info.channels));
    std::vector<double> heard;
    for (int at = 1; sf_readf_float(file, second.data(), info.samplerate) == info.samplerate; ++at) {
        ebur128_add_frames_float(meter, second.data(), size_t(info.samplerate));
        double lufs = -HUGE_VAL;
        if (at >= 3 && ebur128_loudness_shortterm(meter, &lufs) == EBUR128_SUCCESS) {
            std::printf("%4d s: %6.1f LUFS\n", at, lufs);
            if (lufs > -60.0)
                heard.push_back(lufs);
        }
    }
    double integrated = -HUGE_VAL;
    ebur128_loudness_global(meter, &integrated);
    ebur128_destroy(&meter);
    sf_close(file);
    if (heard.empty()) {
        std::printf("silent\n");
        return 1;
    }
    std::sort(heard.begin(), heard.end());
    const auto at = [&](double share) { return heard[size_t(share * double(heard.size() - 1))]; };
    std::printf("integrated_lufs: %.1f\n", integrated);
    std::printf("shortterm_spread_lu: %.1f\n", heard.back() - heard.front());
    std::printf("shortterm_10_90_lu: %.1f\n", at(0.9) - at(0.1));
    return 0;
}
