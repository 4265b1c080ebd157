// Tests the bounded copy of command texts and the command-letter fold.
#include "channel/command_queue.h"
#include "channel/command_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(CommandText, CopyIsCutAndTerminatedWithinBounds)
{
    const struct {
        const char* name;
        const char* src;
        size_t srcSize;
        size_t dstSize;
        const char* expected;
    } rows[] = {
        {"fits", "-S=P", 5, 8, "-S=P"},
        {"cut to dstSize - 1", "-S=PASSED", 10, 4, "-S="},
        {"cut at srcSize", "-S=PASSED", 2, 8, "-S"},
        {"stops at NUL", "-G\0xyz", 6, 8, "-G"},
        {"one-byte dst", "-S", 3, 1, ""},
        {"zero-byte dst", "-S", 3, 0, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        char dst[16];
        std::memset(dst, '#', sizeof dst);
        const size_t length = CopyCommandText(dst, row.dstSize, row.src, row.srcSize);
        EXPECT_EQ(length, std::strlen(row.expected));
        if (row.dstSize != 0) {
            EXPECT_STREQ(dst, row.expected);
        }
        for (size_t i = row.dstSize; i < sizeof dst; ++i)
            EXPECT_EQ(dst[i], '#') << "written past dstSize at " << i;
    }
}

TEST(CommandText, LetterIsFoldedInPlace)
{
    const struct {
        const char* name;
        const char* text;
        char letter;
    } rows[] = {
        {"lower", "-s=P", 'S'},
        {"upper", "-Q=x", 'Q'},
        {"digit", "-1", '\x11'},
        {"none", "-", '\0'},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        char text[8];
        std::strcpy(text, row.text);
        EXPECT_EQ(UpcaseCommandLetter(text), row.letter);
        EXPECT_EQ(text[1], row.letter);
    }
}

TEST(CommandQueue, KeepsArrivalOrderAcrossItsWholeCapacity)
{
    CCommandQueue queue;
    char text[kCommandBlockSize];
    EXPECT_FALSE(queue.Pop(text));
    // Three rounds of filling and emptying, so the ring wraps.
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < CCommandQueue::kCapacity; ++i)
            EXPECT_TRUE(queue.Push(("-Q=" + std::to_string(round * 100 + i) + " a").c_str()));
        EXPECT_TRUE(queue.IsFull());
        EXPECT_FALSE(queue.Push("-S=lost"));
        for (int i = 0; i < CCommandQueue::kCapacity; ++i) {
            ASSERT_TRUE(queue.Pop(text));
            EXPECT_EQ(std::string(text), "-Q=" + std::to_string(round * 100 + i) + " a");
        }
        EXPECT_TRUE(queue.IsEmpty());
    }
    // A text of 255 characters goes whole; a longer one is cut to the buffer.
    const std::string longest = "-Q=" + std::string(252, 'x');
    queue.Push(longest.c_str());
    queue.Push((longest + "yz").c_str());
    ASSERT_TRUE(queue.Pop(text));
    EXPECT_EQ(std::string(text), longest);
    ASSERT_TRUE(queue.Pop(text));
    EXPECT_EQ(std::string(text), longest);
}
