// Unit tests of the lesson reader against the lessons Apache POI made, whole and damaged.
#include "lessonfile/ppt_lesson.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// Where a stream's directory entry lies in a file whose directory is one run of sectors.
size_t Entry(const std::vector<uint8_t>& arrFile, const std::u16string& strName)
{
    size_t n = (ReadU32(&arrFile[0x30]) + 1) * 512;
    while (std::u16string(reinterpret_cast<const char16_t*>(&arrFile[n]), strName.size()) !=
           strName)
        n += 128;
    return n;
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

// Each action as "<slide or m> <text>: <command line or action/jump>|", the way rows state it.
std::string Actions(const CLesson& lesson)
{
    std::string strRows;
    for (const CLessonAction& action : lesson.m_arrActions)
        strRows += (action.m_nSlide == kOnMaster ? "m" : std::to_string(action.m_nSlide)) + " " +
                   Narrow(action.m_strShapeText) + ": " +
                   (action.m_nAction == kActionRunProgram
                        ? Narrow(action.m_strCommandLine)
                        : std::to_string(action.m_nAction) + "/" + std::to_string(action.m_nJump)) +
                   "|";
    return strRows;
}
} // namespace

TEST(LessonFile, TheDemoSendsEachAnswerAndItsFinish)
{
    const CLesson lesson = Read("../../samples/intro.ppt");
    std::string strExpected;
    const char* kAnswers[3][4] = {
        {"Mercury", "Venus", "Earth", "Mars"}, {"5", "6", "7", "8"}, {"90", "100", "110", "120"}};
    for (int q = 0; q < 3; q++)
        for (int a = 0; a < 4; a++)
            strExpected += std::to_string(q + 1) + " " + char('A' + a) + ") " + kAnswers[q][a] +
                           ": " + kQuoted + " -Q=Q" + std::to_string(q + 1) + " " + char('A' + a) +
                           (a == (q == 0 ? 0 : 1) ? " 1|" : " 0|");
    EXPECT_EQ(Actions(lesson), strExpected + "4 Finish: " + kQuoted + " -S={status} -G={score}|");
    ASSERT_EQ(lesson.m_arrSlides.size(), 6u);
    EXPECT_EQ(Narrow(lesson.m_arrSlides[1].m_arrTexts[0]),
              "Question 1: Which planet is closest to the sun?");
}

TEST(LessonFile, TheGoodLessonsNineCommandsAmongItsJumpsAndTheFaultsRanges)
{
    const CLesson lesson = Read("good.ppt");
    const std::string P = ": " + kPlain + " -Q=Q1 ", Q = ": " + kQuoted + " -Q=Q2 ";
    const std::string arrExpected =
        "0 Start: 3/1|0 Course page: 4/0|1 A) 1" + P + "A 0|1 B) 2" + P + "B 0|1 C) 3" + P +
        "C 0|1 D) 4" + P + "D 1|2 Last viewed: 3/5|3 A) Green" + Q + "A 0|3 B) Blue" + Q +
        "B 1|3 C) Red" + Q + "C 0|3 D) Yellow" + Q + "D 0|4 Finish: " + kPlain +
        " -S=P -G=90|4 Back: 3/2|4 Again: 3/3|4 Last: 3/4|4 End show: 3/6|m Next: 3/1|";
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
    const CLesson faults = Read("faults.ppt");
    ASSERT_EQ(faults.m_arrActions.size(), 10u);
    EXPECT_EQ(faults.m_arrActions[8].m_nTrigger, kTriggerMouseOver);
    EXPECT_EQ(faults.m_arrActions[9].m_nSource, kSourceTextRange);
    EXPECT_EQ(ButtonText(faults.m_arrActions[9]), u"Click here to answer C.");
    CLesson ranges; // two ranges of one shape take a band of it each, top to bottom
    ranges.m_arrActions = {faults.m_arrActions[9], faults.m_arrActions[9]};
    const CLessonRect one = ButtonRect(ranges, 0), two = ButtonRect(ranges, 1);
    EXPECT_EQ(std::vector<int>({one.m_nTop, one.m_nBottom - two.m_nTop, two.m_nBottom}),
              std::vector<int>({faults.m_arrActions[9].m_rect.m_nTop, 0,
                                faults.m_arrActions[9].m_rect.m_nBottom}));
    EXPECT_NE(Actions(Read("fast-saved.ppt")).find("4 Finish: " + kPlain + " -S=P -G=80|"),
              std::string::npos);
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
        {"cut-short.ppt", CFileError::kMalformed,
         "sector 33 lies past the end of the file (offset 1024"},
    };
    for (const auto& row : rows) {
        const CFileError error = ReadFails(Bytes(row.m_pszFile));
        EXPECT_EQ(error.m_nKind, row.m_nKind) << row.m_pszFile;
        EXPECT_NE(error.Describe().find(row.m_pszWhat), std::string::npos) << error.Describe();
    }
}

// good.ppt damaged at one little-endian field: its header, its FAT, its directory, its streams.
// Each bound has a row at the first value it refuses, naming the field that led there, and one at
// the value before, refused for another reason.
TEST(LessonFile, DamageRefusedCleanly)
{
    std::vector<uint8_t> arrGood = Bytes("good.ppt");
    const auto At = [&](size_t n) { return ReadU32(&arrGood[n]); };
    const size_t nFat = (At(0x4C) + 1) * 512, nDirectory = At(0x30);
    const uint32_t nSectors = uint32_t(arrGood.size() / 512 - 1),
                   nMini = At((nDirectory + 1) * 512 + 0x78) / 64;
    const size_t nDocument = Entry(arrGood, u"PowerPoint Document");
    const size_t nUser = Entry(arrGood, u"Current User");
    const auto Of = [](size_t n) { return " (offset " + std::to_string(n) + " of the file)"; };
    arrGood.insert(arrGood.end(), 511, 0xEE); // a partial sector, never read
    const struct {
        size_t m_nAt;
        uint32_t m_nValue;
        std::string m_strWhat;
    } rows[] = {
        {0x1A, 0xFFFE0005, "compound file version 5"},
        {0x2C, nSectors + 1, "more FAT or DIFAT sectors than the file holds"},
        {0x2C, nSectors, "sector 4294967295 lies past the end of the file (offset 80 "},
        {nFat + 4 * nDirectory, uint32_t(nDirectory), "comes back to sector"},
        {nDocument + 0x74, nSectors,
         "sector 34 lies past the end of the file" + Of(nDocument + 0x74)},
        {nDocument + 0x74, nSectors - 1, "a chain of 1 sectors for 21"},
        {nDocument + 0x74, 128, "sector 128, outside its allocation table" + Of(nDocument + 0x74)},
        {nDocument + 0x78, nSectors * 512 + 1, "more than the file holds" + Of(nDocument + 0x78)},
        {nDocument + 0x78, nSectors * 512, "a chain of 21 sectors for 34 sectors' worth"},
        {nDocument + 0x78, 21 * 512 + 1, "a chain of 21 sectors for 22"},
        {nDocument + 0x78, 20 * 512, "a chain of 20 or more sectors for 20"},
        {nUser + 0x74, nMini, "sector 69 lies past the end of the mini stream" + Of(nUser + 0x74)},
        {nUser + 0x74, nMini - 1, "a chain of 1 sectors for 2"},
        {nUser + 0x74, 128, "sector 128, outside its allocation table" + Of(nUser + 0x74)},
    };
    for (const auto& row : rows) {
        std::vector<uint8_t> arrBytes = arrGood;
        for (int i = 0; i < 4; i++)
            arrBytes[row.m_nAt + i] = uint8_t(row.m_nValue >> 8 * i);
        const CFileError error = ReadFails(arrBytes);
        EXPECT_EQ(error.m_nKind, CFileError::kMalformed);
        EXPECT_NE(error.Describe().find(row.m_strWhat), std::string::npos) << error.Describe();
    }
}

// Copies of each writer's lesson cut short, with a sector zeroed or taken from another of its
// lessons, or with the document stream's size raised: refused, naming an offset in the file, or
// read with the damage found; or, where the sector holds nothing the lesson is read from, read
// with every button.
TEST(LessonFile, DamagedCopiesAreNeverReadAsCleanLessons)
{
    for (const auto& names : {std::make_pair("good.ppt", "faults.ppt"),
                              std::make_pair("lo-good.ppt", "lo-answers.ppt")}) {
        const std::vector<uint8_t> arrGood = Bytes(names.first), arrOther = Bytes(names.second);
        const std::string strButtons = Actions(Read(names.first));
        const auto ExpectNoCleanLesson = [&](const std::vector<uint8_t>& arrBytes) {
            CLesson lesson;
            CFileError error;
            if (!ReadLessonFile(arrBytes.data(), arrBytes.size(), &lesson, &error))
                EXPECT_TRUE(error.m_strWhere != "file" || error.m_nOffset < arrBytes.size())
                    << error.Describe();
            else if (lesson.m_arrDamage.empty())
                EXPECT_EQ(Actions(lesson), strButtons) << names.first;
        };
        for (size_t n = 512; n + 512 <= arrGood.size(); n += 256) {
            ExpectNoCleanLesson(std::vector<uint8_t>(arrGood.begin(), arrGood.begin() + n));
            for (int nWay = 0; nWay < 2 && n % 512 == 0; nWay++) {
                std::vector<uint8_t> arrBytes = arrGood;
                for (size_t i = n; i < n + 512; i++)
                    arrBytes[i] = nWay == 0 ? 0 : arrOther[i % arrOther.size()];
                ExpectNoCleanLesson(arrBytes);
            }
        }
        const size_t nSize = Entry(arrGood, u"PowerPoint Document") + 0x78;
        for (uint32_t cbMore : {1, 512}) {
            std::vector<uint8_t> arrBytes = arrGood;
            for (int i = 0; i < 4; i++)
                arrBytes[nSize + i] = uint8_t((ReadU32(&arrGood[nSize]) + cbMore) >> 8 * i);
            ExpectNoCleanLesson(arrBytes);
        }
    }
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
    const uint32_t nEdit = ReadU32(&arrUser[16]), nEnd = uint32_t(arrDoc.size());
    const size_t nEntry = ReadU32(&arrDoc[nEdit + 20]) + 12; // the persist directory's first
    const auto Of = [](size_t n) { return " (offset " + std::to_string(n) + " of the "; };
    const struct {
        bool m_bUser;
        size_t m_nAt;
        uint32_t m_nValue;
        CFileError::EKind m_nKind;
        std::string m_strWhat;
    } rows[] = {
        {true, 12, 0xF3D1C4DF, CFileError::kEncrypted, "(offset 12 of the Current User stream)"},
        {true, 12, 0x12345678, CFileError::kMalformed, "unknown header token 0x12345678"},
        {true, 22, 0x03F3, CFileError::kTooOld, "older than 97"},
        {true, 16, nEnd, CFileError::kMalformed, "Document stream" + Of(16)},
        {true, 16, nEnd - 1, CFileError::kMalformed, "runs past its container or the stream"},
        {false, nEntry, nEnd, CFileError::kMalformed, "past the end of the stream" + Of(nEntry)},
        {false, nEntry, nEnd - 1, CFileError::kMalformed, "or the stream" + Of(nEnd - 1)},
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
        EXPECT_NE(error.Describe().find(row.m_strWhat), std::string::npos) << error.Describe();
    }
    CLesson lesson;
    EXPECT_FALSE(ReadLessonStreams({4, 0, 0, 0, 'P', 'P', '9', '5'}, arrDoc, &lesson, &error));
    EXPECT_EQ(error.m_nKind, CFileError::kTooOld);
    // A record that runs past its container, not the stream, costs its sheet, not the lesson:
    // here the first InteractiveInfoAtom's, on the master, one byte past.
    const uint8_t kAtom[] = {0xF3, 0x0F, 16, 0, 0, 0};
    const size_t nAtom =
        std::search(arrDoc.begin(), arrDoc.end(), kAtom, kAtom + 6) - arrDoc.begin();
    arrDoc[nAtom + 2] = 17;
    ASSERT_TRUE(ReadLessonStreams(arrUser, arrDoc, &lesson, &error));
    ASSERT_EQ(lesson.m_arrDamage.size(), 1u);
    const std::string strAt = std::to_string(nAtom - 2) + " of the PowerPoint Document stream)";
    EXPECT_EQ(std::to_string(lesson.m_arrDamage[0].m_nSlide) + lesson.m_arrDamage[0].m_strWhat,
              "-1record 0xFF3 of 17 bytes runs past its container (offset " + strAt);
    EXPECT_EQ(lesson.m_arrActions.back().m_strUnread.find(strAt) == std::string::npos, false);
    // A sheet whose persist object is missing, the master here, is damage on it; the rest is read.
    arrDoc[nAtom + 2] = 16;
    const uint8_t kSlide[] = {0xF3, 0x03, 20, 0, 0, 0};
    const size_t nSlide =
        std::search(arrDoc.begin(), arrDoc.end(), kSlide, kSlide + 6) - arrDoc.begin();
    arrDoc[nSlide + 6] = 99;
    ASSERT_TRUE(ReadLessonStreams(arrUser, arrDoc, &lesson, &error));
    EXPECT_EQ(std::to_string(lesson.m_arrDamage.at(0).m_nSlide) + lesson.m_arrDamage[0].m_strWhat,
              "-1no persist object 99 (offset " + std::to_string(nSlide - 2) +
                  " of the PowerPoint Document stream)");
    EXPECT_EQ(lesson.m_arrActions.size(), 16u);
}
