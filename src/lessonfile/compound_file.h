// CCompoundFile: the streams of an OLE compound file (version 3 or 4) in memory. No Windows header.
//
// The bytes are untrusted: every sector, chain and size is checked against the file before it is
// used, no chain is followed further than the file has sectors, and a failure names what is wrong
// and the file offset where it was found. Only the root storage's streams are read: a lesson
// keeps its two streams there.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

// What went wrong, and where; m_nOffset lies in the file, or in the stream that m_strWhere names.
struct CFileError {
    enum EKind {
        kNone,
        kNotCompoundFile, // no compound file signature or header
        kNotLesson,       // a sound compound file, but no PowerPoint 97-2003 lesson
        kEncrypted,       // saved with a password
        kTooOld,          // written by a PowerPoint older than 97
        kMalformed        // cut short or damaged
    };
    EKind m_nKind = kNone;
    std::string m_strWhat;
    std::string m_strWhere = "file"; // "file", or the stream's name
    uint64_t m_nOffset = 0;

    // "<what> (offset <n> of the <where>)", one line for a person.
    std::string Describe() const;
    // Records a failure and answers false, so a reader can `return Fail(...)`.
    bool Fail(EKind nKind, const std::string& strWhat, uint64_t nOffset);
};

class CCompoundFile {
public:
    // Reads the header, the FAT (through the DIFAT), the mini FAT and the directory of the
    // cbData bytes at pData, which must outlive this object.
    bool Open(const uint8_t* pData, size_t cbData, CFileError* pError);

    bool HasStream(const char* pszName) const { return FindStream(pszName) >= 0; }
    // The whole stream named pszName (ASCII, compared case-blind as the format does) in the root
    // storage into *pBytes; false when there is none or its chain is damaged.
    bool ReadStream(const char* pszName, std::vector<uint8_t>* pBytes, CFileError* pError) const;

private:
    struct CEntry {
        std::u16string m_strName;
        uint8_t m_nType;
        uint32_t m_nLeft, m_nRight, m_nChild, m_nStart;
        uint64_t m_cbSize;
        uint64_t m_nOffset; // of the entry, in the file
    };

    bool ReadHeader(CFileError* pError);
    bool ReadFat(CFileError* pError);
    bool ReadFatSectorList(std::vector<uint32_t>* pSectors, std::vector<uint64_t>* pFrom,
                           CFileError* pError) const;
    bool ReadDirectory(CFileError* pError);
    bool ReadMiniFat(CFileError* pError);
    bool ReadChain(bool bMini, uint32_t nStart, uint64_t nFrom, uint64_t nSectors, bool bExact,
                   std::vector<uint32_t>* pChain, CFileError* pError) const;
    bool CopyChain(const CEntry& entry, bool bMini, std::vector<uint8_t>* pBytes,
                   CFileError* pError) const;
    const uint8_t* Sector(uint32_t nSector, uint64_t nFrom, CFileError* pError) const;
    uint64_t EntryOffset(const std::vector<uint32_t>& arrSectors, uint32_t nSector) const;
    int FindStream(const char* pszName) const;

    const uint8_t* m_pData = nullptr;
    size_t m_cbData = 0;
    uint32_t m_cbSector = 512;
    uint32_t m_cbMiniCutoff = 4096;
    uint32_t m_nFatSectors = 0, m_nFirstDirectory = 0, m_nFirstMiniFat = 0, m_nMiniFatSectors = 0;
    uint32_t m_nFirstDifat = 0, m_nDifatSectors = 0;
    uint32_t m_nFileSectors = 0; // whole sectors after the header: a partial one is never read
    std::vector<uint32_t> m_arrFat, m_arrMiniFat;
    std::vector<uint32_t> m_arrFatSectors, m_arrMiniFatSectors; // where the tables lie

    std::vector<CEntry> m_arrEntries;
    std::vector<uint8_t> m_arrMiniStream;
};

// Little-endian fields of untrusted bytes; the caller has checked the room.
inline uint16_t ReadU16(const uint8_t* p)
{
    return uint16_t(p[0] | p[1] << 8);
}
inline uint32_t ReadU32(const uint8_t* p)
{
    return uint32_t(ReadU16(p)) | uint32_t(ReadU16(p + 2)) << 16;
}
