// Forms the presentation path, putting the current drive before a rooted tail.
#include "frame/show_path.h"

bool NeedsCurrentDrive(const char* tail)
{
    return tail[0] == '\\' && tail[1] != '\\';
}

std::string FormShowPath(const char* tail, const char* currentDirectory)
{
    // Without a current directory there is no drive letter; a NUL must not go in its place.
    if (!NeedsCurrentDrive(tail) || currentDirectory == nullptr || currentDirectory[0] == '\0')
        return tail;
    std::string path(1, currentDirectory[0]);
    path += ':';
    path += tail;
    return path;
}
