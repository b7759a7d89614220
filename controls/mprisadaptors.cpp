#include "controls/mprisadaptors.h"

#include "controls/mprisservice.h"

MprisRootAdaptor::MprisRootAdaptor(MprisService *service)
    : QDBusAbstractAdaptor(service)
    , service(service)
{
}

QString MprisRootAdaptor::identity() const
{
    return QStringLiteral("Sampora");
}

// The name of the installed .desktop file, without its suffix.
QString MprisRootAdaptor::desktopEntry() const
{
    return QStringLiteral("app.sampora.Sampora");
}

void MprisRootAdaptor::Raise()
{
    service->actions.raise();
}

void MprisRootAdaptor::Quit()
{
    service->actions.quit();
}

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService *service)
    : QDBusAbstractAdaptor(service)
    , service(service)
{
}

QString MprisPlayerAdaptor::playbackStatus() const
{
    return MprisService::statusText(service->state().status);
}

QVariantMap MprisPlayerAdaptor::metadata() const
{
    return MprisService::metadata(service->state());
}

double MprisPlayerAdaptor::volume() const
{
    return service->state().volume;
}

void MprisPlayerAdaptor::setVolume(double volume)
{
    service->actions.setVolume(qBound(0.0, volume, 1.0));
}

void MprisPlayerAdaptor::Next()
{
    service->actions.next();
}

void MprisPlayerAdaptor::Previous()
{
    service->actions.previous();
}

void MprisPlayerAdaptor::Pause()
{
    service->actions.pause();
}

void MprisPlayerAdaptor::PlayPause()
{
    service->actions.playPause();
}

void MprisPlayerAdaptor::Stop()
{
    service->actions.stop();
}

void MprisPlayerAdaptor::Play()
{
    service->actions.play();
}
