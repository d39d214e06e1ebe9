// libFuzzer target: any bytes through the line parser and the classifier, line by line,
// as the import loop feeds them.

#include "import/classifier.h"
#include "import/sievra.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const sievra::ClassifyOptions options = [] {
        sievra::ClassifyOptions o;
        o.flags = 0x7F | LA_F_BROWSERS_ONLY;
        for (const char* s : {"200", "302", "304", "404"})
            o.addStatus(s);
        for (const char* m : {"GET", "POST", "HEAD"})
            o.addMethod(m);
        o.skipExts = {"jpg", "css"};
        o.dirIndexes = {"index.html"};
        return o;
    }();
    // A private copy, so that reading past the end is caught.
    std::vector<char> buffer(data, data + size);
    const char* p = buffer.data();
    const char* limit = buffer.data() + buffer.size();
    sievra::ImportData collected;
    sievra::Classifier classifier(options);
    std::uint32_t flags = options.flags;
    while (p < limit) {
        sievra::LineFields fields;
        if (!sievra::parseLine(p, limit, fields))
            break;
        flags &= ~(LA_F_STORED | LA_F_TRUNCATED);
        classifier.classify(fields, flags, collected);
        const void* lf = std::memchr(p, '\n', static_cast<std::size_t>(limit - p));
        p = lf ? static_cast<const char*>(lf) + 1 : limit;
    }
    return 0;
}
