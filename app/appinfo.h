#pragma once

#include <QString>

// Identity of the program: names the settings folders and the titles.
namespace AppInfo {
constexpr char organizationName[] = "ZrSoftware";
constexpr char organizationDomain[] = "zrsoftware.example";
constexpr char applicationName[] = "ZrPs";
constexpr int versionMajor = 0;
constexpr int versionMinor = 3;
constexpr int versionPatch = 0;
constexpr int buildNumber = 99;
QString productTitle();
} // namespace AppInfo

QString appVersionString();
QString appTitle();
