#pragma once
// Splitting a base path typed on the command line. Both '/' and '\' separate, anywhere in the
// path; a drive prefix such as "C:" is nothing special.

#include "ShortStr.h"

#include <string_view>

// Everything up to and including the last separator; empty when there is none.
ShortStr DirOfPath(std::string_view path);
// Everything after the last separator; the whole path when there is none.
ShortStr NameOfPath(std::string_view path);
