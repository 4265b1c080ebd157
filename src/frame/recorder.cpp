// The interaction recorder: one Q command becomes one CSV line of the interaction file.
#include "channel/command_text.h"
#include "frame/interaction.h"
#include "frame/main_frame.h"
#include "framework/afxfile.h"
#include "lesson/file_retry.h"
#include "log/event_log.h"
#include "res/resource.h"

const char* CMainFrame::SkipBlanks(const char* p)
{
    return SkipBlanksIn(p);
}

BOOL CMainFrame::RecordInteraction()
{
    if (!m_bInteractionFileReady && !CreateInteractionFile())
        return FALSE;
    CInteraction interaction;
    if (!ParseInteraction(g_szCommandBuffer, &interaction, &CMainFrame::SkipBlanks)) {
        LogEvent("record", "refused: the operands form no interaction");
        return TRUE;
    }
    // Every field is bounded (values 259, the id kInteractionIdMax characters), so a record fits.
    char szRecord[1024];
    if (!AppendRecord(szRecord, FormatRecord(interaction, szRecord, sizeof(szRecord))))
        return FALSE;
    // The record's own line carries the student's name, which the log never holds.
    LogEvent("record", "%s %c %c appended", interaction.m_pszId, interaction.m_chResponse,
             interaction.m_chCorrect);
    return TRUE;
}

// The first record of a lesson makes sure the file exists, in one step that cannot truncate it:
// a new file begins with its header line, and any entry of that name that exists already (the
// create fails with "exists") is appended to as it stands, with no header. Asking whether it
// exists first would need the folder's listing, which a drop box refuses.
BOOL CMainFrame::CreateInteractionFile()
{
    try {
        RetryWhileLocked(
            "record", m_strInteractionFile,
            [this] {
                CFile file(m_strInteractionFile, CFile::modeCreateNew | CFile::typeBinary);
                file.Write(kInteractionHeader, kInteractionHeaderSize);
                file.Flush();
                file.Close();
            },
            LockWaitMs());
    } catch (const CFileException& e) {
        if (e.m_lOsError != ERROR_FILE_EXISTS)
            return ReportFileFailure(e, IDS_CANT_CREATE_QUIZ_FILE);
    }
    m_bInteractionFileReady = TRUE;
    return TRUE;
}

// A lesson ending at once tries each record once, with no box: nobody may be there to wait.
BOOL CMainFrame::IsEndingAtOnce() const
{
    return m_lesson.m_ePhase == kSessionEnded || m_lesson.m_ePhase == kEnded;
}

DWORD CMainFrame::LockWaitMs() const
{
    return IsEndingAtOnce() ? 0 : kLockWaitMs;
}

// A failed file operation, logged and shown; FALSE, for the recorder to return.
BOOL CMainFrame::ReportFileFailure(const CFileException& e, UINT nIDPrompt)
{
    LogEvent("record", "refused: %s fails (error %ld)", static_cast<LPCSTR>(m_strInteractionFile),
             e.m_lOsError);
    if (!IsEndingAtOnce())
        AfxMessageBox(nIDPrompt);
    return FALSE;
}

// The record line for the interaction, dated now, by the string table's formats;
// its length, 0 when it does not fit.
size_t CMainFrame::FormatRecord(const CInteraction& interaction, char* pszRecord, size_t cbRecord)
{
    SYSTEMTIME st;
    GetLocalTime(&st);
    const CRecordTime now = {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
    CString strDateFormat, strTimeFormat, strRecordFormat;
    strDateFormat.LoadString(IDS_DATE_FORMAT);
    strTimeFormat.LoadString(IDS_TIME_FORMAT);
    strRecordFormat.LoadString(IDS_INTERACTION_RECORD);
    const CRecordFormats formats = {strDateFormat, strTimeFormat, strRecordFormat};
    return FormatInteractionRecord(formats, m_strCourseId, m_strStudentName, now, interaction,
                                   pszRecord, cbRecord);
}

// One open-append-flush-close of the existing file; a failure is reported.
BOOL CMainFrame::AppendRecord(const char* pszRecord, size_t cbRecord)
{
    try {
        if (cbRecord == 0)
            throw CFileException(ERROR_INSUFFICIENT_BUFFER);
        RetryWhileLocked(
            "record", m_strInteractionFile,
            [&] {
                CFile file(m_strInteractionFile, CFile::typeBinary);
                file.Write(pszRecord, static_cast<UINT>(cbRecord));
                file.Flush();
                file.Close();
            },
            LockWaitMs());
    } catch (const CFileException& e) {
        // The file object is gone (and closed) before the box shows.
        return ReportFileFailure(e, IDS_CANT_UPDATE_QUIZ_FILE);
    }
    return TRUE;
}
