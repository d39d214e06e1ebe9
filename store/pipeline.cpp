// The load pipeline: steps 0..17 in order, with their step texts, progress shares,
// timing trace lines and failure rules. A reload runs steps 13..17 only.

#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/settings.h"
#include "platform/trace.h"
#include "store/load_steps.h"
#include "store/report_generator.h"

#include <atomic>
#include <cstring>

namespace store {
namespace {

std::atomic<ReportGeneratorFactory> g_reportFactory{nullptr};

} // namespace

void setReportGeneratorFactory(ReportGeneratorFactory factory)
{
    g_reportFactory = factory;
}

ReportGeneratorFactory reportGeneratorFactory()
{
    return g_reportFactory;
}

int loadSiteAndReferers(LoadContext& ctx, StepText* text)
{
    auto say = [&](const char* utf8) {
        if (text)
            text->setText(utf8);
    };
    LogContainer& log = ctx.log;
    say("ログファイルを読み込み中");
    if (const int rc = log.BaseLoad(log.logPath, ctx.progress))
        return rc;
    say("ソート中");
    sortByTime(ctx);
    say("サイト名を検出中");
    if (const int rc = detectSite(ctx))
        return ctx.cancelled() ? int(platform::kErrCancelled) : rc;
    say("ローカルサイトからのRefererを修正中");
    fixLocalReferers(ctx);
    ctx.add(0.05f);
    return ctx.cancelled() ? int(platform::kErrCancelled) : 0;
}

LogContainer::LogContainer()
{
    std::fill(std::begin(stepMillis), std::end(stepMillis), -1);
}

LogContainer::~LogContainer() = default;

int LogContainer::LoadPipeline(StepText* text, Progress& progress, bool reload,
                               const std::string& reportFolder)
{
    LoadContext ctx{*this, progress, {}, platform::resFolder(), platform::homeDir()};
    const std::uint32_t started = platform::tickCount();
    std::uint32_t stepStart = started;
    std::fill(std::begin(stepMillis), std::end(stepMillis), -1);
    trouble = {};
    auto say = [&](const char* utf8) {
        if (text)
            text->setText(utf8);
    };
    // Ends a step: its trace line; a failing step ends the load. A step whose loops a
    // cancel cut short may fail for want of data (no site found): that load was cancelled.
    auto done = [&](int step, int rc) {
        const std::uint32_t now = platform::tickCount();
        stepMillis[step] = static_cast<int>(now - stepStart);
        platform::trace("Loading %d time=%d hr=%d %X", step, stepMillis[step], rc, unsigned(rc));
        stepStart = now;
        return rc && ctx.cancelled() ? int(platform::kErrCancelled) : rc;
    };

    if (!reload) {
        say("ログファイルを読み込み中");
        if (const int rc = done(0, BaseLoad(logPath, progress))) {
            trouble = {LoadTrouble::Kind::AnalysedLog, logPath};
            return rc;
        }
        say("ソート中");
        sortByTime(ctx);
        done(1, 0);
        say("サイト名を検出中");
        if (const int rc = done(2, detectSite(ctx))) {
            trouble = {LoadTrouble::Kind::AnalysedLog, logPath};
            return rc;
        }
        say("ローカルサイトからのRefererを修正中");
        fixLocalReferers(ctx);
        ctx.add(0.05f);
        done(3, 0);
        say("ソート中");
        sortByHost(ctx);
        done(4, 0);
        say("訪問者を解析中");
        buildVisitors(ctx);
        ctx.add(0.1f);
        done(5, 0);
        say("ホスト名を読み込み中");
        convertHostTexts(ctx);
        loadHostNames(ctx);
        done(6, 0);
        say("検索ワードを解析中");
        if (const int rc = done(7, analyseSearchWords(ctx)))
            return rc;
        say("検索ランクを解析中");
        if (const int rc = done(8, analyseSearchRanks(ctx)))
            return rc;
        say("検索エンジン名を解析中");
        if (const int rc = done(9, analyseEngines(ctx)))
            return rc;
        ctx.add(0.05f);
        say("訪問ブラウザを解析中");
        if (const int rc = done(10, analyseBrowsers(ctx)))
            return rc;
        say("OSを解析中");
        int osRc = analyseOses(ctx);
        if (!osRc) {
            say("訪問者の種類を解析中");
            osRc = classifyVisitors(ctx);
        }
        if ((osRc = done(11, osRc)))
            return osRc;
        say("キャッシュを保存中");
        if (const int rc = done(12, ctx.cancelled() ? 0 : saveSearchCaches(ctx)))
            return rc;
    }
    say("URLグループを読み込み中");
    if (const int rc = done(13, applyUrlGroups(ctx)))
        return rc;
    ctx.add(reload ? 0.45f : 0.05f);
    say("データベースを更新中");
    rebuildDictionary(ctx);
    done(14, 0);
    mergeEntries(ctx);
    IndexRecords();
    done(15, 0);
    ctx.add(reload ? 0.45f : 0.05f);
    collectGroupNames(ctx);
    done(16, 0);
    say("レポートを作成中");
    // The report is a by-product: a page that cannot be written keeps the previous report
    // and does not fail the load.
    int reportResult = 0;
    if (!ctx.cancelled()) {
        if (const ReportGeneratorFactory make = reportGeneratorFactory())
            if (const auto generator = make())
                reportResult = generator->generate(reportFolder, *this);
    }
    done(17, reportResult);

    const int total = static_cast<int>(platform::tickCount() - started);
    const std::size_t sizes[] = {Frg2.size() * sizeof(Fragment),
                                 Rec2.size() * sizeof(LogRecord),
                                 DicSize,
                                 Host.size() * sizeof(HostEntry),
                                 Req.size() * sizeof(ReqEntry),
                                 Ref.size() * sizeof(RefEntry),
                                 RefQ.size() * sizeof(RefQEntry),
                                 Agnt.size() * sizeof(AgntEntry)};
    platform::trace("time=%d Frg2=%dk Rec2=%dk Dic=%dk Host=%dk Req=%dk Ref=%dk RefQ=%dk Agnt=%dk",
                    total, int(sizes[0] >> 10), int(sizes[1] >> 10), int(sizes[2] >> 10),
                    int(sizes[3] >> 10), int(sizes[4] >> 10), int(sizes[5] >> 10),
                    int(sizes[6] >> 10), int(sizes[7] >> 10));
    platform::trace("time=%d Frg2=%d Rec2=%d Dic=%d Host=%d Req=%d Ref=%d RefQ=%d Agnt=%d", total,
                    int(sizes[0]), int(sizes[1]), int(sizes[2]), int(sizes[3]), int(sizes[4]),
                    int(sizes[5]), int(sizes[6]), int(sizes[7]));
    // The steps of a cancelled load ran with their loops cut short: its tables are not
    // complete, whatever the steps returned.
    if (ctx.cancelled()) {
        trouble = {};
        return platform::kErrCancelled;
    }
    return 0;
}

} // namespace store
