// Wordlens' windows offscreen: the lists agree with vexilo-cli wordlens, a saved rule file
// is evaluated again within a second, a broken one is reported with file, section and line.

#include "platform/files.h"
#include "platform/settings.h"
#include "tests/dialogs/dialog_env.h"
#include "tests/store/hits.h"
#include "toolkit/stat_list.h"
#include "wordlens/wordlens_window.h"

#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QTest>

namespace {

using namespace toolkit;
using namespace vxtest;

class WordlensWindow : public DialogTest
{
  protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        ::setenv("TZ", "UTC", 1);
        std::filesystem::create_directories(file("data"));
        ASSERT_EQ(platform::setHomeDir(file("data")), 0);
        m_res = file("res");
        std::filesystem::create_directories(m_res);
        writeWords("Replace=$1");
        writeFile(m_res + "/referer2searchname.ini", "");
        writeFile(m_res + "/referer2searchrank.ini", "");
        platform::setResFolder(m_res);
        std::vector<Hit> hits = siteChain();
        for (int i = 0; i < 6; ++i)
            hits.push_back({"198.51.100." + std::to_string(i), 100 + i,
                            "/x" + std::to_string(i % 2),
                            "http://search.example/s?q=w" + std::to_string(i % 3)});
        m_log = file("a.vxlog");
        ASSERT_EQ(importHits(hits, m_log), 0u);
        wordlens::registerWordlensWindows();
        m_frame = std::make_unique<wordlens::WordlensFrame>();
        m_frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_frame.get()));
        command(client(), wordlens::kCmdOpen, reinterpret_cast<LParam>(m_log.c_str()));
        ASSERT_TRUE(settle());
        ASSERT_NE(wordlens::logOf(client()), nullptr);
        StatList* referers = list(wordlens::kIdRefererPane);
        ASSERT_EQ(referers->rowCount(), 1);
        referers->setSelectedRows({0});
        settle();
    }
    void TearDown() override
    {
        m_frame.reset();
        settle();
        platform::setResFolder("");
        DialogTest::TearDown();
    }
    void writeWords(const std::string& replace)
    {
        writeFile(m_res + "/referer2searchword.ini",
                  "[Word]\r\nPattern=^.*[?&]q=([^&]*).*$\r\n" + replace + "\r\n");
    }
    Window* client() { return m_frame->client(); }
    StatList* list(int pane) { return child(client(), pane)->findChild<StatList*>(); }
    std::string cli(const QStringList& extra)
    {
        QProcess p;
        p.start(QString::fromStdString(platform::programPath("vexilo-cli")),
                QStringList{QStringLiteral("wordlens"), QString::fromStdString(m_log),
                            QStringLiteral("--res"), QString::fromStdString(m_res),
                            QStringLiteral("--home"), QString::fromStdString(file("data"))} +
                    extra);
        EXPECT_TRUE(p.waitForFinished(20000));
        return p.readAllStandardOutput().toStdString();
    }

    std::unique_ptr<wordlens::WordlensFrame> m_frame;
    std::string m_res, m_log;
};

TEST_F(WordlensWindow, ListsAgreeWithTheCommandLine)
{
    const std::string all = cli({});
    EXPECT_EQ(wordlens::exportText(client(), wordlens::kIdRefererPane),
              all.substr(0, all.find("# ")));
    const std::string queries = wordlens::exportText(client(), wordlens::kIdQueryPane);
    EXPECT_EQ(queries,
              cli({QStringLiteral("--referer"), QStringLiteral("http://search.example/s")}));
    EXPECT_NE(queries.find("\"2\",\"w0\",\"1\",\"q=w0\""), std::string::npos) << queries;
}

TEST_F(WordlensWindow, ASavedRuleFileIsEvaluatedAgainAndFaultsAreShown)
{
    ASSERT_FALSE(wordlens::problemStrip(client())->isVisible());
    writeWords("Replace=word-$1");
    ASSERT_TRUE(waitFor(
        [&] {
            return wordlens::exportText(client(), wordlens::kIdQueryPane).find("word-w0") !=
                   std::string::npos;
        },
        3000)); // the watch looks once a second
    // The referer stays selected across the refresh.
    EXPECT_EQ(list(wordlens::kIdRefererPane)->selectedRows(), std::vector<int>{0});

    writeFile(m_res + "/referer2searchword.ini", "[Word]\r\nPattern=^(.*$\r\nReplace=$1\r\n");
    QLabel* strip = wordlens::problemStrip(client());
    ASSERT_TRUE(waitFor([&] { return strip->isVisible(); }, 5000));
    EXPECT_TRUE(strip->text().contains(QStringLiteral("referer2searchword.ini [Word] 2行目")))
        << strip->text().toStdString();
}

TEST_F(WordlensWindow, AnUnsavedAnalysisIsNotDroppedWithoutAQuestion)
{
    const std::string temp = file("tmp/vx00000001.vxlog");
    ASSERT_EQ(platform::copyFile(m_log, temp), 0);
    wordlens::Desktop& d = wordlens::desktop();
    const wordlens::Desktop saved = d;
    d.runWizard = [&](QWidget*, char* path, std::size_t size, const char* config) {
        EXPECT_NE(std::string(config).find("res/init_sievra.ini"), std::string::npos);
        std::snprintf(path, size, "%s", temp.c_str());
        return 1;
    };
    int asked = 0, answer = QMessageBox::Cancel;
    d.askToSave = [&](QWidget*) {
        ++asked;
        return answer;
    };
    command(client(), wordlens::kCmdNewAnalysis);
    ASSERT_TRUE(settle());
    EXPECT_EQ(asked, 0); // the open log was saved
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("Vexilo Wordlens"));
    EXPECT_FALSE(m_frame->close());
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(platform::fileExists(temp));
    answer = QMessageBox::No;
    EXPECT_TRUE(m_frame->close());
    EXPECT_FALSE(platform::fileExists(temp));
    d = saved;
}

} // namespace
