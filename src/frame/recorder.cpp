// The interaction recorder: one Q command becomes one CSV line of the interaction file.
#include "channel/command_text.h"
#include "frame/interaction.h"
#include "frame/main_frame.h"
#include "framework/afxfile.h"
#include "framework/afxlog.h"
#include "res/resource.h"

const char* CMainFrame::SkipBlanks(const char* p) { return SkipBlanksIn(p); }

BOOL CMainFrame::RecordInteraction()
{
    if (!m_bInteractionFileReady) {
        WIN32_FIND_DATAA findData;
        HANDLE hFind = FindFirstFileA(m_strInteractionFile, &findData);
        if (hFind != INVALID_HANDLE_VALUE) {
            // Any entry of that name counts; an existing file never gets a header.
            FindClose(hFind);
        } else {
            try {
                CFile file(m_strInteractionFile,
                           CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary);
                file.Write(kInteractionHeader, kInteractionHeaderSize);
                file.Flush();
                file.Close();
            } catch (const CFileException& e) {
                AfxLog("record", "refused: cannot create %s (error %ld)",
                       static_cast<LPCSTR>(m_strInteractionFile), e.m_lOsError);
                AfxMessageBox(IDS_CANT_CREATE_QUIZ_FILE);
                return FALSE;
            }
        }
        m_bInteractionFileReady = TRUE;
    }

    Interaction interaction;
    if (!ParseInteraction(g_szCommandBuffer, &interaction)) {
        AfxLog("record", "refused: the operands form no interaction");
        return TRUE;
    }

    SYSTEMTIME st;
    GetLocalTime(&st);
    const LocalTimeFields now = {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
    CString strDateFormat, strTimeFormat, strRecordFormat;
    strDateFormat.LoadString(IDS_DATE_FORMAT);
    strTimeFormat.LoadString(IDS_TIME_FORMAT);
    strRecordFormat.LoadString(IDS_INTERACTION_RECORD);
    const RecordFormats formats = {strDateFormat, strTimeFormat, strRecordFormat};
    // Every field is bounded (values 259, the id 252 characters), so a record fits.
    char szRecord[1024];
    const size_t cbRecord = FormatInteractionRecord(formats, m_strCourseId, m_strStudentName,
                                                    now, interaction, szRecord, sizeof(szRecord));
    try {
        if (cbRecord == 0)
            throw CFileException(ERROR_INSUFFICIENT_BUFFER, m_strInteractionFile);
        CFile file(m_strInteractionFile, CFile::modeReadWrite | CFile::typeBinary);
        file.Seek(0, CFile::end);
        file.Write(szRecord, static_cast<UINT>(cbRecord));
        file.Flush();
        file.Close();
    } catch (const CFileException& e) {
        AfxLog("record", "refused: cannot append to %s (error %ld)",
               static_cast<LPCSTR>(m_strInteractionFile), e.m_lOsError);
        // The file object is gone (and closed) before the box shows.
        AfxMessageBox(IDS_CANT_UPDATE_QUIZ_FILE);
        return FALSE;
    }
    AfxLog("record", "%.*s", static_cast<int>(cbRecord - 2), szRecord);
    return TRUE;
}
