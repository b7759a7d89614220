#pragma once

#include <chrono>

#include <QUrl>

// Where the update and feedback services live and how long a transfer may stall. The base
// URL is a build setting, empty unless the distributor sets one; tests point it at a server
// of their own before creating anything that talks to the network.
namespace OnlineServices {

// The build's base URL, or the override set by setBaseUrl().
QUrl baseUrl();

// A usable http(s) base URL is set: without one the update check and the feedback form are
// off and nothing is sent anywhere.
bool isConfigured();

// An invalid or empty URL restores the build's base URL.
void setBaseUrl(const QUrl &url);

// baseUrl() + "/version.xml".
QUrl manifestUrl();

// baseUrl() + "/feedback.php".
QUrl feedbackUrl();

// A request that receives nothing for this long is aborted.
std::chrono::milliseconds transferTimeout();
void setTransferTimeout(std::chrono::milliseconds timeout);

} // namespace OnlineServices
