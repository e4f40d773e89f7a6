#pragma once

class CCli;
struct CArgs;

// totp FILE SITE [--nth N] [--at UNIX-SECONDS]: the site's one-time code, alone on standard output. Exits 1
// when the site has no code line (or is not found), 2 when its code line gives no code, saying why.
int CmdTotp(CCli& cli, const CArgs& args);
