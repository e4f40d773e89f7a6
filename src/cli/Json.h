#pragma once

#include <string>

// The companion's JSON: fields are stored bytes, written as the program shows them (UTF-8).
namespace Json {

// A field as a JSON string, quotes included.
void AppendString(std::string& strOut, const std::string& strField);

} // namespace Json
