#pragma once

class CCli;
struct CArgs;

// The two kinds of file: seal makes a classic file sealed, unseal a sealed one classic, and info tells a
// file's kind and cost without its password (the number of sites of a sealed file needs it).
int CmdSeal(CCli& cli, const CArgs& args);
// --cost SECONDS: the keys the document makes take about that long to derive on this machine.
void ChooseKeyCost(CCli& cli, const CArgs& args);
int CmdUnseal(CCli& cli, const CArgs& args);
int CmdInfo(CCli& cli, const CArgs& args);
