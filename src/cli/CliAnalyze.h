#pragma once

class CCli;
struct CArgs;

// analyze FILE [--breached LIST] [--json]: what is wrong with the sites' passwords, worst first. Exits 0
// when nothing was found, 1 when something was, 2 when the check could not be made.
int CmdAnalyze(CCli& cli, const CArgs& args);
