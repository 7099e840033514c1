#include "tools/assetgen/synth.h"

#include <algorithm>
#include <cmath>

#include "tools/assetgen/noise.h"

static constexpr double rate = 44100;
static constexpr double twoPi = 6.283185307179586;
static constexpr double middleC = 261.6255653;

// Scales to a peak of `peak` of full range and converts to 16 bits.
static std::vector<int16_t> toPcm(const std::vector<double>& wave, double peak = 0.92) {
    double top = 1e-9;
    for (double v : wave) {
        top = std::max(top, std::fabs(v));
    }
    std::vector<int16_t> pcm(wave.size());
    for (size_t i = 0; i < wave.size(); i++) {
        pcm[i] = int16_t(std::lround(wave[i] / top * peak * 32767.0));
    }
    return pcm;
}

// A short fade at the very end so one-shot samples never end on a click.
static void fadeTail(std::vector<double>& wave, double seconds) {
    size_t n = std::min(wave.size(), size_t(seconds * rate));
    for (size_t i = 0; i < n; i++) {
        wave[wave.size() - 1 - i] *= double(i) / double(n);
    }
}

static size_t frames(double seconds, double sampleRate = rate) {
    return size_t(seconds * sampleRate);
}

// RBJ biquad filters for shaping noise.
struct Biquad {
    double b0, b1, b2, a1, a2;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    double run(double x) {
        double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

static Biquad makeFilter(char kind, double freq, double q, double sampleRate = rate) {
    double w = twoPi * freq / sampleRate;
    double alpha = std::sin(w) / (2 * q);
    double c = std::cos(w);
    double a0 = 1 + alpha;
    Biquad f{};
    if (kind == 'h') {
        f.b0 = (1 + c) / 2 / a0;
        f.b1 = -(1 + c) / a0;
        f.b2 = f.b0;
    } else if (kind == 'l') {
        f.b0 = (1 - c) / 2 / a0;
        f.b1 = (1 - c) / a0;
        f.b2 = f.b0;
    } else { // band pass, 0 dB peak
        f.b0 = alpha / a0;
        f.b1 = 0;
        f.b2 = -alpha / a0;
    }
    f.a1 = -2 * c / a0;
    f.a2 = (1 - alpha) / a0;
    return f;
}

static ItSample oneShot(const char* name, std::vector<double> wave, uint8_t volume,
                        double sampleRate = rate) {
    fadeTail(wave, 0.004);
    ItSample s;
    s.name = name;
    s.pcm = toPcm(wave);
    s.c5Speed = uint32_t(sampleRate);
    s.volume = volume;
    return s;
}

ItSample synthKick() {
    std::vector<double> w(frames(0.38));
    Rng rng{101};
    double phase = 0;
    for (size_t i = 0; i < w.size(); i++) {
        double t = double(i) / rate;
        double freq = 46 + 120 * std::exp(-t / 0.032);
        phase += twoPi * freq / rate;
        double body = std::sin(phase) * std::exp(-t / 0.26);
        double click = rng.signedUnit() * std::exp(-t / 0.0015) * 0.35;
        w[i] = std::tanh(1.6 * (body + click));
    }
    return oneShot("kick", w, 64);
}

ItSample synthSnare() {
    std::vector<double> w(frames(0.28));
    Rng rng{202};
    Biquad hp = makeFilter('h', 1200, 0.7);
    Biquad lp = makeFilter('l', 9000, 0.7);
    double phase = 0;
    for (size_t i = 0; i < w.size(); i++) {
        double t = double(i) / rate;
        phase += twoPi * (178 + 40 * std::exp(-t / 0.01)) / rate;
        double body = std::sin(phase) * std::exp(-t / 0.05) * 0.55;
        double noise = lp.run(hp.run(rng.signedUnit())) * std::exp(-t / 0.1);
        w[i] = std::tanh(1.3 * (body + noise * 0.9));
    }
    return oneShot("snare", w, 56);
}

ItSample synthClap() {
    std::vector<double> w(frames(0.3));
    Rng rng{303};
    Biquad bp = makeFilter('b', 1300, 1.4);
    for (size_t i = 0; i < w.size(); i++) {
        double t = double(i) / rate;
        // Three quick slaps, then the room.
        double env = 0;
        for (int k = 0; k < 3; k++) {
            double s = t - k * 0.011;
            if (s >= 0) {
                env = std::max(env, std::exp(-s / 0.004));
            }
        }
        double tail = t > 0.022 ? std::exp(-(t - 0.022) / 0.075) * 0.75 : 0;
        w[i] = bp.run(rng.signedUnit()) * std::max(env, tail);
    }
    return oneShot("clap", w, 52);
}

// Six detuned square waves at inharmonic ratios, band-limited to the top
// octaves: the classic analogue hat.
static std::vector<double> metallicNoise(size_t count, uint32_t seed, double sampleRate) {
    static const double freqs[] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
    std::vector<double> w(count);
    Rng rng{seed};
    Biquad hp1 = makeFilter('h', 6500, 0.7, sampleRate);
    Biquad hp2 = makeFilter('h', 6500, 0.7, sampleRate);
    for (size_t i = 0; i < count; i++) {
        double t = double(i) / sampleRate;
        double m = 0;
        for (double f : freqs) {
            m += std::sin(twoPi * f * 1.7 * t) > 0 ? 1 : -1;
        }
        double v = m / 6 * 0.6 + rng.signedUnit() * 0.5;
        w[i] = hp2.run(hp1.run(v));
    }
    return w;
}

ItSample synthClosedHat() {
    std::vector<double> w = metallicNoise(frames(0.08), 404, rate);
    for (size_t i = 0; i < w.size(); i++) {
        w[i] *= std::exp(-double(i) / rate / 0.016);
    }
    return oneShot("closed hat", w, 40);
}

ItSample synthOpenHat() {
    std::vector<double> w = metallicNoise(frames(0.3), 505, rate);
    for (size_t i = 0; i < w.size(); i++) {
        w[i] *= std::exp(-double(i) / rate / 0.12);
    }
    return oneShot("open hat", w, 36);
}

ItSample synthCrash() {
    // Stored at a lower rate: a long wash of noise needs little top octave.
    const double crashRate = 24000;
    std::vector<double> w = metallicNoise(frames(1.1, crashRate), 606, crashRate);
    Rng rng{607};
    Biquad hp = makeFilter('h', 3000, 0.6, crashRate);
    for (size_t i = 0; i < w.size(); i++) {
        double t = double(i) / crashRate;
        double wash = hp.run(rng.signedUnit());
        w[i] = (w[i] * 0.6 + wash * 0.7) * std::exp(-t / 0.38) * (1 - std::exp(-t / 0.002));
    }
    return oneShot("crash", w, 44, crashRate);
}

// Additive synthesis of a looped tone: partial k of each voice has the
// amplitude level(k, t) until `freezeAt`, after which nothing changes, so
// every frame from the loop start repeats exactly with the loop length.
// phaseSeed 0 keeps every partial in sine phase.
struct Voice {
    double freq;
    double gain;
};

template <class Level, class Envelope>
static ItSample loopedTone(const char* name, const std::vector<Voice>& voices, int partials,
                           double freezeAt, size_t loopFrames, const Level& level,
                           const Envelope& envelope, uint32_t phaseSeed, uint8_t volume,
                           double basis) {
    size_t loopStart = frames(freezeAt);
    std::vector<double> w(loopStart + loopFrames);
    Rng rng{phaseSeed};
    std::vector<double> phases(voices.size() * size_t(partials));
    for (double& p : phases) {
        p = phaseSeed ? rng.unit() * twoPi : 0.0;
    }
    for (size_t i = 0; i < w.size(); i++) {
        double t = double(i) / rate;
        double frozen = std::min(t, freezeAt);
        double v = 0;
        for (size_t k = 1; k <= size_t(partials); k++) {
            double a = level(int(k), frozen);
            if (a == 0) {
                continue;
            }
            for (size_t j = 0; j < voices.size(); j++) {
                double f = voices[j].freq * double(k);
                if (f > 19000) {
                    continue;
                }
                v += a * voices[j].gain * std::sin(twoPi * f * t + phases[j * partials + k - 1]);
            }
        }
        w[i] = v * envelope(frozen);
    }
    ItSample s;
    s.name = name;
    s.pcm = toPcm(w);
    s.c5Speed = uint32_t(std::lround(rate * middleC / basis));
    s.volume = volume;
    s.loop = true;
    s.loopStart = uint32_t(loopStart);
    s.loopEnd = uint32_t(w.size());
    return s;
}

ItSample synthBass() {
    // 168 frames per cycle: 262.5 Hz, looped over four cycles.
    const double f0 = rate / 168;
    auto level = [](int k, double t) {
        double cutoff = 3.5 + 16 * std::exp(-t / 0.07);
        double filter = 1 / std::sqrt(1 + std::pow(k / cutoff, 4));
        return (k == 1 ? 1.6 : 1.0) / k * filter;
    };
    auto envelope = [](double t) {
        return std::min(1.0, t / 0.003) * (0.7 + 0.3 * std::exp(-t / 0.09));
    };
    std::vector<Voice> one{{f0, 1}};
    // Sine phases keep the saw's edge.
    return loopedTone("bass", one, 30, 0.25, 168 * 4, level, envelope, 0, 64, f0);
}

ItSample synthPad() {
    // Two voices 4 Hz apart beat slowly; both repeat every quarter second.
    auto level = [](int k, double) { return std::exp(-k / 5.0) / k; };
    auto envelope = [](double t) {
        double x = std::min(1.0, t / 0.3);
        return std::sin(x * 1.5707963) * std::sin(x * 1.5707963);
    };
    std::vector<Voice> voices{{260, 1}, {264, 1}};
    return loopedTone("pad", voices, 24, 0.3, frames(0.25), level, envelope, 808, 48, 262);
}

ItSample synthLead() {
    // A 30% pulse mixed with a saw, gently rounded, two voices 4 Hz apart.
    auto level = [](int k, double) {
        double pulse = std::fabs(std::sin(3.14159265 * k * 0.3)) / k;
        double saw = 0.6 / k;
        return (pulse + saw) / (1 + std::pow(k / 11.0, 2));
    };
    auto envelope = [](double t) {
        return std::min(1.0, t / 0.005) * (0.8 + 0.2 * std::exp(-t / 0.06));
    };
    std::vector<Voice> voices{{260, 1}, {264, 0.8}};
    return loopedTone("lead", voices, 28, 0.2, frames(0.25), level, envelope, 909, 56, 262);
}

ItSample synthPluck() {
    // Higher partials die first, like a plucked string.
    const double f0 = rate / 168;
    std::vector<double> w(frames(0.5));
    for (size_t i = 0; i < w.size(); i++) {
        double t = double(i) / rate;
        double v = 0;
        for (int k = 1; k <= 24; k++) {
            double tau = 0.45 / (1 + 0.35 * k);
            v += std::sin(twoPi * f0 * k * t) / k * std::exp(-t / tau) * (k % 2 ? 1.0 : 0.55);
        }
        w[i] = v * std::min(1.0, t / 0.001);
    }
    ItSample s = oneShot("pluck", w, 48);
    s.c5Speed = uint32_t(std::lround(rate * middleC / f0));
    return s;
}

ItSample synthSurf() {
    // Dark noise with a seamless loop: the tail is cross-faded into the head.
    const double surfRate = 22050;
    const size_t loop = frames(0.8, surfRate), fade = frames(0.1, surfRate);
    std::vector<double> raw(loop + fade);
    Rng rng{1111};
    Biquad lp = makeFilter('l', 1800, 0.6, surfRate);
    Biquad hp = makeFilter('h', 150, 0.7, surfRate);
    for (double& v : raw) {
        v = hp.run(lp.run(rng.signedUnit()));
    }
    std::vector<double> w(raw.begin(), raw.begin() + long(loop));
    for (size_t i = 0; i < fade; i++) {
        double a = double(i) / double(fade);
        w[i] = w[i] * a + raw[loop + i] * (1 - a);
    }
    ItSample s;
    s.name = "surf";
    s.pcm = toPcm(w, 0.8);
    s.c5Speed = uint32_t(surfRate);
    s.volume = 64;
    s.loop = true;
    s.loopStart = 0;
    s.loopEnd = uint32_t(w.size());
    return s;
}
