// A UTF-8 byte-order mark at the start of a profile file (the lesson parameter file, the result
// file), as Windows reads it. No Windows header.
#pragma once

#include <stddef.h>

// Windows' profile functions do not skip the mark: it becomes part of the file's first line.
enum ParamFileMark {
    PARAM_NO_MARK,         // no mark: the file reads as it stands
    PARAM_MARK_ELSEWHERE,  // a mark before another first line (a comment, another section)
    PARAM_MARK_HIDES_CORE, // a mark right before "[core]": Windows finds no [core] section
};

// What the first cbHead bytes of the file say.
ParamFileMark FindParamFileMark(const char* pHead, size_t cbHead);
