// The lesson reader: current user, edit chain, persist directory, document, slides and shapes.
#include "lessonfile/ppt_lesson.h"

#include <algorithm>
#include <map>
#include <set>

namespace {
enum : uint16_t {
    kRtDocument = 0x03E8,
    kRtDocumentAtom = 0x03E9,
    kRtSlide = 0x03EE,
    kRtSlidePersistAtom = 0x03F3,
    kRtMainMaster = 0x03F8,
    kRtSlideShowSlideInfoAtom = 0x03F9,
    kRtDrawing = 0x040C,
    kRtOutlineTextRefAtom = 0x0F9E,
    kRtTextHeaderAtom = 0x0F9F,
    kRtTextCharsAtom = 0x0FA0,
    kRtTextBytesAtom = 0x0FA8,
    kRtCString = 0x0FBA,
    kRtTxInteractiveInfoAtom = 0x0FDF,
    kRtSlideListWithText = 0x0FF0,
    kRtInteractiveInfo = 0x0FF2,
    kRtInteractiveInfoAtom = 0x0FF3,
    kRtUserEditAtom = 0x0FF5,
    kRtCurrentUserAtom = 0x0FF6,
    kRtPersistDirectoryAtom = 0x1772,
    kRtDgContainer = 0xF002,
    kRtSpgrContainer = 0xF003,
    kRtSpContainer = 0xF004,
    kRtSpgr = 0xF009,
    kRtSp = 0xF00A,
    kRtClientTextbox = 0xF00D,
    kRtChildAnchor = 0xF00F,
    kRtClientAnchor = 0xF010,
    kRtClientData = 0xF011
};
const uint32_t kHeaderToken = 0xE391C05F;
const uint32_t kEncryptedHeaderToken = 0xF3D1C4DF;
const uint16_t kFileVersion97 = 0x03F4;
const uint32_t kMaxGroupDepth = 32;
const uint32_t kMaxRecordDepth = 64; // the walk checks no deeper: groups are 32 deep at most
const uint16_t kHiddenFlag = 0x0004;
const uint32_t kDeletedShape = 0x0008;

std::string Hex(uint32_t n)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string str;
    do
        str.insert(str.begin(), kDigits[n % 16]);
    while ((n /= 16) != 0);
    return "0x" + str;
}

// The record types [MS-PPT] and [MS-ODRAW] define lie in these ranges; a record of any other type
// is damage (a sector of zeros reads as records of type 0).
bool IsRecordType(uint16_t nType)
{
    return (nType >= 0x03E8 && nType <= 0x2F14) || (nType >= 0xF000 && nType <= 0xF145);
}

std::string InDocument(const std::string& strWhat, size_t nOffset)
{
    CFileError error;
    error.m_strWhere = "PowerPoint Document stream";
    error.Fail(CFileError::kMalformed, strWhat, nOffset);
    return error.Describe();
}

// What the walk of the stream found wrong in a top-level record, and whether a part read claimed
// it.
struct CDamage {
    size_t m_nAt = 0;
    std::string m_strWhy;
    bool m_bClaimed = false;
};

struct CRecord {
    uint16_t m_nVerInstance = 0, m_nType = 0;
    uint32_t m_cbLength = 0;
    size_t m_nOffset = 0; // of the header, in the stream
    uint16_t Instance() const { return uint16_t(m_nVerInstance >> 4); }
    size_t Body() const { return m_nOffset + 8; }
    size_t End() const { return Body() + m_cbLength; }
};

// Maps a group's own coordinates onto master units.
struct CTransform {
    double m_dSourceX = 0, m_dSourceY = 0, m_dScaleX = 1, m_dScaleY = 1, m_dX = 0, m_dY = 0;
    int32_t X(double d) const { return Clamp(m_dX + (d - m_dSourceX) * m_dScaleX); }
    int32_t Y(double d) const { return Clamp(m_dY + (d - m_dSourceY) * m_dScaleY); }
    static int32_t Clamp(double d)
    {
        return int32_t(std::max(-2147483648.0, std::min(d, 2147483647.0)));
    }
};

// A sheet's outline texts (from the slide list) and which of them a shape has shown.
struct COutline {
    std::vector<std::u16string> m_arrTexts;
    std::vector<bool> m_arrShown;
};

class CLessonReader {
public:
    CLessonReader(const std::vector<uint8_t>& arrDocument, CLesson* pLesson, CFileError* pError)
        : m_arrDoc(arrDocument), m_pLesson(pLesson), m_pError(pError)
    {
    }
    bool Read(const std::vector<uint8_t>& arrCurrentUser);

private:
    bool Fail(const std::string& strWhat, size_t nOffset)
    {
        m_pError->m_strWhere = "PowerPoint Document stream";
        return m_pError->Fail(CFileError::kMalformed, strWhat, nOffset);
    }
    bool Peek(size_t nOffset, size_t nEnd, CRecord* pRecord, std::string* pstrWhy) const;
    bool Header(size_t nOffset, size_t nEnd, CRecord* pRecord);
    bool TopRecord(size_t nOffset, size_t nFrom, CRecord* pRecord);
    bool Sound(const CRecord& record, uint32_t nDepth, size_t* pnAt, std::string* pstrWhy) const;
    void Scan();
    void Damage(int nSlide, const std::string& strWhy, size_t nAt);
    bool Claim(const CRecord& record, int nSlide);
    bool Children(const CRecord& parent, std::vector<CRecord>* pChildren);
    bool Expect(const CRecord& record, uint16_t nType, uint32_t cbAtLeast);
    bool ReadCurrentUser(const std::vector<uint8_t>& arrCurrentUser, uint32_t* pnEdit);
    bool ReadEdits(uint32_t nEdit, uint32_t* pnDocument);
    bool ReadPersistDirectory(uint32_t nOffset, size_t nFrom);
    bool Persist(uint32_t nId, size_t nFrom, CRecord* pRecord);
    bool ReadDocument(uint32_t nDocument, size_t nFrom);
    bool ReadSlideList(const CRecord& list, bool bMasters);
    bool ReadSheet(uint32_t nPersist, size_t nFrom, COutline* pOutline);
    bool ReadGroup(const CRecord& group, const CTransform& transform, uint32_t nDepth,
                   COutline* pOutline);
    bool ReadShape(const CRecord& shape, const CTransform& transform, uint32_t nDepth,
                   COutline* pOutline, CTransform* pInner);
    CTransform GroupTransform(const CRecord& groupRect, const CLessonRect& place) const;
    void ReadText(const std::vector<CRecord>& arrText, COutline* pOutline, CLessonAction* pShape);
    void ReadAction(const CRecord& info, const CLessonAction& shape);
    CLessonRect ReadAnchor(const CRecord& anchor, const CTransform& transform) const;
    std::u16string Text(const CRecord& atom) const;
    uint32_t U32(size_t nOffset) const { return ReadU32(&m_arrDoc[nOffset]); }

    const std::vector<uint8_t>& m_arrDoc;
    CLesson* m_pLesson;
    CFileError* m_pError;
    // Persist id to its stream offset (the newest edit's) and where the directory gives it.
    std::map<uint32_t, std::pair<uint32_t, size_t>> m_mapPersist;
    std::set<uint32_t> m_setRead;          // the offsets of the persist objects read
    std::set<size_t> m_setStarts;          // every offset an edit or a persist directory points to
    std::map<size_t, CDamage> m_mapDamage; // by the offset of the top-level record it is in
    int m_nSlide = kOnMaster;              // the sheet being read: a slide, or a master
    uint32_t m_nMaster = 0;
    bool m_bSheetDamaged = false; // the walk found damage in it, and said so
};

bool CLessonReader::Peek(size_t nOffset, size_t nEnd, CRecord* pRecord, std::string* pstrWhy) const
{
    if (nEnd > m_arrDoc.size() || nOffset > nEnd || nEnd - nOffset < 8)
        return *pstrWhy = "a record header runs past its container or the stream", false;
    const uint8_t* p = &m_arrDoc[nOffset];
    pRecord->m_nVerInstance = ReadU16(p);
    pRecord->m_nType = ReadU16(p + 2);
    pRecord->m_cbLength = ReadU32(p + 4);
    pRecord->m_nOffset = nOffset;
    if (pRecord->m_cbLength > nEnd - nOffset - 8)
        return *pstrWhy = "record " + Hex(pRecord->m_nType) + " of " +
                          std::to_string(pRecord->m_cbLength) + " bytes runs past its container",
               false;
    return true;
}

bool CLessonReader::Header(size_t nOffset, size_t nEnd, CRecord* pRecord)
{
    std::string strWhy;
    return Peek(nOffset, nEnd, pRecord, &strWhy) || Fail(strWhy, nOffset);
}

// The top-level record at nOffset, which the field at nFrom points to.
bool CLessonReader::TopRecord(size_t nOffset, size_t nFrom, CRecord* pRecord)
{
    if (nOffset >= m_arrDoc.size())
        return Fail("a reference to offset " + std::to_string(nOffset) +
                        ", past the end of the stream",
                    nFrom);
    return Header(nOffset, m_arrDoc.size(), pRecord);
}

// A record of a known type that, if it is a container, its sound children fill exactly.
bool CLessonReader::Sound(const CRecord& record, uint32_t nDepth, size_t* pnAt,
                          std::string* pstrWhy) const
{
    *pnAt = record.m_nOffset;
    if (!IsRecordType(record.m_nType))
        return *pstrWhy = "a record of unknown type " + Hex(record.m_nType), false;
    if ((record.m_nVerInstance & 0xF) != 0xF || nDepth >= kMaxRecordDepth)
        return true;
    CRecord child;
    for (size_t n = record.Body(); n < record.End(); n = child.End()) {
        if (!Peek(n, record.End(), &child, pstrWhy))
            return *pnAt = n, false;
        if (!Sound(child, nDepth + 1, pnAt, pstrWhy))
            return false;
    }
    return true;
}

// Walks the stream's top-level records from its start. A record that is not sound, or that runs
// over an offset an edit or a persist directory points to, is damage; the walk goes on from the
// next such offset.
void CLessonReader::Scan()
{
    for (size_t n = 0; n < m_arrDoc.size();) {
        const auto itNext = m_setStarts.upper_bound(n);
        const size_t nEnd = itNext == m_setStarts.end() ? m_arrDoc.size() : *itNext;
        CRecord record;
        CDamage damage;
        damage.m_nAt = n;
        if (Peek(n, nEnd, &record, &damage.m_strWhy) &&
            Sound(record, 0, &damage.m_nAt, &damage.m_strWhy)) {
            n = record.End();
            continue;
        }
        m_mapDamage[n] = damage;
        n = nEnd;
    }
}

void CLessonReader::Damage(int nSlide, const std::string& strWhy, size_t nAt)
{
    m_pLesson->m_arrDamage.push_back({nSlide, InDocument(strWhy, nAt)});
}

// Whether the walk found the persist object at record damaged; the damage is then the sheet's.
bool CLessonReader::Claim(const CRecord& record, int nSlide)
{
    const auto it = m_mapDamage.find(record.m_nOffset);
    if (it == m_mapDamage.end())
        return false;
    it->second.m_bClaimed = true;
    Damage(nSlide, it->second.m_strWhy, it->second.m_nAt);
    return true;
}

bool CLessonReader::Children(const CRecord& parent, std::vector<CRecord>* pChildren)
{
    pChildren->clear();
    for (size_t n = parent.Body(); n < parent.End(); n = pChildren->back().End()) {
        pChildren->emplace_back();
        if (!Header(n, parent.End(), &pChildren->back()))
            return false;
    }
    return true;
}

bool CLessonReader::Expect(const CRecord& record, uint16_t nType, uint32_t cbAtLeast)
{
    if (record.m_nType == nType && record.m_cbLength >= cbAtLeast)
        return true;
    return Fail("expected record " + Hex(nType) + " of at least " + std::to_string(cbAtLeast) +
                    " bytes, found " + Hex(record.m_nType) + " of " +
                    std::to_string(record.m_cbLength),
                record.m_nOffset);
}

bool CLessonReader::ReadCurrentUser(const std::vector<uint8_t>& arrUser, uint32_t* pnEdit)
{
    m_pError->m_strWhere = "Current User stream";
    // PowerPoint 95 kept a length-prefixed name here, not an atom.
    if (arrUser.size() >= 4 && arrUser.size() < 28 && ReadU32(arrUser.data()) + 4 == arrUser.size())
        return m_pError->Fail(CFileError::kTooOld, "written by a PowerPoint older than 97", 0);
    if (arrUser.size() < 28 || ReadU16(arrUser.data() + 2) != kRtCurrentUserAtom ||
        ReadU32(arrUser.data() + 4) > arrUser.size() - 8)
        return m_pError->Fail(CFileError::kMalformed, "no current user atom", 0);
    const uint8_t* p = arrUser.data() + 8;
    const uint32_t nToken = ReadU32(p + 4);
    if (nToken == kEncryptedHeaderToken)
        return m_pError->Fail(CFileError::kEncrypted,
                              "the lesson is encrypted (saved with a password)", 12);
    if (nToken != kHeaderToken)
        return m_pError->Fail(CFileError::kMalformed, "unknown header token " + Hex(nToken), 12);
    if (ReadU16(p + 14) < kFileVersion97 || p[16] < 3)
        return m_pError->Fail(CFileError::kTooOld, "written by a PowerPoint older than 97", 22);
    *pnEdit = ReadU32(p + 8);
    if (*pnEdit >= m_arrDoc.size())
        return m_pError->Fail(CFileError::kMalformed,
                              "the current edit lies past the end of the PowerPoint Document "
                              "stream",
                              16);
    return true;
}

// Newest edit first; an entry an earlier edit already gave is older and stays unused.
bool CLessonReader::ReadEdits(uint32_t nEdit, uint32_t* pnDocument)
{
    std::set<uint32_t> setSeen;
    size_t nFrom = 0;
    for (bool bNewest = true; nEdit != 0 || bNewest; bNewest = false) {
        if (!setSeen.insert(nEdit).second)
            return Fail("the chain of edits loops back", nEdit);
        CRecord edit;
        if (!TopRecord(nEdit, nFrom, &edit) || !Expect(edit, kRtUserEditAtom, 28))
            return false;
        m_setStarts.insert(nEdit);
        if (bNewest)
            *pnDocument = U32(edit.Body() + 16);
        if (!ReadPersistDirectory(U32(edit.Body() + 12), edit.Body() + 12))
            return false;
        nEdit = U32(edit.Body() + 8);
        nFrom = edit.Body() + 8;
    }
    return true;
}

bool CLessonReader::ReadPersistDirectory(uint32_t nOffset, size_t nFrom)
{
    CRecord directory;
    m_setStarts.insert(nOffset);
    if (!TopRecord(nOffset, nFrom, &directory) || !Expect(directory, kRtPersistDirectoryAtom, 0))
        return false;
    for (size_t n = directory.Body(); n < directory.End();) {
        if (directory.End() - n < 4)
            return Fail("a persist directory entry is cut short", n);
        const uint32_t nEntry = U32(n), nFirst = nEntry & 0xFFFFF, nCount = nEntry >> 20;
        n += 4;
        if ((directory.End() - n) / 4 < nCount)
            return Fail("a persist directory entry runs past its atom", n - 4);
        for (uint32_t i = 0; i < nCount; i++, n += 4) {
            m_mapPersist.emplace(nFirst + i, std::make_pair(U32(n), n));
            if (U32(n) < m_arrDoc.size())
                m_setStarts.insert(U32(n));
        }
    }
    return true;
}

// The record that persist id nId names, for a reference at nFrom. A sheet listed twice would be
// read twice, and a file of many such lists would cost the square of its size: each object once.
bool CLessonReader::Persist(uint32_t nId, size_t nFrom, CRecord* pRecord)
{
    const auto it = m_mapPersist.find(nId);
    if (it == m_mapPersist.end())
        return Fail("no persist object " + std::to_string(nId), nFrom);
    if (!m_setRead.insert(it->second.first).second)
        return Fail("persist object " + std::to_string(nId) + " is used twice", nFrom);
    return TopRecord(it->second.first, it->second.second, pRecord);
}

bool CLessonReader::Read(const std::vector<uint8_t>& arrCurrentUser)
{
    uint32_t nEdit = 0, nDocument = 0;
    if (!ReadCurrentUser(arrCurrentUser, &nEdit) || !ReadEdits(nEdit, &nDocument))
        return false;
    Scan();
    if (!ReadDocument(nDocument, nEdit + 24))
        return false;
    for (const auto& damage : m_mapDamage) {
        if (!damage.second.m_bClaimed)
            Damage(kNoSlide, damage.second.m_strWhy, damage.second.m_nAt);
    }
    return true;
}

bool CLessonReader::ReadDocument(uint32_t nDocument, size_t nFrom)
{
    CRecord document;
    std::vector<CRecord> arrChildren;
    if (!Persist(nDocument, nFrom, &document) || !Expect(document, kRtDocument, 0) ||
        !Children(document, &arrChildren))
        return false;
    const auto itDamage = m_mapDamage.find(document.m_nOffset);
    const bool bDamaged = itDamage != m_mapDamage.end();
    bool bFound = false; // the damage in one of its parts
    const CRecord* pSlides = nullptr;
    const CRecord* pMasters = nullptr;
    for (const CRecord& child : arrChildren) {
        size_t nAt = 0;
        std::string strWhy;
        // Damage outside the slide size and the slide list costs the part it is in.
        if (bDamaged && !Sound(child, 1, &nAt, &strWhy)) {
            bFound = true;
            if (child.m_nType == kRtDocumentAtom ||
                (child.m_nType == kRtSlideListWithText && child.Instance() == 0))
                return Fail(strWhy, nAt);
            Damage(child.m_nType == kRtSlideListWithText && child.Instance() == 1 ? kOnMaster
                                                                                  : kNoSlide,
                   strWhy, nAt);
            continue;
        }
        if (child.m_nType == kRtDocumentAtom && child.m_cbLength >= 8) {
            m_pLesson->m_cxSlide = int32_t(U32(child.Body()));
            m_pLesson->m_cySlide = int32_t(U32(child.Body() + 4));
        } else if (child.m_nType == kRtSlideListWithText && child.Instance() <= 1) {
            (child.Instance() == 0 ? pSlides : pMasters) = &child;
        }
    }
    if (bDamaged && !bFound)
        return Fail(itDamage->second.m_strWhy, itDamage->second.m_nAt);
    if (bDamaged)
        itDamage->second.m_bClaimed = true;
    if (pSlides == nullptr)
        return Fail("the lesson has no slide list", document.m_nOffset);
    return ReadSlideList(*pSlides, false) &&
           (pMasters == nullptr || ReadSlideList(*pMasters, true));
}

// Each persist atom begins a sheet; the text atoms that follow it, up to the next, are its outline.
// A sheet that cannot be read is damage, and the rest are read: a slide keeps its number.
bool CLessonReader::ReadSlideList(const CRecord& list, bool bMasters)
{
    std::vector<CRecord> arrChildren;
    if (!Children(list, &arrChildren)) {
        if (!bMasters)
            return false;
        Damage(kOnMaster, m_pError->m_strWhat, m_pError->m_nOffset);
    }
    for (size_t i = 0; i < arrChildren.size(); i++) {
        if (arrChildren[i].m_nType != kRtSlidePersistAtom)
            continue;
        COutline outline;
        for (size_t j = i + 1;
             j < arrChildren.size() && arrChildren[j].m_nType != kRtSlidePersistAtom; j++) {
            if (arrChildren[j].m_nType == kRtTextCharsAtom ||
                arrChildren[j].m_nType == kRtTextBytesAtom)
                outline.m_arrTexts.push_back(Text(arrChildren[j]));
        }
        outline.m_arrShown.resize(outline.m_arrTexts.size());
        if (bMasters) {
            m_nSlide = kOnMaster;
        } else {
            m_nSlide = int(m_pLesson->m_arrSlides.size());
            m_pLesson->m_arrSlides.emplace_back();
            m_pLesson->m_arrSlides.back().m_nNumber = uint32_t(m_nSlide + 1);
        }
        m_bSheetDamaged = false;
        if ((!Expect(arrChildren[i], kRtSlidePersistAtom, 4) ||
             !ReadSheet(U32(arrChildren[i].Body()), arrChildren[i].m_nOffset, &outline)) &&
            !m_bSheetDamaged)
            Damage(m_nSlide, m_pError->m_strWhat, m_pError->m_nOffset);
        if (bMasters)
            m_nMaster++;
        for (size_t j = 0; !bMasters && j < outline.m_arrTexts.size(); j++) {
            if (!outline.m_arrShown[j])
                m_pLesson->m_arrSlides.back().m_arrTexts.push_back(outline.m_arrTexts[j]);
        }
    }
    return true;
}

bool CLessonReader::ReadSheet(uint32_t nPersist, size_t nFrom, COutline* pOutline)
{
    CRecord sheet;
    std::vector<CRecord> arrChildren, arrDrawing;
    if (!Persist(nPersist, nFrom, &sheet))
        return false;
    m_bSheetDamaged = Claim(sheet, m_nSlide);
    if (sheet.m_nType != kRtSlide && sheet.m_nType != kRtMainMaster)
        return Expect(sheet, kRtSlide, 0);
    if (!Children(sheet, &arrChildren))
        return false;
    for (const CRecord& child : arrChildren) {
        if (child.m_nType == kRtSlideShowSlideInfoAtom && child.m_cbLength >= 12 && m_nSlide >= 0)
            m_pLesson->m_arrSlides[size_t(m_nSlide)].m_bHidden =
                (ReadU16(&m_arrDoc[child.Body() + 10]) & kHiddenFlag) != 0;
        if (child.m_nType != kRtDrawing)
            continue;
        CRecord dg;
        if (!Header(child.Body(), child.End(), &dg) || !Expect(dg, kRtDgContainer, 0) ||
            !Children(dg, &arrDrawing))
            return false;
        for (const CRecord& group : arrDrawing) {
            if (group.m_nType == kRtSpgrContainer && !ReadGroup(group, CTransform(), 0, pOutline))
                return false;
        }
    }
    return true;
}

// A group's first shape is the group itself: its place, and the coordinates its members use.
bool CLessonReader::ReadGroup(const CRecord& group, const CTransform& transform, uint32_t nDepth,
                              COutline* pOutline)
{
    if (nDepth > kMaxGroupDepth)
        return Fail("groups nested deeper than " + std::to_string(kMaxGroupDepth), group.m_nOffset);
    std::vector<CRecord> arrChildren;
    if (!Children(group, &arrChildren))
        return false;
    CTransform inner = transform;
    for (size_t i = 0; i < arrChildren.size(); i++) {
        const CRecord& child = arrChildren[i];
        const bool bGroupShape = i == 0 && child.m_nType == kRtSpContainer;
        if (child.m_nType == kRtSpContainer &&
            !ReadShape(child, bGroupShape ? transform : inner, nDepth - (bGroupShape && nDepth > 0),
                       pOutline, bGroupShape ? &inner : nullptr))
            return false;
        if (child.m_nType == kRtSpgrContainer && !ReadGroup(child, inner, nDepth + 1, pOutline))
            return false;
    }
    return true;
}

// A shape's place, its text and its actions: its own first, then its text ranges'. A group's own
// shape also answers, in *pInner, how its members' coordinates map onto the slide.
bool CLessonReader::ReadShape(const CRecord& shape, const CTransform& transform, uint32_t nDepth,
                              COutline* pOutline, CTransform* pInner)
{
    std::vector<CRecord> arrChildren, arrData, arrText;
    if (!Children(shape, &arrChildren))
        return false;
    CLessonAction base;
    base.m_nSlide = m_nSlide;
    base.m_nMaster = m_nMaster;
    base.m_nGroupDepth = nDepth;
    const CRecord* pGroupRect = nullptr;
    bool bAnchored = false;
    for (const CRecord& child : arrChildren) {
        if (child.m_nType == kRtSp && child.m_cbLength >= 8) {
            base.m_nShapeId = U32(child.Body());
            if (U32(child.Body() + 4) & kDeletedShape)
                return true;
        } else if (child.m_nType == kRtClientAnchor || child.m_nType == kRtChildAnchor) {
            base.m_rect = ReadAnchor(child, transform);
            bAnchored = child.m_cbLength >= 8;
        } else if (child.m_nType == kRtSpgr && child.m_cbLength >= 16) {
            pGroupRect = &child;
        } else if ((child.m_nType == kRtClientData && !Children(child, &arrData)) ||
                   (child.m_nType == kRtClientTextbox && !Children(child, &arrText))) {
            return false;
        }
    }
    if (pInner != nullptr && pGroupRect != nullptr && bAnchored)
        *pInner = GroupTransform(*pGroupRect, base.m_rect);
    ReadText(arrText, pOutline, &base);
    for (const CRecord& info : arrData) {
        if (info.m_nType == kRtInteractiveInfo)
            ReadAction(info, base);
    }
    for (size_t i = 0; i < arrText.size(); i++) {
        if (arrText[i].m_nType != kRtInteractiveInfo)
            continue;
        CLessonAction range = base;
        range.m_nSource = kSourceTextRange;
        range.m_nTextEnd = uint32_t(base.m_strShapeText.size());
        if (i + 1 < arrText.size() && arrText[i + 1].m_nType == kRtTxInteractiveInfoAtom &&
            arrText[i + 1].m_cbLength >= 8) {
            range.m_nTextBegin = U32(arrText[i + 1].Body());
            range.m_nTextEnd = U32(arrText[i + 1].Body() + 4);
        }
        ReadAction(arrText[i], range);
    }
    return true;
}

CTransform CLessonReader::GroupTransform(const CRecord& groupRect, const CLessonRect& place) const
{
    const double dLeft = int32_t(U32(groupRect.Body())), dTop = int32_t(U32(groupRect.Body() + 4));
    const double dWidth = double(int32_t(U32(groupRect.Body() + 8))) - dLeft;
    const double dHeight = double(int32_t(U32(groupRect.Body() + 12))) - dTop;
    CTransform inner;
    inner.m_dSourceX = dLeft;
    inner.m_dSourceY = dTop;
    inner.m_dX = place.m_nLeft;
    inner.m_dY = place.m_nTop;
    inner.m_dScaleX = dWidth == 0 ? 1 : (double(place.m_nRight) - place.m_nLeft) / dWidth;
    inner.m_dScaleY = dHeight == 0 ? 1 : (double(place.m_nBottom) - place.m_nTop) / dHeight;
    return inner;
}

// A slide's anchor is top, left, right, bottom (small or full size); a member's is left, top,
// right, bottom in its group's coordinates.
CLessonRect CLessonReader::ReadAnchor(const CRecord& anchor, const CTransform& transform) const
{
    CLessonRect rect;
    int32_t n[4] = {0, 0, 0, 0};
    const bool bSmall = anchor.m_cbLength < 16;
    if (anchor.m_cbLength < 8)
        return rect;
    for (size_t i = 0; i < 4; i++)
        n[i] = bSmall ? int16_t(ReadU16(&m_arrDoc[anchor.Body() + 2 * i]))
                      : int32_t(U32(anchor.Body() + 4 * i));
    const bool bChild = anchor.m_nType == kRtChildAnchor;
    rect.m_nLeft = transform.X(n[bChild ? 0 : 1]);
    rect.m_nTop = transform.Y(n[bChild ? 1 : 0]);
    rect.m_nRight = transform.X(n[2]);
    rect.m_nBottom = transform.Y(n[3]);
    return rect;
}

// The textbox's own text, or the outline text it refers to; a slide keeps it among its texts.
void CLessonReader::ReadText(const std::vector<CRecord>& arrText, COutline* pOutline,
                             CLessonAction* pShape)
{
    for (const CRecord& atom : arrText) {
        if (atom.m_nType == kRtTextCharsAtom || atom.m_nType == kRtTextBytesAtom) {
            pShape->m_strShapeText = Text(atom);
        } else if (atom.m_nType == kRtOutlineTextRefAtom && atom.m_cbLength >= 4 &&
                   U32(atom.Body()) < pOutline->m_arrTexts.size()) {
            pShape->m_strShapeText = pOutline->m_arrTexts[U32(atom.Body())];
            pOutline->m_arrShown[U32(atom.Body())] = true;
        }
    }
    if (m_nSlide != kOnMaster && !pShape->m_strShapeText.empty())
        m_pLesson->m_arrSlides[size_t(m_nSlide)].m_arrTexts.push_back(pShape->m_strShapeText);
}

std::u16string CLessonReader::Text(const CRecord& atom) const
{
    std::u16string strText;
    const bool bBytes = atom.m_nType == kRtTextBytesAtom;
    const size_t nUnits = bBytes ? atom.m_cbLength : atom.m_cbLength / 2;
    strText.reserve(nUnits);
    for (size_t i = 0; i < nUnits; i++)
        strText.push_back(bBytes ? char16_t(m_arrDoc[atom.Body() + i])
                                 : char16_t(ReadU16(&m_arrDoc[atom.Body() + 2 * i])));
    return strText;
}

// An InteractiveInfo container: instance 0 on click, 1 on mouse-over; its atom says the action
// and, for a program or a macro, the CString after it names it. One that cannot be read is kept
// as an action of unknown kind; an empty mouse-over action is no action.
void CLessonReader::ReadAction(const CRecord& info, const CLessonAction& shape)
{
    CLessonAction action = shape;
    action.m_nTrigger = info.Instance() == 1 ? kTriggerMouseOver : kTriggerClick;
    std::vector<CRecord> arrChildren;
    const bool bChildren = Children(info, &arrChildren);
    // LibreOffice writes its empty mouse-over action's atom with the container's type.
    const bool bAtom = bChildren && !arrChildren.empty() && arrChildren[0].m_cbLength >= 16 &&
                       (arrChildren[0].m_nType == kRtInteractiveInfoAtom ||
                        (arrChildren[0].m_nType == kRtInteractiveInfo &&
                         (arrChildren[0].m_nVerInstance & 0xF) == 0));
    if (!bAtom) {
        action.m_nAction = kActionUnknown;
        action.m_strUnread =
            bChildren ? InDocument("an interactive info without its atom", info.m_nOffset)
                      : m_pError->Describe();
        m_pLesson->m_arrActions.push_back(action);
        return;
    }
    const uint8_t nAction = m_arrDoc[arrChildren[0].Body() + 8];
    const uint8_t nJump = m_arrDoc[arrChildren[0].Body() + 10];
    action.m_nAction = ELessonAction(std::min<uint8_t>(nAction, kActionUnknown));
    if (action.m_nAction == kActionNone && action.m_nTrigger == kTriggerMouseOver)
        return;
    if (action.m_nAction == kActionJump)
        action.m_nJump = ELessonJump(std::min<uint8_t>(nJump, kJumpUnknown));
    for (const CRecord& child : arrChildren) {
        if (child.m_nType == kRtCString &&
            (action.m_nAction == kActionRunProgram || action.m_nAction == kActionMacro))
            action.m_strCommandLine = Text(child);
    }
    m_pLesson->m_arrActions.push_back(action);
}
} // namespace

std::u16string ButtonText(const CLessonAction& action)
{
    if (action.m_nSource != kSourceTextRange)
        return action.m_strShapeText;
    const size_t nBegin = std::min<size_t>(action.m_nTextBegin, action.m_strShapeText.size());
    return action.m_strShapeText.substr(
        nBegin, action.m_nTextEnd > nBegin ? action.m_nTextEnd - nBegin : 0);
}

CLessonRect ButtonRect(const CLesson& lesson, size_t nAction)
{
    const CLessonAction& action = lesson.m_arrActions[nAction];
    CLessonRect rect = action.m_rect;
    int64_t nBand = 0, nBands = 0;
    for (size_t n = 0; n < lesson.m_arrActions.size(); n++) {
        const CLessonAction& other = lesson.m_arrActions[n];
        if (other.m_nSource == kSourceTextRange && other.m_nTrigger == action.m_nTrigger &&
            other.m_nSlide == action.m_nSlide && other.m_nMaster == action.m_nMaster &&
            other.m_nShapeId == action.m_nShapeId) {
            nBand += n < nAction ? 1 : 0;
            nBands++;
        }
    }
    if (action.m_nSource != kSourceTextRange)
        return rect;
    const int64_t nTop = rect.m_nTop, nHeight = int64_t(rect.m_nBottom) - nTop;
    rect.m_nTop = int32_t(nTop + nHeight * nBand / nBands);
    rect.m_nBottom = int32_t(nTop + nHeight * (nBand + 1) / nBands);
    return rect;
}

bool ReadLessonStreams(const std::vector<uint8_t>& arrCurrentUser,
                       const std::vector<uint8_t>& arrDocument, CLesson* pLesson,
                       CFileError* pError)
{
    *pLesson = CLesson();
    CLessonReader reader(arrDocument, pLesson, pError);
    return reader.Read(arrCurrentUser);
}

bool ReadLessonFile(const uint8_t* pData, size_t cbData, CLesson* pLesson, CFileError* pError)
{
    CCompoundFile file;
    std::vector<uint8_t> arrUser, arrDocument;
    if (!file.Open(pData, cbData, pError))
        return false;
    if (!file.HasStream("PowerPoint Document") && file.HasStream("PP40"))
        return pError->Fail(CFileError::kTooOld, "a PowerPoint 4.0 file", 0);
    return file.ReadStream("PowerPoint Document", &arrDocument, pError) &&
           file.ReadStream("Current User", &arrUser, pError) &&
           ReadLessonStreams(arrUser, arrDocument, pLesson, pError);
}
