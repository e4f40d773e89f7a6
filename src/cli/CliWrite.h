#pragma once

class CCli;
struct CArgs;

// The commands that write a database, each through the document's own save.
int CmdCreate(CCli& cli, const CArgs& args);
int CmdAdd(CCli& cli, const CArgs& args);
int CmdEdit(CCli& cli, const CArgs& args);
int CmdRemove(CCli& cli, const CArgs& args);
int CmdPasswd(CCli& cli, const CArgs& args);
int CmdImport(CCli& cli, const CArgs& args);
