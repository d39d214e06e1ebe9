#include "dialog_env.h"
#include "dialogs/home_dir.h"
#include "platform/files.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <system_error>

namespace {

using vxtest::activeModal;
using vxtest::control;
using vxtest::ModalDriver;

const QString kTitle = QStringLiteral("Vexilo HomeFolder");

class HomeDir : public vxtest::DialogTest
{
  protected:
    // Presses a button of the data-folder dialog once it is shown, noting its folder.
    ModalDriver::Step press(int button, QString* shownFolder, const QString& type = QString())
    {
        return [=] {
            QWidget* dialog = activeModal(kTitle);
            if (!dialog)
                return false;
            auto* edit = control<QLineEdit>(dialog, 1051);
            if (shownFolder)
                *shownFolder = edit->text();
            if (!type.isNull())
                edit->setText(type);
            // Later: the button may open a message box of its own.
            QMetaObject::invokeMethod(control<QPushButton>(dialog, button), "click",
                                      Qt::QueuedConnection);
            return true;
        };
    }
};

TEST_F(HomeDir, ARegisteredFolderIsNotAskedForAgain)
{
    const std::string folder = file("data");
    std::filesystem::create_directories(folder);
    ASSERT_EQ(platform::setHomeDir(folder), 0);
    bool shown = false;
    ModalDriver watch({[&] {
                          shown = shown || QApplication::activeModalWidget() != nullptr;
                          return false;
                      }},
                      3000);
    EXPECT_EQ(ui::makeHomeDir(nullptr, true), 0);
    EXPECT_FALSE(shown);

    // Asked without the flag, the dialog shows the registered folder.
    QString proposed;
    ModalDriver driver({press(2, &proposed)});
    EXPECT_EQ(ui::makeHomeDir(nullptr, false), 1);
    EXPECT_EQ(proposed, QString::fromStdString(folder));
    EXPECT_EQ(platform::homeDir(), folder);
}

TEST_F(HomeDir, AMissingFolderIsProposedInTheDocumentsAndMadeOnOk)
{
    for (const bool registered : {false, true}) {
        if (registered) {
            ASSERT_EQ(platform::setHomeDir(file("deleted-folder")), 0);
        }
        QString proposed;
        ModalDriver driver({press(1, &proposed)});
        EXPECT_EQ(ui::makeHomeDir(nullptr, true), 0);
        const std::string expected = platform::documentsFolder() + "/My Vexilo";
        EXPECT_EQ(proposed, QString::fromStdString(expected));
        EXPECT_TRUE(platform::isDirectory(expected));
        EXPECT_EQ(platform::homeDir(), expected);
        std::filesystem::remove_all(expected);
    }
}

TEST_F(HomeDir, AFolderThatCannotBeMadeIsReportedWithTheReasonAndTheUserMayCorrectIt)
{
    std::ofstream(file("blocker")) << "a file where a folder should be";
    const QString bad = QString::fromStdString(file("blocker/data"));
    const QString good = QString::fromStdString(file("mine/with/parents")); // made whole
    QString message, caption;
    ModalDriver driver({press(1, nullptr, bad),
                        [&] {
                            auto* box =
                                qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                            if (!box)
                                return false;
                            message = box->text();
                            caption = box->windowTitle();
                            box->accept();
                            return true;
                        },
                        press(1, nullptr, good)});
    EXPECT_EQ(ui::makeHomeDir(nullptr, false), 0);
    EXPECT_TRUE(driver.finished());
    EXPECT_EQ(caption, QStringLiteral("UI"));
    EXPECT_EQ(message, QStringLiteral("Create HomeDir failed\n\n") + bad + QStringLiteral("\n\n") +
                           QString::fromStdString(std::generic_category().message(ENOTDIR)));
    EXPECT_EQ(platform::homeDir(), good.toStdString());
    EXPECT_TRUE(platform::isDirectory(good.toStdString()));
}

TEST_F(HomeDir, ATildeIsTheHomeFolderAndMissingParentsAreMade)
{
    const struct
    {
        const char* typed;
        std::string registered;
    } cases[] = {
        {"~/a/b/Vexilo", home() + "/a/b/Vexilo"},
        {"  ~/spaced  ", home() + "/spaced"},
        {"~", home()},
        {"~other", ""}, // a name that starts with "~" is relative, not another user's home
    };
    for (const auto& c : cases) {
        const std::string expected = c.registered.empty() ? file(c.typed) : c.registered;
        const auto before = std::filesystem::current_path();
        std::filesystem::current_path(file(""));
        ModalDriver driver({press(1, nullptr, QString::fromUtf8(c.typed))});
        const int rc = ui::makeHomeDir(nullptr, false);
        std::filesystem::current_path(before);
        EXPECT_EQ(rc, 0) << c.typed;
        EXPECT_EQ(platform::homeDir(), expected) << c.typed;
        EXPECT_TRUE(platform::isDirectory(expected)) << c.typed;
    }
}

TEST_F(HomeDir, CancelLeavesNoFolderBehind)
{
    // A new user: the proposal inside the documents folder is only a proposal.
    QString proposed;
    ModalDriver first({press(2, &proposed)});
    EXPECT_EQ(ui::makeHomeDir(nullptr, true), 1);
    EXPECT_FALSE(proposed.isEmpty());
    EXPECT_FALSE(std::filesystem::exists(platform::documentsFolder()));
}

TEST_F(HomeDir, CancelKeepsTheRegistration)
{
    ASSERT_EQ(platform::setHomeDir(file("gone")), 0);
    ModalDriver driver({press(2, nullptr, QString::fromStdString(file("other")))});
    EXPECT_EQ(ui::makeHomeDir(nullptr, true), 1);
    EXPECT_EQ(platform::homeDir(), file("gone"));
    EXPECT_FALSE(platform::isDirectory(file("other")));
}

TEST_F(HomeDir, ARelativeNameIsRegisteredAsAFullPath)
{
    const auto before = std::filesystem::current_path();
    std::filesystem::current_path(file(""));
    ModalDriver driver({press(1, nullptr, QStringLiteral("relative"))});
    const int rc = ui::makeHomeDir(nullptr, false);
    std::filesystem::current_path(before);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(platform::homeDir(), file("relative"));
    EXPECT_TRUE(platform::isDirectory(file("relative")));
}

TEST_F(HomeDir, AFolderThatCannotBeRegisteredIsNotReportedAsDone)
{
    std::ofstream(file("blocker")) << "a file where the settings folder should be";
    ::setenv("XDG_CONFIG_HOME", file("blocker/config").c_str(), 1);
    QString message;
    ModalDriver driver({press(1, nullptr, QString::fromStdString(file("made/for/data"))),
                        [&] {
                            auto* box =
                                qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                            if (!box)
                                return false;
                            message = box->text();
                            box->accept();
                            return true;
                        },
                        press(2, nullptr)});
    EXPECT_EQ(ui::makeHomeDir(nullptr, false), 1);
    EXPECT_TRUE(message.startsWith(QStringLiteral("Save HomeDir failed\n\nerr=")))
        << message.toStdString();
    // The folders made for the refused registration go with the Cancel.
    EXPECT_FALSE(std::filesystem::exists(file("made")));
}

} // namespace
