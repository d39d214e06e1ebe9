// Document access on QtWebEngine. The page lives in another process and answers scripts
// only asynchronously, so maOpen reads the whole pass at once: one script in the program's
// own world walks the documents (the top one, then each frame's, depth-first; frames the
// program may not read are left out), keeps their live link collections in that world for
// the writes, and hands back every document's address and every link's address and
// rectangle. maOpen waits for that answer in a local event loop that takes no user input
// and is never entered twice; the readers answer from the snapshot without waiting, and
// the writers send their scripts without waiting (they run in order, after the snapshot's).

#include "browser/glint.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <vector>

namespace {

// The longest maOpen waits for the page's answer.
constexpr int kOpenWaitMillis = 5000;

const char kSnapshotScript[] = R"JS(
(function () {
  var kept = [], out = [];
  function rect(a) {
    var w = a.offsetWidth, h = a.offsetHeight, l = 0, t = 0;
    for (var e = a; e; e = e.offsetParent) {
      l += e.offsetLeft;
      t += e.offsetTop;
    }
    return [l, t, l + w, t + h];
  }
  function collect(d) {
    if (!d || !d.body)
      return false;
    var links = d.body.getElementsByTagName("a");
    if (links.length > 0) {
      var list = [];
      for (var i = 0; i < links.length; ++i) {
        var a = links[i];
        list.push([typeof a.href === "string" ? a.href : "", rect(a)]);
      }
      kept.push({doc: d, links: links});
      out.push([String(d.URL), list]);
    }
    var frames = d.defaultView ? d.defaultView.frames : null;
    for (var f = 0; frames && f < frames.length; ++f) {
      try {
        collect(frames[f].document);
      } catch (e) {
      }
    }
    return true;
  }
  var ok = collect(document);
  window.__glintDocs = kept;
  return [ok, out];
})()
)JS";

struct Link
{
    std::u16string address;
    MaRect rect;
};

struct Document
{
    std::u16string address;
    std::vector<Link> links;
};

std::u16string wide(const QString& text)
{
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                          static_cast<std::size_t>(text.size()));
}

// A text as a JavaScript literal.
QString literal(const char16_t* text)
{
    const QString value = QString::fromUtf16(text);
    const QByteArray json = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(json.mid(1, json.size() - 2));
}

// Copies text as the readers do: at most capacity - 1 characters and the zero, when a
// buffer is given; the full length always goes back in capacity.
void copyOut(const std::u16string& text, char16_t* buffer, int* capacity)
{
    if (buffer && *capacity > 0 && !text.empty()) {
        const std::size_t n = std::min(text.size(), static_cast<std::size_t>(*capacity - 1));
        std::copy_n(text.data(), n, buffer);
        buffer[n] = 0;
    }
    *capacity = static_cast<int>(text.size());
}

int toInt(const QVariant& value)
{
    return static_cast<int>(value.toDouble());
}

bool g_waiting = false; // maOpen is waiting for a page

} // namespace

struct MaHandle
{
    QPointer<glint::Browser> browser;
    std::vector<Document> documents;

    const Document* document(int index) const
    {
        if (index < 0 || static_cast<std::size_t>(index) >= documents.size())
            return nullptr;
        return &documents[static_cast<std::size_t>(index)];
    }
};

int maOpen(MaHandle** handle, QWidget* host)
{
    if (!handle)
        return kMaInvalidArgument;
    auto* h = new MaHandle;
    *handle = h;
    h->browser = glint::browserOf(host);
    if (!h->browser || g_waiting)
        return 1;
    struct Answer
    {
        bool done = false;
        QVariant value;
        QEventLoop loop;
    };
    auto answer = std::make_shared<Answer>();
    h->browser->runProgramScript(QString::fromUtf8(kSnapshotScript),
                                 [weak = std::weak_ptr<Answer>(answer)](const QVariant& value) {
                                     if (auto a = weak.lock()) {
                                         a->value = value;
                                         a->done = true;
                                         a->loop.quit();
                                     }
                                 });
    if (!answer->done) {
        g_waiting = true;
        QTimer::singleShot(kOpenWaitMillis, &answer->loop, &QEventLoop::quit);
        answer->loop.exec(QEventLoop::ExcludeUserInputEvents);
        g_waiting = false;
    }
    const QVariantList result = answer->value.toList();
    if (!h->browser || result.size() != 2 || !result[0].toBool())
        return 1;
    for (const QVariant& entry : result[1].toList()) {
        const QVariantList pair = entry.toList();
        if (pair.size() != 2)
            continue;
        Document d;
        d.address = wide(pair[0].toString());
        for (const QVariant& item : pair[1].toList()) {
            const QVariantList link = item.toList();
            const QVariantList box = link.value(1).toList();
            Link l;
            l.address = wide(link.value(0).toString());
            if (box.size() == 4)
                l.rect = {toInt(box[0]), toInt(box[1]), toInt(box[2]), toInt(box[3])};
            d.links.push_back(std::move(l));
        }
        h->documents.push_back(std::move(d));
    }
    return 0;
}

int maGetDocument(MaHandle* handle, int document, char16_t* address, int* capacity)
{
    if (!handle || !capacity)
        return kMaInvalidArgument;
    const Document* d = handle->document(document);
    if (!d)
        return kMaNoMoreItems;
    copyOut(d->address, address, capacity);
    return 0;
}

int maGetAnchor(MaHandle* handle, int document, int link, MaRect* rect, char16_t* address,
                int* capacity)
{
    if (!handle || !rect || !capacity)
        return kMaInvalidArgument;
    const Document* d = handle->document(document);
    if (!d || link < 0 || static_cast<std::size_t>(link) >= d->links.size())
        return kMaNoMoreItems;
    const Link& l = d->links[static_cast<std::size_t>(link)];
    copyOut(l.address, address, capacity);
    *rect = l.rect;
    return 0;
}

int maWriteAnchorTitle(MaHandle* handle, int document, int link, const char16_t* title)
{
    if (!handle || !title)
        return kMaInvalidArgument;
    const Document* d = handle->document(document);
    if (!d)
        return kMaNoMoreItems;
    if (link < 0 || static_cast<std::size_t>(link) >= d->links.size() || !handle->browser)
        return 1;
    handle->browser->runProgramScript(
        QStringLiteral(
            "(function (d, l, t) { var k = window.__glintDocs && window.__glintDocs[d];"
            " var e = k && k.links[l]; if (e) e.setAttribute('title', t); })(%1, %2, %3)")
            .arg(document)
            .arg(link)
            .arg(literal(title)));
    return 0;
}

int maWriteDIV(MaHandle* handle, int document, const char16_t* markup)
{
    if (!handle || !markup)
        return kMaInvalidArgument;
    const Document* d = handle->document(document);
    if (!d)
        return kMaNoMoreItems;
    if (d->links.empty())
        return 0;
    if (!handle->browser)
        return 1;
    handle->browser->runProgramScript(
        QStringLiteral(
            "(function (d, m) { var k = window.__glintDocs && window.__glintDocs[d];"
            " if (!k || k.links.length === 0 || !k.doc.body) return;"
            " var div = k.doc.getElementById('anchor_decolations'), fresh = !div;"
            " if (fresh) { div = k.doc.createElement('div'); div.id = 'anchor_decolations'; }"
            " div.innerHTML = m; if (fresh) k.doc.body.appendChild(div); })(%1, %2)")
            .arg(document)
            .arg(literal(markup)));
    return 0;
}

void maClose(MaHandle* handle)
{
    if (handle && handle->browser)
        handle->browser->runProgramScript(QStringLiteral("delete window.__glintDocs;"));
    delete handle;
}
