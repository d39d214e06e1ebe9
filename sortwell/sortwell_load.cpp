#include "sortwell/sortwell_load.h"

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/settings.h"
#include "platform/trace.h"
#include "store/load_steps.h"

namespace sortwell {

std::string groupFileName(const store::LogContainer& log)
{
    return log.LocalSite + ".urlgrp";
}

int importGroupFile(TextTable& table, const std::string& path)
{
    platform::File file;
    if (const int rc = file.open(path, platform::File::Mode::ReadFile))
        return rc;
    std::string bytes;
    if (const int rc = file.readAll(bytes))
        return rc;
    table.applyGroupFile(bytes);
    return 0;
}

int exportGroupFile(const TextTable& table, const std::string& path)
{
    return platform::replaceFile(path, table.groupFile());
}

int saveGroupFile(const TextTable& table, const std::string& dataFolder, const std::string& name)
{
    return platform::replaceFileInFolder(dataFolder, name, table.groupFile());
}

int loadForSortwell(store::LogContainer& log, TextTable& table, store::StepText* text,
                    store::Progress& progress, const std::string& dataFolder)
{
    store::LoadContext ctx{log, progress, {}, platform::resFolder(), dataFolder};
    auto say = [&](const char* utf8) {
        if (text)
            text->setText(utf8);
    };
    if (const int rc = store::loadSiteAndReferers(ctx, text))
        return rc;
    say("ソート中");
    store::sortByHost(ctx);
    say("訪問者を解析中");
    store::buildVisitors(ctx);
    ctx.add(0.1f);
    if (ctx.cancelled())
        return platform::kErrCancelled;
    say("カウント中");
    table.fillFrom(log);
    ctx.add(0.1f);
    say("URLグループを読み込み中");
    const int rc = importGroupFile(table, platform::joinPath(dataFolder, groupFileName(log)));
    platform::trace("Sortwell: %zu texts, %zu groups, group file %d", table.texts().size(),
                    table.groups().size(), rc);
    if (rc && rc != platform::kErrFileNotFound && rc != platform::kErrPathNotFound)
        return rc;
    return ctx.cancelled() ? int(platform::kErrCancelled) : 0;
}

} // namespace sortwell
