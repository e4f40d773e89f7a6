#pragma once

#include <QString>

#include <string_view>

// "Contains, ignoring case" for finding sites by part of their name. Like the site list's order it works
// on the names as displayed, so the fold that makes "É" match "é" is the one that sorts them together.

// Where strFind first occurs in strText ignoring case, as an index into strText; -1 when it does not.
// An empty strFind occurs at 0.
qsizetype FindIgnoringCase(const QString& strText, const QString& strFind);

// Whether the displayed site name contains the displayed find text, ignoring case.
bool ContainsIgnoringCase(std::string_view strName, std::string_view strFind);
