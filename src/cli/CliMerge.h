#pragma once

class CCli;
struct CArgs;

// merge FILE OTHER: the sites of OTHER that FILE lacks are added to it, by the merge rule of the
// program's File > Merge From; --dry-run only tells them. merge FILE --conflicts: the same for every sync
// tool's conflict copy beside FILE, which go to the trash once FILE is saved.
int CmdMerge(CCli& cli, const CArgs& args);
