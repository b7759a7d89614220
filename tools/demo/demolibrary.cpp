#include "demolibrary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QXmlStreamWriter>

#include "loopbuffer.h"

namespace {

struct Kind {
    const char *typeFolder;
    const char *configType;
    const char *names[2];
    Phrase (*pattern)(int variation);
    QStringList formats; // cycled over the genre's tempos and variations
    double peak; // the three kinds of a genre sum to well below 1: the deck plays them at full volume
};

struct Genre {
    const char *folder;
    const char *configGenre;
    QVector<int> tempos;
    QVector<Kind> kinds;
};

QVector<Genre> catalogue()
{
    const QString wav = QStringLiteral("wav"), aif = QStringLiteral("aif"), mp3 = QStringLiteral("mp3"),
                  mid = QStringLiteral("mid");
    return {
        {"hiphop", "hipHop", {84, 90}, {
             {"beats", "beat", {"boom-bap-drums", "dusty-drums"}, Patterns::hipHopDrums, {wav, aif, mp3, wav}, 0.34},
             {"bass", "bass", {"sub-bass", "finger-bass"}, Patterns::hipHopBass, {aif, wav, wav, mp3}, 0.29},
             {"melody", "melody", {"rhodes-chords", "pluck-riff"}, Patterns::hipHopMelody, {wav, mid, aif, mp3}, 0.22},
         }},
        {"techno", "techno", {120, 128, 140}, {
             {"beats", "beat", {"four-on-the-floor", "warehouse-groove"}, Patterns::technoDrums, {wav, aif, mp3, wav, aif, mp3}, 0.34},
             {"bass", "bass", {"rolling-bass", "acid-line"}, Patterns::technoBass, {aif, wav, mp3, aif, wav, mp3}, 0.27},
             {"melody", "melody", {"pluck-arp", "chord-stabs"}, Patterns::technoMelody, {wav, aif, mid, mp3, wav, aif}, 0.22},
         }},
    };
}

AudioGen::Pcm render(const DemoLibrary::Loop &loop)
{
    LoopBuffer bus(loop.bpm, loop.phrase.beats);
    for (const AudioGen::MidiNote &note : loop.phrase.notes)
        Instruments::play(bus, note, loop.phrase.voice);
    return bus.toPcm(loop.peak);
}

} // namespace

DemoLibrary::DemoLibrary(bool haveMp3Encoder)
{
    for (const Genre &genre : catalogue()) {
        for (const Kind &kind : genre.kinds) {
            const QString folder = QStringLiteral("%1/%2/%3").arg(QLatin1String(kFolder), QLatin1String(genre.folder), QLatin1String(kind.typeFolder));
            m_folders.append({folder, QLatin1String(kind.configType), QLatin1String(genre.configGenre)});
            int index = 0;
            for (int bpm : genre.tempos) {
                for (int variation = 0; variation < 2; ++variation, ++index) {
                    QString format = kind.formats.at(index % kind.formats.size());
                    if (format == QLatin1String("mp3") && !haveMp3Encoder)
                        format = QStringLiteral("wav");
                    // The BPM is the last number in the name: that is where the program reads it.
                    const QString file = QStringLiteral("%1_%2bpm.%3").arg(QLatin1String(kind.names[variation])).arg(bpm).arg(format);
                    m_loops.append({folder, file, bpm, kind.peak, kind.pattern(variation)});
                }
            }
        }
    }
}

int DemoLibrary::writeMissing(const QString &programDir) const
{
    int written = 0;
    struct Encoding {
        QString wav;
        QString mp3;
        QProcess *process;
    };
    QVector<Encoding> encodings;
    bool ok = true;
    for (const Loop &loop : m_loops) {
        const QString dir = programDir + QLatin1Char('/') + loop.folder;
        const QString path = dir + QLatin1Char('/') + loop.file;
        if (QFileInfo::exists(path))
            continue;
        if (!QDir().mkpath(dir)) {
            ok = false;
            continue;
        }
        const QString suffix = QFileInfo(path).suffix();
        if (suffix == QLatin1String("mid")) {
            ok &= AudioGen::writeMidi(path, loop.bpm, loop.phrase.beats, loop.phrase.notes, Instruments::midiProgram(loop.phrase.voice));
        } else if (suffix == QLatin1String("aif")) {
            ok &= AudioGen::writeAiff(path, render(loop));
        } else if (suffix == QLatin1String("mp3")) {
            // Encoded to a hidden file that is renamed when complete, so an interrupted run
            // never leaves a truncated sample behind that the next run would keep.
            const QString wav = dir + QStringLiteral("/.") + loop.file + QStringLiteral(".wav");
            ok &= AudioGen::writeWav(wav, render(loop));
            auto *sox = new QProcess;
            sox->start(QStringLiteral("sox"), {QStringLiteral("-q"), wav, QStringLiteral("-C"), QStringLiteral("192"),
                                               QStringLiteral("-t"), QStringLiteral("mp3"), path + QStringLiteral(".part")});
            encodings.append({wav, path, sox});
            continue;
        } else {
            ok &= AudioGen::writeWav(path, render(loop));
        }
        ++written;
    }
    for (const Encoding &e : encodings) {
        const bool encoded = e.process->waitForFinished(60000) && e.process->exitStatus() == QProcess::NormalExit
                             && e.process->exitCode() == 0 && QFile::rename(e.mp3 + QStringLiteral(".part"), e.mp3);
        if (encoded)
            ++written;
        else
            QFile::remove(e.mp3 + QStringLiteral(".part"));
        ok &= encoded;
        QFile::remove(e.wav);
        delete e.process;
    }
    return ok ? written : -1;
}

bool DemoLibrary::writeConfigIfMissing(const QString &programDir, bool *written) const
{
    *written = false;
    const QString path = programDir + QStringLiteral("/config.xml");
    if (QFileInfo::exists(path))
        return true;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QXmlStreamWriter xml(&file);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(1);
    xml.writeStartElement(QStringLiteral("sampora"));
    for (const Folder &folder : m_folders) {
        xml.writeEmptyElement(QStringLiteral("imported_folder"));
        xml.writeAttribute(QStringLiteral("path"), folder.path);
        for (const char *type : {"melody", "beat", "bass"})
            xml.writeAttribute(QLatin1String(type), folder.type == QLatin1String(type) ? QStringLiteral("1") : QStringLiteral("0"));
        // Every demo folder is also in the custom playlist, which so plays the whole demo.
        for (const char *genre : {"hipHop", "techno"})
            xml.writeAttribute(QLatin1String(genre), folder.genre == QLatin1String(genre) ? QStringLiteral("1") : QStringLiteral("0"));
        xml.writeAttribute(QStringLiteral("custom"), QStringLiteral("1"));
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    *written = file.commit();
    return *written;
}
