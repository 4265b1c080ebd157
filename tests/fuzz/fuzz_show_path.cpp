// Fuzzes the presentation path: the tail itself or drive, ':' and the tail.
#include "frame/show_path.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The input up to its first NUL is the tail, the rest the current directory;
    // each is exactly sized, so reading past its NUL is an overflow the sanitizer reports.
    const uint8_t* split = static_cast<const uint8_t*>(std::memchr(data, 0, size));
    const size_t tailSize = split != nullptr ? static_cast<size_t>(split - data) : size;
    const uint8_t* rest = split != nullptr ? split + 1 : data + size;
    std::vector<char> tail(tailSize + 1, '\0');
    std::copy(data, data + tailSize, tail.begin());
    std::vector<char> cwd(static_cast<size_t>(data + size - rest) + 1, '\0');
    std::copy(rest, data + size, cwd.begin());

    // Exactly the room promised, so writing past it is an overflow the sanitizer reports.
    std::vector<char> out(ShowPathSize(tailSize));
    FormShowPath(tail.data(), cwd.data(), out.data());
    const std::string path(out.data());
    const std::string whole(tail.data());
    const bool rooted = tail[0] == '\\' && tail[1] != '\\';
    const std::string expected =
        rooted && cwd[0] != '\0' ? std::string(1, cwd[0]) + ':' + whole : whole;
    if (path != expected)
        std::abort();
    return 0;
}
