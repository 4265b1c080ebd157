// Forms the presentation path, putting the current drive before a rooted tail.
#include "frame/show_path.h"

#include <cstring>

bool NeedsCurrentDrive(const char* tail)
{
    return tail[0] == '\\' && tail[1] != '\\';
}

void FormShowPath(const char* tail, const char* currentDirectory, char* out)
{
    // Without a current directory there is no drive letter; a NUL must not go in its place.
    if (NeedsCurrentDrive(tail) && currentDirectory != nullptr && currentDirectory[0] != '\0') {
        *out++ = currentDirectory[0];
        *out++ = ':';
    }
    std::strcpy(out, tail);
}
