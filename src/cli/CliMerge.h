#pragma once

class CCli;
struct CArgs;

// merge FILE OTHER: the sites of OTHER that FILE lacks are added to it, by the merge rule of the
// program's File > Merge From; --dry-run only tells them.
int CmdMerge(CCli& cli, const CArgs& args);
