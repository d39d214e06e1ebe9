#include "import/vxlog_check.h"

#include "platform/errors.h"

namespace sievra {

int checkSections(const Header& header, std::uint64_t fileLength)
{
    const std::uint64_t rec = header.size(kRec), dic = header.size(kDic), frg = header.size(kFrg);
    // Each step compares before adding, so sizes near 2^64 cannot wrap around.
    std::uint64_t room = fileLength > kHeaderSize ? fileLength - kHeaderSize : 0;
    if (rec > room)
        return kShortRecords;
    room -= rec;
    if (dic > 0xFFFFFFFFull)
        return platform::kErrBadFormat;
    if (dic > room)
        return kShortDictionary;
    room -= dic;
    if (frg > room)
        return kShortFragments;
    return 0;
}

bool dictionaryOk(std::string_view dic)
{
    return dic.empty() || dic.back() == '\0';
}

bool fragmentOk(const std::uint32_t fields[9], std::string_view dic)
{
    for (int f = 3; f < 9; ++f)
        if (!textOffsetOk(dic, fields[f]))
            return false;
    return true;
}

bool recordOk(std::uint32_t host, std::uint32_t fragment, std::string_view dic,
              std::size_t fragmentCount)
{
    return host != 0 && textOffsetOk(dic, host) && dic[host] != '\0' &&
           fragment % kFragmentSize == 0 && fragment / kFragmentSize < fragmentCount;
}

} // namespace sievra
