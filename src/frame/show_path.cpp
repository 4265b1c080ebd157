// Forms the presentation path, putting the current drive before a rooted tail and the current
// directory before a plain relative one.
#include "frame/show_path.h"

#include <string.h>

ShowPathRule ShowPathRuleFor(const char* pszTail)
{
    if (pszTail[0] == '\\')
        return pszTail[1] != '\\' ? SHOW_PATH_ON_CURRENT_DRIVE : SHOW_PATH_AS_IS;
    if (pszTail[0] == '\0' || pszTail[0] == '"' || pszTail[1] == ':')
        return SHOW_PATH_AS_IS;
    return SHOW_PATH_IN_CURRENT_DIRECTORY;
}

void FormShowPath(const char* pszTail, const char* pszCurrentDirectory, char* pszPath)
{
    // Without a current directory there is nothing to put before the tail; a NUL must not go in
    // a drive letter's place.
    const size_t cchDirectory = pszCurrentDirectory != NULL ? strlen(pszCurrentDirectory) : 0;
    const ShowPathRule rule = cchDirectory != 0 ? ShowPathRuleFor(pszTail) : SHOW_PATH_AS_IS;
    if (rule == SHOW_PATH_ON_CURRENT_DRIVE) {
        *pszPath++ = pszCurrentDirectory[0];
        *pszPath++ = ':';
    } else if (rule == SHOW_PATH_IN_CURRENT_DIRECTORY) {
        memcpy(pszPath, pszCurrentDirectory, cchDirectory);
        pszPath += cchDirectory;
        if (pszCurrentDirectory[cchDirectory - 1] != '\\')
            *pszPath++ = '\\';
    }
    strcpy(pszPath, pszTail);
}
