// Fuzzes the presentation path, by its properties: the tail whole, after a drive only when rooted.
#include "frame/show_path.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The input up to its first NUL is the tail, the rest the current directory;
    // each is exactly sized, so reading past its NUL is an overflow the sanitizer reports.
    const uint8_t* split = static_cast<const uint8_t*>(memchr(data, 0, size));
    const uint8_t* rest = split != NULL ? split + 1 : data + size;
    std::vector<char> tail(data, split != NULL ? split : data + size);
    tail.push_back('\0');
    std::vector<char> directory(rest, data + size);
    directory.push_back('\0');

    // Exactly the room promised, so writing past it is an overflow the sanitizer reports.
    std::vector<char> path(ShowPathSize(tail.size() - 1));
    FormShowPath(tail.data(), directory.data(), path.data());
    const std::string whole(tail.data()), formed(path.data());
    // The tail ends the path, whole; anything before it is a drive and a colon, which
    // only a tail on the current drive gets, from a current directory that has one.
    const size_t cchAdded = formed.size() - whole.size();
    if (formed.size() < whole.size() || formed.compare(cchAdded, whole.size(), whole) != 0 ||
        (cchAdded != 0 && cchAdded != 2))
        abort();
    if (cchAdded == 2 && (formed[0] != directory[0] || formed[1] != ':'))
        abort();
    if ((cchAdded == 2) != (NeedsCurrentDrive(tail.data()) && directory[0] != '\0'))
        abort();
    return 0;
}
