#include "player/midisource.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include <QFile>
#include <QFileInfo>

#include <fluidsynth.h>

#include "library/logcategories.h"
#include "player/miditiming.h"
#include "player/pcmformat.h"

namespace {

// Longer claims come from damaged files; rendering them would take minutes of CPU.
constexpr double kMaxSeconds = 20 * 60;
constexpr qint64 kFadeFrames = PcmFormat::kRate / 500; // 2 ms

void logFluid(int level, const char *message, void *)
{
    if (level <= FLUID_ERR)
        qCWarning(lcPlayer) << message;
    else
        qCDebug(lcPlayer) << message;
}

// fluidsynth prints to stderr by default; its messages go to our logging category instead.
void routeFluidLog()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level = FLUID_PANIC; level <= FLUID_DBG; ++level)
            fluid_set_log_function(level, logFluid, nullptr);
    });
}

} // namespace

// One synthesizer playing the file from its start: made anew for every restart, so that a
// repeat starts with no notes or reverb left over from the pass before.
struct MidiSource::Synth {
    fluid_settings_t *settings = new_fluid_settings();
    fluid_synth_t *synth = nullptr;
    fluid_player_t *player = nullptr;

    bool start(const QByteArray &smf)
    {
        if (!settings)
            return false;
        fluid_settings_setnum(settings, "synth.sample-rate", PcmFormat::kRate);
        // Events are timed by the frames rendered, not by the wall clock: rendering runs
        // much faster than real time.
        fluid_settings_setstr(settings, "player.timing-source", "sample");
        fluid_settings_setint(settings, "synth.threadsafe-api", 0);
        synth = new_fluid_synth(settings);
        const QString font = MidiSource::soundFont();
        if (!synth || font.isEmpty() || fluid_synth_sfload(synth, QFile::encodeName(font).constData(), 1) == FLUID_FAILED)
            return false;
        player = new_fluid_player(synth);
        return player && fluid_player_add_mem(player, smf.constData(), size_t(smf.size())) == FLUID_OK
            && fluid_player_play(player) == FLUID_OK;
    }

    ~Synth()
    {
        if (player)
            delete_fluid_player(player);
        if (synth)
            delete_fluid_synth(synth);
        if (settings)
            delete_fluid_settings(settings);
    }
};

QString MidiSource::soundFont()
{
    // The small TimGM6mb font first: it is what the program installs, so every machine
    // sounds alike; then whatever the system names its default General MIDI font.
    for (const char *candidate : { "/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/sounds/sf2/default-GM.sf2" }) {
        const QFileInfo font(QString::fromLatin1(candidate));
        if (font.isFile() && font.isReadable())
            return font.filePath();
    }
    return QString();
}

std::unique_ptr<MidiSource> MidiSource::open(const QByteArray &smf)
{
    const std::optional<double> seconds = MidiTiming::lengthSeconds(smf);
    if (!seconds)
        return nullptr;
    const qint64 frames = std::llround(std::min(*seconds, kMaxSeconds) * PcmFormat::kRate);
    if (frames <= 0)
        return nullptr;
    routeFluidLog();
    std::unique_ptr<MidiSource> source(new MidiSource(smf, frames));
    if (!source->restart()) {
        qCWarning(lcPlayer) << "cannot render MIDI with sound font" << soundFont();
        return nullptr;
    }
    return source;
}

MidiSource::MidiSource(const QByteArray &smf, qint64 frames)
    : smf(smf)
    , frames(frames)
{
}

MidiSource::~MidiSource() = default;

int MidiSource::sampleRate() const { return PcmFormat::kRate; }

qint64 MidiSource::read(float *stereo, qint64 count)
{
    count = std::min(count, frames - position);
    if (count <= 0 || !synth)
        return 0;
    if (fluid_synth_write_float(synth->synth, int(count), stereo, 0, 2, stereo, 1, 2) != FLUID_OK)
        return 0;
    for (qint64 i = std::max<qint64>(0, frames - kFadeFrames - position); i < count; ++i) {
        const float gain = float(frames - position - i) / kFadeFrames;
        stereo[2 * i] *= gain;
        stereo[2 * i + 1] *= gain;
    }
    position += count;
    return count;
}

bool MidiSource::seek(qint64 frame)
{
    // A synthesizer cannot jump: it plays the file again from the start up to the frame.
    if (frame < 0 || frame > frames || !restart())
        return false;
    float scratch[2 * 1024];
    while (position < frame) {
        if (read(scratch, std::min<qint64>(1024, frame - position)) == 0)
            return false;
    }
    return true;
}

bool MidiSource::restart()
{
    synth = std::make_unique<Synth>();
    position = 0;
    if (synth->start(smf))
        return true;
    synth.reset();
    return false;
}
