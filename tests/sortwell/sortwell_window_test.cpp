// Sortwell's windows offscreen: opening a log, moving texts in and out of groups, the title
// and the save button, save and export, the save question, referer mode and the name
// dialog's checks.

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/settings.h"
#include "sortwell/sortwell_window.h"
#include "tests/dialogs/dialog_env.h"
#include "tests/store/hits.h"
#include "toolkit/controls.h"
#include "toolkit/stat_list.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

namespace {

using namespace toolkit;
using namespace vxtest;
using sortwell::Mode;

class SortwellTest : public DialogTest
{
  protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        ::setenv("TZ", "UTC", 1);
        std::filesystem::create_directories(file("data"));
        ASSERT_EQ(platform::setHomeDir(file("data")), 0);
        sortwell::registerSortwellWindows();
        sortwell::Desktop& d = sortwell::desktop();
        d.askGroupName = [this](QWidget*, const QString& title, Mode, const sortwell::TextTable&,
                                const std::string&, const QPoint&) -> std::optional<std::string> {
            m_titles.push_back(title);
            if (m_names.empty())
                return std::nullopt;
            std::string name = m_names.front();
            m_names.erase(m_names.begin());
            return name;
        };
        d.askToSave = [this](QWidget*) {
            ++m_asked;
            return m_answer;
        };
        d.errorBox = [this](QWidget*, const QString& text) { m_errors.push_back(text); };
        d.exportName = [this](QWidget*, const std::string&) { return m_exportTo; };

        std::vector<Hit> hits = siteChain();
        for (int i = 0; i < 9; ++i)
            hits.push_back({"198.51.100." + std::to_string(i), 100 + i,
                            "/shop/" + std::to_string(i % 3),
                            "http://search.example/q?w=" + std::to_string(i % 2)});
        m_log = file("a.vxlog");
        ASSERT_EQ(importHits(hits, m_log), 0u);
        m_frame = std::make_unique<sortwell::SortwellFrame>();
        m_frame->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_frame.get()));
    }
    void TearDown() override
    {
        m_frame.reset();
        settle();
        DialogTest::TearDown();
    }

    Window* client() { return m_frame->client(); }
    const sortwell::Document& doc() { return *sortwell::documentOf(client()); }
    StatList* listOf(int pane)
    {
        for (StatList* l : child(client(), pane)->findChildren<StatList*>())
            return l;
        return nullptr;
    }
    std::vector<std::string> texts(int pane)
    {
        std::vector<std::string> out;
        StatList* l = listOf(pane);
        for (int r = 0; r < l->rowCount(); ++r)
            out.push_back(
                platform::utf16ToCp932(l->model()->index(r, 1).data().toString().toStdU16String()));
        return out;
    }
    void select(int pane, const std::vector<std::string>& wanted)
    {
        const std::vector<std::string> rows = texts(pane);
        std::vector<int> picked;
        for (const std::string& w : wanted)
            picked.push_back(
                static_cast<int>(std::find(rows.begin(), rows.end(), w) - rows.begin()));
        listOf(pane)->setSelectedRows(picked);
        settle();
    }
    bool enabled(int commandId)
    {
        return send(child(client(), sortwell::kIdToolbar), TB_ISBUTTONENABLED, commandId) != 0;
    }
    void open()
    {
        command(client(), sortwell::kCmdOpen, reinterpret_cast<LParam>(m_log.c_str()));
        ASSERT_TRUE(settle());
        ASSERT_FALSE(doc().groupFile.empty());
    }

    std::unique_ptr<sortwell::SortwellFrame> m_frame;
    std::string m_log, m_exportTo;
    std::vector<std::string> m_names;
    std::vector<QString> m_titles, m_errors;
    int m_asked = 0;
    int m_answer = QMessageBox::No;
};

TEST_F(SortwellTest, GroupingSavingAndTheTitle)
{
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("Vexilo Sortwell"));
    for (int id : {sortwell::kCmdNewAndMove, sortwell::kCmdMoveInto, sortwell::kCmdTakeOut,
                   sortwell::kCmdSave})
        EXPECT_FALSE(enabled(id)) << id;
    open();
    const QString title = QStringLiteral("Vexilo Sortwell - www.example.com.urlgrp");
    EXPECT_EQ(m_frame->windowTitle(), title);
    using Texts = std::vector<std::string>;
    EXPECT_EQ(texts(sortwell::kIdLeftPane),
              (Texts{"/a", "/b", "/c", "/shop/0", "/shop/1", "/shop/2"}));

    // No group chosen: the move makes one first (cancelled: nothing moves).
    select(sortwell::kIdLeftPane, {"/shop/0", "/shop/1"});
    EXPECT_TRUE(enabled(sortwell::kCmdMoveInto));
    command(client(), sortwell::kCmdMoveInto);
    EXPECT_EQ(texts(sortwell::kIdRightPane), Texts{});
    m_names = {"/Shop"};
    command(client(), sortwell::kCmdMoveInto);
    EXPECT_EQ(m_titles,
              (std::vector<QString>{QStringLiteral("New Group"), QStringLiteral("New Group")}));
    EXPECT_EQ(texts(sortwell::kIdRightPane), (Texts{"/shop/0", "/shop/1"}));
    EXPECT_EQ(texts(sortwell::kIdLeftPane), (Texts{"/a", "/b", "/c", "/Shop", "/shop/2"}));
    // The row where the first moved one was is selected now.
    EXPECT_EQ(listOf(sortwell::kIdLeftPane)->selectedRows(), std::vector<int>{3});
    EXPECT_EQ(m_frame->windowTitle(), title + QStringLiteral(" *"));
    EXPECT_TRUE(enabled(sortwell::kCmdSave));

    // Export keeps the " *"; save drops it and writes the site's file.
    m_exportTo = file("out.urlgrp");
    command(client(), sortwell::kCmdExport);
    EXPECT_EQ(m_frame->windowTitle(), title + QStringLiteral(" *"));
    const std::string expected =
        "[MapString]\r\n/shop/0\r\n/Shop\r\n\r\n[MapString]\r\n/shop/1\r\n/Shop\r\n\r\n";
    EXPECT_EQ(readFile(m_exportTo), expected);
    command(client(), sortwell::kCmdSave);
    EXPECT_EQ(m_frame->windowTitle(), title);
    EXPECT_FALSE(enabled(sortwell::kCmdSave));
    EXPECT_EQ(readFile(file("data/www.example.com.urlgrp")), expected);

    // Out again; the save question on close: Cancel keeps the window, No lets it go.
    select(sortwell::kIdRightPane, {"/shop/1"});
    EXPECT_TRUE(enabled(sortwell::kCmdTakeOut));
    command(client(), sortwell::kCmdTakeOut);
    EXPECT_EQ(texts(sortwell::kIdRightPane), Texts{"/shop/0"});
    m_answer = QMessageBox::Cancel;
    EXPECT_FALSE(m_frame->close());
    EXPECT_EQ(m_asked, 1);
    m_answer = QMessageBox::No;
    EXPECT_TRUE(m_frame->close());
    EXPECT_EQ(readFile(file("data/www.example.com.urlgrp")), expected);
    EXPECT_TRUE(m_errors.empty());
}

TEST_F(SortwellTest, ReopeningReadsTheGroupsAndRefererModeShowsFullReferers)
{
    writeFile(file("data/www.example.com.urlgrp"),
              "[MapStringRegexpNow]\r\nsearch\r\nhttp://Search\r\n\r\n");
    open();
    EXPECT_FALSE(doc().modified);
    auto* selector = child(client(), sortwell::kIdLeftPane)->findChild<QComboBox*>();
    ASSERT_NE(selector, nullptr);
    selector->setCurrentIndex(1);
    settle();
    EXPECT_EQ(doc().mode, Mode::Referer);
    EXPECT_TRUE(child(client(), sortwell::kIdBottomPane)->isVisible());
    using Texts = std::vector<std::string>;
    EXPECT_EQ(texts(sortwell::kIdLeftPane), Texts{"http://Search"});
    EXPECT_EQ(texts(sortwell::kIdRightPane), Texts{"http://search.example/q"});
    select(sortwell::kIdRightPane, {"http://search.example/q"});
    EXPECT_EQ(texts(sortwell::kIdBottomPane),
              (Texts{"http://search.example/q?w=0", "http://search.example/q?w=1"}));
    // The group's expression is its bar's text; editing it marks the document.
    auto* bar = child(client(), sortwell::kIdRightPane)->findChild<QLineEdit*>();
    EXPECT_EQ(bar->text(), QStringLiteral("search"));
    bar->setFocus();
    QTest::keyClicks(bar, "\\.example");
    EXPECT_TRUE(doc().modified);
    EXPECT_EQ(doc().table.find("http://Search")->regexp, "search\\.example");

    // Removing all groups lists every referer again.
    command(client(), sortwell::kCmdRemoveAll);
    EXPECT_EQ(texts(sortwell::kIdLeftPane), Texts{"http://search.example/q"});
    EXPECT_TRUE(doc().table.groups().empty());
    m_answer = QMessageBox::No;
}

TEST_F(SortwellTest, TheNameDialogChecksAsTheUserTypes)
{
    sortwell::TextTable table;
    table.createGroup("/G");
    std::unique_ptr<QDialog> dialog(sortwell::makeNameDialog(nullptr, QStringLiteral("New Group"),
                                                             Mode::Request, table, {},
                                                             table.proposeName(Mode::Request)));
    auto* edit = dialog->findChild<QLineEdit*>();
    auto* note = dialog->findChild<QLabel*>(QStringLiteral("note"));
    QPushButton* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    EXPECT_EQ(edit->text(), QStringLiteral("/新しいRequestグループ1"));
    EXPECT_TRUE(ok->isEnabled());
    const struct
    {
        const char* typed;
        bool ok;
        const char* note;
    } cases[] = {
        {"abc", false, "Requestグループ名は'/'で始めてください"},
        {"/G", false, "同一の名前が使用されています"},
        {"/Gift", true, ""},
    };
    for (const auto& c : cases) {
        edit->setText(QString::fromUtf8(c.typed));
        EXPECT_EQ(ok->isEnabled(), c.ok) << c.typed;
        EXPECT_EQ(note->text(), QString::fromUtf8(c.note)) << c.typed;
    }
}

} // namespace
