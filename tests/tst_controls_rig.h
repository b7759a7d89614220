#pragma once

#include <memory>

#include <QAction>
#include <QMainWindow>
#include <QString>

#include <QDir>
#include <QFileInfo>

#include "controls/deckremote.h"
#include "deck/qtplayerctl.h"
#include "library/paths.h"
#include "support/testsupport.h"
#include "tools/audiogen.h"

// A program directory with a small library (one folder of 90 BPM loops per sample type), a
// window holding a deck, the two Edit menu actions the controls reach, and everything that
// drives the deck from outside (MIDI, media keys, drag and drop), with the MIDI map in the
// directory.
class DeckTestRig {
public:
    explicit DeckTestRig(bool useSessionBus = false)
    {
        QByteArray config("<sampora>\n");
        const char *types[] = {"melody", "beat", "bass"};
        for (const char *type : types) {
            for (int i = 1; i <= 3; ++i)
                writeLoop(QStringLiteral("%1/%1 %2 90.wav").arg(QLatin1String(type)).arg(i));
            config += QStringLiteral(" <imported_folder path=\"%1\" %1=\"1\" hipHop=\"1\" techno=\"1\" custom=\"1\"/>\n")
                          .arg(QLatin1String(type))
                          .toUtf8();
        }
        dir.writeFile(QStringLiteral("config.xml"), config + "</sampora>\n");

        Paths::registerImageSearchPath();
        deck = new QTplayerCtl;
        window.setCentralWidget(deck);
        quantize.setCheckable(true);
        matching.setCheckable(true);
        window.show();
        DeckRemote::Options options;
        options.midiSettings = path(QStringLiteral("controllers.ini"));
        options.useSessionBus = useSessionBus;
        remote = std::make_unique<DeckRemote>(deck, &window, &quantize, &matching, options);
    }
    ~DeckTestRig() { remote.reset(); }

    QString path(const QString &name) const { return dir.path() + QLatin1Char('/') + name; }
    // Writes a loop of the given seconds; returns its path.
    QString writeLoop(const QString &name, double seconds = 2.0) const
    {
        const QString file = path(name);
        QDir().mkpath(QFileInfo(file).absolutePath());
        AudioGen::writeWav(file, AudioGen::tone(seconds, 220.0 + 10 * name.size(), 0.3));
        return file;
    }

    TempProgramDir dir;
    QMainWindow window;
    QTplayerCtl *deck = nullptr;
    QAction quantize;
    QAction matching;
    std::unique_ptr<DeckRemote> remote;
};
