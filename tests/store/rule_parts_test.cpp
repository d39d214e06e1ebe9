// Rules through many texts in parts on every core: what comes out is what one list gives
// in text order, and a failure is the first one in text order, however many parts ran.

#include "../platform/temp_dir.h"
#include "store/load_steps.h"
#include "store/log_container.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

TEST(RuleOutcomes, InPartsTheyAreOneListsInTextOrderUpToTheFirstFailure)
{
    vxtest::TempDir dir;
    const std::string rules = dir.file("rules.ini");
    // The second rule runs out of its match limit on "x...x!y": the rules fail there.
    std::ofstream(rules) << "[number]\r\nOperator=regexp\r\nPattern=^k([0-9]+)$\r\n"
                            "Replace=w$1\r\n\r\n"
                            "[explode]\r\nOperator=regexp\r\nPattern=(x+x+)+y\r\n";
    const rules::RuleList list = rules::LoadRules(rules);
    ASSERT_EQ(list.size(), 2u);

    const std::string bad = std::string(32, 'x').append("!y");
    std::vector<std::string> owned;
    for (int i = 0; i < 3000; ++i)
        owned.push_back(std::string("k").append(std::to_string(i)));
    const struct
    {
        std::vector<std::size_t> failing;
        std::size_t first; // 3000: none
    } cases[] = {{{}, 3000}, {{2100, 2900}, 2100}, {{2900, 40}, 40}, {{2999}, 2999}};
    for (const auto& c : cases)
        for (const char* jobs : {"1", "3", "8"}) {
            SCOPED_TRACE(testing::Message() << "first " << c.first << ", " << jobs << " cores");
            ::setenv("VEXILO_JOBS", jobs, 1);
            std::vector<std::string> texts = owned;
            for (const std::size_t f : c.failing)
                texts[f] = bad;
            const std::vector<std::string_view> views(texts.begin(), texts.end());
            store::LogContainer log;
            store::Progress progress{0.0f};
            store::LoadContext ctx{log, progress, {}, dir.path() + "/", dir.path()};
            const store::RuleOutcomes out = store::evaluateTexts(ctx, list, views, 0.0f);
            EXPECT_EQ(out.failed, c.first);
            EXPECT_EQ(out.rc != 0, c.first < texts.size());
            for (std::size_t i = 0; i < c.first; ++i)
                if (out.outcomes[i] != std::string("w").append(std::to_string(i))) {
                    ADD_FAILURE() << "text " << i << " gave " << out.outcomes[i];
                    break;
                }
        }
    ::unsetenv("VEXILO_JOBS");
}

} // namespace
