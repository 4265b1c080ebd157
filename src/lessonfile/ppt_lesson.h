// CLesson: a PowerPoint 97-2003 lesson's slides and action buttons. No Windows header.
//
// For the tools that open real lessons (lessoncheck, the stand-in viewer), from a whole file read
// into memory:
//   CLesson lesson;
//   CFileError error;                                   // compound_file.h
//   if (!ReadLessonFile(pData, cbData, &lesson, &error))
//       refuse the file with error.Describe(), "<what> (offset <n> of the <file or stream>)";
//       error.m_nKind is kNotCompoundFile, kNotLesson, kEncrypted, kTooOld or kMalformed.
//   lesson.m_arrSlides   the slides in show order, hidden ones included and marked, each with
//                        its number from 1 and its texts;
//   lesson.m_arrActions  every action, slide by slide in show order and in each slide's drawing
//                        order, then the masters' (a master's buttons show on every slide):
//                        where it is (m_nSlide indexes m_arrSlides, or is kOnMaster), the shape's
//                        text and rectangle (scale by m_cxSlide, m_cySlide), its trigger, its
//                        source (the shape or a range of its text, m_nGroupDepth > 0 inside a
//                        group) and its kind: a program's command line, a jump's target, or only
//                        the kind (hyperlink, macro, ...).
//   lesson.m_arrDamage   the parts of the file that could not be read: the lesson is read without
//                        them, so their buttons may be missing (an action whose own record cannot
//                        be read is kept, of kind kActionUnknown, with m_strUnread saying why).
//   ButtonText(action), ButtonRect(lesson, n): the words a button shows and where it is.
// The file is read as PowerPoint reads it: the current user's edit first, then each older edit
// (fast save), the newest place of each persist object winning. A part that is damaged costs that
// part; the file is refused only when no lesson is left (no slide list, an edit chain or persist
// directory that cannot be followed). Before it is read, the PowerPoint Document stream is walked
// record by record: each record of a known type, fitting its container, none running over a
// record that the persist directories or the edits point to. A shape with an action on click
// and another on mouse-over gives two actions with the same m_nShapeId. Texts and command lines
// are UTF-16 as the file holds them (on Windows, the units of a WCHAR string, to be converted to
// the ANSI code page by the caller): paragraphs end with '\r', a line break within one is '\v'.
#pragma once

#include "lessonfile/compound_file.h"

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

// A rectangle in master units (576 to the inch), as the slide's own size is given.
struct CLessonRect {
    int32_t m_nLeft = 0, m_nTop = 0, m_nRight = 0, m_nBottom = 0;
};

struct CLessonSlide {
    uint32_t m_nNumber = 0; // 1, 2, ... in show order, hidden slides counted
    bool m_bHidden = false; // left out of the show
    // The text of each shape that has some, in drawing order, then any outline text no shape shows.
    std::vector<std::u16string> m_arrTexts;
};

// The action's kind, numbered as the file's InteractiveInfoAtom numbers them.
enum ELessonAction {
    kActionNone = 0,
    kActionMacro = 1,
    kActionRunProgram = 2,
    kActionJump = 3,
    kActionHyperlink = 4,
    kActionOleVerb = 5,
    kActionMedia = 6,
    kActionCustomShow = 7,
    kActionUnknown = 8 // any other number the file holds
};

// A jump's target, numbered as the file numbers them; kJumpNone for any other action.
enum ELessonJump {
    kJumpNone = 0,
    kJumpNext = 1,
    kJumpPrevious = 2,
    kJumpFirst = 3,
    kJumpLast = 4,
    kJumpLastViewed = 5,
    kJumpEndShow = 6,
    kJumpUnknown = 7
};

enum ELessonTrigger { kTriggerClick, kTriggerMouseOver };
enum ELessonSource { kSourceShape, kSourceTextRange };

const int kOnMaster = -1;

struct CLessonAction {
    int m_nSlide = kOnMaster;   // index into CLesson::m_arrSlides, or kOnMaster
    uint32_t m_nMaster = 0;     // which master (0 the first) when m_nSlide is kOnMaster
    uint32_t m_nShapeId = 0;    // the drawing's shape id: one per shape on its slide
    uint32_t m_nGroupDepth = 0; // 0 for a shape on the slide itself, n inside n groups
    std::u16string m_strShapeText;
    CLessonRect m_rect; // where the shape is on its slide
    ELessonTrigger m_nTrigger = kTriggerClick;
    ELessonSource m_nSource = kSourceShape;
    uint32_t m_nTextBegin = 0, m_nTextEnd = 0; // kSourceTextRange: its characters in the text
    ELessonAction m_nAction = kActionNone;
    ELessonJump m_nJump = kJumpNone;
    // kActionRunProgram: the command line as the author typed it (program, then arguments);
    // kActionMacro: the macro's name; else empty.
    std::u16string m_strCommandLine;
    std::string m_strUnread; // why its record could not be read, with the offset; else empty
};

// The words a button shows: its text range's own, or its shape's whole text.
std::u16string ButtonText(const CLessonAction& action);

const int kNoSlide = -2; // a part of the file that belongs to no slide and no master

// A part of the file that could not be read.
struct CLessonDamage {
    int m_nSlide = kNoSlide; // index into CLesson::m_arrSlides, kOnMaster, or kNoSlide
    std::string m_strWhat;   // the reason and the offset, as CFileError::Describe() says them
};

struct CLesson {
    int32_t m_cxSlide = 0, m_cySlide = 0; // the slide size in master units, to scale m_rect
    std::vector<CLessonSlide> m_arrSlides;
    std::vector<CLessonAction> m_arrActions;
    std::vector<CLessonDamage> m_arrDamage;
};

// Where the button of lesson.m_arrActions[nAction] is: its shape's rectangle, or, for one of
// several text ranges of a shape with the same trigger, its own band of it, top to bottom.
CLessonRect ButtonRect(const CLesson& lesson, size_t nAction);

// The cbData bytes of a whole file at pData into *pLesson; false with *pError filled in when the
// file is no PowerPoint 97-2003 lesson or is damaged. Never reads outside the bytes given, and
// allocates no more than a small multiple of cbData.
bool ReadLessonFile(const uint8_t* pData, size_t cbData, CLesson* pLesson, CFileError* pError);

// The same from the file's "Current User" and "PowerPoint Document" streams.
bool ReadLessonStreams(const std::vector<uint8_t>& arrCurrentUser,
                       const std::vector<uint8_t>& arrDocument, CLesson* pLesson,
                       CFileError* pError);
