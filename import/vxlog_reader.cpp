#include "import/vxlog_reader.h"

#include "import/vxlog_check.h"
#include "platform/errors.h"
#include "platform/files.h"

namespace sievra {

int AnalysedLogFile::open(const std::string& path)
{
    platform::File file;
    if (const int rc = file.open(path, platform::File::Mode::ReadFile))
        return rc;
    std::uint64_t at = 0;
    auto readSection = [&](void* to, std::uint64_t length, int shortCode) {
        std::size_t got = 0;
        const int rc = file.readAt(at, to, static_cast<std::size_t>(length), &got);
        at += got;
        return rc == platform::kErrHandleEof ? shortCode : rc;
    };
    // A short file that does not even start like an analysed log is the wrong format.
    const int headerRc = readSection(m_header.bytes, kHeaderSize, kShortHeader);
    if ((!headerRc || (headerRc == kShortHeader && at >= 4)) && !m_header.magicOk())
        return platform::kErrBadFormat;
    if (headerRc)
        return headerRc;
    const std::uint64_t recSize = m_header.size(kRec), dicSize = m_header.size(kDic),
                        frgSize = m_header.size(kFrg);
    // Refuse sizes the file cannot hold before allocating anything.
    const std::int64_t fileLength = file.size();
    if (const int rc = checkSections(m_header, fileLength < 0 ? 0 : std::uint64_t(fileLength)))
        return rc;

    m_records.resize(static_cast<std::size_t>(recSize / kRecordSize));
    if (const int rc = readSection(m_records.data(), m_records.size() * kRecordSize, kShortRecords))
        return rc;
    at = kHeaderSize + recSize;
    m_dic.resize(static_cast<std::size_t>(dicSize));
    if (const int rc = readSection(m_dic.data(), m_dic.size(), kShortDictionary))
        return rc;
    m_fragments.resize(static_cast<std::size_t>(frgSize / kFragmentSize) * 9);
    if (const int rc = readSection(m_fragments.data(), m_fragments.size() * 4, kShortFragments))
        return rc;

    if (!dictionaryOk(m_dic))
        return platform::kErrBadFormat;
    for (std::size_t i = 0; i < m_fragments.size(); i += 9)
        if (!fragmentOk(&m_fragments[i], m_dic))
            return platform::kErrBadFormat;
    for (const RecordEntry& r : m_records)
        if (!recordOk(r.host, r.fragment, m_dic, fragmentCount()))
            return platform::kErrBadFormat;
    if (m_dic.empty())
        m_dic.assign(1, '\0'); // offset 0 reads as "" even in a file without a dictionary
    return 0;
}

std::string analysedLogError(int code)
{
    switch (code) {
    case AnalysedLogFile::kShortHeader:
        return "the file ends inside the header";
    case AnalysedLogFile::kShortRecords:
        return "the file ends inside the records";
    case AnalysedLogFile::kShortDictionary:
        return "the file ends inside the dictionary";
    case AnalysedLogFile::kShortFragments:
        return "the file ends inside the fragments";
    default:
        return platform::errorText(code);
    }
}

} // namespace sievra
