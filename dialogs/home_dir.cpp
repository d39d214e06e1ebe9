#include "dialogs/home_dir.h"

#include "dialogs/artwork.h"
#include "dialogs/file_dialogs.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/settings.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <cerrno>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace ui {
namespace {

QString fromNative(const std::string& path)
{
    return QFile::decodeName(path.c_str());
}

std::string toNative(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString boxText(const char* utf8)
{
    return QString::fromUtf8(utf8).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// Creates `folder` with every missing parent and returns the folders made, outermost
// first. On failure ec holds the system's error and nothing made here stays.
std::vector<std::filesystem::path> makeFolders(const std::filesystem::path& folder,
                                               std::error_code& ec)
{
    std::vector<std::filesystem::path> missing;
    for (std::filesystem::path p = folder; !p.empty(); p = p.parent_path()) {
        std::error_code probe;
        if (std::filesystem::symlink_status(p, probe).type() !=
            std::filesystem::file_type::not_found)
            break;
        missing.push_back(p);
        if (p == p.parent_path())
            break;
    }
    std::vector<std::filesystem::path> made;
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (::mkdir(it->c_str(), 0755) != 0) {
            ec = std::error_code(errno, std::generic_category());
            for (auto back = made.rbegin(); back != made.rend(); ++back)
                ::rmdir(back->c_str());
            return {};
        }
        made.push_back(*it);
    }
    if (missing.empty() && !platform::isDirectory(folder.string()))
        ec = std::make_error_code(std::errc::not_a_directory); // a file has the name
    return made;
}

class HomeDirDialog : public QDialog
{
  public:
    HomeDirDialog(const QString& proposed)
    {
        setWindowTitle(QStringLiteral("Vexilo HomeFolder"));
        setWindowIcon(appIcon());
        setWindowFlag(Qt::WindowContextHelpButtonHint, false);
        auto* banner = new QLabel(this);
        banner->setObjectName(QStringLiteral("101"));
        banner->setPixmap(homeBanner(kWidth));
        auto* text = new QLabel(QStringLiteral("データ保存フォルダを指定してください"), this);
        auto* label = new QLabel(QStringLiteral("フォルダ名"), this);
        m_edit = new QLineEdit(proposed, this);
        m_edit->setObjectName(QStringLiteral("1051"));
        m_edit->setMinimumWidth(300);
        m_edit->setCursorPosition(0);
        label->setBuddy(m_edit);
        auto* browse = new QPushButton(QStringLiteral("参照(&R)"), this);
        browse->setObjectName(QStringLiteral("1056"));
        auto* ok = new QPushButton(QStringLiteral("&OK"), this);
        ok->setObjectName(QStringLiteral("1"));
        ok->setDefault(true);
        auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
        cancel->setObjectName(QStringLiteral("2"));
        connect(browse, &QPushButton::clicked, this, &HomeDirDialog::browse);
        connect(ok, &QPushButton::clicked, this, &HomeDirDialog::accept);
        connect(cancel, &QPushButton::clicked, this, &HomeDirDialog::reject);
        // An empty name names no folder.
        connect(m_edit, &QLineEdit::textChanged, ok,
                [ok](const QString& typed) { ok->setEnabled(!typed.trimmed().isEmpty()); });
        ok->setEnabled(!proposed.trimmed().isEmpty());

        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 12);
        layout->addWidget(banner);
        auto* body = new QGridLayout;
        body->setContentsMargins(16, 8, 16, 0);
        body->addWidget(text, 0, 0, 1, 3);
        body->addWidget(label, 1, 0);
        body->addWidget(m_edit, 1, 1);
        body->addWidget(browse, 1, 2);
        layout->addLayout(body);
        auto* buttons = new QHBoxLayout;
        buttons->setContentsMargins(16, 8, 16, 0);
        buttons->addStretch();
        buttons->addWidget(ok);
        buttons->addWidget(cancel);
        layout->addLayout(buttons);
        setFixedWidth(kWidth);
    }

    void accept() override
    {
        const QString typed = expandHome(m_edit->text().trimmed());
        if (typed.isEmpty())
            return;
        // A relative name would depend on the folder the program was started from.
        const QString path = QDir::cleanPath(QFileInfo(typed).absoluteFilePath());
        const std::string native = toNative(path);
        if (!platform::isDirectory(native)) {
            std::error_code ec;
            const auto made = makeFolders(native, ec);
            if (ec) {
                QMessageBox::critical(this, QStringLiteral("UI"),
                                      boxText("Create HomeDir failed\r\n\r\n") + path +
                                          QStringLiteral("\n\n") +
                                          QString::fromLocal8Bit(ec.message().c_str()));
                return;
            }
            m_made.insert(m_made.end(), made.begin(), made.end());
        }
        if (const int rc = platform::setHomeDir(native)) {
            QMessageBox::critical(
                this, QStringLiteral("UI"),
                boxText("Save HomeDir failed\r\n\r\n") +
                    QStringLiteral("err=%1(0x%2)").arg(rc).arg(QString::number(rc, 16).toUpper()));
            return;
        }
        done(0);
    }

    // Cancel, Escape and closing the window: the folders this dialog made go again (as
    // long as nothing was put into them).
    void reject() override
    {
        for (auto it = m_made.rbegin(); it != m_made.rend(); ++it)
            ::rmdir(it->c_str());
        m_made.clear();
        done(1);
    }

  private:
    static constexpr int kWidth = 440;

    void browse()
    {
        const QString folder =
            pickFolder(this, QStringLiteral("Home Directory"), expandHome(m_edit->text()));
        if (!folder.isEmpty())
            m_edit->setText(folder);
    }

    QLineEdit* m_edit;
    std::vector<std::filesystem::path> m_made;
};

} // namespace

int makeHomeDir(QWidget*, bool askOnlyIfMissing)
{
    const std::string registered = platform::homeDir();
    std::string proposed = registered;
    if (registered.empty() || !platform::isDirectory(registered)) {
        // Only proposed: the folders are made when the user accepts them.
        proposed = platform::joinPath(platform::documentsFolder(), "My Vexilo");
    } else if (askOnlyIfMissing) {
        return 0;
    }
    // Shown without an owner, as the first window of the program.
    HomeDirDialog dialog(fromNative(proposed));
    return dialog.exec();
}

} // namespace ui
