#pragma once

#include <memory>

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QSlider>
#include <QStringList>

#include "library/sampletypes.h"
#include "library/sampora.h"
#include "player/player.h"
#include "player/waveformslider.h"
#include "support/testsupport.h"
#include "tools/audiogen.h"

// One deck row on real libvlc: a program directory whose config.xml registers a folder of
// generated samples for one sample type, the row's widgets, the library model and a Player.
class PlayerRig {
public:
    // A generated tone, or a file written from the given bytes as they are (possibly none).
    struct Sample {
        Sample(const QString &name, double seconds)
            : name(name)
            , seconds(seconds)
        {
        }
        Sample(const QString &name, const QByteArray &bytes)
            : name(name)
            , bytes(bytes)
            , raw(true)
        {
        }
        QString name; // file name below the samples folder
        double seconds = 1.0;
        QByteArray bytes;
        bool raw = false;
    };

    explicit PlayerRig(const QList<Sample> &samples, int sampleType = Bass, int id = 0,
        Player::TempoFinder findTempo = {})
    {
        for (const Sample &sample : samples) {
            const QString file = folder() + QLatin1Char('/') + sample.name;
            if (sample.raw)
                dir.writeFile(QStringLiteral("samples/") + sample.name, sample.bytes);
            else
                writeTone(ensureFolder(file), sample.seconds);
        }
        const char *type = sampleType == Melody ? R"(melody="1" beat="0" bass="0")"
            : sampleType == Beat                ? R"(melody="0" beat="1" bass="0")"
                                                : R"(melody="0" beat="0" bass="1")";
        dir.writeFile(QStringLiteral("config.xml"),
            QByteArray("<sampora><imported_folder path=\"samples\" ") + type
                + " hipHop=\"1\" techno=\"0\" custom=\"0\"/></sampora>\n");
        positionSlider.setOrientation(Qt::Horizontal);
        tempoSlider.setRange(-16, 16);
        positionSlider.resize(200, 20);
        library = std::make_unique<Sampora>(HipHop);
        QAbstractSlider *position = &positionSlider;
        QAbstractSlider *tempo = &tempoSlider;
        QAbstractButton *hold = &holdBox;
        Sampora *model = library.get();
        player = std::make_unique<Player>(id, &position, &tempo, &model, &hold, sampleType, std::move(findTempo));
        QObject::connect(player.get(), &Player::Playing,
            [this](int pid) { events << QStringLiteral("Playing(%1)").arg(pid); });
        QObject::connect(player.get(), &Player::Stopped,
            [this](int pid) { events << QStringLiteral("Stopped(%1)").arg(pid); });
        QObject::connect(player.get(), &Player::NewBPM, [this] { events << QStringLiteral("NewBPM"); });
    }

    QString folder() const { return dir.path() + QStringLiteral("/samples"); }
    QString path(const QString &name) const { return folder() + QLatin1Char('/') + name; }

    // Widgets and library are declared before the player, so they outlive it.
    TempProgramDir dir;
    WaveformSlider positionSlider;
    QSlider tempoSlider { Qt::Horizontal };
    QCheckBox holdBox;
    std::unique_ptr<Sampora> library;
    std::unique_ptr<Player> player;
    QStringList events; // the player's signals in the order they came

private:
    // In the format the file name asks for; a MIDI file plays one note at 120 BPM.
    static void writeTone(const QString &file, double seconds)
    {
        const AudioGen::Pcm pcm = AudioGen::tone(seconds, 440.0, 0.3);
        if (file.endsWith(QStringLiteral(".aif")))
            AudioGen::writeAiff(file, pcm);
        else if (file.endsWith(QStringLiteral(".mid")))
            AudioGen::writeMidi(file, 120, seconds * 2, { { 0, 69, 100, 0.0, seconds * 2 } });
        else
            AudioGen::writeWav(file, pcm);
    }

    static QString ensureFolder(const QString &file)
    {
        QDir().mkpath(QFileInfo(file).absolutePath());
        return file;
    }
};
