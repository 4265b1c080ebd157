// Reads a real lesson, a PowerPoint 97-2003 file, into a presentation's slides and buttons.
#include "presentation.h"

#include "ansi_text.h"
#include "channel/command_text.h"
#include "frame/interaction.h"
#include "framework/command_line.h"

#include <set>

// PowerPoint's own slide, 10 by 7.5 inches in master units, for a file that gives no size.
static const int kDefaultSlideWidth = 5760, kDefaultSlideHeight = 4320;

// A text's paragraphs and line breaks as lines ending at '\n', with no line break at the end.
static std::string ToLines(const std::u16string& strText)
{
    std::string strLines = ToAnsi(strText);
    for (char& ch : strLines)
        ch = ch == '\r' || ch == '\v' ? '\n' : ch;
    strLines.erase(strLines.find_last_not_of("\n") + 1);
    return strLines;
}

// The slide's texts, less the labels that its buttons show themselves.
static std::string GetSlideText(const CLessonSlide& slide, std::multiset<std::u16string>* pLabels)
{
    std::string strText;
    for (const std::u16string& strShapeText : slide.m_arrTexts) {
        auto it = pLabels->find(strShapeText);
        if (it != pLabels->end())
            pLabels->erase(it);
        else
            strText += (strText.empty() ? "" : "\n") + ToLines(strShapeText);
    }
    return strText;
}

// A button's label on one line: its text range's own characters, or its shape's text.
static std::string GetLabel(const CLessonAction& action)
{
    std::string strLabel = ToLines(ButtonText(action));
    for (char& ch : strLabel)
        ch = ch == '\n' ? ' ' : ch;
    strLabel.erase(0, strLabel.find_first_not_of(' '));
    return strLabel;
}

// An answer when the line's tail is a -Q command that the launcher records; its flag says which.
static CSlideButton::EKind GetAnswerKind(const std::string& strLine)
{
    std::string strTail = SkipProgramName(strLine.c_str());
    CInteraction interaction;
    if (!IsCommandText(strTail.c_str()) || UpcaseCommandLetter(&strTail[0]) != 'Q' ||
        !ParseInteraction(&strTail[0], &interaction))
        return CSlideButton::kPlain;
    return interaction.m_chCorrect == '1' ? CSlideButton::kCorrect : CSlideButton::kWrong;
}

static BOOL IsButton(const CLessonAction& action)
{
    return action.m_nTrigger == kTriggerClick && action.m_nAction != kActionNone;
}

std::string CPresentation::ReadLesson(const std::string& strBytes, std::string* pstrWrong)
{
    CLesson lesson;
    CFileError error;
    if (!ReadLessonFile(reinterpret_cast<const uint8_t*>(strBytes.data()), strBytes.size(), &lesson,
                        &error))
        return error.Describe();
    m_bRealLesson = TRUE;
    m_cxSlide = lesson.m_cxSlide > 0 ? lesson.m_cxSlide : kDefaultSlideWidth;
    m_cySlide = lesson.m_cySlide > 0 ? lesson.m_cySlide : kDefaultSlideHeight;
    std::vector<std::multiset<std::u16string>> arrLabels(lesson.m_arrSlides.size());
    for (const CLessonAction& action : lesson.m_arrActions) {
        if (IsButton(action) && action.m_nSource == kSourceShape && action.m_nSlide >= 0 &&
            static_cast<size_t>(action.m_nSlide) < arrLabels.size())
            arrLabels[action.m_nSlide].insert(action.m_strShapeText);
    }
    std::vector<int> arrShown; // each lesson slide's place in the show, or -1 when it is hidden
    for (size_t i = 0; i < lesson.m_arrSlides.size(); ++i) {
        const CLessonSlide& slide = lesson.m_arrSlides[i];
        arrShown.push_back(slide.m_bHidden ? -1 : static_cast<int>(m_arrSlides.size()));
        if (slide.m_bHidden)
            ReadHiddenDirectives(slide, pstrWrong);
        else
            m_arrSlides.push_back(CSlide{GetSlideText(slide, &arrLabels[i]), {}});
    }
    for (size_t n = 0; n < lesson.m_arrActions.size(); ++n) {
        CLessonAction action = lesson.m_arrActions[n];
        action.m_rect = ButtonRect(lesson, n);
        if (IsButton(action))
            AddLessonButton(action, arrShown);
    }
    return "";
}

// A hidden slide's paragraphs that begin with '#', read as lines of the text format.
void CPresentation::ReadHiddenDirectives(const CLessonSlide& slide, std::string* pstrWrong)
{
    for (const std::u16string& strShapeText : slide.m_arrTexts) {
        const std::string strLines = ToLines(strShapeText) + "\n";
        for (size_t nAt = 0, nEnd; (nEnd = strLines.find('\n', nAt)) != std::string::npos;
             nAt = nEnd + 1) {
            std::string strLine = strLines.substr(nAt, nEnd - nAt);
            strLine.erase(strLine.find_last_not_of(" \t") + 1);
            if (!strLine.empty() && strLine[0] == '#' && !ReadLine(strLine) && pstrWrong->empty())
                *pstrWrong = strLine;
        }
    }
}

// The action's button on its slide, or on the masters; a hidden slide's are never shown.
void CPresentation::AddLessonButton(const CLessonAction& action, const std::vector<int>& arrShown)
{
    CSlideButton button = {CSlideButton::kPlain, GetLabel(action), ToAnsi(action.m_strCommandLine),
                           action.m_nAction,     action.m_nJump,   action.m_rect};
    if (action.m_nSlide == kOnMaster) {
        NoteStatus(button.m_strTail, button.m_strLabel + ": " + button.m_strTail);
        m_arrMasterButtons.push_back(button);
        return;
    }
    if (action.m_nSlide < 0 || static_cast<size_t>(action.m_nSlide) >= arrShown.size() ||
        arrShown[action.m_nSlide] < 0)
        return;
    // Answers on the masters would count on every slide; only a slide's own count.
    if (button.m_nAction == kActionRunProgram)
        button.m_nKind = GetAnswerKind(button.m_strTail);
    NoteStatus(button.m_strTail, button.m_strLabel + ": " + button.m_strTail);
    CSlide& slide = m_arrSlides[arrShown[action.m_nSlide]];
    slide.m_bQuestion = slide.m_bQuestion || button.m_nKind != CSlideButton::kPlain;
    slide.m_arrButtons.push_back(button);
}
