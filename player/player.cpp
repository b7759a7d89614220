#include "player/player.h"

#include <cmath>

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>

#include "library/paths.h"
#include "library/sampletypes.h"
#include "library/sampora.h"
#include "player/vlcplayback.h"

namespace {

constexpr int kPollMs = 50;
constexpr qsizetype kMaxHistory = 999;
// Broken samples in a row after which the row stops instead of drawing yet another one.
constexpr int kMaxFailures = 3;

void appendCapped(QList<TrackInfo> &history, const TrackInfo &entry)
{
    history.append(entry);
    if (history.size() > kMaxHistory)
        history.removeFirst();
}

QString typeName(int sampleType)
{
    switch (sampleType) {
    case Melody:
        return QStringLiteral("Melody");
    case Bass:
        return QStringLiteral("Beat/Bass");
    case Beat:
        return QStringLiteral("Beat/Effects");
    default:
        return QStringLiteral("unknown");
    }
}

} // namespace

Player::Player(int id, QAbstractSlider **positionSlider, QAbstractSlider **tempoSlider, Sampora **library,
    QAbstractButton **playPauseBox, int sampleType)
    : QWidget(nullptr)
{
    const QString includePath = QDir::toNativeSeparators(Paths::programDir() + QStringLiteral("/include"));

    this->positionSlider = *positionSlider;
    this->tempoSlider = *tempoSlider;
    this->positionSlider->installEventFilter(this);

    this->sampleType = sampleType;
    repeat = false;
    this->id = id;
    playing = false;
    timer = new QTimer(this);
    disabled = false;

    const QStringList arguments { QStringLiteral("-I"), includePath, QStringLiteral("--verbose=1") };
    vlc = std::make_unique<VlcPlayback>(arguments);
    qDebug() << "Creat VLC instance: with " << arguments.size() << " args";

    this->playPauseBox = *playPauseBox;
    this->library = *library;

    if (this->library)
        track.file = this->library->randomSample(this->sampleType, currentBpm);
    if (track.file.isEmpty())
        this->positionSlider->setToolTip(tr("No samples in library for this player"));
    else
        this->positionSlider->setToolTip(tr("Playing: ") + track.file);

    if (currentBpm < kMinUsableBpm)
        currentBpm = 1;
    track.bpm = track.baseBpm = currentBpm;
    track.rate = 1.0f;

    if (!track.file.isEmpty())
        vlc->load(track.file);

    // The poll alone would notice an ended sample up to a tick late, and that wait is heard
    // as silence before the next sample; libvlc's end notice brings the same check forward.
    vlc->setEndNotice(
        [this] { QMetaObject::invokeMethod(this, &Player::updateInterface, Qt::QueuedConnection); });

    connect(timer, &QTimer::timeout, this, &Player::updateInterface);
    connect(this->positionSlider, &QAbstractSlider::valueChanged, this, &Player::changePosition);
    connect(this->tempoSlider, &QAbstractSlider::valueChanged, this, &Player::adjustTempo);
    connect(this->playPauseBox, &QAbstractButton::toggled, this, &Player::playPauseToggle);
    timer->start(kPollMs);
}

Player::~Player() = default;

float Player::playbackRate() const
{
    return vlc->rate();
}

int Player::playbackVolume() const
{
    return vlc->volume();
}

float Player::sliderOffset() const
{
    return tempoSlider->value() / 100.0f;
}

bool Player::hasBpm() const
{
    return track.baseBpm > kMinUsableBpm;
}

float Player::targetRate() const
{
    // The tempo slider and the tempo controller bend only samples whose tempo is known.
    return hasBpm() ? track.rate + sliderOffset() : 1.0f;
}

void Player::playFile(QString file)
{
    if (file.isEmpty()) {
        pause();
        positionSlider->setValue(0);
        positionSlider->setToolTip(
            tr("No samples in the %1 library for this Genre").arg(typeName(sampleType)));
        return;
    }
    positionSlider->setToolTip(tr("Playing: ") + file);
    file = QDir::toNativeSeparators(file);
    track.file = file;

    const int s = tempoSlider->value();
    track.baseBpm = currentBpm;
    track.rate = 1.0f;
    track.bpm = currentBpm * (100 + s) / 100;

    if (currentBpm <= kMinUsableBpm) {
        currentBpm = 1;
        track.rate = 1.0f;
    }
    vlc->load(file);
    // The rate goes in before the start so that the sample never plays a moment too fast.
    setRate(targetRate());
    playing = true;
    vlc->play();
    qDebug() << "STATE:" << vlc->state();

    if (hasBpm()) {
        qDebug() << "attempting to emit NewBPM";
        emit NewBPM();
    }
    play();
}

void Player::setRate(float r)
{
    qDebug() << "Play Rate:" << r;
    vlc->setRate(r);
}

void Player::adjustTempo(int pos)
{
    Q_UNUSED(pos)
    pause();
    setRate(targetRate());
    play();
}

void Player::adjustRate(float rate)
{
    qDebug() << "current Rate=" << QString::number(track.rate, 'f', 2);
    const float base = track.rate < 0.5f ? 1.0f : track.rate;
    track.rate = base + rate;
    // Recomputed from the starting BPM every time, so repeated adjustments never compound.
    // The small allowance keeps 100 x 0.9f (89.99999) at 90.
    if (hasBpm())
        currentBpm = qint32(std::trunc(double(track.baseBpm) * double(track.rate) + 1e-3));
    qDebug() << "Play Rate Adustment :" << QString::number(track.rate, 'f', 3) << " P:" << id;
    vlc->setRate(targetRate());
}

void Player::play()
{
    if (disabled)
        return;
    if (playPauseBox->isChecked())
        return;
    if (!playing)
        vlc->play();
    playing = true;
    emit Playing(id);
}

void Player::pause()
{
    if (playing)
        vlc->pause();
    playing = false;
    emit Stopped(id);
}

void Player::stop()
{
    vlc->setPosition(0.0f);
    vlc->stop();
    playing = false;
    emit Stopped(id);
    const QSignalBlocker blocker(positionSlider);
    positionSlider->setValue(0);
}

void Player::playPauseToggle()
{
    qDebug() << "Player Pause button clicked";
    if (disabled)
        return;
    if (playPauseBox->isChecked())
        pause();
    else
        play();
}

void Player::toggleRepeat()
{
    repeat = !repeat;
}

void Player::setSampleType(int t)
{
    sampleType = t;
}

void Player::changeVolume(int newVolume)
{
    vlc->setVolume(newVolume);
}

void Player::updateInterface()
{
    if (!playing || disabled)
        return;
    if (!vlc->hasMedia())
        return;

    {
        const QSignalBlocker blocker(positionSlider);
        positionSlider->setValue(int(vlc->position() * 100));
    }
    vlc->applyVolume();

    const VlcPlayback::State state = vlc->state();
    if (state == VlcPlayback::Playing && vlc->opened())
        failures = 0;
    if (state != VlcPlayback::Ended && state != VlcPlayback::Error)
        return;
    if (!vlc->opened() || state == VlcPlayback::Error) {
        sampleFailed();
        return;
    }
    failures = 0;
    qDebug() << "STOP STATE:" << id << int(state);
    if (repeat) {
        // The loop goes round quietly: the sample keeps its rate and its place in the tempo
        // matching. Starting it over through next() would reset its rate to 1.0 and have
        // the tempo controller bend the other rows again at every pass, so they would drift.
        vlc->restart();
        return;
    }
    next();
}

void Player::changePosition(int newPosition)
{
    qDebug() << "changePosition" << newPosition;
    if (vlc->hasMedia())
        vlc->setPosition(float(newPosition) / 100);
}

bool Player::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == positionSlider && event->type() == QEvent::MouseButtonRelease) {
        qDebug() << "event Filter";
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const int value = QStyle::sliderValueFromPosition(positionSlider->minimum(),
            positionSlider->maximum(), int(mouse->position().x()), positionSlider->width(), false);
        positionSlider->setValue(value);
    }
    return false;
}

void Player::next()
{
    qDebug() << "next:" << id;
    if (repeat) {
        playFile(track.file);
        return;
    }
    appendCapped(backHistory, track);
    advance();
}

void Player::advance()
{
    if (!forwardHistory.isEmpty()) {
        const TrackInfo entry = forwardHistory.takeLast();
        currentBpm = entry.bpm;
        playFile(entry.file);
        return;
    }
    playFile(library ? library->randomSample(sampleType, currentBpm) : QString());
}

void Player::previous()
{
    if (backHistory.isEmpty())
        return;
    pause();
    appendCapped(forwardHistory, track);
    const TrackInfo entry = backHistory.last();
    currentBpm = entry.bpm;
    track.file = entry.file;
    qDebug() << "current:" << id << track.file;
    qDebug() << "Previous:" << id << entry.file;
    playFile(entry.file);
    backHistory.removeLast();
}

TrackInfo Player::trackInfo() const
{
    if (disabled)
        throw 0;
    // A saved mix records the rate the sample really plays at: the tempo slider's share
    // is kept out of track.rate, so it is put back here.
    TrackInfo info = track;
    info.rate = targetRate();
    return info;
}

QString Player::failureReason(const QString &file)
{
    const QFileInfo info(file);
    if (!info.exists())
        return tr("file not found");
    if (info.size() == 0)
        return tr("file is empty");
    if (!info.isReadable())
        return tr("file cannot be read");
    return tr("not a playable audio file");
}

void Player::sampleFailed()
{
    const QString reason = failureReason(track.file);
    qDebug() << "cannot play" << track.file << reason;
    if (++failures >= kMaxFailures) {
        failures = 0;
        stop();
        positionSlider->setToolTip(tr("Stopped: %1 could not be played (%2); %3 tries in a row failed")
                                       .arg(track.file, reason)
                                       .arg(kMaxFailures));
        return;
    }
    // Moving on means what next() means: with repeat on, the same file once more (a file the
    // user chose to loop is not swapped for a random one); otherwise the next sample. The
    // broken sample is not filed in the history: previous() would only lead back into it.
    if (repeat)
        playFile(track.file);
    else
        advance();
}
