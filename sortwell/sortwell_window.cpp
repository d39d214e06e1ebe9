#include "sortwell/sortwell_window.h"

#include "dialogs/ui.h"
#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/settings.h"
#include "platform/trace.h"
#include "sortwell/sortwell_load.h"
#include "store/label_steps.h"
#include "store/load_failure.h"
#include "store/log_container.h"
#include "toolkit/controls.h"
#include "toolkit/qt_glue.h"
#include "toolkit/stat_list.h"
#include "views/links.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QShortcut>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

namespace sortwell {

using namespace toolkit;

namespace {

constexpr int kToolbarWidth = 23;
constexpr int kToolbarHeight = 200;
constexpr int kBottomHeight = 160;
constexpr int kBarHeight = 4; // the bar above the bottom pane

QString fromNative(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

QString fromText(const std::string& cp932)
{
    return fromCp932(cp932);
}

std::string toText(const QString& text)
{
    return platform::utf8ToCp932(text.toStdString());
}

void defaultErrorBox(QWidget* owner, const QString& text)
{
    QMessageBox::critical(owner, QString::fromLatin1(kTitle), text);
}

Desktop makeDesktop()
{
    Desktop d;
    d.openLogName = [](QWidget* owner) {
        return askFileName(owner, FileDialogKind::Open,
                           QStringLiteral("Analyzed Log File(*.vxlog) (*.vxlog)"));
    };
    d.importName = [](QWidget* owner) {
        return askFileName(owner, FileDialogKind::Open,
                           QStringLiteral("URL Group(*.urlgrp) (*.urlgrp);;All(*.*) (*)"));
    };
    d.exportName = [](QWidget* owner, const std::string&) {
        return askFileName(owner, FileDialogKind::Save,
                           QStringLiteral("URL Group(*.urlgrp) (*.urlgrp)"),
                           QStringLiteral("urlgrp"));
    };
    d.askToSave = [](QWidget* owner) {
        return static_cast<int>(QMessageBox::question(
            owner, QString::fromLatin1(kTitle), QStringLiteral("変更内容を保存しますか？"),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes));
    };
    d.askGroupName = [](QWidget* owner, const QString& title, Mode mode, const TextTable& table,
                        const std::string& current,
                        const QPoint& at) -> std::optional<std::string> {
        const std::string proposed = current.empty() ? table.proposeName(mode) : current;
        std::unique_ptr<QDialog> dialog(
            makeNameDialog(owner, title, mode, table, current, proposed));
        dialog->move(at);
        const int answer = dialog->exec();
        // Without a window manager the focus would not come back by itself.
        if (owner)
            owner->activateWindow();
        if (answer != QDialog::Accepted)
            return std::nullopt;
        return toText(dialog->findChild<QLineEdit*>()->text());
    };
    d.errorBox = defaultErrorBox;
    d.openUrl = [](const QString& url) { return QDesktopServices::openUrl(QUrl(url)); };
    d.openPath = [](const std::string& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(fromNative(path)));
    };
    return d;
}

// The small pictures of the lists, 10 by 12: a page, a group of pages, an address, a group
// of addresses, anything else.
void drawTextIcon(QPainter& p, const QRect& r, TextKind kind, bool group)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box(r.x() + 0.5, r.y() + 0.5, 9, 11);
    QColor ink = kind == TextKind::Path      ? (group ? QColor(96, 32, 0) : QColor(0, 64, 0))
                 : kind == TextKind::Address ? (group ? QColor(64, 0, 64) : QColor(0, 0, 128))
                                             : QColor(Qt::black);
    p.setPen(QPen(ink, 1));
    if (group) {
        // A folder: tab and body.
        QPainterPath folder;
        folder.moveTo(box.left(), box.top() + 3);
        folder.lineTo(box.left() + 3.5, box.top() + 3);
        folder.lineTo(box.left() + 4.5, box.top() + 1.5);
        folder.lineTo(box.right(), box.top() + 1.5);
        folder.lineTo(box.right(), box.bottom() - 1);
        folder.lineTo(box.left(), box.bottom() - 1);
        folder.closeSubpath();
        QColor fill = ink;
        fill.setAlpha(60);
        p.setBrush(fill);
        p.drawPath(folder);
    } else if (kind == TextKind::Address) {
        const QRectF globe(box.left(), box.top() + 1.5, 9, 9);
        p.setBrush(Qt::white);
        p.drawEllipse(globe);
        p.drawLine(QPointF(globe.left(), globe.center().y()),
                   QPointF(globe.right(), globe.center().y()));
        p.drawEllipse(QRectF(globe.center().x() - 2, globe.top(), 4, globe.height()));
    } else {
        // A sheet with a folded corner.
        QPainterPath sheet;
        sheet.moveTo(box.left() + 0.5, box.top());
        sheet.lineTo(box.right() - 3, box.top());
        sheet.lineTo(box.right() - 0.5, box.top() + 2.5);
        sheet.lineTo(box.right() - 0.5, box.bottom());
        sheet.lineTo(box.left() + 0.5, box.bottom());
        sheet.closeSubpath();
        p.setBrush(Qt::white);
        p.drawPath(sheet);
        p.drawLine(QPointF(box.left() + 2.5, box.top() + 5),
                   QPointF(box.right() - 2.5, box.top() + 5));
        p.drawLine(QPointF(box.left() + 2.5, box.top() + 7.5),
                   QPointF(box.right() - 2.5, box.top() + 7.5));
    }
    p.restore();
}

QColor textColour(TextKind kind, bool group)
{
    switch (kind) {
    case TextKind::Path:
        return group ? QColor(96, 32, 0) : QColor(0, 64, 0);
    case TextKind::Address:
        return group ? QColor(64, 0, 64) : QColor(0, 0, 128);
    default:
        return Qt::black;
    }
}

// The toolbar's pictures, 16 by 32: move into a group, take out, save, new group and move.
QPixmap toolbarStrip()
{
    const qreal ratio = 2;
    QPixmap strip(QSize(16 * 4, 32) * ratio);
    strip.setDevicePixelRatio(ratio);
    strip.fill(Qt::transparent);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(0x2b, 0x4f, 0x81);
    auto arrow = [&](qreal x, bool right) {
        QPainterPath a;
        const qreal y = 16;
        if (right) {
            a.moveTo(x + 2, y - 2.5);
            a.lineTo(x + 8, y - 2.5);
            a.lineTo(x + 8, y - 6);
            a.lineTo(x + 14, y);
            a.lineTo(x + 8, y + 6);
            a.lineTo(x + 8, y + 2.5);
            a.lineTo(x + 2, y + 2.5);
        } else {
            a.moveTo(x + 14, y - 2.5);
            a.lineTo(x + 8, y - 2.5);
            a.lineTo(x + 8, y - 6);
            a.lineTo(x + 2, y);
            a.lineTo(x + 8, y + 6);
            a.lineTo(x + 8, y + 2.5);
            a.lineTo(x + 14, y + 2.5);
        }
        a.closeSubpath();
        p.setPen(QPen(ink.darker(130), 0.8));
        p.setBrush(ink);
        p.drawPath(a);
    };
    arrow(0, true);
    arrow(16, false);
    // A disk.
    {
        const QRectF d(32 + 2, 9, 12, 13);
        p.setPen(QPen(ink.darker(130), 0.8));
        p.setBrush(ink);
        p.drawRoundedRect(d, 1.5, 1.5);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(d.left() + 2.5, d.top() + 0.5, 7, 4.5));
        p.drawRect(QRectF(d.left() + 2, d.bottom() - 5, 8, 4.5));
    }
    // A plus over an arrow.
    arrow(48, true);
    p.setPen(QPen(QColor(0x1e, 0x8a, 0x3c), 2));
    p.drawLine(QPointF(48 + 4, 5), QPointF(48 + 4, 11));
    p.drawLine(QPointF(48 + 1, 8), QPointF(48 + 7, 8));
    return strip;
}

class Client;

// A pane's list of texts (left: the mode's texts in no group; right: a group's members)
// or of full referers (bottom).
class Pane : public Handler, public ListOwner
{
  public:
    enum class Kind { Texts, Members, Referers };
    explicit Pane(Kind kind) : m_kind(kind) {}

    LResult onMessage(Window& self, unsigned msg, WParam wParam, LParam lParam) override;

    QString cellText(int row, int subitem) const override;
    void drawCell(QPainter& p, int row, int subitem, const CellState& state, const QRect& rect,
                  Qt::Alignment alignment) const override;
    void sortRows(unsigned sortType) override;

    // Fills the list anew from the document, keeping the selection of texts still listed.
    void fill();
    void empty();
    std::vector<std::string> selectedTexts() const;
    void selectTexts(const std::vector<std::string>& texts);
    StatList* list() const { return m_list; }
    QComboBox* selector() const { return m_selector; }
    QLineEdit* bar() const { return m_bar; }
    // The group the right pane shows ("" none).
    std::string group() const;
    void selectGroup(const std::string& name);
    // Shows the full referers behind a text (bottom pane).
    void showReferers(const std::string& text);
    const std::vector<std::string>& rows() const { return m_rows; }

  private:
    void created(Window& self, Client* client);
    void contextMenu(const QPoint& at);
    void selectionChanged();
    void updateCounter();
    void fillGroups();

    Kind m_kind;
    Client* m_client = nullptr;
    Window* m_self = nullptr;
    StatList* m_list = nullptr;
    QComboBox* m_selector = nullptr;
    QLineEdit* m_bar = nullptr;
    QLabel* m_counter = nullptr;
    std::vector<std::string> m_rows;
    std::vector<std::uint32_t> m_counts; // referers
    unsigned m_sortType = 2;             // by text
    bool m_filling = false;
};

class Client : public Handler
{
  public:
    LResult onMessage(Window& self, unsigned msg, WParam wParam, LParam lParam) override;

    Document doc;
    bool open() const { return !doc.groupFile.empty(); }
    Pane* pane(int id) const
    {
        Window* w = child(m_self, id);
        return w ? static_cast<Pane*>(w->handler()) : nullptr;
    }
    void setModified(bool on);
    void updateButtons();
    void modeChanged(int index);
    void groupChosen();
    void expressionEdited(const QString& text);
    void selectByPattern();
    void showReferersOf(const std::string& text);
    Window* self() const { return m_self; }
    QWidget* owner() const { return m_self ? m_self->window() : nullptr; }

    // Asks whether to save; false when the user cancelled.
    bool askToKeep();

  private:
    void created(Window& self);
    void layOut();
    LResult onCommand(int id, LParam arg);
    void openLog(const char* path);
    void closeLog();
    bool save();
    void exportFile();
    void importFile();
    bool createGroup(std::string* made);
    void renameGroup();
    void moveInto();
    void takeOut();
    void removeAll();
    void fillPanes();
    void updateTitle();

    Window* m_self = nullptr;
    Window* m_toolbar = nullptr;
    Window* m_separator = nullptr;
    Window* m_bottomBar = nullptr;
    int m_bottomTop = -1; // the bottom pane's top edge, -1 until the first layout
};

// ---- Pane -----------------------------------------------------------------------------

LResult Pane::onMessage(Window& self, unsigned msg, WParam wParam, LParam lParam)
{
    switch (msg) {
    case WM_CREATE:
        created(self, reinterpret_cast<Client*>(lParam));
        return 0;
    case WM_NOTIFY:
        if (auto* header = reinterpret_cast<NotifyHeader*>(lParam);
            header && header->code == LVN_ITEMCHANGED && !m_filling)
            selectionChanged();
        else if (header && header->code == NM_DBLCLK && m_kind == Kind::Referers) {
            const auto* notify = reinterpret_cast<ListNotify*>(header);
            if (notify->row >= 0 && notify->row < static_cast<int>(m_rows.size()) &&
                views::isOpenableUrl(m_rows[static_cast<std::size_t>(notify->row)]))
                desktop().openUrl(fromText(m_rows[static_cast<std::size_t>(notify->row)]));
        }
        return 0;
    case WM_COMMAND:
        if (loWord(wParam) == kCmdRemoveAll) { // Escape in the list
            m_list->clearSelectedRows();
            selectionChanged();
            return 0;
        }
        if (loWord(wParam) == kCmdSelectAll) {
            std::vector<int> all(m_rows.size());
            for (std::size_t i = 0; i < all.size(); ++i)
                all[i] = static_cast<int>(i);
            m_list->setSelectedRows(all);
            selectionChanged();
            return 0;
        }
        return command(m_client->self(), loWord(wParam), lParam);
    default:
        return defaultProc(self, msg, wParam, lParam);
    }
}

void Pane::created(Window& self, Client* client)
{
    m_self = &self;
    m_client = client;
    auto* layout = new QVBoxLayout(&self);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* title = new QHBoxLayout;
    title->setContentsMargins(4, 2, 4, 0);
    if (m_kind == Kind::Texts) {
        m_selector = new QComboBox(&self);
        m_selector->setObjectName(QStringLiteral("2001"));
        m_selector->addItems(
            {QStringLiteral("Requestグループの編集"), QStringLiteral("Refererグループの編集")});
        m_selector->setToolTip(QStringLiteral("編集するグループの種類"));
        QObject::connect(m_selector, &QComboBox::currentIndexChanged, &self,
                         [this](int index) { m_client->modeChanged(index); });
        title->addWidget(m_selector, 1);
        m_counter = new QLabel(&self);
        m_counter->setObjectName(QStringLiteral("2003"));
        m_counter->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_counter->setMinimumWidth(110);
        title->addWidget(m_counter);
    } else if (m_kind == Kind::Members) {
        auto* label = new QLabel(QStringLiteral("Group"), &self);
        label->setStyleSheet(QStringLiteral("font-weight: bold"));
        title->addWidget(label);
        m_selector = new QComboBox(&self);
        m_selector->setObjectName(QStringLiteral("2001"));
        m_selector->setToolTip(QStringLiteral("表示するグループ"));
        m_selector->setMaxVisibleItems(20);
        QObject::connect(m_selector, &QComboBox::currentIndexChanged, &self, [this](int) {
            if (!m_filling)
                m_client->groupChosen();
        });
        title->addWidget(m_selector, 1);
        for (const auto& [text, id, tip] :
             {std::tuple{"名前", kCmdRename, "選んだグループの名前を変更"},
              std::tuple{"新規", kCmdNewGroup, "新しいグループを作成"}}) {
            auto* button = new QToolButton(&self);
            button->setText(QString::fromUtf8(text));
            button->setToolTip(QString::fromUtf8(tip));
            button->setObjectName(QString::number(id));
            button->setAutoRaise(true);
            const int command = id;
            QObject::connect(button, &QToolButton::clicked, &self,
                             [this, command] { toolkit::command(m_client->self(), command); });
            title->addWidget(button);
        }
    } else {
        auto* label = new QLabel(QStringLiteral("FullReferer"), &self);
        label->setStyleSheet(QStringLiteral("font-weight: bold"));
        title->addWidget(label, 1);
    }
    layout->addLayout(title);

    m_list = new StatList(&self, this, kIdList);
    if (m_kind == Kind::Referers)
        m_list->setColumns({{QStringLiteral("Visitor"), 60, Qt::AlignRight},
                            {QStringLiteral("FullReferer"), 600, Qt::AlignLeft}});
    else
        m_list->setColumns({{QStringLiteral("Visitor"), 60, Qt::AlignRight,
                             QStringLiteral("このURLを見た訪問者の数 (グループは中身の合計)")},
                            {QStringLiteral("URL"), 400, Qt::AlignLeft}});
    m_sortType = m_kind == Kind::Referers ? 1 : 2;
    m_list->setSortType(m_sortType);
    m_list->setSelectionMode(m_kind == Kind::Referers ? QAbstractItemView::SingleSelection
                                                      : QAbstractItemView::ExtendedSelection);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(m_list, &QWidget::customContextMenuRequested, m_list,
                     [this](const QPoint& at) { contextMenu(at); });
    layout->addWidget(m_list, 1);

    if (m_kind != Kind::Referers) {
        auto* row = new QHBoxLayout;
        row->setContentsMargins(4, 0, 4, 3);
        auto* label = new QLabel(m_kind == Kind::Texts ? QStringLiteral("パターン選択")
                                                       : QStringLiteral("自動グループ化"),
                                 &self);
        row->addWidget(label);
        m_bar = new QLineEdit(&self);
        m_bar->setObjectName(QStringLiteral("1002"));
        m_bar->setClearButtonEnabled(true);
        if (m_kind == Kind::Texts) {
            m_bar->setPlaceholderText(QStringLiteral("正規表現 (Enter で一致する行を選択)"));
            m_bar->setToolTip(QStringLiteral("正規表現に一致するURLをすべて選択します"));
            QObject::connect(m_bar, &QLineEdit::returnPressed, &self,
                             [this] { toolkit::command(m_client->self(), kCmdSelectPattern); });
        } else {
            m_bar->setPlaceholderText(
                QStringLiteral("正規表現 (次に開くとき一致するURLを集めます)"));
            m_bar->setToolTip(QStringLiteral("このグループの正規表現: "
                                             "ログを開くとき、一致してまだどのグループにも入ってい"
                                             "ないURLがこのグループに入ります"));
            m_bar->setEnabled(false);
            QObject::connect(m_bar, &QLineEdit::textEdited, &self,
                             [this](const QString& text) { m_client->expressionEdited(text); });
        }
        label->setBuddy(m_bar);
        row->addWidget(m_bar, 1);
        layout->addLayout(row);
    }
    updateCounter();
}

QString Pane::cellText(int row, int subitem) const
{
    const auto r = static_cast<std::size_t>(row);
    if (r >= m_rows.size())
        return {};
    if (subitem == 1)
        return fromText(m_rows[r]);
    if (m_kind == Kind::Referers)
        return QString::number(m_counts[r]);
    return QString::number(m_client->doc.table.total(m_rows[r]));
}

void Pane::drawCell(QPainter& p, int row, int subitem, const CellState& state, const QRect& rect,
                    Qt::Alignment alignment) const
{
    const auto r = static_cast<std::size_t>(row);
    const QColor highlight =
        state.listFocused ? QApplication::palette().highlight().color() : QColor(0xc8, 0xc8, 0xc8);
    p.fillRect(rect, state.selected ? highlight : QColor(Qt::white));
    // The line under each row: blue under the focused one.
    p.setPen(state.focused && state.listFocused ? QColor(0, 0, 255) : QColor(Qt::white));
    p.drawLine(rect.bottomLeft(), rect.bottomRight());
    if (r >= m_rows.size())
        return;
    const std::string& text = m_rows[r];
    const TextKind kind = m_kind == Kind::Referers ? TextKind::Address : kindOf(text);
    const bool group = m_kind != Kind::Referers && m_client->doc.table.isGroup(text);
    QRect textRect = rect;
    if (subitem == 1) {
        drawTextIcon(p, QRect(rect.left() + 2, rect.top() + (rect.height() - 12) / 2, 10, 12), kind,
                     group);
        textRect.setLeft(rect.left() + 13);
        p.setPen(state.selected && state.listFocused ? QColor(Qt::white) : textColour(kind, group));
    } else {
        p.setPen(state.selected && state.listFocused ? QColor(Qt::white) : QColor(Qt::black));
    }
    QFont font = p.font();
    font.setBold(subitem == 1 && group);
    p.setFont(font);
    drawCellText(p, textRect, alignment, cellText(row, subitem), state,
                 m_kind == Kind::Referers ? Qt::ElideMiddle : Qt::ElideRight);
}

void Pane::sortRows(unsigned sortType)
{
    m_sortType = sortType;
    const TextTable& table = m_client->doc.table;
    std::vector<std::size_t> order(m_rows.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    const bool descending = sortType & 1;
    const bool byText = sortType / 2 == 1;
    std::vector<std::uint64_t> counts(m_rows.size());
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        counts[i] = m_kind == Kind::Referers ? m_counts[i] : table.total(m_rows[i]);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const int c = byText ? platform::compareDictionary(m_rows[a], m_rows[b])
                             : (counts[a] < counts[b]   ? -1
                                : counts[a] > counts[b] ? 1
                                                        : 0);
        if (c == 0)
            return platform::compareDictionary(m_rows[a], m_rows[b]) < 0;
        return descending ? c > 0 : c < 0;
    });
    std::vector<std::string> rows;
    std::vector<std::uint32_t> referers;
    for (std::size_t i : order) {
        rows.push_back(std::move(m_rows[i]));
        if (m_kind == Kind::Referers)
            referers.push_back(m_counts[i]);
    }
    m_rows = std::move(rows);
    m_counts = std::move(referers);
}

std::string Pane::group() const
{
    if (!m_selector || m_kind != Kind::Members || m_selector->currentIndex() < 0)
        return {};
    return m_selector->currentData().toByteArray().toStdString();
}

void Pane::fillGroups()
{
    const std::string keep = group();
    m_filling = true;
    m_selector->clear();
    if (m_client->open())
        for (const std::string& g : m_client->doc.table.groupsOf(m_client->doc.mode))
            m_selector->addItem(fromText(g), QByteArray::fromStdString(g));
    const int at = m_selector->findData(QByteArray::fromStdString(keep));
    m_selector->setCurrentIndex(at >= 0 ? at : (m_selector->count() ? 0 : -1));
    m_filling = false;
    const std::string now = group();
    const TextEntry* e = now.empty() ? nullptr : m_client->doc.table.find(now);
    m_bar->setEnabled(e != nullptr);
    if (!m_bar->hasFocus() || now != keep)
        m_bar->setText(e ? fromText(e->regexp) : QString());
}

void Pane::selectGroup(const std::string& name)
{
    const int at = m_selector->findData(QByteArray::fromStdString(name));
    if (at >= 0)
        m_selector->setCurrentIndex(at);
}

void Pane::fill()
{
    const std::vector<std::string> keep = selectedTexts();
    const int focusedRow = m_list->currentIndex().row();
    Document& doc = m_client->doc;
    if (m_kind == Kind::Members)
        fillGroups();
    if (m_kind == Kind::Texts)
        m_rows = m_client->open() ? doc.table.ungrouped(doc.mode) : std::vector<std::string>();
    else if (m_kind == Kind::Members)
        m_rows = m_client->open() && !group().empty() ? doc.table.members(group())
                                                      : std::vector<std::string>();
    sortRows(m_sortType);
    m_filling = true;
    m_list->setRowCount(static_cast<int>(m_rows.size()));
    m_list->refresh();
    selectTexts(keep);
    if (m_list->selectedRows().empty() && focusedRow >= 0 && !m_rows.empty())
        m_list->setCurrentIndex(
            m_list->model()->index(std::min(focusedRow, static_cast<int>(m_rows.size()) - 1), 1));
    m_filling = false;
    updateCounter();
}

void Pane::empty()
{
    m_rows.clear();
    m_counts.clear();
    m_filling = true;
    m_list->clearSelectedRows();
    m_list->setRowCount(0);
    if (m_kind == Kind::Members) {
        m_selector->clear();
        m_bar->clear();
        m_bar->setEnabled(false);
    }
    m_filling = false;
    updateCounter();
}

std::vector<std::string> Pane::selectedTexts() const
{
    std::vector<std::string> out;
    for (int row : m_list->selectedRows())
        if (row >= 0 && row < static_cast<int>(m_rows.size()))
            out.push_back(m_rows[static_cast<std::size_t>(row)]);
    return out;
}

void Pane::selectTexts(const std::vector<std::string>& texts)
{
    std::vector<int> rows;
    for (const std::string& t : texts) {
        const auto at = std::find(m_rows.begin(), m_rows.end(), t);
        if (at != m_rows.end())
            rows.push_back(static_cast<int>(at - m_rows.begin()));
    }
    m_list->setSelectedRows(rows);
}

void Pane::showReferers(const std::string& text)
{
    m_rows.clear();
    m_counts.clear();
    if (!text.empty())
        for (auto& [address, n] : m_client->doc.table.fullReferers(text)) {
            m_rows.push_back(address);
            m_counts.push_back(n);
        }
    sortRows(m_sortType);
    m_filling = true;
    m_list->clearSelectedRows();
    m_list->setRowCount(static_cast<int>(m_rows.size()));
    m_list->refresh();
    m_filling = false;
}

void Pane::selectionChanged()
{
    updateCounter();
    m_client->updateButtons();
    if (m_kind != Kind::Referers) {
        const std::vector<std::string> selected = selectedTexts();
        if (!selected.empty())
            m_client->showReferersOf(selected.front());
    }
}

void Pane::updateCounter()
{
    if (!m_counter)
        return;
    m_counter->setText(QStringLiteral("%1 / %2 items")
                           .arg(m_list ? m_list->selectedRows().size() : 0)
                           .arg(m_rows.size()));
}

void Pane::contextMenu(const QPoint& at)
{
    const int row = m_list->rowAt(at.y());
    if (row < 0)
        return;
    // A right click selects the row it is on (keeping a selection that holds it).
    const std::vector<int> selected = m_list->selectedRows();
    if (std::find(selected.begin(), selected.end(), row) == selected.end()) {
        m_list->setSelectedRows({row});
        selectionChanged();
    }
    const std::string clicked = m_rows[static_cast<std::size_t>(row)];
    QMenu menu(m_list);
    std::vector<std::pair<QAction*, int>> actions;
    auto add = [&](const char* text, int id, bool enabled) {
        QAction* a = menu.addAction(QString::fromUtf8(text));
        a->setEnabled(enabled);
        actions.emplace_back(a, id);
    };
    if (m_kind == Kind::Texts) {
        add("このグループを編集(&E)", kCmdEditGroup, m_client->doc.table.isGroup(clicked));
        menu.addSeparator();
        add("グループへ移動(&G)\tCtrl+Right", kCmdMoveInto, true);
        add("新しいグループを作成して移動(&N)", kCmdNewAndMove, true);
    } else if (m_kind == Kind::Members) {
        add("グループから除外(&U)\tCtrl+Left", kCmdTakeOut, true);
    } else {
        add("開く(&O)", kCmdOpenReferer, views::isOpenableUrl(clicked));
    }
    QAction* chosen = menu.exec(m_list->viewport()->mapToGlobal(at));
    for (const auto& [action, id] : actions) {
        if (action != chosen)
            continue;
        if (m_kind == Kind::Referers)
            desktop().openUrl(fromText(clicked));
        else if (id == kCmdEditGroup)
            m_client->pane(kIdRightPane)->selectGroup(clicked);
        else
            toolkit::command(m_client->self(), id);
    }
}

// ---- Client ---------------------------------------------------------------------------

struct LoadJob
{
    store::LogContainer log;
    TextTable* table = nullptr;
    std::string dataFolder;
    std::string importPath; // import instead of a load
};

int runLoad(UiLabel* label, std::atomic<float>* progress, void* context)
{
    auto* job = static_cast<LoadJob*>(context);
    store::LabelSteps text(label);
    if (!job->importPath.empty()) {
        text.setText("URLグループを読み込み中");
        const int rc = importGroupFile(*job->table, job->importPath);
        progress->store(1);
        return rc;
    }
    return loadForSortwell(job->log, *job->table, &text, *progress, job->dataFolder);
}

LResult Client::onMessage(Window& self, unsigned msg, WParam wParam, LParam lParam)
{
    switch (msg) {
    case WM_CREATE:
        created(self);
        return 0;
    case WM_SIZE:
        layOut();
        return 0;
    case WM_COMMAND:
        return onCommand(loWord(wParam), lParam);
    case WM_NOTIFY:
        if (auto* request = reinterpret_cast<ToolTipRequest*>(lParam);
            request && request->hdr.code == TTN_GETDISPINFO) {
            switch (request->item) {
            case kCmdNewAndMove:
                request->text = QStringLiteral("新しいグループを作成して移動");
                break;
            case kCmdMoveInto:
                request->text = QStringLiteral("URLをグループに移動");
                break;
            case kCmdTakeOut:
                request->text = QStringLiteral("URLをグループから除外");
                break;
            case kCmdSave:
                request->text = QStringLiteral("上書き保存");
                break;
            default:
                break;
            }
        }
        return 0;
    default:
        return defaultProc(self, msg, wParam, lParam);
    }
}

void Client::created(Window& self)
{
    m_self = &self;
    const int w = std::max(self.width(), 400);
    m_separator = create(kSeparatorClass, &self, kIdSeparator,
                         QRect((w - kToolbarWidth) / 2 - 20, 0, kToolbarWidth, self.height()));
    create("WC_VIEW1", &self, kIdLeftPane, QRect(), this);
    create("WC_VIEW2", &self, kIdRightPane, QRect(), this);
    create("WC_VIEW3", &self, kIdBottomPane, QRect(), this);
    m_bottomBar = create(kSeparatorClass, &self, kIdBottomSeparator, QRect(0, 0, 10, kBarHeight),
                         nullptr, WS_VISIBLE | SPS_HORIZONTAL);
    m_toolbar = create(kToolbarClass, &self, kIdToolbar, QRect(0, 0, kToolbarWidth, kToolbarHeight),
                       nullptr, WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_WRAPABLE | TBSTYLE_TOOLTIPS);
    if (m_toolbar) {
        if (auto* bar = m_toolbar->findChild<QToolBar*>())
            bar->setOrientation(Qt::Vertical);
        send(m_toolbar, TB_SETBITMAPSIZE, 0, makeLParam(16, 32));
        const QPixmap strip = toolbarStrip();
        send(m_toolbar, TB_ADDBITMAP, 4, reinterpret_cast<LParam>(&strip));
        std::vector<TbButton> buttons(6);
        buttons[0] = {3, kCmdNewAndMove, 0, BTNS_BUTTON, {}, 0};
        buttons[1] = {-1, 0, TBSTATE_ENABLED, BTNS_SEP, {}, 0};
        buttons[2] = {0, kCmdMoveInto, 0, BTNS_BUTTON, {}, 0};
        buttons[3] = {1, kCmdTakeOut, 0, BTNS_BUTTON, {}, 0};
        buttons[4] = {-1, 0, TBSTATE_ENABLED, BTNS_SEP, {}, 0};
        buttons[5] = {2, kCmdSave, 0, BTNS_BUTTON, {}, 0};
        send(m_toolbar, TB_ADDBUTTONS, buttons.size(), reinterpret_cast<LParam>(buttons.data()));
        m_toolbar->raise();
    }
    // Escape in a list clears its selection; Ctrl+A selects all its rows.
    for (int id : {kIdLeftPane, kIdRightPane, kIdBottomPane})
        if (Pane* p = pane(id)) {
            auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), p->list(), nullptr, nullptr,
                                         Qt::WidgetShortcut);
            Window* paneWindow = child(&self, id);
            QObject::connect(escape, &QShortcut::activated, p->list(),
                             [paneWindow] { post(paneWindow, WM_COMMAND, kCmdRemoveAll); });
        }
    layOut();
}

void Client::layOut()
{
    if (!m_self || !m_separator)
        return;
    const int w = m_self->width(), h = m_self->height();
    const bool referers = doc.mode == Mode::Referer;
    if (m_bottomTop < 0 || !referers)
        m_bottomTop = std::max(200, h - kBottomHeight - kBarHeight);
    if (m_bottomBar && referers && m_bottomBar->y() != m_bottomTop && m_bottomBar->isVisible())
        m_bottomTop = m_bottomBar->y();
    m_bottomTop = std::clamp(m_bottomTop, std::min(200, h), std::max(0, h - 24));
    const int upper = referers ? m_bottomTop : h;
    const int sep = std::clamp(m_separator->x(), 60, std::max(60, w - kToolbarWidth - 60));
    auto place = [](Window* window, const QRect& r) {
        if (window && window->geometry() != r)
            setWindowPos(window, r);
    };
    place(m_separator, QRect(sep, 0, kToolbarWidth, upper));
    place(child(m_self, kIdLeftPane), QRect(0, 0, sep, upper));
    place(child(m_self, kIdRightPane),
          QRect(sep + kToolbarWidth, 0, std::max(0, w - sep - kToolbarWidth), upper));
    place(m_toolbar,
          QRect(sep, std::max(0, (upper - kToolbarHeight) / 2), kToolbarWidth, kToolbarHeight));
    if (m_toolbar)
        m_toolbar->raise();
    if (Window* bottom = child(m_self, kIdBottomPane)) {
        bottom->setVisible(referers);
        m_bottomBar->setVisible(referers);
        if (referers) {
            place(m_bottomBar, QRect(0, m_bottomTop, w, kBarHeight));
            place(bottom,
                  QRect(0, m_bottomTop + kBarHeight, w, std::max(0, h - m_bottomTop - kBarHeight)));
        }
    }
}

LResult Client::onCommand(int id, LParam arg)
{
    switch (id) {
    case kCmdOpen:
        openLog(reinterpret_cast<const char*>(arg));
        return 0;
    case kCmdClose:
        if (askToKeep())
            closeLog();
        return 0;
    case kCmdSave:
        save();
        return 0;
    case kCmdExport:
        exportFile();
        return 0;
    case kCmdImport:
        importFile();
        return 0;
    case kCmdExit:
        if (owner())
            owner()->close();
        return 0;
    case kCmdRemoveAll:
        removeAll();
        return 0;
    case kCmdManual: {
        const std::string path = platform::programPath("manual/index_sw.html");
        if (!platform::fileExists(path))
            desktop().errorBox(
                owner(), QStringLiteral("マニュアルが見つかりません。\n%1").arg(fromNative(path)));
        else
            desktop().openPath(path);
        return 0;
    }
    case kCmdMoveInto:
        moveInto();
        return 0;
    case kCmdTakeOut:
        takeOut();
        return 0;
    case kCmdNewAndMove:
    case kCmdNewGroup: {
        if (!open())
            return 0;
        std::string made;
        if (createGroup(&made) && id == kCmdNewAndMove)
            moveInto();
        return 0;
    }
    case kCmdRename:
        renameGroup();
        return 0;
    case kCmdSelectPattern:
        selectByPattern();
        return 0;
    case kCmdSelectAll: {
        QWidget* focus = QApplication::focusWidget();
        for (int p : {kIdLeftPane, kIdRightPane, kIdBottomPane})
            if (Pane* pn = pane(p); pn && focus == pn->list())
                command(child(m_self, p), kCmdSelectAll);
        return 0;
    }
    default:
        return 0;
    }
}

bool Client::askToKeep()
{
    while (doc.modified) {
        const int answer = desktop().askToSave(owner());
        if (answer == QMessageBox::Cancel)
            return false;
        if (answer == QMessageBox::No)
            return true;
        save();
    }
    return true;
}

void Client::openLog(const char* path)
{
    if (!askToKeep())
        return;
    std::string file = path ? path : "";
    if (file.empty()) {
        file = desktop().openLogName(owner());
        if (file.empty())
            return;
    }
    closeLog();
    auto job = std::make_unique<LoadJob>();
    job->log.logPath = file;
    job->log.tidyHostCache = false;
    job->dataFolder = platform::homeDir();
    TextTable table;
    job->table = &table;
    const int rc = uiAsyncOpen(owner(), runLoad, job.get());
    platform::trace("Sortwell open %s: %d", file.c_str(), rc);
    if (rc != 0) {
        if (const std::string text = store::sideProgramOpenFailure(rc); !text.empty())
            desktop().errorBox(owner(), QString::fromStdString(text));
        return;
    }
    doc.table = std::move(table);
    doc.logPath = file;
    doc.groupFile = platform::joinPath(job->dataFolder, groupFileName(job->log));
    fillPanes();
    setModified(false);
}

void Client::closeLog()
{
    doc.table.clear();
    doc.logPath.clear();
    doc.groupFile.clear();
    for (int id : {kIdLeftPane, kIdRightPane, kIdBottomPane})
        if (Pane* p = pane(id))
            p->empty();
    setModified(false);
}

bool Client::save()
{
    if (!open())
        return false;
    const std::string folder = platform::folderOf(doc.groupFile);
    const std::string name = doc.groupFile.substr(folder.size() + (folder.empty() ? 0 : 1));
    const int rc = saveGroupFile(doc.table, folder, name);
    platform::trace("Sortwell save %s: %d", doc.groupFile.c_str(), rc);
    if (rc != 0) {
        desktop().errorBox(owner(), QStringLiteral("Save failed\n%1\n%2")
                                        .arg(fromNative(doc.groupFile),
                                             QString::fromStdString(platform::errorText(rc))));
        return false;
    }
    setModified(false);
    return true;
}

void Client::exportFile()
{
    if (!open())
        return;
    const std::string path = desktop().exportName(owner(), doc.groupFile);
    if (path.empty())
        return;
    if (const int rc = exportGroupFile(doc.table, path))
        desktop().errorBox(
            owner(), QStringLiteral("Save failed\n%1\n%2")
                         .arg(fromNative(path), QString::fromStdString(platform::errorText(rc))));
}

void Client::importFile()
{
    if (!open())
        return;
    const std::string path = desktop().importName(owner());
    if (path.empty())
        return;
    for (int id : {kIdLeftPane, kIdRightPane, kIdBottomPane})
        if (Pane* p = pane(id))
            p->empty();
    LoadJob job;
    job.table = &doc.table;
    job.importPath = path;
    const int rc = uiAsyncOpen(owner(), runLoad, &job);
    if (rc != 0 && rc != int(platform::kErrCancelled))
        desktop().errorBox(
            owner(), QString::fromStdString(store::failureWithCode("Import Group failed", rc)));
    fillPanes();
    setModified(true);
}

bool Client::createGroup(std::string* made)
{
    Pane* right = pane(kIdRightPane);
    const QPoint at = right ? right->list()->mapToGlobal(QPoint(0, 0)) : QPoint();
    const std::optional<std::string> name = desktop().askGroupName(
        owner(), QStringLiteral("New Group"), doc.mode, doc.table, std::string(), at);
    if (!name || !doc.table.checkName(doc.mode, *name, std::string()).ok)
        return false;
    doc.table.createGroup(*name);
    if (made)
        *made = *name;
    if (right) {
        right->fill();
        right->selectGroup(*name);
    }
    updateButtons();
    return true;
}

void Client::renameGroup()
{
    Pane* right = pane(kIdRightPane);
    const std::string current = right ? right->group() : std::string();
    if (current.empty())
        return;
    const std::optional<std::string> name =
        desktop().askGroupName(owner(), QStringLiteral("Rename Group"), doc.mode, doc.table,
                               current, right->list()->mapToGlobal(QPoint(0, 0)));
    if (!name || *name == current || !doc.table.rename(current, *name))
        return;
    fillPanes();
    right->selectGroup(*name);
    setModified(true);
}

void Client::moveInto()
{
    if (!open())
        return;
    Pane* left = pane(kIdLeftPane);
    Pane* right = pane(kIdRightPane);
    if (right->group().empty() && !createGroup(nullptr))
        return;
    const std::string target = right->group();
    const std::vector<int> rows = left->list()->selectedRows();
    const std::vector<std::string> texts = left->selectedTexts();
    if (texts.empty() || doc.table.moveInto(texts, target) == 0)
        return;
    const int first = rows.empty() ? 0 : *std::min_element(rows.begin(), rows.end());
    left->fill();
    left->list()->clearSelectedRows();
    if (!left->rows().empty()) {
        const int row = std::min(first, static_cast<int>(left->rows().size()) - 1);
        left->list()->setSelectedRows({row});
        left->list()->setCurrentIndex(left->list()->model()->index(row, 1));
    }
    right->fill();
    right->selectTexts(texts);
    setModified(true);
    updateButtons();
}

void Client::takeOut()
{
    if (!open())
        return;
    Pane* right = pane(kIdRightPane);
    const std::vector<std::string> texts = right->selectedTexts();
    if (texts.empty() || doc.table.takeOut(texts) == 0)
        return;
    Pane* left = pane(kIdLeftPane);
    right->fill();
    left->fill();
    left->selectTexts(texts);
    setModified(true);
    updateButtons();
}

void Client::removeAll()
{
    if (!open() || doc.table.groups().empty())
        return;
    for (int id : {kIdLeftPane, kIdRightPane, kIdBottomPane})
        if (Pane* p = pane(id))
            p->empty();
    doc.table.removeAllGroups();
    fillPanes();
    setModified(true);
}

void Client::fillPanes()
{
    if (Pane* p = pane(kIdRightPane))
        p->fill();
    if (Pane* p = pane(kIdLeftPane))
        p->fill();
    if (Pane* p = pane(kIdBottomPane))
        p->showReferers({});
    updateButtons();
}

void Client::modeChanged(int index)
{
    const Mode mode = index == 1 ? Mode::Referer : Mode::Request;
    if (mode == doc.mode)
        return;
    doc.mode = mode;
    fillPanes();
    layOut();
    for (int id : {kIdLeftPane, kIdRightPane})
        if (Pane* p = pane(id))
            p->list()->scrollToTop();
    if (Pane* left = pane(kIdLeftPane); left && !left->selectedTexts().empty())
        showReferersOf(left->selectedTexts().front());
}

void Client::groupChosen()
{
    if (Pane* p = pane(kIdRightPane))
        p->fill();
    if (Pane* p = pane(kIdRightPane); p && !p->group().empty())
        showReferersOf(p->group());
    updateButtons();
}

void Client::expressionEdited(const QString& text)
{
    Pane* right = pane(kIdRightPane);
    const std::string group = right ? right->group() : std::string();
    if (group.empty())
        return;
    if (doc.table.setExpression(group, toText(text)))
        setModified(true);
}

void Client::selectByPattern()
{
    Pane* left = pane(kIdLeftPane);
    if (!left)
        return;
    int error = 0;
    const std::vector<std::size_t> rows =
        matchingRows(left->rows(), toText(left->bar()->text()), error);
    std::vector<int> selection;
    for (std::size_t r : rows)
        selection.push_back(static_cast<int>(r));
    left->list()->clearSelectedRows();
    left->list()->setSelectedRows(selection);
    if (!selection.empty()) {
        const QModelIndex first = left->list()->model()->index(selection.front(), 1);
        left->list()->setCurrentIndex(first);
        left->list()->setSelectedRows(selection);
        left->list()->scrollTo(first, QAbstractItemView::PositionAtTop);
        // The rows found are what the next command (Ctrl+Right) takes: the list has the focus.
        left->list()->setFocus(Qt::OtherFocusReason);
    }
    // A pattern that does not compile is shown in red until it does.
    left->bar()->setStyleSheet(error ? QStringLiteral("color: #c00000") : QString());
    left->bar()->setToolTip(error ? QStringLiteral("正規表現が正しくありません (0x%1)")
                                        .arg(static_cast<unsigned>(error), 0, 16)
                                  : QStringLiteral("正規表現に一致するURLをすべて選択します"));
    updateButtons();
}

void Client::showReferersOf(const std::string& text)
{
    if (doc.mode != Mode::Referer)
        return;
    if (Pane* p = pane(kIdBottomPane))
        p->showReferers(text);
}

void Client::setModified(bool on)
{
    doc.modified = on;
    send(m_toolbar, TB_ENABLEBUTTON, kCmdSave, on && open());
    updateTitle();
    if (auto* frame = qobject_cast<SortwellFrame*>(owner()))
        frame->updateMenuState();
}

void Client::updateButtons()
{
    Pane* left = pane(kIdLeftPane);
    Pane* right = pane(kIdRightPane);
    const bool leftSelected = open() && left && !left->list()->selectedRows().empty();
    const bool rightSelected = open() && right && !right->list()->selectedRows().empty();
    send(m_toolbar, TB_ENABLEBUTTON, kCmdNewAndMove, leftSelected);
    send(m_toolbar, TB_ENABLEBUTTON, kCmdMoveInto, leftSelected);
    send(m_toolbar, TB_ENABLEBUTTON, kCmdTakeOut, rightSelected);
    send(m_toolbar, TB_ENABLEBUTTON, kCmdSave, doc.modified && open());
}

void Client::updateTitle()
{
    QWidget* frame = owner();
    if (!frame)
        return;
    if (!open()) {
        frame->setWindowTitle(QString::fromLatin1(kTitle));
        return;
    }
    const QString name = QFileInfo(fromNative(doc.groupFile)).fileName();
    frame->setWindowTitle(QStringLiteral("%1 - %2%3")
                              .arg(QString::fromLatin1(kTitle), name,
                                   doc.modified ? QStringLiteral(" *") : QString()));
}

} // namespace

// ---- The name dialog ------------------------------------------------------------------

QDialog* makeNameDialog(QWidget* owner, const QString& title, Mode mode, const TextTable& table,
                        const std::string& current, const std::string& proposed)
{
    auto* dialog = new QDialog(owner);
    dialog->setWindowTitle(title);
    auto* layout = new QVBoxLayout(dialog);
    auto* label = new QLabel(QStringLiteral("グループ名(&N):"), dialog);
    auto* edit = new QLineEdit(fromText(proposed), dialog);
    edit->setMinimumWidth(360);
    label->setBuddy(edit);
    auto* note = new QLabel(dialog);
    note->setObjectName(QStringLiteral("note"));
    note->setStyleSheet(QStringLiteral("color: #b00000"));
    note->setMinimumHeight(note->fontMetrics().height());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    layout->addWidget(label);
    layout->addWidget(edit);
    layout->addWidget(note);
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    auto check = [=, &table](const QString& text) {
        const NameCheck c = table.checkName(mode, toText(text), current);
        note->setText(QString::fromStdString(c.note));
        buttons->button(QDialogButtonBox::Ok)->setEnabled(c.ok);
    };
    QObject::connect(edit, &QLineEdit::textChanged, dialog, check);
    check(edit->text());
    edit->selectAll();
    return dialog;
}

// ---- Registration and the frame -------------------------------------------------------

Desktop& desktop()
{
    static Desktop d = makeDesktop();
    return d;
}

const Document* documentOf(Window* client)
{
    auto* c = client ? dynamic_cast<Client*>(client->handler()) : nullptr;
    return c ? &c->doc : nullptr;
}

void registerSortwellWindows()
{
    registerClass(kMainClass, [](void*) { return std::make_unique<Client>(); });
    registerClass("WC_VIEW1", [](void*) { return std::make_unique<Pane>(Pane::Kind::Texts); });
    registerClass("WC_VIEW2", [](void*) { return std::make_unique<Pane>(Pane::Kind::Members); });
    registerClass("WC_VIEW3", [](void*) { return std::make_unique<Pane>(Pane::Kind::Referers); });
}

SortwellFrame::SortwellFrame()
{
    setWindowTitle(QString::fromLatin1(kTitle));
    resize(800, 600);
    setMinimumHeight(300);
    auto* holder = new QWidget(this);
    setCentralWidget(holder);
    auto* layout = new QVBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    m_client = toolkit::create(kMainClass, holder, 0, QRect(0, 0, 800, 560));
    if (!m_client)
        return;
    layout->addWidget(m_client);
    Window* client = m_client;
    auto add = [client](QMenu* menu, const QString& text, int id, const QKeySequence& key = {}) {
        return toolkit::addMenuCommand(menu, text, client, id, key);
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    add(file, QStringLiteral("編集サイトの変更(&O)..."), kCmdOpen,
        QKeySequence(Qt::CTRL | Qt::Key_O));
    add(file, QStringLiteral("閉じる(&C)"), kCmdClose);
    file->addSeparator();
    add(file, QStringLiteral("上書き保存(&S)"), kCmdSave, QKeySequence(Qt::CTRL | Qt::Key_S));
    add(file, QStringLiteral("インポート(&I)..."), kCmdImport);
    add(file, QStringLiteral("エクスポート(&E)..."), kCmdExport);
    file->addSeparator();
    add(file, QStringLiteral("終了(&X)\tAlt+F4"), kCmdExit);
    QMenu* edit = menuBar()->addMenu(QStringLiteral("編集(&E)"));
    add(edit, QStringLiteral("グループへ移動(&G)"), kCmdMoveInto,
        QKeySequence(Qt::CTRL | Qt::Key_Right));
    add(edit, QStringLiteral("グループから除外(&U)"), kCmdTakeOut,
        QKeySequence(Qt::CTRL | Qt::Key_Left));
    add(edit, QStringLiteral("新しいグループを作成して移動(&N)..."), kCmdNewAndMove);
    edit->addSeparator();
    add(edit, QStringLiteral("すべてのグループを解除(&A)"), kCmdRemoveAll);
    QMenu* help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    add(help, QStringLiteral("マニュアル(&M)"), kCmdManual);
    for (QMenu* menu : {file, edit, help})
        connect(menu, &QMenu::aboutToShow, this, &SortwellFrame::updateMenuState);
    // Ctrl+A selects every row of the list that has the focus.
    auto* selectAll = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_A), this);
    connect(selectAll, &QShortcut::activated, this,
            [client] { toolkit::command(client, kCmdSelectAll); });
    updateMenuState();
}

SortwellFrame::~SortwellFrame() = default;

void SortwellFrame::updateMenuState()
{
    const Document* doc = documentOf(m_client);
    const bool open = doc && !doc->groupFile.empty();
    for (QAction* a : menuBar()->findChildren<QAction*>()) {
        const int id = a->data().toInt();
        if (id == kCmdClose || id == kCmdSave || id == kCmdImport || id == kCmdExport ||
            id == kCmdRemoveAll || id == kCmdMoveInto || id == kCmdTakeOut || id == kCmdNewAndMove)
            a->setEnabled(open);
    }
}

void SortwellFrame::closeEvent(QCloseEvent* event)
{
    auto* client = m_client ? dynamic_cast<Client*>(m_client->handler()) : nullptr;
    if (client && !client->askToKeep()) {
        event->ignore();
        return;
    }
    event->accept();
}

bool SortwellFrame::eventFilter(QObject* watched, QEvent* event)
{
    return QMainWindow::eventFilter(watched, event);
}

} // namespace sortwell
