#pragma once

#include <QString>

// A base folder of the desktop's folder scheme: the folder in the environment variable (XDG_CONFIG_HOME,
// XDG_DATA_HOME...), or pszBelowHome in the home folder when the variable is unset, empty or not an
// absolute path.
QString XdgBaseFolder(const char* pszVariable, const char* pszBelowHome);
