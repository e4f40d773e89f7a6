#pragma once

class CCli;
struct CArgs;

// The commands that read a database and change nothing, and the generator.
int CmdList(CCli& cli, const CArgs& args);
int CmdFind(CCli& cli, const CArgs& args);
int CmdShow(CCli& cli, const CArgs& args);
int CmdExport(CCli& cli, const CArgs& args);
int CmdGenerate(CCli& cli, const CArgs& args);
