#include "dialogs/home_dir.h"

#include "dialogs/artwork.h"
#include "dialogs/file_dialogs.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/settings.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
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
        banner->setPixmap(homeBanner(440));
        auto* text = new QLabel(QStringLiteral("データ保存フォルダを指定してください"), this);
        auto* label = new QLabel(QStringLiteral("フォルダ名"), this);
        m_edit = new QLineEdit(proposed, this);
        m_edit->setObjectName(QStringLiteral("1051"));
        m_edit->setMinimumWidth(300);
        m_edit->setCursorPosition(0);
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
        setFixedWidth(440);
    }

    void accept() override
    {
        // A relative name would depend on the folder the program was started from.
        QString path = m_edit->text().trimmed();
        if (!path.isEmpty())
            path = QFileInfo(path).absoluteFilePath();
        const std::string native = toNative(path);
        if (!platform::isDirectory(native)) {
            if (native.empty() || ::mkdir(native.c_str(), 0755) != 0) {
                QMessageBox::critical(this, QStringLiteral("UI"),
                                      boxText("Create HomeDir failed\r\n\r\n") + path);
                return;
            }
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

    void reject() override { done(1); }

  private:
    void browse()
    {
        const QString folder = pickFolder(this, QStringLiteral("Home Directory"), m_edit->text());
        if (!folder.isEmpty())
            m_edit->setText(folder);
    }

    QLineEdit* m_edit;
};

} // namespace

int makeHomeDir(QWidget*, bool askOnlyIfMissing)
{
    const std::string registered = platform::homeDir();
    std::string proposed = registered;
    if (registered.empty() || !platform::isDirectory(registered)) {
        const std::string documents = platform::documentsFolder();
        std::error_code ec;
        std::filesystem::create_directories(documents, ec);
        proposed = platform::joinPath(documents, "My Vexilo");
    } else if (askOnlyIfMissing) {
        return 0;
    }
    // Shown without an owner, as the first window of the program.
    HomeDirDialog dialog(fromNative(proposed));
    return dialog.exec();
}

} // namespace ui
