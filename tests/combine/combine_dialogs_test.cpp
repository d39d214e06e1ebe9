// combine's dialogs offscreen: the list's buttons follow the selection, the output that is
// an input is refused with the program's message, and the progress dialog ends with the job.

#include "combine/combine_dialogs.h"
#include "tests/platform/temp_dir.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <fstream>
#include <gtest/gtest.h>

namespace {

using vxtest::TempDir;

TEST(CombineDialogs, TheListAndTheRefusal)
{
    TempDir dir;
    for (const char* name : {"b.log", "a.log", "c.log"})
        std::ofstream(dir.file(name)) << name << "\n";
    QString output;
    QStringList errors;
    combine::Desktop& d = combine::desktop();
    const combine::Desktop saved = d;
    d.pickOutput = [&](QWidget*) { return output; };
    d.errorBox = [&](QWidget*, const QString& caption, const QString& text) {
        errors << caption + ":" + text;
    };

    combine::ListDialog list;
    EXPECT_FALSE(list.button(1)->isEnabled()); // Save needs a file
    list.addFiles(
        {QString::fromStdString(dir.file("b.log")), QString::fromStdString(dir.file("a.log"))});
    list.addFiles(
        {QString::fromStdString(dir.file("a.log")), QString::fromStdString(dir.file("c.log"))});
    ASSERT_EQ(list.table()->rowCount(), 3); // taken in ascending order, a.log once
    EXPECT_EQ(list.table()->item(0, 0)->text(), QStringLiteral("a.log"));
    EXPECT_EQ(list.findChild<QLineEdit*>(QStringLiteral("1009"))->text(), QStringLiteral("3"));
    EXPECT_EQ(list.findChild<QLineEdit*>(QStringLiteral("1008"))->text(), QStringLiteral("18"));
    EXPECT_TRUE(list.button(1)->isEnabled());
    EXPECT_FALSE(list.button(1007)->isEnabled());
    list.table()->selectRow(0);
    EXPECT_TRUE(list.button(1007)->isEnabled());
    EXPECT_FALSE(list.button(1018)->isEnabled()); // the first cannot go up
    EXPECT_TRUE(list.button(1019)->isEnabled());
    list.moveDown();
    EXPECT_EQ(list.table()->item(1, 0)->text(), QStringLiteral("a.log"));
    EXPECT_TRUE(list.table()->item(1, 0)->isSelected());

    output = QString::fromStdString(dir.file("./b.log")); // an input by another spelling
    list.save();
    EXPECT_EQ(errors, QStringList{QStringLiteral(
                          "Combine:結合ファイルに出力ファイルを含むことはできません")});
    EXPECT_EQ(list.result(), 0);
    output = QString::fromStdString(dir.file("all.log.gz"));
    list.save();
    EXPECT_EQ(list.result(), QDialog::Accepted);
    EXPECT_EQ(list.output(), dir.file("all.log.gz"));
    EXPECT_EQ(list.inputs().size(), 3u);
    d = saved;

    combine::ProgressDialog progress(QStringLiteral("ファイルの結合"),
                                     [&](combine::Progress& p) {
                                         return combine::combineFiles(list.inputs(), list.output(),
                                                                      p);
                                     },
                                     {});
    EXPECT_EQ(progress.run(), 0);
    EXPECT_EQ(progress.progress().done, progress.progress().total);
}

} // namespace
