#include "dialogs/run_wizard.h"

#include "dialogs/progress_dialog.h"
#include "dialogs/wizard.h"
#include "dialogs/wizard_settings.h"
#include "import/import_options.h"
#include "import/new_only.h"
#include "import/sievra.h"
#include "platform/errors.h"
#include "platform/files.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <cstring>
#include <unistd.h>

namespace ui {
namespace {

void showFailure(QWidget* owner, int code, const std::string& file = std::string())
{
    QString text = QStringLiteral("AnalyzeLogFiles failed\n\nerr=%1(0x%2)")
                       .arg(code)
                       .arg(QString::number(static_cast<unsigned>(code), 16).toUpper());
    if (!file.empty())
        text += QStringLiteral("\n%1").arg(QFile::decodeName(file.c_str()));
    QMessageBox::critical(owner, QStringLiteral("Vexilo Analyzer"), text);
}

} // namespace

int importLogs(QWidget* owner, const std::string& scratch, const std::string& output,
               std::string* errorFile)
{
    const ImportRequest request(scratch, output);
    ImportOptions options = request.options();
    std::vector<std::string> files = request.inputs();
    // Appending only what the log has not read: the unread lines of the files, as one log.
    const AnalyzeSettings settings = readScratch(scratch);
    const bool newOnly = (settings.flags & kFlagNewOnly) && !settings.appendTo.empty() &&
                         platform::fileExists(settings.appendTo);
    sievra::ReadState read;
    std::vector<sievra::InputPlan> plans;
    std::string tail, tailList;
    if (newOnly) {
        read = sievra::loadReadState(settings.appendTo);
        tail = platform::tempFolder() + "/vexilo-new-XXXXXX";
        const int fd = ::mkstemp(tail.data());
        if (fd < 0)
            return platform::lastError();
        ::close(fd);
        std::string file;
        if (const int rc = sievra::planNewOnly(settings.appendTo, read, settings.files, options,
                                               tail, plans, file)) {
            ::unlink(tail.c_str());
            if (errorFile)
                *errorFile = file;
            return rc;
        }
        files = {settings.appendTo, tail};
        tailList = sievra::makeList(files);
        options.inputs = tailList.c_str();
    }
    LaJob job = nullptr;
    std::uint32_t rc = laCreate(&job, &options);
    if (rc == 0)
        rc = laImportAsync(job);
    if (rc == 0) {
        // The import reads its inputs in list order and counts their bytes as it goes, so
        // that the byte count tells which one it is reading.
        std::vector<ImportInput> inputs;
        for (const std::string& input : files)
            inputs.push_back({input, static_cast<std::uint64_t>(
                                         std::max<std::int64_t>(0, platform::fileSize(input)))});
        ImportProgressDialog dialog(
            owner,
            [job](std::uint64_t* done, std::uint64_t* total) {
                return laGetProgress(job, done, total);
            },
            {}, std::move(inputs));
        rc = static_cast<std::uint32_t>(dialog.exec());
    }
    QApplication::setOverrideCursor(Qt::BusyCursor);
    if (rc == 0)
        rc = laFinish(job);
    if (job && rc != 0 && errorFile) {
        char file[4096] = "";
        if (laGetErrorFile(job, file, sizeof file) == 0)
            *errorFile = file;
    }
    if (job)
        laRelease(job); // also stops a worker the user interrupted
    if (newOnly) {
        ::unlink(tail.c_str());
        if (rc == 0)
            rc = static_cast<std::uint32_t>(
                sievra::saveReadState(output, sievra::nextReadState(read, plans)));
    }
    QApplication::restoreOverrideCursor();
    return static_cast<int>(rc);
}

int runWizard(QWidget* owner, char* path, std::size_t size, const char* config)
{
    if (!path || size == 0 || !config)
        return 0;
    const std::string appendTo(path, ::strnlen(path, size));
    const ScratchFile scratch;
    if (!scratch.ok()) {
        showFailure(owner, platform::lastError());
        return 0;
    }
    prepareScratch(scratch.path(), config, appendTo);
    const AnalyzeSettings start = readScratch(scratch.path());
    const std::int64_t appendTime =
        start.appendTo.empty() ? 0 : platform::lastWriteTime(start.appendTo);

    AnalysisWizard wizard(owner, scratch.path(), appendTime);
    if (wizard.exec() != QDialog::Accepted)
        return 0; // the configuration stays as it was

    if (readScratch(scratch.path()).flags & kFlagStandard)
        applyStandardOptions(scratch.path());
    const std::string output = makeOutputPath();
    if (output.empty()) {
        showFailure(owner, platform::lastError());
        return 0;
    }
    std::string errorFile;
    int rc = importLogs(owner, scratch.path(), output, &errorFile);
    // A path cut to fit the caller's buffer would name another file.
    if (rc == 0 && output.size() + 1 > size)
        rc = platform::kErrInsufficientBuffer;
    if (rc != 0) {
        ::unlink(output.c_str());
        ::unlink(sievra::readStatePath(output).c_str());
        if (rc != platform::kErrCancelled)
            showFailure(owner, rc, errorFile);
        return 0;
    }
    commitToConfig(scratch.path(), config);
    std::memcpy(path, output.c_str(), output.size() + 1);
    return 1;
}

} // namespace ui
