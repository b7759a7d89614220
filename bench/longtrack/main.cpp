// A row plays a ten-minute song (100 MB once decoded) as the user would: from the start past the
// decoded head, a seek to the middle, a seek near the end and on into the repeat. Prints the
// process's peak resident memory, how much of it the song added, and how often the stream had
// to wait for the disk. Then the same with the song bent by the tempo slider (stretched as it
// streams), moved twice on the way. Needs the audio server bench/run starts (PULSE_SERVER).
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include "player/player.h"
#include "tools/audiogen.h"

namespace {

constexpr int kSongMinutes = 10;

void print(const char *key, double value, int decimals)
{
    std::printf("%s: %.*f\n", key, decimals, value);
    std::fflush(stdout);
}

// A field of /proc/self/status in MB: VmRSS now, VmHWM the peak so far.
double statusMb(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

// A row without a library: it plays the files it is given.
class Row {
public:
    Row()
    {
        QAbstractSlider *p = &position;
        QAbstractSlider *t = &tempo;
        QAbstractButton *h = &hold;
        Sampora *library = nullptr;
        player = std::make_unique<Player>(0, &p, &t, &library, &h, 0);
    }

    QSlider position { Qt::Horizontal };
    QSlider tempo { Qt::Horizontal };
    QCheckBox hold;
    std::unique_ptr<Player> player;
};

// The highest VmRSS seen every 50 ms while `phase` runs.
template<typename Phase>
double peakRssDuring(Phase phase)
{
    double peak = statusMb("VmRSS");
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&peak] { peak = std::max(peak, statusMb("VmRSS")); });
    poll.start(50);
    phase();
    return std::max(peak, statusMb("VmRSS"));
}

// From the start past the head, a seek to the middle, a seek near the end and on into the repeat.
void playThrough(Player &player, const QString &song, const std::function<void()> &onTheWay = {})
{
    player.playFile(song);
    QTest::qWait(12000); // past the head into the streamed part
    if (onTheWay)
        onTheWay();
    player.changePosition(50);
    QTest::qWait(3000);
    player.changePosition(99); // six seconds before the end, then on into the repeat
    QTest::qWait(10000);
    player.stop();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER")) {
        std::fprintf(stderr, "bench_longtrack: no audio server (PULSE_SERVER); nothing measured\n");
        return 0;
    }
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    QString root = qEnvironmentVariable("SAMPORA_BENCH_DIR");
    if (root.isEmpty())
        root = QDir::tempPath();
    root += QStringLiteral("/longtrack");
    QDir().mkpath(root);
    const QString loop = root + QStringLiteral("/loop.wav");
    const QString song = root + QStringLiteral("/song.wav");
    AudioGen::writeWav(loop, AudioGen::tone(2.0, 330.0));
    AudioGen::writeWavRepeated(song, AudioGen::tone(10.0, 220.0), kSongMinutes * 6);

    // The row plays a short loop first, so that libvlc and its audio output are up before the
    // baseline is taken.
    Row row;
    row.player->toggleRepeat();
    row.player->playFile(loop);
    QTest::qWait(2000);
    const double baselineMb = statusMb("VmRSS");

    playThrough(*row.player, song);
    const double peakMb = statusMb("VmHWM");
    print("rss_mb_long_track", peakMb, 1);
    print("rss_mb_long_track_growth", peakMb - baselineMb, 1);
    print("long_track_dry_spells", row.player->starvations(), 0);

    // The same song with a BPM in its name, bent by the tempo slider: a copy stretched as it
    // streams at each rate.
    const QString bent = root + QStringLiteral("/song 120.wav");
    QFile::remove(bent);
    QFile::copy(song, bent);
    Row bentRow;
    bentRow.tempo.setRange(-16, 16);
    bentRow.tempo.setValue(5);
    const double bentBaselineMb = statusMb("VmRSS");
    const double bentPeakMb = peakRssDuring([&] {
        bentRow.player->setBpm(120);
        playThrough(*bentRow.player, bent, [&] {
            bentRow.tempo.setValue(8);
            QTest::qWait(2000);
            bentRow.tempo.setValue(-4);
            QTest::qWait(2000);
        });
    });
    print("rss_mb_bent_long_track_growth", bentPeakMb - bentBaselineMb, 1);
    print("bent_long_track_dry_spells", bentRow.player->starvations(), 0);
    QFile::remove(bent);
    return 0;
}
