#include "dialog_env.h"
#include "dialogs/file_dialogs.h"
#include "dialogs/formats.h"
#include "dialogs/hyperlink.h"
#include "dialogs/run_wizard.h"
#include "dialogs/shell.h"
#include "dialogs/wizard.h"
#include "import/vxlog_reader.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "toolkit/qt_glue.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <QTreeView>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>

namespace {

using vxtest::activeModal;
using vxtest::control;
using vxtest::ModalDriver;

const QString kWizardTitle = QStringLiteral("Sievra Wizard");
const std::int64_t kLogTime = 1700000000; // mtime of the analysed log being extended

// A combined-format line for `path` at second `s` of the log's day.
std::string logLine(const char* path, int s,
                    const char* agent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)")
{
    char line[512];
    std::snprintf(line, sizeof line,
                  "192.0.2.%d - - [10/Oct/2023:13:%02d:%02d +0900] \"GET %s HTTP/1.1\" 200 512 "
                  "\"-\" \"%s\"\n",
                  1 + s % 50, s / 60 % 60, s % 60, path, agent);
    return line;
}

void writeLog(const std::string& path, const std::vector<const char*>& requests,
              std::int64_t mtime = 0)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path);
    int s = 0;
    for (const char* request : requests)
        out << logLine(request, s++);
    out.close();
    if (mtime) {
        const timespec times[2] = {{mtime, 0}, {mtime, 0}};
        ::utimensat(AT_FDCWD, path.c_str(), times, 0);
    }
}

// Paths of the records of an analysed log.
std::multiset<std::string> recordedPaths(const std::string& file)
{
    sievra::AnalysedLogFile log;
    std::multiset<std::string> paths;
    if (log.open(file) != 0)
        return {{"<unreadable>"}};
    for (const auto& record : log.records())
        paths.insert(log.text(log.fragment(record.fragment)[3]));
    return paths;
}

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class Wizard : public vxtest::DialogTest
{
  protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        logs = file("logs");
        config = file("conf.ini");
        writeLog(logs + "/access.log", {"/index.html", "/a.html", "/b.jpg"});
        writeLog(logs + "/access.1.log", {"/a.html", "/c.html"});
        writeLog(logs + "/old/access.2.log", {"/old.html"});
        writeLog(logs + "/notes.txt", {"/notes.html"});
        ui::setOpenDocumentHook([this](const std::string& path) { opened.push_back(path); });
        // The manual page the links open, next to a stand-in program.
        platform::setProgramFolder(file("program"));
        std::filesystem::create_directories(file("program/manual"));
        std::ofstream(file("program/manual/analyze.html")) << "<html></html>";
    }
    void TearDown() override
    {
        ui::setOpenDocumentHook({});
        platform::setProgramFolder("");
        DialogTest::TearDown();
    }

    // A wizard on its own, shown, with the scratch file of `appendTo`.
    std::unique_ptr<ui::AnalysisWizard> openWizard(const std::string& appendTo = "")
    {
        scratch = std::make_unique<ui::ScratchFile>();
        ui::prepareScratch(scratch->path(), config, appendTo);
        const std::int64_t when = appendTo.empty() ? 0 : platform::lastWriteTime(appendTo);
        auto wizard = std::make_unique<ui::AnalysisWizard>(nullptr, scratch->path(), when);
        wizard->show();
        QApplication::processEvents();
        return wizard;
    }

    static void press(ui::AnalysisWizard& w, QWizard::WizardButton button)
    {
        QAbstractButton* b = w.button(button);
        ASSERT_TRUE(b->isVisible() && b->isEnabled())
            << "button " << button << " on " << w.currentId();
        b->click();
        waitForSearch(w); // the file page searches once it is shown
    }

    // The search runs beside the window; its result comes through the event loop.
    static void waitForSearch(ui::AnalysisWizard& w)
    {
        EXPECT_TRUE(vxtest::waitFor([&w] { return !w.filesPage()->searchDue(); }));
    }

    // The file page with `names` (files in the log folder) added by hand, in name order.
    std::unique_ptr<ui::AnalysisWizard> filePageWith(const std::vector<std::string>& names)
    {
        auto w = openWizard();
        press(*w, QWizard::NextButton);
        control<QCheckBox>(w->currentPage(), 1016)->setChecked(false);
        press(*w, QWizard::NextButton);
        QStringList paths;
        for (const std::string& name : names) {
            writeLog(logs + "/" + name, {"/x.html"});
            paths << QString::fromStdString(logs + "/" + name);
        }
        w->filesPage()->addFiles(paths);
        return w;
    }

    static void activate(QWidget* window)
    {
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    }

    void fillSearch(QWidget* page, bool subfolders = false,
                    const QString& pattern = QStringLiteral("access*.log"))
    {
        control<QCheckBox>(page, 1016)->setChecked(true);
        control<QLineEdit>(page, 1004)->setText(QString::fromStdString(logs));
        control<QLineEdit>(page, 1051)->setText(pattern);
        control<QCheckBox>(page, 1005)->setChecked(subfolders);
    }

    static QStringList listed(const ui::AnalysisWizard& w)
    {
        QStringList names;
        auto* list = control<QTableWidget>(w.page(ui::kPageFiles), 1044);
        for (int row = 0; row < list->rowCount(); ++row)
            names << list->item(row, 0)->text();
        return names;
    }

    // Picks files in the open dialog of the Add button the way a person types them.
    ModalDriver::Step pickInFileDialog(QStringList paths)
    {
        return [paths] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return false;
            QStringList quoted;
            for (const QString& p : paths)
                quoted << QLatin1Char('"') + p + QLatin1Char('"');
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            name->setText(quoted.join(QLatin1Char(' ')));
            dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->click();
            return true;
        };
    }

    static void clickLater(QAbstractButton* button)
    {
        QMetaObject::invokeMethod(button, "click", Qt::QueuedConnection);
    }

    std::string logs, config;
    std::unique_ptr<ui::ScratchFile> scratch;
    std::vector<std::string> opened;
};

TEST_F(Wizard, StandardOptionsSkipTheThreeAdvancedPagesBothWays)
{
    const struct
    {
        bool standard;
        std::vector<int> forward;
    } cases[] = {
        {true, {ui::kPageFinish}},
        {false, {ui::kPageSkipExt, ui::kPageDirIndex, ui::kPageUserAgent, ui::kPageFinish}},
    };
    for (const auto& c : cases) {
        auto w = openWizard();
        EXPECT_EQ(w->currentId(), ui::kPageWelcome);
        press(*w, QWizard::NextButton);
        fillSearch(w->currentPage());
        press(*w, QWizard::NextButton);
        EXPECT_EQ(w->currentId(), ui::kPageFiles);
        press(*w, QWizard::NextButton);
        ASSERT_EQ(w->currentId(), ui::kPageOptions);
        control<QRadioButton>(w->currentPage(), c.standard ? 1064 : 1065)->setChecked(true);
        std::vector<int> forward, backward;
        while (w->currentId() != ui::kPageFinish) {
            press(*w, QWizard::NextButton);
            forward.push_back(w->currentId());
        }
        EXPECT_TRUE(w->button(QWizard::FinishButton)->isVisible());
        while (w->currentId() != ui::kPageOptions) {
            press(*w, QWizard::BackButton);
            backward.push_back(w->currentId());
        }
        EXPECT_EQ(forward, c.forward) << c.standard;
        std::vector<int> expectedBack(c.forward.rbegin() + 1, c.forward.rend());
        expectedBack.push_back(ui::kPageOptions);
        EXPECT_EQ(backward, expectedBack) << c.standard;
    }
}

TEST_F(Wizard, TheSearchFillsTheFileListWithSizes)
{
    const struct
    {
        bool subfolders;
        QStringList names;
    } cases[] = {
        {false, {QStringLiteral("access.1.log"), QStringLiteral("access.log")}},
        {true,
         {QStringLiteral("access.1.log"), QStringLiteral("access.log"),
          QStringLiteral("access.2.log")}},
    };
    for (const auto& c : cases) {
        auto w = openWizard();
        press(*w, QWizard::NextButton);
        fillSearch(w->currentPage(), c.subfolders);
        press(*w, QWizard::NextButton);
        EXPECT_EQ(listed(*w), c.names);
        auto* list = control<QTableWidget>(w->currentPage(), 1044);
        const std::int64_t size = platform::fileSize(logs + "/access.1.log");
        EXPECT_EQ(list->item(0, 1)->text(),
                  QString::fromStdString(ui::sizeText(static_cast<std::uint64_t>(size))));
        EXPECT_EQ(list->item(0, 2)->text(), QString::fromStdString(logs + "/access.1.log"));
        EXPECT_TRUE(control<QLabel>(w->currentPage(), 1061)
                        ->text()
                        .contains(QString::number(c.names.size())));
    }
}

TEST_F(Wizard, BackFromTheFilePageClearsTheListOnlyWhenAsked)
{
    auto w = openWizard();
    press(*w, QWizard::NextButton);
    fillSearch(w->currentPage());
    press(*w, QWizard::NextButton);
    ASSERT_EQ(listed(*w).size(), 2);
    EXPECT_TRUE(control<QCheckBox>(w->currentPage(), 1007)->isChecked()); // on by default

    press(*w, QWizard::BackButton);
    EXPECT_TRUE(w->filesPage()->items().empty());
    press(*w, QWizard::NextButton);
    EXPECT_EQ(listed(*w).size(), 2);

    // Kept: the new search adds nothing that is already listed.
    control<QCheckBox>(w->currentPage(), 1007)->setChecked(false);
    press(*w, QWizard::BackButton);
    EXPECT_EQ(w->filesPage()->items().size(), 2u);
    press(*w, QWizard::NextButton);
    EXPECT_EQ(listed(*w).size(), 2);
}

TEST_F(Wizard, AFileFoundTwiceIsListedOnce)
{
    auto w = openWizard();
    press(*w, QWizard::NextButton);
    fillSearch(w->currentPage());
    press(*w, QWizard::NextButton);
    const QString found = QString::fromStdString(logs + "/access.log");
    const QString other = QString::fromStdString(logs + "/old/access.2.log");
    ModalDriver driver({pickInFileDialog({found, other})});
    clickLater(control<QPushButton>(w->currentPage(), 1053));
    EXPECT_TRUE(vxtest::waitFor([&] { return driver.finished() && listed(*w).size() == 3; }));
    EXPECT_EQ(listed(*w), (QStringList{QStringLiteral("access.1.log"), QStringLiteral("access.log"),
                                       QStringLiteral("access.2.log")}));
}

TEST_F(Wizard, NextNeedsAFileAndRemoveNeedsASelection)
{
    auto w = openWizard();
    press(*w, QWizard::NextButton);
    fillSearch(w->currentPage(), false, QStringLiteral("nothing*.log"));
    press(*w, QWizard::NextButton);
    QWidget* page = w->currentPage();
    EXPECT_TRUE(listed(*w).isEmpty());
    EXPECT_FALSE(w->button(QWizard::NextButton)->isEnabled());

    w->filesPage()->addFiles({QString::fromStdString(logs + "/access.log"),
                              QString::fromStdString(logs + "/access.1.log")});
    EXPECT_TRUE(w->button(QWizard::NextButton)->isEnabled());
    auto* remove = control<QPushButton>(page, 1063);
    EXPECT_FALSE(remove->isEnabled());
    auto* list = control<QTableWidget>(page, 1044);
    list->selectAll();
    EXPECT_TRUE(remove->isEnabled());
    remove->click();
    EXPECT_TRUE(listed(*w).isEmpty());
    EXPECT_FALSE(w->button(QWizard::NextButton)->isEnabled());
}

TEST_F(Wizard, ColumnClicksSortAscendingThenDescending)
{
    writeLog(logs + "/access.big.log", {"/1", "/2", "/3", "/4", "/5", "/6", "/7", "/8"});
    auto w = openWizard();
    press(*w, QWizard::NextButton);
    fillSearch(w->currentPage());
    press(*w, QWizard::NextButton);
    QHeaderView* header = control<QTableWidget>(w->currentPage(), 1044)->horizontalHeader();
    const auto clickColumn = [header](int column) {
        const int x = header->sectionViewportPosition(column) + 10;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    };
    clickColumn(1);
    EXPECT_EQ(listed(*w), (QStringList{QStringLiteral("access.1.log"), QStringLiteral("access.log"),
                                       QStringLiteral("access.big.log")}));
    clickColumn(1);
    EXPECT_EQ(listed(*w),
              (QStringList{QStringLiteral("access.big.log"), QStringLiteral("access.log"),
                           QStringLiteral("access.1.log")}));
    clickColumn(0);
    EXPECT_EQ(listed(*w),
              (QStringList{QStringLiteral("access.1.log"), QStringLiteral("access.big.log"),
                           QStringLiteral("access.log")}));
}

TEST_F(Wizard, ExtendingFindsOnlyNewerFilesAndAsksAboutOlderOnes)
{
    const std::string open = file("open.vxlog");
    std::ofstream(open) << "vxf2";
    const timespec at[2] = {{kLogTime, 0}, {kLogTime, 0}};
    ::utimensat(AT_FDCWD, open.c_str(), at, 0);
    writeLog(logs + "/access.log", {"/a.html"}, kLogTime - 3600);
    writeLog(logs + "/access.1.log", {"/b.html"}, kLogTime + 3600);

    auto w = openWizard(open);
    EXPECT_EQ(w->currentId(), ui::kPageWelcomeAppend);
    QStringList texts;
    for (QLabel* label : w->currentPage()->findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("新しいログファイルを追加します。")));

    // The link opens the manual page next to the program.
    auto* link = w->currentPage()->findChild<ui::HyperLink*>(QStringLiteral("1001"));
    ASSERT_NE(link, nullptr);
    QTest::mouseClick(link, Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], platform::programPath("./manual/analyze.html"));

    press(*w, QWizard::NextButton);
    fillSearch(w->currentPage());
    press(*w, QWizard::NextButton);
    EXPECT_EQ(listed(*w), QStringList{QStringLiteral("access.1.log")});

    const QString older = QString::fromStdString(logs + "/access.log");
    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        QString question, caption;
        ModalDriver driver({[&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return false;
            question = box->text();
            caption = box->windowTitle();
            box->button(answer)->click();
            return true;
        }});
        w->filesPage()->addFiles({older});
        EXPECT_EQ(caption, QStringLiteral("Append Log Files"));
        EXPECT_TRUE(question.startsWith(
            older + QStringLiteral("\n\nこのファイルは現在の解析済みログ・ファイル\n")));
        EXPECT_TRUE(question.contains(QStringLiteral("\t最終更新日 2023/11/14 22:13:20\n")));
        EXPECT_TRUE(question.endsWith(QStringLiteral(
            "よりも最終更新日が古いファイルです。\n\nこのファイルを追加しますか？")));
        EXPECT_EQ(listed(*w).size(), answer == QMessageBox::Yes ? 2 : 1);
    }
}

TEST_F(Wizard, FilePageKeysDeleteRowsAndSelectTheNext)
{
    const std::vector<std::string> names = {"a.log", "b.log", "c.log", "d.log"};
    const struct
    {
        std::vector<int> selected;
        QStringList left;
        QString current; // selected after the removal
    } cases[] = {
        {{1}, {"a.log", "c.log", "d.log"}, "c.log"},
        {{3}, {"a.log", "b.log", "c.log"}, "c.log"}, // the last row: the new last one
        {{0, 2}, {"b.log", "d.log"}, "b.log"},
        {{0, 1, 2, 3}, {}, ""},
    };
    for (const auto& c : cases) {
        auto w = filePageWith(names);
        auto* list = control<QTableWidget>(w->currentPage(), 1044);
        for (const int row : c.selected)
            list->selectionModel()->select(list->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QTest::keyClick(list, Qt::Key_Delete);
        EXPECT_EQ(listed(*w), c.left);
        const QModelIndexList now = list->selectionModel()->selectedRows();
        EXPECT_EQ(now.isEmpty() ? QString() : list->item(now.front().row(), 0)->text(), c.current);
        EXPECT_EQ(control<QPushButton>(w->currentPage(), 1063)->isEnabled(), !c.left.isEmpty());
        EXPECT_EQ(w->button(QWizard::NextButton)->isEnabled(), !c.left.isEmpty());
    }
}

TEST_F(Wizard, TabLeavesAndReentersTheFileListAndAltBGoesBack)
{
    auto w = filePageWith({"a.log", "b.log"});
    activate(w.get());
    auto* clear = control<QCheckBox>(w->currentPage(), 1007);
    EXPECT_EQ(clear->text(), QStringLiteral("「< 戻る(&B)」で一覧をクリアする"));

    auto* list = control<QTableWidget>(w->currentPage(), 1044);
    list->setFocus();
    ASSERT_TRUE(list->hasFocus());
    QTest::keyClick(list, Qt::Key_Tab);
    EXPECT_FALSE(list->hasFocus());
    // Back in with Shift+Tab, a row is taken, and Delete removes it.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    ASSERT_TRUE(list->hasFocus());
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_EQ(listed(*w).size(), 1);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_B, Qt::AltModifier);
    // A button pressed by its key shows itself pressed for a moment, then acts.
    EXPECT_TRUE(vxtest::waitFor([&] { return w->currentId() == ui::kPageSearch; }));
    EXPECT_TRUE(w->filesPage()->items().empty()); // and the box still did its part
}

TEST_F(Wizard, ThePathColumnFitsItsPathsAndScrollsOnlyWhenItMust)
{
    std::string deep = "access.log";
    for (int i = 0; i < 12; ++i)
        deep = "a_rather_long_folder_name_" + std::to_string(i) + "/" + deep;
    for (const bool longPath : {false, true}) {
        auto w = filePageWith({longPath ? deep : "access.log"});
        auto* list = control<QTableWidget>(w->currentPage(), 1044);
        const QHeaderView* header = list->horizontalHeader();
        const int pathWidth = list->fontMetrics().horizontalAdvance(list->item(0, 2)->text());
        // The columns are fitted once the page is laid out.
        EXPECT_TRUE(vxtest::waitFor([&] { return header->sectionSize(2) >= pathWidth; }));
        EXPECT_GE(header->sectionSize(2), pathWidth) << longPath;
        EXPECT_EQ(list->horizontalScrollBar()->isVisible(), longPath);
        if (!longPath) { // the columns fill the list, no more
            EXPECT_EQ(header->length(), list->viewport()->width());
        }
    }
}

TEST_F(Wizard, TheSearchRunsBesideTheWindowAndSaysWhyItFoundNothing)
{
    std::filesystem::create_symlink(logs + "/access.log", logs + "/access.link.log");
    const struct
    {
        std::string folder;
        QString pattern;
        int listed;
        QString named; // the status names it; "" when no status is shown
    } cases[] = {
        {logs, QStringLiteral("access*.log"), 2, QString()}, // the link is access.log again
        {logs, QStringLiteral("error*.log"), 0, QStringLiteral("error*.log")},
        {file("no-such-folder"), QStringLiteral("*.log"), 0,
         QString::fromStdString(file("no-such-folder"))},
        {logs + "/notes.txt", QStringLiteral("*.log"), 0,
         QString::fromStdString(logs + "/notes.txt")},
    };
    for (const auto& c : cases) {
        auto w = openWizard();
        press(*w, QWizard::NextButton);
        fillSearch(w->currentPage(), false, c.pattern);
        control<QLineEdit>(w->currentPage(), 1004)->setText(QString::fromStdString(c.folder));
        w->button(QWizard::NextButton)->click();
        QWidget* page = w->currentPage();
        // The page is shown; its search starts.
        EXPECT_TRUE(vxtest::waitFor(
            [&] { return w->filesPage()->searching() || !w->filesPage()->searchDue(); }));
        if (w->filesPage()->searching()) {
            // Until its result is taken in, the window waits for it, and shows that.
            EXPECT_FALSE(w->button(QWizard::NextButton)->isEnabled());
            EXPECT_TRUE(page->findChild<QWidget*>(QStringLiteral("searchBusy"))->isVisible());
        }
        waitForSearch(*w);
        EXPECT_FALSE(page->findChild<QWidget*>(QStringLiteral("searchBusy"))->isVisible());
        EXPECT_EQ(listed(*w).size(), c.listed) << c.folder;
        auto* status = page->findChild<QLabel*>(QStringLiteral("searchStatus"));
        EXPECT_EQ(status->isVisible(), !c.named.isEmpty()) << c.folder;
        if (!c.named.isEmpty()) {
            EXPECT_TRUE(status->text().contains(c.named)) << status->text().toStdString();
        }
    }
}

TEST_F(Wizard, TheOpenDialogOffersRotatedLogNamesAndShowsWholeColumns)
{
    const QStringList filters = ui::logFileFilters();
    EXPECT_TRUE(filters.value(0).startsWith(QStringLiteral("Log Files(*.log;*.gz;*.log.gz;)")));
    for (const char* name : {"access.log.1", "access.log.2.gz", "access_log", "access_log.3",
                             "access.log-20240101.gz"}) {
        bool offered = false; // by a filter before the last, "All Files"
        for (const QString& filter : filters.mid(0, filters.size() - 1))
            for (const QString& pattern : filter.section(QLatin1Char('('), -1)
                                              .chopped(1)
                                              .split(QLatin1Char(' '), Qt::SkipEmptyParts))
                offered |= QRegularExpression::fromWildcard(pattern, Qt::CaseSensitive)
                               .match(QLatin1String(name))
                               .hasMatch();
        EXPECT_TRUE(offered) << name;
    }

    writeLog(logs + "/access_log.with-a-rather-long-name-from-a-rotation-20240101.gz", {"/"});
    QFileDialog dialog(nullptr, QString(), QString::fromStdString(logs));
    toolkit::fitFileDialog(dialog);
    dialog.show();
    const auto* tree = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    // The folder is read beside the window; the columns follow once its rows are in.
    ASSERT_TRUE(vxtest::waitFor([&] {
        return tree->model()->rowCount(tree->rootIndex()) >= 1 &&
               tree->header()->sectionSize(0) >=
                   static_cast<const QAbstractItemView*>(tree)->sizeHintForColumn(0);
    }));
    for (int c = 0; c + 1 < tree->header()->count(); ++c)
        EXPECT_GE(tree->header()->sectionSize(c),
                  static_cast<const QAbstractItemView*>(tree)->sizeHintForColumn(c))
            << c;
}

TEST_F(Wizard, ManualLinksWorkFromTheKeyboardAndSayWhenTheManualIsMissing)
{
    auto w = openWizard();
    activate(w.get());
    auto* link = w->currentPage()->findChild<ui::HyperLink*>(QStringLiteral("1001"));
    ASSERT_NE(link, nullptr);
    for (int i = 0; i < 8 && !link->hasFocus(); ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_TRUE(link->hasFocus());
    for (const auto key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter})
        QTest::keyClick(link, key);
    EXPECT_EQ(opened, std::vector<std::string>(3, platform::programPath("./manual/analyze.html")));
    EXPECT_EQ(w->currentId(), ui::kPageWelcome); // Enter stayed with the link

    std::filesystem::remove(file("program/manual/analyze.html"));
    QString message;
    ModalDriver driver({[&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return false;
        message = box->text();
        box->accept();
        return true;
    }});
    QTest::keyClick(link, Qt::Key_Space);
    EXPECT_TRUE(driver.finished());
    EXPECT_TRUE(message.contains(QString::fromStdString(file("program/manual/analyze.html"))))
        << message.toStdString();
    EXPECT_EQ(opened.size(), 3u);
}

// The whole road through uiRunWizAna.
class RunWizard : public Wizard
{
  protected:
    // Steps from the welcome page to the finish page (standard or advanced options).
    std::vector<ModalDriver::Step> throughThePages(bool standard,
                                                   std::function<void(QWizard*)> onFinishPage = {})
    {
        const auto on = [](int id) -> QWizard* {
            auto* w = qobject_cast<QWizard*>(QApplication::activeModalWidget());
            return w && w->currentId() == id ? w : nullptr;
        };
        const auto next = [on](int id) -> ModalDriver::Step {
            return [on, id] {
                QWizard* w = on(id);
                if (!w || !w->button(QWizard::NextButton)->isEnabled())
                    return false;
                w->button(QWizard::NextButton)->click();
                return true;
            };
        };
        std::vector<ModalDriver::Step> steps = {
            next(ui::kPageWelcome),
            [this, on] {
                QWizard* w = on(ui::kPageSearch);
                if (w)
                    fillSearch(w->currentPage());
                return w != nullptr;
            },
            next(ui::kPageSearch),
            next(ui::kPageFiles),
            [on, standard] {
                QWizard* w = on(ui::kPageOptions);
                if (w)
                    control<QRadioButton>(w->currentPage(), standard ? 1064 : 1065)
                        ->setChecked(true);
                return w != nullptr;
            },
            next(ui::kPageOptions),
        };
        if (!standard) {
            steps.push_back([on] {
                QWizard* w = on(ui::kPageSkipExt);
                if (w)
                    control<QLineEdit>(w->currentPage(), 1051)->setText(QStringLiteral("gif, css"));
                return w != nullptr;
            });
            steps.push_back(next(ui::kPageSkipExt));
            steps.push_back(next(ui::kPageDirIndex));
            steps.push_back([on] {
                QWizard* w = on(ui::kPageUserAgent);
                if (w)
                    control<QRadioButton>(w->currentPage(), 1065)->setChecked(true);
                return w != nullptr;
            });
            steps.push_back(next(ui::kPageUserAgent));
        }
        steps.push_back([on, onFinishPage] {
            QWizard* w = on(ui::kPageFinish);
            if (!w)
                return false;
            if (onFinishPage)
                onFinishPage(w);
            w->button(QWizard::FinishButton)->click();
            return true;
        });
        return steps;
    }

    int run(std::vector<ModalDriver::Step> steps, char (&path)[260])
    {
        ModalDriver driver(std::move(steps));
        const int made = ui::runWizard(nullptr, path, sizeof path, config.c_str());
        EXPECT_TRUE(driver.finished()) << "stopped after step " << driver.stepsDone();
        return made;
    }

    void configure(const char* key, const char* value)
    {
        ASSERT_EQ(platform::writeProfileString(config, "Analyze", key, value), 0);
    }
    std::string conf(const char* key) const
    {
        return platform::getProfileString(config, "Analyze", key, "<missing>");
    }
};

TEST_F(RunWizard, TheWholeRoadByKeyboardAlone)
{
    const auto focused = [] { return QApplication::focusWidget(); };
    const auto on = [](int id) -> QWizard* {
        auto* w = qobject_cast<QWizard*>(QApplication::activeModalWidget());
        return w && w->isActiveWindow() && w->currentId() == id ? w : nullptr;
    };
    // Tabs until the control with `id` has the focus, then types `text` over its contents.
    const auto typeInto = [focused](QWizard* w, int id, const QString& text) {
        auto* edit = control<QLineEdit>(w->currentPage(), id);
        for (int i = 0; i < 12 && focused() != edit; ++i)
            QTest::keyClick(focused(), Qt::Key_Tab);
        if (focused() != edit)
            return false;
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, text);
        return true;
    };
    // A key for the focused control once `page` is shown and complete.
    const auto key = [on, focused](int page, Qt::Key k, Qt::KeyboardModifiers m = {}) {
        return [=]() -> bool {
            QWizard* w = on(page);
            if (!w || !w->currentPage()->isComplete() || !focused())
                return false;
            QTest::keyClick(focused(), k, m);
            return true;
        };
    };
    bool typed = false;
    std::vector<ModalDriver::Step> steps = {
        key(ui::kPageWelcome, Qt::Key_Return),
        [&] {
            QWizard* w = on(ui::kPageSearch);
            if (!w || !focused())
                return false;
            typed = typeInto(w, 1004, QString::fromStdString(logs)) &&
                    typeInto(w, 1051, QStringLiteral("access*.log"));
            QTest::keyClick(focused(), Qt::Key_Return);
            return true;
        },
        key(ui::kPageFiles, Qt::Key_N, Qt::AltModifier),
        key(ui::kPageOptions, Qt::Key_Return),
        key(ui::kPageFinish, Qt::Key_Return),
    };
    char path[260] = "";
    ASSERT_EQ(run(steps, path), 1);
    EXPECT_TRUE(typed);
    EXPECT_EQ(recordedPaths(path),
              (std::multiset<std::string>{"/", "/a.html", "/a.html", "/c.html"}));
}

TEST_F(RunWizard, ASuccessfulRunMakesTheAnalysedLogAndWritesTheConfiguration)
{
    // Values the standard options must not use: they would drop every page.
    configure("SkipExt", "html");
    configure("DirectoryIndex", "none.htm");
    configure("UserAgent", "All");
    char path[260] = "";
    ASSERT_EQ(run(throughThePages(true), path), 1);
    EXPECT_EQ(std::string(path), tmp() + "/vx00000001.vxlog");
    EXPECT_EQ(recordedPaths(path),
              (std::multiset<std::string>{"/", "/a.html", "/a.html", "/c.html"}));

    EXPECT_EQ(conf("FileNamePattern"), logs + "/access*.log");
    EXPECT_EQ(conf("Flags"), std::to_string(ui::kFlagWildcard | ui::kFlagStandard));
    EXPECT_EQ(conf("SkipExt"), "html");
    EXPECT_EQ(conf("DirectoryIndex"), "none.htm");
    EXPECT_EQ(conf("UserAgent"), "All");
    EXPECT_TRUE(tempFiles("wiz").empty()); // the scratch file is gone
}

TEST_F(RunWizard, AdvancedOptionsReachTheImportAndTheConfiguration)
{
    char path[260] = "";
    ASSERT_EQ(run(throughThePages(false), path), 1);
    EXPECT_EQ(recordedPaths(path),
              (std::multiset<std::string>{"/", "/a.html", "/a.html", "/b.jpg", "/c.html"}));
    EXPECT_EQ(conf("Flags"), std::to_string(ui::kFlagWildcard));
    EXPECT_EQ(conf("SkipExt"), "gif, css");
    EXPECT_EQ(conf("DirectoryIndex"), "index.html, index.htm, index.cgi");
    EXPECT_EQ(conf("UserAgent"), "All");
}

TEST_F(RunWizard, CancelLeavesTheConfigurationAsItWas)
{
    configure("SkipExt", "png");
    const std::string before = readAll(config);
    std::vector<ModalDriver::Step> steps = throughThePages(true);
    steps.resize(4); // up to the file page
    steps.push_back([] {
        auto* w = qobject_cast<QWizard*>(QApplication::activeModalWidget());
        if (!w || w->currentId() != ui::kPageOptions)
            return false;
        w->button(QWizard::CancelButton)->click();
        return true;
    });
    char path[260] = "";
    EXPECT_EQ(run(steps, path), 0);
    EXPECT_STREQ(path, "");
    EXPECT_EQ(readAll(config), before);
    EXPECT_TRUE(tempFiles("vx").empty());
    EXPECT_TRUE(tempFiles("wiz").empty());
}

TEST_F(RunWizard, AnImportErrorIsReportedAndThePartialFileDeleted)
{
    const std::string before = readAll(config);
    const std::string vanishing = logs + "/access.1.log";
    QString message, caption;
    std::vector<ModalDriver::Step> steps =
        throughThePages(true, [vanishing](QWizard*) { std::remove(vanishing.c_str()); });
    steps.push_back([&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return false;
        message = box->text();
        caption = box->windowTitle();
        box->accept();
        return true;
    });
    char path[260] = "";
    EXPECT_EQ(run(steps, path), 0);
    EXPECT_EQ(caption, QStringLiteral("Vexilo Analyzer"));
    // The box names the file that failed.
    EXPECT_EQ(message, QStringLiteral("AnalyzeLogFiles failed\n\nerr=2(0x2)\n") +
                           QString::fromStdString(vanishing));
    EXPECT_TRUE(tempFiles("vx").empty());
    EXPECT_EQ(readAll(config), before);
}

TEST_F(RunWizard, StopEndsTheImportSilentlyAndDeletesTheFile)
{
    std::vector<ModalDriver::Step> steps = throughThePages(true);
    steps.push_back([] {
        QWidget* dialog = activeModal(QStringLiteral("Analyzing"));
        if (!dialog)
            return false;
        control<QPushButton>(dialog, 2)->click();
        return true;
    });
    char path[260] = "";
    EXPECT_EQ(run(steps, path), 0);
    EXPECT_TRUE(tempFiles("vx").empty());
    EXPECT_EQ(conf("FileNamePattern"), "<missing>");
}

TEST_F(RunWizard, APathTooLongForTheCallersBufferIsAFailureNotACutPath)
{
    QString message;
    std::vector<ModalDriver::Step> steps = throughThePages(true);
    steps.push_back([&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return false;
        message = box->text();
        box->accept();
        return true;
    });
    ModalDriver driver(std::move(steps));
    char path[12] = "";
    EXPECT_EQ(ui::runWizard(nullptr, path, sizeof path, config.c_str()), 0);
    EXPECT_TRUE(driver.finished());
    EXPECT_EQ(message, QStringLiteral("AnalyzeLogFiles failed\n\nerr=122(0x7A)"));
    EXPECT_STREQ(path, "");
    EXPECT_TRUE(tempFiles("vx").empty());
}

} // namespace
