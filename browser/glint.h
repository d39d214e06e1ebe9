#pragma once

// glint, the embedded browser (libglint.so): a QWidget that shows web pages through
// QtWebEngine and tells its owner what the page does (loaded, the hovered link's address,
// a new address, a script's call of window.external.command), and the functions that read
// and write the page shown in it (the links of every document, a tooltip per link, one
// overlay element per document).
//
// The window class "WC_GLINTL" of the main program wraps a Browser (glint_host.h); the
// exported functions take that window, or the Browser itself, as their host.
//
// Everything runs on the user-interface thread; wbGetStatusText may be called from any.

#include <QString>
#include <QUrl>
#include <QVariantList>
#include <QWidget>
#include <functional>
#include <memory>

#if defined(GLINT_BUILD)
#define GLINT_API __attribute__((visibility("default")))
#else
#define GLINT_API
#endif

class QWebEngineView;

namespace glint {

class BrowserPage;

class GLINT_API Browser : public QWidget
{
    Q_OBJECT

  public:
    enum Option : unsigned {
        // Scripts of the top document find window.external with its one method "command".
        External = 1,
        // Only files inside the folder of the first address are shown or read: every other
        // navigation, frame and request is refused.
        Confined = 2,
    };

    Browser(QWidget* parent, unsigned options);
    ~Browser() override;

    // Goes to an address or does what a pseudo-address says: "about:home" (the first
    // address), "about:gobackward", "about:goforward", "about:refresh" (reload),
    // "about:app" (the program's own page). Returns 0, or 1 when the address is refused:
    // a javascript: address, or one outside the folder of a confined browser.
    int navigate(const QString& address);

    QUrl address() const;
    QString homeAddress() const { return m_home; }
    // The folder a confined browser keeps to (empty when not confined or not started).
    QString confinedTo() const { return m_folder; }

    // The last status text: the address of the link under the mouse, empty when none.
    QString statusText() const;

    void goBack();
    void goForward();
    bool canGoBack() const;
    bool canGoForward() const;

    // Saves the page shown as one complete file (MHTML), as the desktop's save-as does.
    void saveTo(const QString& path);
    // The markup of the top document (its root element's outer markup), handed to done
    // when it has been read; empty when there is no document.
    void documentMarkup(std::function<void(const QString&)> done);
    // Runs a script in the program's own world of the top document (not the page's);
    // the result is handed to done.
    void runProgramScript(const QString& script, std::function<void(const QVariant&)> done = {});

    QWebEngineView* view() const { return m_view; }

  signals:
    // A document finished loading (once per load; the host settles them).
    void documentComplete();
    void statusTextChanged();
    void addressChanged(const QUrl& address);
    // A script called window.external.command(...): the arguments in reverse order (the
    // last first), each a QString, an int or a null QVariant.
    void commandCalled(const QVariantList& reversed);
    // A navigation or request the browser did not follow.
    void refused(const QUrl& address);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    friend class BrowserPage;
    friend class CommandBridge;
    bool allows(const QUrl& url) const;
    void setStatusText(const QString& text);
    void installExternal();

    unsigned m_options;
    QWebEngineView* m_view;
    BrowserPage* m_page;
    QString m_home;
    QString m_folder; // canonical, without a trailing slash
    struct Status;
    std::unique_ptr<Status> m_status;
};

// The Browser of a host window: the window itself, or its direct child Browser; null
// for any other window.
GLINT_API Browser* browserOf(QWidget* host);

// The user agent text with the name added inside its last parentheses, the tail after
// them kept: "Mozilla/5.0 (X11; Linux x86_64) ... Safari/537.36" with "Orvane Vexilo"
// becomes "Mozilla/5.0 (X11; Linux x86_64) ... (KHTML, like Gecko; Orvane Vexilo) ...".
// Without any ")" the name is appended as it is. A text that holds the name already is
// returned unchanged.
GLINT_API QString markedUserAgent(const QString& userAgent, const QString& name);

// Before the application object is made: the settings QtWebEngine needs then (shared
// OpenGL contexts; no sandbox when running as root, where Chromium cannot have one; the
// program's own address scheme, below).
GLINT_API void prepareApplication();

// The program's pictures for pages of any site (the overlay's numbers and bars): an address
// "vexilo-res:NAME" is the file NAME of this folder (a plain name: letters, digits, ".",
// "-", "_"), for every page of the default profile, whatever the page's own security
// policy. Call once the application object exists.
inline constexpr char kResourceScheme[] = "vexilo-res:";
GLINT_API void serveResources(const QString& folder);

} // namespace glint

// The C-style interface the main program's windows use.

// Marks every request of the embedded browser with the application's name in the user
// agent (the default profile's); 0 on success.
GLINT_API int wbInitialize(const char16_t* name);

// Copies the host's last status text into buffer (at most capacity characters, zero-
// terminated when there is room); 0, or 1 when host is no browser host.
GLINT_API int wbGetStatusText(QWidget* host, char16_t* buffer, int capacity);

// Document access: one pass over the page shown in a host, from maOpen to maClose.
struct MaHandle;

inline constexpr int kMaNoMoreItems = 259; // an index outside the lists
inline constexpr int kMaInvalidArgument = static_cast<int>(0x80070057u); // a null pointer

struct MaRect
{
    int left = 0, top = 0, right = 0, bottom = 0;
};

GLINT_API int maOpen(MaHandle** handle, QWidget* host);
GLINT_API int maGetDocument(MaHandle* handle, int document, char16_t* address, int* capacity);
GLINT_API int maGetAnchor(MaHandle* handle, int document, int link, MaRect* rect, char16_t* address,
                          int* capacity);
GLINT_API int maWriteAnchorTitle(MaHandle* handle, int document, int link, const char16_t* title);
GLINT_API int maWriteDIV(MaHandle* handle, int document, const char16_t* markup);
GLINT_API void maClose(MaHandle* handle);
