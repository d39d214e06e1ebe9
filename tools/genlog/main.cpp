// genlog: writes a test access log; see usageText() or --help.

#include "tools/genlog/demo_site.h"
#include "tools/genlog/genlog.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

int main(int argc, char** argv)
{
    genlog::Options opt;
    std::string error;
    if (!genlog::parseArgs(argc, argv, opt, error)) {
        std::fprintf(stderr, "genlog: %s\n%s", error.c_str(), genlog::usageText());
        return 2;
    }
    if (opt.help) {
        std::fputs(genlog::usageText(), stdout);
        return 0;
    }
    if (!opt.site.empty()) {
        if (!genlog::writeDemoSite(opt.site, error)) {
            std::fprintf(stderr, "genlog: %s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    std::FILE* f = stdout;
    if (!opt.output.empty()) {
        f = std::fopen(opt.output.c_str(), "wb");
        if (!f) {
            std::fprintf(stderr, "genlog: cannot write %s: %s\n", opt.output.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }
    std::setvbuf(f, nullptr, _IOFBF, 1 << 20);
    genlog::FileSink file(f);
    std::unique_ptr<genlog::GzipSink> gz;
    genlog::Sink* out = &file;
    if (opt.gzip) {
        gz = std::make_unique<genlog::GzipSink>(file, opt.level);
        out = gz.get();
    }
    std::string labels;
    bool ok = genlog::generate(opt, *out, opt.labels.empty() ? nullptr : &labels);
    ok = out->finish() && ok;
    if (f != stdout)
        ok = std::fclose(f) == 0 && ok;
    if (ok && !opt.labels.empty()) {
        std::FILE* l = std::fopen(opt.labels.c_str(), "wb");
        ok = l && std::fwrite(labels.data(), 1, labels.size(), l) == labels.size();
        ok = l && std::fclose(l) == 0 && ok;
    }
    if (!ok) {
        std::fprintf(stderr, "genlog: writing failed (or iconv lacks CP932/EUC-JP)\n");
        return 1;
    }
    return 0;
}
