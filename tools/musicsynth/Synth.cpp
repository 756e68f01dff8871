// The soundtrack: each hit of each instrument is rendered into a float stereo mix, which is
// then normalised and rounded to 16 bits. Instruments are a few lines of DSP each.
#include "Synth.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

namespace musicsynth {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kBeat = 60.0 / kBeatsPerMinute;
constexpr double kBar = 4.0 * kBeat;

struct Mix {
    std::vector<float> left, right;
    void add(long i, double l, double r) {
        if (i < 0 || i >= static_cast<long>(left.size())) return;
        left[static_cast<std::size_t>(i)] += static_cast<float>(l);
        right[static_cast<std::size_t>(i)] += static_cast<float>(r);
    }
    long size() const { return static_cast<long>(left.size()); }
};

// xorshift32: white noise that depends only on the seed of the hit.
struct Noise {
    std::uint32_t state;
    explicit Noise(std::uint32_t seed) : state(seed * 2654435761u + 0x9E3779B9u) {
        if (state == 0) state = 1;
    }
    double next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<double>(state) / 2147483648.0 - 1.0;
    }
};

long sampleAt(double seconds) { return static_cast<long>(std::llround(seconds * kSampleRate)); }

double noteHz(int midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

// One-pole filters; coefficient from the cut-off frequency.
double onePoleCoefficient(double hz) { return 1.0 - std::exp(-2.0 * kPi * hz / kSampleRate); }

void kick(Mix& mix, double start, double gain) {
    const long first = sampleAt(start);
    const long length = sampleAt(0.45);
    double phase = 0.0;
    for (long n = 0; n < length; ++n) {
        const double t = static_cast<double>(n) / kSampleRate;
        const double hz = 58.0 + 150.0 * std::exp(-t / 0.04);
        phase += 2.0 * kPi * hz / kSampleRate;
        // The second harmonic puts the punch into the 80-260 Hz range that reads as "low".
        const double body = (std::sin(phase) + 0.45 * std::sin(2.0 * phase)) * std::exp(-t / 0.17);
        const double click = t < 0.004 ? (1.0 - t / 0.004) * 0.12 : 0.0;
        const double v = gain * (body + click);
        mix.add(first + n, v, v);
    }
}

void snare(Mix& mix, double start, double gain, std::uint32_t seed) {
    const long first = sampleAt(start);
    const long length = sampleAt(0.3);
    Noise noise(seed);
    const double hp = onePoleCoefficient(450.0), lp = onePoleCoefficient(3000.0);
    double low = 0.0, band = 0.0, phase = 0.0;
    for (long n = 0; n < length; ++n) {
        const double t = static_cast<double>(n) / kSampleRate;
        const double white = noise.next();
        low += hp * (white - low);             // what the high-pass removes
        band += lp * ((white - low) - band);   // 450 Hz .. 3 kHz
        phase += 2.0 * kPi * 190.0 / kSampleRate;
        const double tone = std::sin(phase) * std::exp(-t / 0.04);
        const double v = gain * (band * 2.2 * std::exp(-t / 0.09) + tone * 0.25);
        mix.add(first + n, v * 0.95, v);
    }
}

void hat(Mix& mix, double start, double gain, double decay, std::uint32_t seed) {
    const long first = sampleAt(start);
    const long length = sampleAt(decay * 6.0);
    Noise noise(seed);
    const double hp = onePoleCoefficient(3500.0);
    double low = 0.0, previous = 0.0;
    for (long n = 0; n < length; ++n) {
        const double t = static_cast<double>(n) / kSampleRate;
        const double white = noise.next();
        low += hp * (white - low);
        const double high = white - low;
        const double v = gain * (high - 0.3 * previous) * std::exp(-t / decay);  // tilt further up
        previous = high;
        mix.add(first + n, v * 0.8, v);
    }
}

// Band-limited sawtooth (polyBLEP) for bass and pad.
struct Saw {
    double phase = 0.0;
    double next(double hz) {
        const double dt = hz / kSampleRate;
        phase += dt;
        if (phase >= 1.0) phase -= 1.0;
        double v = 2.0 * phase - 1.0;
        if (phase < dt) {
            const double x = phase / dt;
            v -= x + x - x * x - 1.0;
        } else if (phase > 1.0 - dt) {
            const double x = (phase - 1.0) / dt;
            v -= x * x + x + x + 1.0;
        }
        return v;
    }
};

void bassNote(Mix& mix, double start, double length, int midi, double gain) {
    const long first = sampleAt(start);
    const long count = sampleAt(length);
    Saw saw;
    const double lp = onePoleCoefficient(260.0);
    double low1 = 0.0, low2 = 0.0;
    const double hz = noteHz(midi);
    for (long n = 0; n < count; ++n) {
        const double t = static_cast<double>(n) / kSampleRate;
        const double s = saw.next(hz) + 0.6 * std::sin(2.0 * kPi * hz * t);
        low1 += lp * (s - low1);
        low2 += lp * (low1 - low2);
        const double attack = std::min(1.0, t / 0.005);
        const double release = std::min(1.0, (length - t) / 0.02);
        const double v = gain * low2 * attack * std::max(0.0, release) * std::exp(-t / 0.35);
        mix.add(first + n, v, v);
    }
}

void padChord(Mix& mix, double start, double length, const std::vector<int>& notes, double gain) {
    const long first = sampleAt(start);
    const long count = sampleAt(length + 0.6);  // the release rings over the next chord
    const double lp = onePoleCoefficient(1400.0);
    for (std::size_t k = 0; k < notes.size(); ++k) {
        Saw left, right;
        left.phase = 0.13 * static_cast<double>(k);
        right.phase = 0.57 + 0.11 * static_cast<double>(k);
        double lowL = 0.0, lowR = 0.0;
        const double hz = noteHz(notes[k]);
        for (long n = 0; n < count; ++n) {
            const double t = static_cast<double>(n) / kSampleRate;
            const double envelope = std::min(1.0, t / 0.4) * (t < length ? 1.0 : std::exp(-(t - length) / 0.15));
            lowL += lp * (left.next(hz * 0.997) - lowL);
            lowR += lp * (right.next(hz * 1.003) - lowR);
            mix.add(first + n, gain * envelope * lowL, gain * envelope * lowR);
        }
    }
}

// The arrangement, in bars of 2 s (see Synth.h for the sections).
enum class Section { Intro, BuildUp, Drop, Breakdown, SecondDrop, Outro, End };

Section sectionOf(int bar, int bars) {
    if (bar >= bars - 1 && bars > 4) return Section::End;
    if (bar < 8) return Section::Intro;
    if (bar < 16) return Section::BuildUp;
    if (bar < 32) return Section::Drop;
    if (bar < 40) return Section::Breakdown;
    if (bar < 52) return Section::SecondDrop;
    return Section::Outro;
}

// A plucked square-ish lead: a saw and its octave, filtered and decaying.
void pluck(Mix& mix, double start, int midi, double gain, double pan) {
    const long first = sampleAt(start);
    const long count = sampleAt(0.35);
    Saw a, b;
    b.phase = 0.5;
    const double hz = noteHz(midi);
    double low = 0.0;
    for (long n = 0; n < count; ++n) {
        const double t = static_cast<double>(n) / kSampleRate;
        const double cutoff = onePoleCoefficient(600.0 + 5000.0 * std::exp(-t / 0.05));
        low += cutoff * ((a.next(hz) - b.next(hz * 2.0) * 0.5) - low);
        const double v = gain * low * std::min(1.0, t / 0.002) * std::exp(-t / 0.12);
        mix.add(first + n, v * (1.0 - pan), v * (1.0 + pan));
    }
}

// A rising noise sweep into a drop: white noise through a band that opens over `length`.
void riser(Mix& mix, double start, double length, double gain, std::uint32_t seed) {
    const long first = sampleAt(start);
    const long count = sampleAt(length);
    Noise noise(seed);
    double low = 0.0;
    for (long n = 0; n < count; ++n) {
        const double x = static_cast<double>(n) / static_cast<double>(count);
        low += onePoleCoefficient(300.0 + 7000.0 * x * x) * (noise.next() - low);
        const double v = gain * low * x * x;
        mix.add(first + n, v, v * 0.9);
    }
}

}  // namespace

std::vector<std::int16_t> renderSoundtrack(double seconds) {
    Mix mix;
    const long total = std::max(0L, sampleAt(seconds));
    mix.left.assign(static_cast<std::size_t>(total), 0.0f);
    mix.right.assign(static_cast<std::size_t>(total), 0.0f);

    // A minor, F, C, G: two bars each. Roots for the bass, voicings around middle C for the pad,
    // and an arpeggio over each chord for the lead.
    const int roots[4] = {45, 41, 48, 43};
    const std::vector<int> chords[4] = {{57, 60, 64, 69}, {53, 57, 60, 65}, {55, 60, 64, 67}, {55, 59, 62, 67}};
    const int arpeggio[8] = {0, 1, 2, 3, 2, 1, 3, 1};

    const int bars = static_cast<int>(std::ceil(seconds / kBar));
    std::uint32_t seed = 1;
    for (int bar = 0; bar < bars; ++bar) {
        const double barStart = bar * kBar;
        const int chord = (bar / 2) % 4;
        const Section section = sectionOf(bar, bars);
        const bool drop = section == Section::Drop || section == Section::SecondDrop;
        const bool groove = drop || section == Section::BuildUp || (section == Section::Outro && bar < 56);

        if (bar % 2 == 0 && section != Section::End) {
            const double padGain = section == Section::Breakdown ? 0.08 : section == Section::Intro ? 0.06 : 0.045;
            padChord(mix, barStart, 2.0 * kBar, chords[chord], padGain);
        }
        if (section == Section::End) {
            kick(mix, barStart, 0.9);
            continue;
        }
        for (int beat = 0; beat < 4; ++beat) {
            const double beatStart = barStart + beat * kBeat;
            // The build-up starts with a kick on 1 and 3 only, then four to the floor.
            const bool kickHere = groove && (section != Section::BuildUp || bar >= 12 || beat % 2 == 0);
            if (kickHere) kick(mix, beatStart, 0.9);
            const bool snareHere = (beat == 1 || beat == 3) &&
                                   (groove || section == Section::Breakdown) && !(section == Section::BuildUp && bar < 10);
            if (snareHere) snare(mix, beatStart, section == Section::Breakdown ? 0.3 : 0.6, seed++);
            if (bar >= 4 && section != Section::Outro) {
                hat(mix, beatStart, 0.22, 0.02, seed++);
                hat(mix, beatStart + kBeat / 2.0, 0.3, beat == 3 ? 0.09 : 0.03, seed++);
            } else if (section == Section::Outro && bar < 56) {
                hat(mix, beatStart + kBeat / 2.0, 0.22, 0.03, seed++);
            }
            if (section == Section::SecondDrop) {  // sixteenths on top
                hat(mix, beatStart + kBeat / 4.0, 0.12, 0.015, seed++);
                hat(mix, beatStart + 3.0 * kBeat / 4.0, 0.12, 0.015, seed++);
            }
            if (groove && section != Section::Outro) {
                bassNote(mix, beatStart + kBeat / 2.0, kBeat / 2.0 * 0.6, roots[chord] + (beat == 3 ? 12 : 0),
                         drop ? 0.45 : 0.35);
            }
            if (section == Section::Breakdown || section == Section::SecondDrop) {
                for (int half = 0; half < 2; ++half) {
                    const int step = beat * 2 + half;
                    const int note = chords[chord][static_cast<std::size_t>(arpeggio[step])] + 12;
                    pluck(mix, beatStart + half * kBeat / 2.0, note, section == Section::Breakdown ? 0.09 : 0.06,
                          step % 2 == 0 ? -0.3 : 0.3);
                }
            }
        }
        // Snare rolls and a noise sweep into each drop.
        if (bar == 15 || bar == 39) {
            for (int i = 0; i < 8; ++i) snare(mix, barStart + 2.0 * kBeat + i * kBeat / 4.0, 0.12 + 0.04 * i, seed++);
            riser(mix, barStart - kBar, 2.0 * kBar, 0.35, seed++);
        }
    }

    float peak = 1e-6f;
    for (long i = 0; i < total; ++i) {
        peak = std::max({peak, std::fabs(mix.left[static_cast<std::size_t>(i)]),
                         std::fabs(mix.right[static_cast<std::size_t>(i)])});
    }
    const double scale = 0.89 * 32767.0 / peak;
    std::vector<std::int16_t> out(static_cast<std::size_t>(total) * 2);
    for (long i = 0; i < total; ++i) {
        // A short fade at both ends avoids clicks when the music starts and stops.
        const double fade = std::min({1.0, static_cast<double>(i) / 441.0, static_cast<double>(total - 1 - i) / 4410.0});
        const auto quantise = [&](float v) {
            return static_cast<std::int16_t>(std::lround(std::clamp(v * scale * fade, -32767.0, 32767.0)));
        };
        out[static_cast<std::size_t>(i) * 2] = quantise(mix.left[static_cast<std::size_t>(i)]);
        out[static_cast<std::size_t>(i) * 2 + 1] = quantise(mix.right[static_cast<std::size_t>(i)]);
    }
    return out;
}

bool writeWav(const std::string& path, const std::vector<std::int16_t>& interleaved, int channels, int sampleRate) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) return false;
    const auto u32 = [&](std::uint32_t v) {
        const char b[4] = {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                           static_cast<char>(v >> 24)};
        file.write(b, 4);
    };
    const auto u16 = [&](std::uint16_t v) {
        const char b[2] = {static_cast<char>(v), static_cast<char>(v >> 8)};
        file.write(b, 2);
    };
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(interleaved.size() * 2);
    file.write("RIFF", 4);
    u32(36 + dataBytes);
    file.write("WAVEfmt ", 8);
    u32(16);
    u16(1);  // PCM
    u16(static_cast<std::uint16_t>(channels));
    u32(static_cast<std::uint32_t>(sampleRate));
    u32(static_cast<std::uint32_t>(sampleRate * channels * 2));
    u16(static_cast<std::uint16_t>(channels * 2));
    u16(16);
    file.write("data", 4);
    u32(dataBytes);
    for (std::int16_t s : interleaved) u16(static_cast<std::uint16_t>(s));
    return static_cast<bool>(file);
}

}  // namespace musicsynth
