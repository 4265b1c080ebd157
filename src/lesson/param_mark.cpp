// Tells whether a byte-order mark hides a profile file's [core] section from Windows.
#include "lesson/param_mark.h"

#include <string.h>

static const char kUtf8Mark[] = "\xEF\xBB\xBF";

// Steps over blanks and tabs within the head.
static size_t SkipLineBlanks(const char* pHead, size_t cbHead, size_t nAt)
{
    while (nAt < cbHead && (pHead[nAt] == ' ' || pHead[nAt] == '\t'))
        ++nAt;
    return nAt;
}

ParamFileMark FindParamFileMark(const char* pHead, size_t cbHead)
{
    const size_t cbMark = sizeof(kUtf8Mark) - 1;
    if (cbHead < cbMark || memcmp(pHead, kUtf8Mark, cbMark) != 0)
        return PARAM_NO_MARK;
    // "[core]" as the profile functions match a section: in any letter case, blanks aside.
    size_t nAt = SkipLineBlanks(pHead, cbHead, cbMark);
    if (nAt >= cbHead || pHead[nAt] != '[')
        return PARAM_MARK_ELSEWHERE;
    nAt = SkipLineBlanks(pHead, cbHead, nAt + 1);
    static const char kCore[] = "core";
    for (const char* p = kCore; *p != '\0'; ++p, ++nAt) {
        if (nAt >= cbHead || (pHead[nAt] | 0x20) != *p)
            return PARAM_MARK_ELSEWHERE;
    }
    nAt = SkipLineBlanks(pHead, cbHead, nAt);
    return nAt < cbHead && pHead[nAt] == ']' ? PARAM_MARK_HIDES_CORE : PARAM_MARK_ELSEWHERE;
}
