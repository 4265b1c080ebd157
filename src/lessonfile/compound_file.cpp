// CCompoundFile: header, DIFAT, FAT, mini FAT, directory and stream chains, each checked.
#include "lessonfile/compound_file.h"

#include <string.h>

#include <algorithm>

namespace {
const uint32_t kEndOfChain = 0xFFFFFFFE;
const uint32_t kMaxRegularSector = 0xFFFFFFFA;
const uint32_t kNoStream = 0xFFFFFFFF;
const size_t kHeaderSize = 512;
const size_t kHeaderDifatEntries = 109;
const size_t kEntrySize = 128;
const uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
enum { kTypeStream = 2, kTypeRoot = 5 };

char16_t Upper(char16_t ch)
{
    return ch >= 'a' && ch <= 'z' ? char16_t(ch - 0x20) : ch;
}

std::string PastTheEnd(uint32_t nSector, const char* pszWhat)
{
    return "sector " + std::to_string(nSector) + " lies past the end of the " + pszWhat;
}
} // namespace

std::string CFileError::Describe() const
{
    return m_strWhat + " (offset " + std::to_string(m_nOffset) + " of the " + m_strWhere + ")";
}

bool CFileError::Fail(EKind nKind, const std::string& strWhat, uint64_t nOffset)
{
    m_nKind = nKind;
    m_strWhat = strWhat;
    m_nOffset = nOffset;
    return false;
}

bool CCompoundFile::Open(const uint8_t* pData, size_t cbData, CFileError* pError)
{
    m_pData = pData;
    m_cbData = cbData;
    pError->m_strWhere = "file";
    if (cbData < kHeaderSize || memcmp(pData, kSignature, sizeof(kSignature)) != 0)
        return pError->Fail(CFileError::kNotCompoundFile, "not a compound file: no signature", 0);
    return ReadHeader(pError) && ReadFat(pError) && ReadDirectory(pError);
}

bool CCompoundFile::ReadHeader(CFileError* pError)
{
    const uint8_t* p = m_pData;
    const uint16_t nMajor = ReadU16(p + 0x1A), nShift = ReadU16(p + 0x1E);
    if (ReadU16(p + 0x1C) != 0xFFFE)
        return pError->Fail(CFileError::kNotCompoundFile, "not a compound file: byte order", 0x1C);
    if (!((nMajor == 3 && nShift == 9) || (nMajor == 4 && nShift == 12)))
        return pError->Fail(CFileError::kMalformed,
                            "compound file version " + std::to_string(nMajor) +
                                " with sector shift " + std::to_string(nShift),
                            0x1A);
    if (ReadU16(p + 0x20) != 6 || ReadU32(p + 0x38) != 4096)
        return pError->Fail(CFileError::kMalformed, "mini sector size or cutoff", 0x20);
    m_cbSector = 1u << nShift;
    if (m_cbData < m_cbSector)
        return pError->Fail(CFileError::kMalformed, "file shorter than its header sector", 0x1E);
    m_nFileSectors = uint32_t((m_cbData - m_cbSector) / m_cbSector);
    m_nFatSectors = ReadU32(p + 0x2C);
    m_nFirstDirectory = ReadU32(p + 0x30);
    m_nFirstMiniFat = ReadU32(p + 0x3C);
    m_nMiniFatSectors = ReadU32(p + 0x40);
    m_nFirstDifat = ReadU32(p + 0x44);
    m_nDifatSectors = ReadU32(p + 0x48);
    if (m_nFatSectors > m_nFileSectors || m_nDifatSectors > m_nFileSectors)
        return pError->Fail(CFileError::kMalformed,
                            "more FAT or DIFAT sectors than the file holds (" +
                                std::to_string(m_nFatSectors) + ")",
                            0x2C);
    return true;
}

// A whole sector of the file, or nullptr with the reason, named at nFrom: the file offset where
// its number was read.
const uint8_t* CCompoundFile::Sector(uint32_t nSector, uint64_t nFrom, CFileError* pError) const
{
    if (nSector >= m_nFileSectors) {
        pError->Fail(CFileError::kMalformed, PastTheEnd(nSector, "file"), nFrom);
        return nullptr;
    }
    return m_pData + (size_t(nSector) + 1) * m_cbSector;
}

// Where in the file a table entry lies: the FAT's or the mini FAT's entry for sector nSector.
uint64_t CCompoundFile::EntryOffset(const std::vector<uint32_t>& arrSectors, uint32_t nSector) const
{
    const uint32_t nPerSector = m_cbSector / 4;
    return (uint64_t(arrSectors[nSector / nPerSector]) + 1) * m_cbSector +
           4 * (nSector % nPerSector);
}

// The FAT's own sectors: the header's 109 DIFAT entries, then the DIFAT sectors' chain.
// pFrom: where in the file each sector's number was read.
bool CCompoundFile::ReadFatSectorList(std::vector<uint32_t>* pSectors, std::vector<uint64_t>* pFrom,
                                      CFileError* pError) const
{
    for (size_t i = 0; i < kHeaderDifatEntries && pSectors->size() < m_nFatSectors; i++) {
        pSectors->push_back(ReadU32(m_pData + 0x4C + 4 * i));
        pFrom->push_back(0x4C + 4 * i);
    }
    uint32_t nDifat = m_nFirstDifat;
    uint64_t nDifatFrom = 0x44;
    const size_t nPerSector = m_cbSector / 4 - 1;
    for (uint32_t n = 0; n < m_nDifatSectors && pSectors->size() < m_nFatSectors; n++) {
        const uint8_t* p = Sector(nDifat, nDifatFrom, pError);
        if (p == nullptr)
            return false;
        for (size_t i = 0; i < nPerSector && pSectors->size() < m_nFatSectors; i++) {
            pSectors->push_back(ReadU32(p + 4 * i));
            pFrom->push_back(uint64_t(p - m_pData) + 4 * i);
        }
        nDifatFrom = uint64_t(p - m_pData) + 4 * nPerSector;
        nDifat = ReadU32(p + 4 * nPerSector);
    }
    if (pSectors->size() < m_nFatSectors)
        return pError->Fail(CFileError::kMalformed,
                            "the DIFAT lists fewer sectors than the FAT has", 0x48);
    return true;
}

bool CCompoundFile::ReadFat(CFileError* pError)
{
    std::vector<uint64_t> arrFrom;
    if (!ReadFatSectorList(&m_arrFatSectors, &arrFrom, pError))
        return false;
    m_arrFat.reserve(m_arrFatSectors.size() * (m_cbSector / 4));
    for (size_t n = 0; n < m_arrFatSectors.size(); n++) {
        const uint8_t* p = Sector(m_arrFatSectors[n], arrFrom[n], pError);
        if (p == nullptr)
            return false;
        for (size_t i = 0; i < m_cbSector / 4; i++)
            m_arrFat.push_back(ReadU32(p + 4 * i));
    }
    return true;
}

// The sectors of a chain in the FAT or the mini FAT from nStart, whose number was read at file
// offset nFrom: exactly nSectors of them when bExact, else up to the end of the chain. A sector
// outside the table or past the end of what it divides (the file, the mini stream), a special
// value, a sector met twice, or a chain longer or shorter than its stream's size is an error,
// named at the file offset of the entry that led there.
bool CCompoundFile::ReadChain(bool bMini, uint32_t nStart, uint64_t nFrom, uint64_t nSectors,
                              bool bExact, std::vector<uint32_t>* pChain, CFileError* pError) const
{
    const std::vector<uint32_t>& arrTable = bMini ? m_arrMiniFat : m_arrFat;
    const uint64_t nLimit = bMini ? (m_arrMiniStream.size() + 63) / 64 : m_nFileSectors;
    std::vector<bool> arrSeen(arrTable.size());
    uint32_t n = nStart;
    for (; n != kEndOfChain && pChain->size() < nSectors; n = arrTable[n]) {
        if (n > kMaxRegularSector || n >= arrTable.size())
            return pError->Fail(CFileError::kMalformed,
                                "a chain leads to sector " + std::to_string(n) +
                                    ", outside its allocation table",
                                nFrom);
        if (n >= nLimit)
            return pError->Fail(CFileError::kMalformed,
                                PastTheEnd(n, bMini ? "mini stream" : "file"), nFrom);
        if (arrSeen[n])
            return pError->Fail(CFileError::kMalformed,
                                "a chain comes back to sector " + std::to_string(n), nFrom);
        arrSeen[n] = true;
        pChain->push_back(n);
        nFrom = EntryOffset(bMini ? m_arrMiniFatSectors : m_arrFatSectors, n);
    }
    if (bExact && (pChain->size() < nSectors || n != kEndOfChain))
        return pError->Fail(CFileError::kMalformed,
                            "a chain of " + std::to_string(pChain->size()) +
                                (n == kEndOfChain ? "" : " or more") + " sectors for " +
                                std::to_string(nSectors) + " sectors' worth of bytes",
                            nFrom);
    return true;
}

bool CCompoundFile::CopyChain(const CEntry& entry, bool bMini, std::vector<uint8_t>* pBytes,
                              CFileError* pError) const
{
    const uint32_t cbUnit = bMini ? 64 : m_cbSector;
    const uint64_t cbRoom = bMini ? m_arrMiniStream.size() : uint64_t(m_nFileSectors) * cbUnit;
    const uint64_t cbSize = entry.m_cbSize;
    if (cbSize > cbRoom)
        return pError->Fail(CFileError::kMalformed,
                            "a stream of " + std::to_string(cbSize) + " bytes, more than the " +
                                (bMini ? "mini stream" : "file") + " holds",
                            entry.m_nOffset + 0x78);
    std::vector<uint32_t> arrChain;
    if (!ReadChain(bMini, entry.m_nStart, entry.m_nOffset + 0x74, (cbSize + cbUnit - 1) / cbUnit,
                   true, &arrChain, pError))
        return false;
    pBytes->clear();
    pBytes->reserve(size_t(cbSize));
    for (uint32_t nSector : arrChain) {
        const size_t cbPart = size_t(std::min<uint64_t>(cbUnit, cbSize - pBytes->size()));
        const uint64_t nAt = uint64_t(nSector) * cbUnit;
        // The mini stream's last sector may be partial; the file's are whole (see m_nFileSectors).
        if (bMini && nAt + cbPart > m_arrMiniStream.size())
            return pError->Fail(CFileError::kMalformed, PastTheEnd(nSector, "mini stream"),
                                entry.m_nOffset + 0x78);
        const uint8_t* p = bMini ? m_arrMiniStream.data() + nAt : m_pData + nAt + m_cbSector;
        pBytes->insert(pBytes->end(), p, p + cbPart);
    }
    return true;
}

bool CCompoundFile::ReadDirectory(CFileError* pError)
{
    std::vector<uint32_t> arrChain;
    if (!ReadChain(false, m_nFirstDirectory, 0x30, m_nFileSectors, false, &arrChain, pError))
        return false;
    for (uint32_t nSector : arrChain) {
        const uint8_t* pSector = m_pData + (size_t(nSector) + 1) * m_cbSector;
        for (const uint8_t* p = pSector; p < pSector + m_cbSector; p += kEntrySize) {
            CEntry entry;
            const size_t cbName = std::min<size_t>(ReadU16(p + 0x40), 64);
            for (size_t i = 0; i + 2 < cbName; i += 2)
                entry.m_strName.push_back(char16_t(ReadU16(p + i)));
            entry.m_nType = p[0x42];
            entry.m_nLeft = ReadU32(p + 0x44);
            entry.m_nRight = ReadU32(p + 0x48);
            entry.m_nChild = ReadU32(p + 0x4C);
            entry.m_nStart = ReadU32(p + 0x74);
            entry.m_nOffset = uint64_t(p - m_pData);
            // Version 3 writers may leave garbage in the size's high half.
            entry.m_cbSize = m_cbSector == 512
                                 ? ReadU32(p + 0x78)
                                 : ReadU32(p + 0x78) | uint64_t(ReadU32(p + 0x7C)) << 32;
            m_arrEntries.push_back(entry);
        }
    }
    if (m_arrEntries.empty() || m_arrEntries[0].m_nType != kTypeRoot)
        return pError->Fail(CFileError::kMalformed, "the directory has no root entry",
                            m_arrEntries.empty() ? 0x30 : m_arrEntries[0].m_nOffset);
    return CopyChain(m_arrEntries[0], false, &m_arrMiniStream, pError) && ReadMiniFat(pError);
}

bool CCompoundFile::ReadMiniFat(CFileError* pError)
{
    if (!ReadChain(false, m_nFirstMiniFat, 0x3C, m_nMiniFatSectors, m_nMiniFatSectors > 0,
                   &m_arrMiniFatSectors, pError))
        return false;
    for (uint32_t nSector : m_arrMiniFatSectors) {
        const uint8_t* p = m_pData + (size_t(nSector) + 1) * m_cbSector;
        for (size_t i = 0; i < m_cbSector / 4; i++)
            m_arrMiniFat.push_back(ReadU32(p + 4 * i));
    }
    return true;
}

// The root storage's children form a tree of siblings; a damaged one may loop, so each entry is
// visited once at most.
int CCompoundFile::FindStream(const char* pszName) const
{
    std::vector<bool> arrSeen(m_arrEntries.size());
    std::vector<uint32_t> arrToVisit = {m_arrEntries.empty() ? kNoStream
                                                             : m_arrEntries[0].m_nChild};
    while (!arrToVisit.empty()) {
        const uint32_t n = arrToVisit.back();
        arrToVisit.pop_back();
        if (n >= m_arrEntries.size() || arrSeen[n])
            continue;
        arrSeen[n] = true;
        const CEntry& entry = m_arrEntries[n];
        size_t i = 0;
        while (pszName[i] != '\0' && i < entry.m_strName.size() &&
               Upper(entry.m_strName[i]) == Upper(char16_t(uint8_t(pszName[i]))))
            i++;
        if (entry.m_nType == kTypeStream && pszName[i] == '\0' && i == entry.m_strName.size())
            return int(n);
        arrToVisit.push_back(entry.m_nLeft);
        arrToVisit.push_back(entry.m_nRight);
    }
    return -1;
}

bool CCompoundFile::ReadStream(const char* pszName, std::vector<uint8_t>* pBytes,
                               CFileError* pError) const
{
    const int nEntry = FindStream(pszName);
    pError->m_strWhere = "file";
    if (nEntry < 0)
        return pError->Fail(CFileError::kNotLesson, std::string("no stream \"") + pszName + "\"",
                            0);
    const CEntry& entry = m_arrEntries[size_t(nEntry)];
    return CopyChain(entry, entry.m_cbSize < m_cbMiniCutoff, pBytes, pError);
}
