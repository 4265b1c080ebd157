// Takes the Q operands apart and formats the interaction record line.
#include "frame/interaction.h"

#include <stdio.h>
#include <string.h>

const char kInteractionHeader[] =
    "\"course_id\",\"student_id\",\"date\",\"time\",\"interaction_id\","
    "\"student_response\",\"correct_response\"\r\n";
static_assert(sizeof(kInteractionHeader) == kInteractionHeaderSize + 1,
              "the header line is 95 bytes plus its NUL");

bool IsBlank(char ch)
{
    return ch != '\0' && static_cast<signed char>(ch) < 0x21;
}

const char* SkipBlanksIn(const char* p)
{
    if (p == NULL)
        return NULL;
    while (IsBlank(*p))
        ++p;
    return *p != '\0' ? p : NULL;
}

bool ParseInteraction(char* pszText, CInteraction* pInteraction, SKIPBLANKSPROC pfnSkipBlanks)
{
    char* pszEquals = strchr(pszText, '=');
    if (pszEquals == NULL)
        return false;

    char* pszId = const_cast<char*>(pfnSkipBlanks(pszEquals + 1));
    if (pszId == NULL)
        return false;
    char* pszIdEnd = pszId;
    while (*pszIdEnd != '\0' && !IsBlank(*pszIdEnd))
        ++pszIdEnd;
    // The id must be followed by a response, so it cannot end the text.
    if (*pszIdEnd == '\0')
        return false;
    *pszIdEnd = '\0';

    const char* pszResponse = pfnSkipBlanks(pszIdEnd + 1);
    if (pszResponse == NULL || (pszResponse[1] != '\0' && !IsBlank(pszResponse[1])))
        return false;
    const char chLetter = static_cast<char>(*pszResponse & ~0x20);
    if (chLetter < 'A' || chLetter > 'D')
        return false;

    // Only the flag's first byte counts: anything but '1' means not correct.
    const char* pszFlag = pfnSkipBlanks(pszResponse + 1);
    pInteraction->m_pszId = pszId;
    pInteraction->m_chResponse = chLetter;
    pInteraction->m_chCorrect = (pszFlag != NULL && *pszFlag == '1') ? '1' : '0';
    return true;
}

size_t FormatInteractionRecord(const CRecordFormats& formats, const char* pszCourseId,
                               const char* pszStudentName, const CRecordTime& now,
                               const CInteraction& interaction, char* pszRecord, size_t cbRecord)
{
    // Ample for the real formats; a format that wants more fails the record.
    char szDate[32], szTime[32];
    const int cchDate =
        snprintf(szDate, sizeof(szDate), formats.m_pszDate, now.m_wMonth, now.m_wDay, now.m_wYear);
    const int cchTime = snprintf(szTime, sizeof(szTime), formats.m_pszTime, now.m_wHour,
                                 now.m_wMinute, now.m_wSecond);
    if (cchDate < 0 || static_cast<size_t>(cchDate) >= sizeof(szDate) || cchTime < 0 ||
        static_cast<size_t>(cchTime) >= sizeof(szTime) || cbRecord == 0)
        return 0;
    const int cchRecord =
        snprintf(pszRecord, cbRecord, formats.m_pszRecord, pszCourseId, pszStudentName, szDate,
                 szTime, interaction.m_pszId, interaction.m_chResponse, interaction.m_chCorrect);
    if (cchRecord < 0 || static_cast<size_t>(cchRecord) >= cbRecord) {
        pszRecord[0] = '\0';
        return 0;
    }
    return static_cast<size_t>(cchRecord);
}
