#pragma once

#include <QString>
#include <QUrl>

// Where the update check and the banner strip fetch their files from.
namespace ServerAddress {
// Overrides the base address of both services, e.g. "http://127.0.0.1:8080/".
constexpr char environmentVariable[] = "ZRPS_SERVER_URL";
constexpr char defaultBase[] = "https://zrsoftware.example/";

// The base address ending in "/"; an empty (invalid) URL when the override is
// not an http(s) address, so that a typo never sends a request anywhere else.
QUrl base();
// A path such as "po/last_version.xml" resolved against base().
QUrl resolve(const QString &relativePath);
} // namespace ServerAddress
