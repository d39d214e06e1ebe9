#include "report/report_folder.h"

#include "platform/errors.h"
#include "platform/files.h"
#include "report/report_generator.h"

#include <cstdlib>
#include <filesystem>
#include <string_view>

namespace report {
namespace {

// A whole file's bytes; 0 or an error code.
int readWhole(const std::string& path, std::string& bytes)
{
    platform::File file;
    if (const int rc = file.open(path, platform::File::Mode::ReadFile))
        return rc;
    return file.readAll(bytes);
}

// Every file under from goes to the same place under to, each replaced whole. The folder
// is the user's and others may write there: an entry is replaced, never written through, so
// a link planted at a page's name cannot send the page anywhere else.
int copyInto(const std::string& from, const std::string& to)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(to, ec);
    if (ec)
        return platform::errorFromErrno(ec.value());
    std::string bytes;
    for (auto it = fs::recursive_directory_iterator(from, ec); !ec && it != fs::end(it);
         it.increment(ec)) {
        if (!it->is_regular_file(ec))
            continue; // folders are made with the files they hold
        if (const int rc = readWhole(it->path().string(), bytes))
            return rc;
        const std::string name = fs::relative(it->path(), from).string();
        if (const int rc = platform::replaceFileInFolder(to, name, bytes))
            return rc;
    }
    return ec ? platform::errorFromErrno(ec.value()) : 0;
}

} // namespace

int publishReport(const std::string& templates, const std::string& folder,
                  const store::LogContainer& log)
{
    if (!platform::isDirectory(templates))
        return platform::kErrPathNotFound;
    std::string staging = platform::tempFolder() + "/vexilo-report-XXXXXX";
    if (!::mkdtemp(staging.data()))
        return platform::lastError();
    int rc = platform::copyFolder(templates, staging);
    if (rc == 0) {
        rc = HtmlReport().generate(staging, log);
        if (rc == 0)
            rc = copyInto(staging, folder);
    }
    // A staging folder that cannot be removed is clutter in the temporary folder, no more.
    (void)platform::deleteFolder(staging);
    return rc;
}

} // namespace report
