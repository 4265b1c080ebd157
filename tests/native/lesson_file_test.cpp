// Unit tests of the lesson reader against the lessons Apache POI made, whole and damaged.
#include "lessonfile/ppt_lesson.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {
const std::string kQuoted = "\"C:\\Program Files (x86)\\Tarnskov\\tarnskov.exe\"";
const std::string kPlain = "C:\\CBT\\tarnskov.exe";

std::vector<uint8_t> Bytes(const std::string& strName)
{
    std::ifstream file(std::string(LESSONS_DIR) + "/" + strName, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

std::string Narrow(const std::u16string& str)
{
    return std::string(str.begin(), str.end());
}

CFileError ReadFails(const std::vector<uint8_t>& arrBytes)
{
    CLesson lesson;
    CFileError error;
    EXPECT_FALSE(ReadLessonFile(arrBytes.data(), arrBytes.size(), &lesson, &error));
    return error;
}

CLesson Read(const std::string& strName)
{
    const std::vector<uint8_t> arrBytes = Bytes(strName);
    CLesson lesson;
    CFileError error;
    EXPECT_TRUE(ReadLessonFile(arrBytes.data(), arrBytes.size(), &lesson, &error))
        << error.Describe();
    return lesson;
}

// Each action as "<slide or m> <text>: <command line or action/jump>", the way rows state it.
std::vector<std::string> Actions(const CLesson& lesson)
{
    std::vector<std::string> arrRows;
    for (const CLessonAction& action : lesson.m_arrActions)
        arrRows.push_back(
            (action.m_nSlide == kOnMaster ? "m" : std::to_string(action.m_nSlide)) + " " +
            Narrow(action.m_strShapeText) + ": " +
            (action.m_nAction == kActionRunProgram
                 ? Narrow(action.m_strCommandLine)
                 : std::to_string(action.m_nAction) + "/" + std::to_string(action.m_nJump)));
    return arrRows;
}
} // namespace

TEST(LessonFile, TheDemoSendsEachAnswerAndItsFinish)
{
    const CLesson lesson = Read("../../samples/intro.ppt");
    std::vector<std::string> arrExpected;
    const char* kAnswers[3][4] = {
        {"Mercury", "Venus", "Earth", "Mars"}, {"5", "6", "7", "8"}, {"90", "100", "110", "120"}};
    for (int q = 0; q < 3; q++)
        for (int a = 0; a < 4; a++)
            arrExpected.push_back(std::to_string(q + 1) + " " + char('A' + a) + ") " +
                                  kAnswers[q][a] + ": " + kQuoted + " -Q=Q" +
                                  std::to_string(q + 1) + " " + char('A' + a) +
                                  (a == (q == 0 ? 0 : 1) ? " 1" : " 0"));
    arrExpected.push_back("4 Finish: " + kQuoted + " -S={status} -G={score}");
    EXPECT_EQ(Actions(lesson), arrExpected);
    ASSERT_EQ(lesson.m_arrSlides.size(), 6u);
    EXPECT_EQ(Narrow(lesson.m_arrSlides[1].m_arrTexts[0]),
              "Question 1: Which planet is closest to the sun?");
}

TEST(LessonFile, TheGoodLessonsNineCommandsAmongItsJumps)
{
    const CLesson lesson = Read("good.ppt");
    const std::vector<std::string> arrExpected = {"0 Start: 3/1",
                                                  "0 Course page: 4/0",
                                                  "1 A) 1: " + kPlain + " -Q=Q1 A 0",
                                                  "1 B) 2: " + kPlain + " -Q=Q1 B 0",
                                                  "1 C) 3: " + kPlain + " -Q=Q1 C 0",
                                                  "1 D) 4: " + kPlain + " -Q=Q1 D 1",
                                                  "2 Last viewed: 3/5",
                                                  "3 A) Green: " + kQuoted + " -Q=Q2 A 0",
                                                  "3 B) Blue: " + kQuoted + " -Q=Q2 B 1",
                                                  "3 C) Red: " + kQuoted + " -Q=Q2 C 0",
                                                  "3 D) Yellow: " + kQuoted + " -Q=Q2 D 0",
                                                  "4 Finish: " + kPlain + " -S=P -G=90",
                                                  "4 Back: 3/2",
                                                  "4 Again: 3/3",
                                                  "4 Last: 3/4",
                                                  "4 End show: 3/6",
                                                  "m Next: 3/1"};
    EXPECT_EQ(Actions(lesson), arrExpected);
    EXPECT_EQ(Actions(Read("good-v4.ppt")), arrExpected); // in 4096-byte sectors
    EXPECT_EQ(lesson.m_cxSlide, 5760);                    // 10 by 7.5 inches
    EXPECT_EQ(lesson.m_cySlide, 4320);
    for (size_t i = 0; i < lesson.m_arrSlides.size(); i++)
        EXPECT_EQ(lesson.m_arrSlides[i].m_bHidden, i == 2) << i;
    // A group member's place maps through its group's: 100,200 points and 50 points apart.
    const CLessonAction& blue = lesson.m_arrActions[8];
    EXPECT_EQ(blue.m_nGroupDepth, 1u);
    EXPECT_EQ(std::vector<int>({blue.m_rect.m_nLeft, blue.m_rect.m_nTop, blue.m_rect.m_nRight,
                                blue.m_rect.m_nBottom}),
              std::vector<int>({800, 2000, 4000, 2320}));
}

TEST(LessonFile, TextRangesMouseOverAndFastSavedEdits)
{
    const CLesson faults = Read("faults.ppt");
    ASSERT_EQ(faults.m_arrActions.size(), 10u);
    const CLessonAction& hover = faults.m_arrActions[8];
    const CLessonAction& range = faults.m_arrActions[9];
    EXPECT_EQ(hover.m_nTrigger, kTriggerMouseOver);
    EXPECT_EQ(Narrow(hover.m_strCommandLine), kPlain + " -Q=Q3 B 0");
    EXPECT_EQ(range.m_nSource, kSourceTextRange);
    EXPECT_EQ(range.m_nTextEnd - range.m_nTextBegin, 23u);
    EXPECT_EQ(Narrow(range.m_strCommandLine), kPlain + " -Q=Q3");
    EXPECT_EQ(Actions(Read("fast-saved.ppt"))[11], "4 Finish: " + kPlain + " -S=P -G=80");
}

TEST(LessonFile, RefusedWithTheirReasons)
{
    const struct {
        const char* m_pszFile;
        CFileError::EKind m_nKind;
        const char* m_pszWhat;
    } rows[] = {
        {"../../README.md", CFileError::kNotCompoundFile, "no signature"},
        {"workbook.xls.ppt", CFileError::kNotLesson, "no stream \"PowerPoint Document\""},
        {"encrypted.ppt", CFileError::kEncrypted, "encrypted"},
        {"cut-short.ppt", CFileError::kMalformed, "past the end of the file (offset 17408"},
    };
    for (const auto& row : rows) {
        const CFileError error = ReadFails(Bytes(row.m_pszFile));
        EXPECT_EQ(error.m_nKind, row.m_nKind) << row.m_pszFile;
        EXPECT_NE(error.Describe().find(row.m_pszWhat), std::string::npos) << error.Describe();
    }
}

// good.ppt damaged at one little-endian field: its header, its FAT, its directory, its streams.
TEST(LessonFile, DamageRefusedCleanly)
{
    const std::vector<uint8_t> arrGood = Bytes("good.ppt");
    const auto At = [&](size_t n) { return ReadU32(&arrGood[n]); };
    const size_t nFat = (At(0x4C) + 1) * 512, nDirectory = At(0x30);
    const std::u16string strDocument(u"PowerPoint Document");
    size_t nDocumentEntry = (nDirectory + 1) * 512;
    while (std::u16string(reinterpret_cast<const char16_t*>(&arrGood[nDocumentEntry]), 19) !=
           strDocument)
        ASSERT_LT(nDocumentEntry += 128, (nDirectory + 2) * 512);
    const struct {
        size_t m_nAt;
        uint32_t m_nValue;
        const char* m_pszWhat;
    } rows[] = {
        {0x1A, 0xFFFE0005, "compound file version 5"},
        {0x2C, 0x7FFFFFFF, "more FAT or DIFAT sectors than the file holds"},
        {nFat + 4 * nDirectory, uint32_t(nDirectory), "comes back to sector"},
        {nFat + 4 * nDirectory, 0x7FFFFFF, "outside its allocation table"},
        {nDocumentEntry + 0x78, 0xFFFFFFF0, "more than the file holds"},
        {nDocumentEntry + 0x74, 0xFFFFFFFD, "outside its allocation table"},
    };
    for (const auto& row : rows) {
        std::vector<uint8_t> arrBytes = arrGood;
        for (int i = 0; i < 4; i++)
            arrBytes[row.m_nAt + i] = uint8_t(row.m_nValue >> 8 * i);
        const CFileError error = ReadFails(arrBytes);
        EXPECT_EQ(error.m_nKind, CFileError::kMalformed);
        EXPECT_NE(error.Describe().find(row.m_pszWhat), std::string::npos) << error.Describe();
    }
    for (size_t cb = 0; cb < arrGood.size(); cb += 997)
        ReadFails(std::vector<uint8_t>(arrGood.begin(), arrGood.begin() + cb));
}

// The streams damaged: the edit chain, the current user, the records.
TEST(LessonFile, DamagedStreamsRefusedWithTheirOffsets)
{
    const std::vector<uint8_t> arrGood = Bytes("good.ppt");
    CCompoundFile file;
    CFileError error;
    std::vector<uint8_t> arrUser, arrDoc;
    ASSERT_TRUE(file.Open(arrGood.data(), arrGood.size(), &error) &&
                file.ReadStream("Current User", &arrUser, &error) &&
                file.ReadStream("PowerPoint Document", &arrDoc, &error));
    const uint32_t nEdit = ReadU32(&arrUser[16]);
    const struct {
        bool m_bUser;
        size_t m_nAt;
        uint32_t m_nValue;
        CFileError::EKind m_nKind;
        const char* m_pszWhat;
    } rows[] = {
        {true, 12, 0xF3D1C4DF, CFileError::kEncrypted, "(offset 12 of the Current User stream)"},
        {true, 12, 0x12345678, CFileError::kMalformed, "unknown header token 0x12345678"},
        {true, 22, 0x03F3, CFileError::kTooOld, "older than 97"},
        {true, 16, uint32_t(arrDoc.size()), CFileError::kMalformed,
         "runs past its container or the stream"},
        {false, nEdit + 16, nEdit, CFileError::kMalformed, "loops back"},
        {false, nEdit + 24, 99999, CFileError::kMalformed, "no persist object 99999"},
        {false, nEdit + 4, 0xFFFF, CFileError::kMalformed, "runs past its container"},
        {false, nEdit + 2, 0x0FF6, CFileError::kMalformed, "expected record 0xFF5"},
    };
    for (const auto& row : rows) {
        std::vector<uint8_t> arrUserBad = arrUser, arrDocBad = arrDoc;
        for (int i = 0; i < 4; i++)
            (row.m_bUser ? arrUserBad : arrDocBad)[row.m_nAt + i] = uint8_t(row.m_nValue >> 8 * i);
        CLesson lesson;
        EXPECT_FALSE(ReadLessonStreams(arrUserBad, arrDocBad, &lesson, &error));
        EXPECT_EQ(error.m_nKind, row.m_nKind);
        EXPECT_NE(error.Describe().find(row.m_pszWhat), std::string::npos) << error.Describe();
    }
    CLesson lesson;
    EXPECT_FALSE(ReadLessonStreams({4, 0, 0, 0, 'P', 'P', '9', '5'}, arrDoc, &lesson, &error));
    EXPECT_EQ(error.m_nKind, CFileError::kTooOld);
}
