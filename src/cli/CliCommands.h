#pragma once

#include <cstdio>

// lockwarden-cli: runs one command with its arguments and returns the exit status: 0 on success, 1 on
// failure (the reason on pErr), 2 on a usage error (the usage on pErr). analyze alone differs: 1 when it
// found something, 2 when it could not check.
int RunCli(int argc, const char* const* argv, std::FILE* pIn, std::FILE* pOut, std::FILE* pErr);
