// Writes the built-in alarm sounds the default settings name, as 16-bit PCM
// mono WAV files: a short beep, a siren sweep and two alarm tones. They are
// generated at build time so that no recorded sound is shipped.
//
// Usage: makesounds <output directory>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int SampleRate = 22050;
constexpr double Pi = 3.14159265358979323846;

// Samples in [-1, 1] from a phase-accumulating oscillator, so a changing
// frequency sweeps without clicks.
using Frequency = std::function<double(double seconds)>;
using Envelope = std::function<double(double seconds)>;

std::vector<int16_t> synthesize(double seconds, const Frequency& frequency, const Envelope& envelope)
{
    const int count = int(seconds * SampleRate);
    std::vector<int16_t> samples(size_t(count), 0);
    double phase = 0.0;
    for (int i = 0; i < count; ++i) {
        const double t = double(i) / SampleRate;
        phase += 2.0 * Pi * frequency(t) / SampleRate;
        // Fade the first and last 5 ms so playback starts and ends silently.
        const double edge = std::min({1.0, t / 0.005, (seconds - t) / 0.005});
        samples[size_t(i)] = int16_t(std::lround(0.6 * 32767.0 * edge * envelope(t) * std::sin(phase)));
    }
    return samples;
}

void putLittleEndian(std::ofstream& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.put(char((value >> (8 * i)) & 0xff));
}

bool writeWav(const std::filesystem::path& path, const std::vector<int16_t>& samples)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const uint32_t dataBytes = uint32_t(samples.size() * sizeof(int16_t));
    out.write("RIFF", 4);
    putLittleEndian(out, 36 + dataBytes, 4);
    out.write("WAVEfmt ", 8);
    putLittleEndian(out, 16, 4);              // format chunk size
    putLittleEndian(out, 1, 2);               // PCM
    putLittleEndian(out, 1, 2);               // mono
    putLittleEndian(out, SampleRate, 4);
    putLittleEndian(out, SampleRate * 2, 4);  // bytes per second
    putLittleEndian(out, 2, 2);               // block align
    putLittleEndian(out, 16, 2);              // bits per sample
    out.write("data", 4);
    putLittleEndian(out, dataBytes, 4);
    for (int16_t sample : samples)
        putLittleEndian(out, uint16_t(sample), 2);
    out.flush();
    return bool(out);
}

double constant(double) { return 1.0; }

// On for `on` seconds, off for `off`, repeated.
Envelope pulses(double on, double off)
{
    return [on, off](double t) { return std::fmod(t, on + off) < on ? 1.0 : 0.0; };
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output directory>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path root = std::filesystem::path(argv[1]) / "AlarmSounds";
    struct Sound {
        const char* file;
        double seconds;
        Frequency frequency;
        Envelope envelope;
    };
    const Sound sounds[] = {
        {"Warning/Beep3.wav", 1.2, [](double) { return 1000.0; }, pulses(0.15, 0.25)},
        {"Warning/Alarm.wav", 1.5, [](double t) { return std::fmod(t, 0.5) < 0.25 ? 660.0 : 880.0; }, constant},
        {"Critical/Siren.wav", 2.0, [](double t) { return 700.0 + 500.0 * std::sin(2.0 * Pi * t); }, constant},
        {"Critical/Alarm1.wav", 1.6, [](double t) { return std::fmod(t, 0.2) < 0.1 ? 1200.0 : 900.0; },
         pulses(0.7, 0.1)},
    };
    for (const Sound& sound : sounds) {
        const std::filesystem::path path = root / sound.file;
        if (!writeWav(path, synthesize(sound.seconds, sound.frequency, sound.envelope))) {
            std::fprintf(stderr, "could not write %s\n", path.string().c_str());
            return 1;
        }
    }
    return 0;
}
