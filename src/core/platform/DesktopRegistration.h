#pragma once

#include <QString>

// Lockwarden never registers itself with the desktop when it starts: installing is the system's job. A user
// may still have installed it for themselves alone (cmake --install build --prefix ~/.local); the Unregister
// switch takes that back, together with the settings file.

// The desktop entry's name without ".desktop". It is also the AppStream id and the Wayland app id, which the
// application object hands to QGuiApplication::setDesktopFileName so windows are matched to the entry.
inline constexpr const char* kDesktopAppId = "example.fernhollow.Lockwarden";

// $XDG_DATA_HOME, or ~/.local/share when that is unset or not an absolute path.
QString UserDataFolder();

// Removes what a per-user install put below strDataFolder (the desktop entry, the MIME package, the program
// and document icons of the hicolor theme) and brings the MIME and desktop caches of that folder up to date;
// then removes strSettingsFile, and its folder when nothing else is left in it. Nothing else is touched.
// False when one of those files is there and could not be removed.
bool RemoveUserRegistration(const QString& strDataFolder, const QString& strSettingsFile);

// The same for the user running the program: UserDataFolder() and the settings file of "Fernhollow" and
// "Lockwarden".
bool RemoveUserRegistration();
