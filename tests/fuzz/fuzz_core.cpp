// libFuzzer targets for the platform-free logic, each by its properties; FUZZ_TARGET picks one.
#include "channel/command_text.h"
#include "frame/finish_text.h"
#include "frame/interaction.h"
#include "frame/show_path.h"
#include "framework/command_line.h"
#include "lesson_findings.h"
#include "lesson_report.h"
#include "lessonfile/ppt_lesson.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

static void Require(bool holds)
{
    if (!holds)
        abort();
}

// The tail is a suffix that begins with no separator, the same after any other name;
// a bounded copy is a NUL-terminated prefix, ended by its room, the source or its NUL.
[[maybe_unused]] static void FuzzCommandLine(const char* pszLine, const uint8_t* data, size_t size)
{
    const char* pszTail = SkipProgramName(pszLine);
    Require(pszTail >= pszLine && pszTail <= pszLine + strlen(pszLine) &&
            !(*pszTail >= 1 && *pszTail <= ' '));
    for (const char* pszName : {"tarnskov.exe \t ", "\"C:\\my lessons\\tarnskov.exe\"\t"})
        Require(strcmp(SkipProgramName((pszName + std::string(pszTail)).c_str()), pszTail) == 0);
    std::vector<char> source(data, data + size), dest(size != 0 ? data[0] : 0);
    const size_t n = CopyCommandText(dest.data(), dest.size(), source.data(), size);
    Require(dest.empty() ? n == 0
                         : n < dest.size() && dest[n] == '\0' && n <= size &&
                               memcmp(dest.data(), source.data(), n) == 0 &&
                               (n == dest.size() - 1 || n == size || source[n] == '\0'));
}

// A value is never longer than the copy, holds no delimiter nor line break, and is a
// piece of the bytes that were read.
[[maybe_unused]] static void FuzzFinishText(const char* pszText, const uint8_t*, size_t)
{
    CFinishValues values;
    ReadFinishValues(pszText, &values);
    const std::string window(pszText, strnlen(pszText, kFinishTextMax));
    for (const char* pszValue : {values.m_szStatus, values.m_szScore})
        Require(strlen(pszValue) <= kFinishTextMax && strpbrk(pszValue, " -\r\n") == NULL &&
                window.find(pszValue) != std::string::npos);
}

// The parser writes one NUL after the id and nothing else; what it reads, a
// well-formed text says again; its record is whole or none.
[[maybe_unused]] static void FuzzInteraction(const char* pszText, const uint8_t*, size_t)
{
    std::string original(pszText), text = original;
    CInteraction interaction = {NULL, '?', '?'};
    if (!ParseInteraction(&text[0], &interaction)) {
        Require(text == original || text.find('\0') < original.size());
        return;
    }
    const std::string id = interaction.m_pszId;
    Require(!id.empty() && std::none_of(id.begin(), id.end(), IsBlank) &&
            text.compare(0, text.find('\0'), original, 0, text.find('\0')) == 0);
    std::string again = "-Q=" + id + " " + interaction.m_chResponse + " " + interaction.m_chCorrect;
    CInteraction reread = {NULL, '?', '?'};
    Require(ParseInteraction(&again[0], &reread) && id == reread.m_pszId &&
            reread.m_chResponse == interaction.m_chResponse &&
            reread.m_chCorrect == interaction.m_chCorrect);
    const CRecordFormats formats = {"%.2d/%.2d/%.4d", "%.2d:%.2d:%.2d",
                                    "\"%s\",\"%s\",\"%s\",\"%s\",\"%s\",%c,%c\r\n"};
    const CRecordTime now = {1998, 3, 7, 14, 5, 9};
    std::vector<char> record(64 + original.size() + id.size());
    const size_t n = FormatInteractionRecord(formats, "C1", pszText, now, interaction,
                                             record.data(), record.size());
    Require(n == strlen(record.data()) && n > 2 && record[n - 1] == '\n' &&
            FormatInteractionRecord(formats, "C1", pszText, now, interaction, record.data(), n) ==
                0);
}

// The tail ends the path whole; before it, the current drive and a colon for a tail on the
// current drive, the current directory and one separator for a plain relative tail, nothing
// for any other or without a current directory.
[[maybe_unused]] static void FuzzShowPath(const char* pszTail, const uint8_t*, size_t size)
{
    const char* pszDirectory = pszTail + strlen(pszTail) + (strlen(pszTail) < size ? 1 : 0);
    const std::string whole(pszTail), directory(pszDirectory);
    std::vector<char> path(ShowPathSize(whole.size(), directory.size()));
    FormShowPath(pszTail, pszDirectory, path.data());
    const std::string formed(path.data());
    Require(formed.size() >= whole.size() &&
            formed.compare(formed.size() - whole.size(), whole.size(), whole) == 0);
    const std::string head = formed.substr(0, formed.size() - whole.size());
    const ShowPathRule rule = directory.empty() ? SHOW_PATH_AS_IS : ShowPathRuleFor(pszTail);
    Require(rule != SHOW_PATH_AS_IS || head.empty());
    Require(rule != SHOW_PATH_ON_CURRENT_DRIVE || head == directory.substr(0, 1) + ":");
    Require(rule != SHOW_PATH_IN_CURRENT_DIRECTORY ||
            head == (directory.back() == '\\' ? directory : directory + "\\"));
}

static bool ToLatin1(const std::u16string& str, std::string* pAnsi)
{
    pAnsi->assign(str.begin(), str.end());
    return std::all_of(str.begin(), str.end(), [](char16_t ch) { return ch < 0x100; });
}

static bool NoFile(const std::string&)
{
    return false;
}

// A lesson is read whole or refused with a reason at an offset inside the file it names; its slides
// are numbered in order, each action on one of them or a master, its text range inside its text.
// lessoncheck gives each action its row, and at most one row of the lesson's own, and writes all.
[[maybe_unused]] static void FuzzLessonFile(const char*, const uint8_t* data, size_t size)
{
    CLesson lesson;
    CFileError error;
    if (!ReadLessonFile(data, size, &lesson, &error)) {
        Require(error.m_nKind != CFileError::kNone && !error.Describe().empty() &&
                (error.m_strWhere != "file" || error.m_nOffset < std::max<size_t>(size, 1)));
        return;
    }
    for (size_t i = 0; i < lesson.m_arrSlides.size(); i++)
        Require(lesson.m_arrSlides[i].m_nNumber == i + 1);
    for (const CLessonAction& action : lesson.m_arrActions)
        Require(
            (action.m_nSlide == kOnMaster || size_t(action.m_nSlide) < lesson.m_arrSlides.size()) &&
            action.m_nAction <= kActionUnknown && action.m_nJump <= kJumpUnknown &&
            (action.m_nJump == kJumpNone || action.m_nAction == kActionJump));
    const CLessonCheck check = CheckLesson(lesson, {ToLatin1, NoFile});
    Require(check.m_arrRows.size() - lesson.m_arrActions.size() <= 1);
    Require(!CsvRows("f", check).empty() && !TextTable("f", check).empty());
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Exactly sized, so reading past the NUL is an overflow the sanitizer reports.
    std::vector<char> text(data, data + size);
    text.push_back('\0');
    FUZZ_TARGET(text.data(), data, size);
    return 0;
}
