#include "deck/qtplayerctl.h"

#include <cmath>
#include <cstdlib>
#include <ctime>

#include <QFileDialog>
#include <QFileInfo>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QStyle>

#include "deck/plaintooltips.h"
#include "dialogs/savefiles.h"
#include "library/logcategories.h"
#include "library/sampora.h"
#include "deck/bargrid.h"
#include "deck/mixsnapshot.h"
#include "engine/deckengine.h"
#include "player/player.h"
#include "tempo/tempoctrl.h"
#include "tempo/tempodetector.h"

namespace {

// The pictures match the form's own play-button sheet.
const char kPlayButtonStyle[] =
    "background:url(pixmaps:playbutton.png) no-repeat; min-width:40px;min-height:45px;color:white;"
    "background-position:top-left;border-style:none;border-width:0px;";
const char kPauseButtonStyle[] =
    "background:url(pixmaps:pausebutton.png) no-repeat; min-width:40px;min-height:45px;color:white;"
    "background-position:top-left;border-style:none;border-width:0px;";

} // namespace

QTplayerCtl::QTplayerCtl(QWidget *parent)
    : QWidget(parent)
{
    setupUi(this);
    new PlainToolTips(this);

    library = new Sampora(HipHop);
    tempoDetector = std::make_unique<TempoDetector>();
    engine = std::make_unique<DeckEngine>(DeckEngine::standardArguments());
    engine->keepLoudnessIn(LoudnessScanner::defaultFile());
    mode = 3;
    createPlayers();
    // The library draws from its own generator; anything using rand() still gets a sequence
    // of its own per run.
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    createTempoController();

    // Added tracks loop the file the user chose.
    for (Player *player : importPlayers)
        player->toggleRepeat();
    for (Player *player : importPlayers)
        player->disabled = true;
    grid = std::make_unique<BarGrid>(allPlayers());
    for (Player *player : allPlayers())
        player->setBarLineFinder([this](double earliestMs) { return grid->nextBarLine(earliestMs); });
    hideImport1();
    hideImport2();

    // Set before the slider is connected, so construction pushes no volume to the players.
    volumeSlider->installEventFilter(this);
    volumeSlider->setValue(99);
    savedVolume = 99;

    connectWidgets();
    playing = false;
}

QTplayerCtl::~QTplayerCtl()
{
    // The controller listens to the players, and the players hold the form's widgets and the
    // library: release them in that order, while the widgets still exist.
    delete tempoCtrl;
    for (Player *player : allPlayers())
        delete player;
    delete library;
}

void QTplayerCtl::createPlayers()
{
    struct RowWidgets {
        QSlider *position;
        QSlider *tempo;
        QCheckBox *hold;
        int sampleType;
    };
    const RowWidgets rows[5] = {
        {musicSlider, BPMSlider_1, playPause_1, Melody},
        {musicSlider_2, BPMSlider_2, playPause_2, Beat},
        {musicSlider_3, BPMSlider_3, playPause_3, Bass},
        {musicSlider_5, BPMSlider_5, playPause_5, Bass},
        {musicSlider_4, BPMSlider_4, playPause_4, Bass},
    };
    for (int id = 0; id < 5; ++id) {
        // The player copies the pointed-to widgets once; base-typed locals avoid casting the
        // form's QSlider** to QAbstractSlider**.
        QAbstractSlider *position = rows[id].position;
        QAbstractSlider *tempo = rows[id].tempo;
        QAbstractButton *hold = rows[id].hold;
        TempoDetector *detector = tempoDetector.get();
        auto *player = new Player(id, &position, &tempo, &library, &hold, rows[id].sampleType,
            [detector](const QString &path) { return detector->tempoFor(path); }, engine.get());
        if (id < 3)
            players[id] = player;
        else
            importPlayers[id - 3] = player;
    }
}

void QTplayerCtl::createTempoController()
{
    // Its constructor only connects signals: the deck always has one, and the menus may
    // rely on that.
    tempoCtrl = new TempoCTRL(players, importPlayers, &library);
}

void QTplayerCtl::connectWidgets()
{
    connect(playPauseButton, &QPushButton::clicked, this, &QTplayerCtl::playPause);
    connect(stopButton, &QToolButton::clicked, this, &QTplayerCtl::stop);
    connect(previousGroup, &QToolButton::clicked, this, &QTplayerCtl::previous);
    connect(nextGroup, &QToolButton::clicked, this, &QTplayerCtl::next);
    connect(previous1, &QToolButton::clicked, this, &QTplayerCtl::p1Previous);
    connect(previous2, &QToolButton::clicked, this, &QTplayerCtl::p2Previous);
    connect(previous3, &QToolButton::clicked, this, &QTplayerCtl::p3Previous);
    connect(next_1, &QToolButton::clicked, this, &QTplayerCtl::p1Next);
    connect(next_2, &QToolButton::clicked, this, &QTplayerCtl::p2Next);
    connect(next_3, &QToolButton::clicked, this, &QTplayerCtl::p3Next);
    connect(song1Pin, &QCheckBox::toggled, this, &QTplayerCtl::p1Repeat);
    connect(song2Pin, &QCheckBox::toggled, this, &QTplayerCtl::p2Repeat);
    connect(song3Pin, &QCheckBox::toggled, this, &QTplayerCtl::p3Repeat);
    connect(saveButton, &QPushButton::clicked, this, &QTplayerCtl::save);
    connect(modeButton_1, &QPushButton::clicked, this, &QTplayerCtl::mode1clicked);
    connect(modeButton_2, &QPushButton::clicked, this, &QTplayerCtl::mode2clicked);
    connect(modeButton_3, &QPushButton::clicked, this, &QTplayerCtl::mode3clicked);
    connect(add_track, &QToolButton::clicked, this, &QTplayerCtl::addTrackClicked);
    connect(delete_track_1, &QToolButton::clicked, this, &QTplayerCtl::deleteTrack1clicked);
    connect(delete_track_2, &QToolButton::clicked, this, &QTplayerCtl::deleteTrack2clicked);
    connect(volumeSlider, &QSlider::valueChanged, this, &QTplayerCtl::setVolume);
    connect(muteButton, &QCheckBox::toggled, this, &QTplayerCtl::muteVolume);
}

std::array<Player *, 5> QTplayerCtl::allPlayers() const
{
    return {players[0], players[1], players[2], importPlayers[0], importPlayers[1]};
}

void QTplayerCtl::setPlayButtonStyle(bool showPause)
{
    playPauseButton->setStyleSheet(QString::fromLatin1(showPause ? kPauseButtonStyle : kPlayButtonStyle));
}

void QTplayerCtl::updatePlaylist()
{
    library->updateMedia();
    libraryChanged();
}

void QTplayerCtl::libraryChanged()
{
    for (Player *player : players)
        player->libraryChanged();
}

void QTplayerCtl::setQuantize(bool on)
{
    grid->setEnabled(on);
}

bool QTplayerCtl::quantizes() const
{
    return grid->isEnabled();
}

void QTplayerCtl::setEvenLoudness(bool on)
{
    engine->mixer().setEvenLoudness(on);
    for (Player *player : allPlayers()) {
        if (!player->currentTrack().file.isEmpty())
            player->showPlayingTip();
    }
}

bool QTplayerCtl::evenLoudness() const
{
    return engine->mixer().evenLoudness();
}

void QTplayerCtl::playPause()
{
    if (playing) {
        pause();
    } else {
        // Every row goes on where the transport paused it, together.
        engine->beginBatch();
        for (Player *player : allPlayers())
            player->play();
        engine->endBatch();
        // Rows that start together are matched at once: left at their own tempos until one of
        // them draws its next sample, they would drift apart during the whole first pass.
        if (tempoCtrl)
            tempoCtrl->GotNewBPM();
        playing = true;
        setPlayButtonStyle(true);
    }
}

void QTplayerCtl::stop()
{
    playing = false;
    for (Player *player : allPlayers())
        player->stop();
    setPlayButtonStyle(false);
}

void QTplayerCtl::previous()
{
    for (Player *player : players)
        player->previous();
    silenceHiddenRows();
}

void QTplayerCtl::next()
{
    for (Player *player : players)
        player->next();
    silenceHiddenRows();
}

void QTplayerCtl::silenceHiddenRows()
{
    // A player starts every new sample audibly, disabled or not; a row the user cannot see
    // (and so cannot hold or stop) must not sound. It keeps its new sample for when it is
    // shown again.
    for (Player *player : players) {
        if (player->disabled && player->isPlaying())
            player->stop();
    }
}

void QTplayerCtl::p1Next()
{
    players[0]->next();
}

void QTplayerCtl::p2Next()
{
    players[1]->next();
}

void QTplayerCtl::p3Next()
{
    players[2]->next();
}

void QTplayerCtl::p1Previous()
{
    players[0]->previous();
}

void QTplayerCtl::p2Previous()
{
    players[1]->previous();
}

void QTplayerCtl::p3Previous()
{
    players[2]->previous();
}

// The repeat slots toggle instead of following the check box: box and flag both start off.
void QTplayerCtl::p1Repeat()
{
    players[0]->toggleRepeat();
}

void QTplayerCtl::p2Repeat()
{
    players[1]->toggleRepeat();
}

void QTplayerCtl::p3Repeat()
{
    players[2]->toggleRepeat();
}

void QTplayerCtl::save()
{
    pause();

    // Entry number = player id + 1; a hidden row or removed track leaves its entry empty.
    QVector<TrackInfo> tracks(5);
    const std::array<Player *, 5> all = allPlayers();
    for (int id = 0; id < 5; ++id) {
        try {
            tracks[id] = all[id]->trackInfo();
        } catch (int) {
            tracks[id] = TrackInfo();
        }
    }
    openSaveDialog(tracks);
}

RenderJob QTplayerCtl::mixToRender() const
{
    return MixSnapshot::of(allPlayers(), engine->readHead(), volumeSlider->value(), evenLoudness());
}

void QTplayerCtl::openSaveDialog(const QVector<TrackInfo> &tracks)
{
    auto *dialog = new SaveFiles(tracks, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setStyleSheet(QStringLiteral("color:white; background-color:black;"));
    dialog->show();
}

void QTplayerCtl::pause()
{
    // The output stops where the loudspeaker is; the rows resume from there.
    engine->pauseOutput();
    for (Player *player : allPlayers())
        player->pause();
    setPlayButtonStyle(false);
    playing = false;
}

void QTplayerCtl::updateMedia()
{
    library->updateMedia();
    libraryChanged();
}

void QTplayerCtl::changeGenre(GenrePreset gp)
{
    library->setGenre(gp);
    libraryChanged();
    // Rows already playing keep their sample; the genre applies to each row's next draw.
    if (playing) {
        for (Player *player : players)
            player->play();
    }
}

void QTplayerCtl::mode3clicked()
{
    modeButton_3->setChecked(true);
    modeButton_2->setChecked(false);
    modeButton_1->setChecked(false);
    if (mode != 3)
        changeMode(3);
}

void QTplayerCtl::mode2clicked()
{
    modeButton_2->setChecked(true);
    modeButton_1->setChecked(false);
    modeButton_3->setChecked(false);
    if (mode != 2)
        changeMode(2);
}

void QTplayerCtl::mode1clicked()
{
    modeButton_1->setChecked(true);
    modeButton_2->setChecked(false);
    modeButton_3->setChecked(false);
    if (mode != 1)
        changeMode(1);
}

void QTplayerCtl::changeMode(int new_mode)
{
    switch (new_mode) {
    case 1:
        hideRow(1);
        hideRow(2);
        break;
    case 2:
        showRow(1);
        hideRow(2);
        break;
    case 3:
        showRow(1);
        showRow(2);
        break;
    default:
        break;
    }
    mode = new_mode;
}

QTplayerCtl::Row QTplayerCtl::libraryRow(int index) const
{
    switch (index) {
    case 0:
        return {players[0], {musicSlider, previous1, next_1, song1Pin, BPMSlider_1, playPause_1}};
    case 1:
        return {players[1], {musicSlider_2, previous2, next_2, song2Pin, BPMSlider_2, playPause_2}};
    default:
        return {players[2], {musicSlider_3, previous3, next_3, song3Pin, BPMSlider_3, playPause_3}};
    }
}

void QTplayerCtl::hideRow(int index)
{
    const Row row = libraryRow(index);
    row.player->disabled = true;
    row.player->stop();
    for (QWidget *widget : row.widgets)
        widget->hide();
}

void QTplayerCtl::showRow(int index)
{
    const Row row = libraryRow(index);
    row.player->disabled = false;
    if (playing)
        row.player->play();
    for (QWidget *widget : row.widgets)
        widget->show();
}

void QTplayerCtl::addTrackClicked()
{
    pause();
    const QString path = chooseTrackFile();
    if (path.isEmpty())
        return;

    Player *target = nullptr;
    if (importPlayers[0]->disabled) {
        showImport1();
        target = importPlayers[0];
    } else {
        showImport2();
        target = importPlayers[1];
    }
    // The added track's tempo is its own file's, not that of the sample its player held.
    target->setBpm(Sampora::bpmFromFileName(path));
    target->playFile(path);
    playPause();
}

QString QTplayerCtl::chooseTrackFile()
{
    // The patterns spell out both letter cases (KICK.WAV is a sample too); the chooser
    // shows only the filter's name.
    const QString filter = tr("Files") + QStringLiteral(" (") + Sampora::sampleNamePatterns().join(QLatin1Char(' '))
        + QLatin1Char(')');
    return QFileDialog::getOpenFileName(this, tr("Open File"), QString(), filter, nullptr,
                                        QFileDialog::HideNameFilterDetails);
}

void QTplayerCtl::deleteTrack1clicked()
{
    hideImport1();
}

void QTplayerCtl::deleteTrack2clicked()
{
    hideImport2();
}

std::array<QWidget *, 6> QTplayerCtl::addedTrack1Widgets() const
{
    return {musicSlider_5, songPin5, BPMSlider_5, playPause_5, delete_track_1, fakeButton};
}

std::array<QWidget *, 5> QTplayerCtl::addedTrack2Widgets() const
{
    return {musicSlider_4, songPin4, BPMSlider_4, playPause_4, delete_track_2};
}

void QTplayerCtl::hideImport1()
{
    importPlayers[0]->disabled = true;
    importPlayers[0]->stop();
    for (QWidget *widget : addedTrack1Widgets())
        widget->hide();
    add_track->show();
}

void QTplayerCtl::hideImport2()
{
    importPlayers[1]->disabled = true;
    importPlayers[1]->stop();
    for (QWidget *widget : addedTrack2Widgets())
        widget->hide();
    add_track->show();
    setMinimumSize(300, 200);
}

void QTplayerCtl::showImport1()
{
    importPlayers[0]->disabled = false;
    if (playing)
        importPlayers[0]->play();
    for (QWidget *widget : addedTrack1Widgets())
        widget->show();
}

void QTplayerCtl::showImport2()
{
    importPlayers[1]->disabled = false;
    if (playing)
        importPlayers[1]->play();
    for (QWidget *widget : addedTrack2Widgets())
        widget->show();
    add_track->hide();
    setMinimumSize(300, 250);
    if (parentWidget())
        parentWidget()->adjustSize();
}

void QTplayerCtl::setVolume(int v)
{
    for (Player *player : allPlayers())
        player->changeVolume(v);
}

void QTplayerCtl::muteVolume(bool mute)
{
    // Through the slider, so its valueChanged reaches every player via setVolume.
    volumeSlider->setValue(mute ? 0 : savedVolume);
}

bool QTplayerCtl::eventFilter(QObject *watched, QEvent *event)
{
    // A click anywhere on the groove jumps the handle there on release, and that mouse-set
    // volume is what unmuting restores; keyboard and wheel changes are not remembered.
    if (watched == volumeSlider && event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const int value = QStyle::sliderValueFromPosition(volumeSlider->minimum(), volumeSlider->maximum(),
                                                          qRound(mouse->position().x()), volumeSlider->width(), false);
        volumeSlider->setValue(value);
        savedVolume = value;
    }
    return false;
}

QTplayerCtl::Controls QTplayerCtl::controls(int id) const
{
    switch (id) {
    case 0:
        return {BPMSlider_1, playPause_1};
    case 1:
        return {BPMSlider_2, playPause_2};
    case 2:
        return {BPMSlider_3, playPause_3};
    case 3:
        return {BPMSlider_5, playPause_5};
    default:
        return {BPMSlider_4, playPause_4};
    }
}

MixReader::OpenedMix QTplayerCtl::openMix(const QString &path)
{
    MixReader::OpenedMix mix = MixReader::read(path);
    if (mix.copies.isEmpty())
        return mix;

    stop();
    // The saved rates are what the mix sounded like, tempo sliders included; matching would
    // bend them again at the next loop, so it is switched off (Edit > BPM Matching turns it on).
    if (tempoCtrl && tempoCtrl->isMatching())
        tempoCtrl->toggleMatching();
    showRowsFor(mix.copies);
    for (const MixReader::SavedCopy &copy : mix.copies)
        loadCopy(copy);

    // A new sample starts at rate 1.0: the saved rates go in once all rows are loaded.
    const std::array<Player *, 5> all = allPlayers();
    for (const MixReader::SavedCopy &copy : mix.copies) {
        Player *player = all[copy.slot - 1];
        player->adjustRate(copy.rate - player->currentTrack().rate);
        if (copy.bpm <= kMinUsableBpm && qAbs(copy.rate - 1.0f) >= 0.0005f)
            mix.skipped << tr("%1 has no BPM in its name, so it plays at its own speed, not at %2.")
                               .arg(QFileInfo(copy.path).fileName())
                               .arg(double(copy.rate), 0, 'f', 3);
    }

    // A shown row the mix did not use stays silent, and the others start together.
    std::array<bool, 5> loaded = {};
    for (const MixReader::SavedCopy &copy : mix.copies)
        loaded[size_t(copy.slot - 1)] = true;
    for (Player *player : all)
        player->stop();
    // Started one after the other with the grid on, each row would wait for the bar line of
    // the row started before it; with the grid off for a moment they all start at once.
    const bool quantize = quantizes();
    setQuantize(false);
    for (int id = 0; id < 5; ++id) {
        if (loaded[size_t(id)])
            all[size_t(id)]->play();
    }
    setQuantize(quantize);
    playing = true;
    setPlayButtonStyle(true);
    return mix;
}

void QTplayerCtl::showRowsFor(const QVector<MixReader::SavedCopy> &copies)
{
    int rows = 1;
    bool track1 = false;
    bool track2 = false;
    for (const MixReader::SavedCopy &copy : copies) {
        if (copy.slot <= 3)
            rows = qMax(rows, copy.slot);
        track1 |= copy.slot == 4;
        track2 |= copy.slot == 5;
    }
    if (rows == 1)
        mode1clicked();
    else if (rows == 2)
        mode2clicked();
    else
        mode3clicked();
    if (track1)
        showImport1();
    else
        hideImport1();
    if (track2)
        showImport2();
    else
        hideImport2();
    add_track->setVisible(!(track1 && track2));
}

void QTplayerCtl::loadCopy(const MixReader::SavedCopy &copy)
{
    const int id = copy.slot - 1;
    Player *player = allPlayers()[size_t(id)];
    // The saved rate already holds the tempo slider's share, and a held row would not play:
    // both are reset quietly, without the players reacting to the widgets.
    const Controls row = controls(id);
    {
        const QSignalBlocker tempoBlocker(row.tempo);
        const QSignalBlocker holdBlocker(row.hold);
        row.tempo->setValue(0);
        row.hold->setChecked(false);
    }
    // A mix is loops played together: a library row keeps repeating its copy instead of
    // moving on to a random sample (the added tracks always repeat).
    if (id < 3) {
        QCheckBox *pin = std::array<QCheckBox *, 3>{song1Pin, song2Pin, song3Pin}[size_t(id)];
        const QSignalBlocker pinBlocker(pin);
        pin->setChecked(true);
        if (!player->repeats())
            player->toggleRepeat();
    }
    player->setBpm(copy.bpm);
    player->playFile(copy.path);
}
