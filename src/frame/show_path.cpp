// Forms the presentation path, putting the current drive before a rooted tail.
#include "frame/show_path.h"

#include <string.h>

bool NeedsCurrentDrive(const char* pszTail)
{
    return pszTail[0] == '\\' && pszTail[1] != '\\';
}

void FormShowPath(const char* pszTail, const char* pszCurrentDirectory, char* pszPath)
{
    // Without a current directory there is no drive letter; a NUL must not go in its place.
    if (NeedsCurrentDrive(pszTail) && pszCurrentDirectory != NULL &&
        pszCurrentDirectory[0] != '\0') {
        *pszPath++ = pszCurrentDirectory[0];
        *pszPath++ = ':';
    }
    strcpy(pszPath, pszTail);
}
