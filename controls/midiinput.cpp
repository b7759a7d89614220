#include "controls/midiinput.h"

#include <algorithm>
#include <map>
#include <memory>
#include <string>

#include <QFileInfo>
#include <QTimer>

#include <RtMidi.h>
#include <jack/jack.h>

#include "controls/controlslog.h"

namespace {

constexpr int kRescanMs = 500;
const char kClientName[] = "Sampora";

void quietJack(const char *) {}

// RtMidi reports a missing server or a port that vanished while it was read; neither is the
// user's business in a program that works without a controller.
void logRtMidiError(RtMidiError::Type type, const std::string &text, void *)
{
    qCDebug(lcControls) << "MIDI:" << int(type) << text.c_str();
}

} // namespace

// Lives on MidiInput's thread: lists the ports, opens and drops them. RtMidi calls back on
// threads of its own (the sequencer's reader, JACK's process thread).
class MidiPortWatcher : public QObject {
    Q_OBJECT

public:
    explicit MidiPortWatcher(RtMidi::Api api)
        : api(api)
    {
    }
    ~MidiPortWatcher() override
    {
        // No message may reach a watcher on its way out: each port stops calling back and is
        // closed before its client goes, one at a time (JACK's threads still run meanwhile).
        for (auto &port : open) {
            port.second->cancelCallback();
            port.second->closePort();
        }
        open.clear();
        own.reset();
        lister.reset();
    }

    void start()
    {
        timer = new QTimer(this);
        connect(timer, &QTimer::timeout, this, &MidiPortWatcher::rescan);
        timer->start(kRescanMs);
        rescan();
    }

signals:
    void received(const MidiMessage &message);
    void portsChanged(const QStringList &ports);

private:
    static void arrived(double, std::vector<unsigned char> *bytes, void *watcher)
    {
        const MidiMessage message = MidiMessage::parse(*bytes);
        if (message.isValid())
            emit static_cast<MidiPortWatcher *>(watcher)->received(message);
    }

    std::unique_ptr<RtMidiIn> makeInput()
    {
        try {
            auto input = std::make_unique<RtMidiIn>(api, kClientName);
            input->setErrorCallback(&logRtMidiError);
            return input;
        } catch (const RtMidiError &error) {
            qCDebug(lcControls) << "MIDI unavailable:" << error.what();
            return nullptr;
        }
    }

    std::vector<std::string> portNames()
    {
        std::vector<std::string> names;
        const unsigned count = lister->getPortCount();
        for (unsigned i = 0; i < count; ++i) {
            const std::string name = lister->getPortName(i);
            if (!name.empty())
                names.push_back(name);
        }
        return names;
    }

    // Opens the lister and our own port once the system's MIDI answers; a JACK server may be
    // started after Sampora.
    bool ready()
    {
        if (lister)
            return true;
        // RtMidi would print its complaint about a missing server before we could silence it.
        if (api == RtMidi::UNIX_JACK && !jackAnswers())
            return false;
        lister = makeInput();
        if (!lister)
            return false;
        own = makeInput();
        if (own) {
            try {
                own->openVirtualPort(kClientName);
            } catch (const RtMidiError &error) {
                qCDebug(lcControls) << "MIDI: no port of our own:" << error.what();
            }
        }
        return true;
    }

    static bool jackAnswers()
    {
        jack_status_t status;
        jack_client_t *probe = jack_client_open("Sampora probe", JackNoStartServer, &status);
        if (!probe)
            return false;
        jack_client_close(probe);
        return true;
    }

    void rescan()
    {
        if (!ready())
            return;
        const std::vector<std::string> present = portNames();
        bool changed = false;
        for (auto it = open.begin(); it != open.end();) {
            if (std::find(present.begin(), present.end(), it->first) == present.end()) {
                qCDebug(lcControls) << "MIDI port gone:" << it->first.c_str();
                it = open.erase(it);
                changed = true;
            } else {
                ++it;
            }
        }
        for (const std::string &name : present) {
            if (open.count(name) == 0 && openPort(name))
                changed = true;
        }
        if (changed) {
            QStringList names;
            for (const auto &port : open)
                names << QString::fromStdString(port.first);
            emit portsChanged(names);
        }
    }

    bool openPort(const std::string &name)
    {
        std::unique_ptr<RtMidiIn> input = makeInput();
        if (!input)
            return false;
        // The new client lists the ports itself: the order may have changed since the last look.
        const unsigned count = input->getPortCount();
        for (unsigned i = 0; i < count; ++i) {
            if (input->getPortName(i) != name)
                continue;
            input->setCallback(&MidiPortWatcher::arrived, this);
            input->openPort(i, kClientName);
            if (!input->isPortOpen())
                return false;
            qCDebug(lcControls) << "MIDI port opened:" << name.c_str();
            open.emplace(name, std::move(input));
            return true;
        }
        return false;
    }

    const RtMidi::Api api;
    std::unique_ptr<RtMidiIn> lister;
    std::unique_ptr<RtMidiIn> own;
    std::map<std::string, std::unique_ptr<RtMidiIn>> open;
    QTimer *timer = nullptr;
};

MidiInput::MidiInput(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<MidiMessage>();
    // libjack writes to stderr when no server runs, which is the normal case on a desktop.
    jack_set_error_function(&quietJack);
    jack_set_info_function(&quietJack);

    watcher = new MidiPortWatcher(RtMidi::Api(chosenApi()));
    watcher->moveToThread(&thread);
    connect(watcher, &MidiPortWatcher::received, this, &MidiInput::received);
    connect(watcher, &MidiPortWatcher::portsChanged, this, &MidiInput::portsChanged);
    connect(&thread, &QThread::started, watcher, &MidiPortWatcher::start);
    connect(&thread, &QThread::finished, watcher, &QObject::deleteLater);
    thread.setObjectName(QStringLiteral("MIDI input"));
    thread.start();
}

MidiInput::~MidiInput()
{
    thread.quit();
    thread.wait();
}

int MidiInput::chosenApi()
{
    const QByteArray wanted = qgetenv("SAMPORA_MIDI_API").toLower();
    if (wanted == "alsa")
        return RtMidi::LINUX_ALSA;
    if (wanted == "jack")
        return RtMidi::UNIX_JACK;
    return QFileInfo::exists(QStringLiteral("/dev/snd/seq")) ? RtMidi::LINUX_ALSA : RtMidi::UNIX_JACK;
}

#include "midiinput.moc"
