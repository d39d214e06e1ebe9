#pragma once

// Every message number of the application protocol, in one place. The numbers are fixed
// (panes, the store and the report pages' links rely on them and on their order): the
// window messages the toolkit delivers itself, the application's private messages
// (UM_*, WM__*), the shared command ids, and the messages and notification codes of the
// combo box and toolbar controls.
//
// Texts carried by messages are QString: lParam points to a const QString for input and
// to a QString the handler fills for output.

#include <cstdint>

namespace toolkit {

// Window messages the toolkit sends to a window's handler.
inline constexpr unsigned WM_CREATE = 0x0001;  // lParam: the creation parameter; -1 fails
inline constexpr unsigned WM_DESTROY = 0x0002; // the window is going away
inline constexpr unsigned WM_SIZE = 0x0005;    // from a splitter: re-lay out (0, 0)
inline constexpr unsigned WM_CLOSE = 0x0010;   // a close request; by default the window goes
inline constexpr unsigned WM_SETTEXT = 0x000C; // lParam: const QString*
inline constexpr unsigned WM_GETTEXT = 0x000D; // lParam: QString*; returns its length
inline constexpr unsigned WM_GETTEXTLENGTH = 0x000E;
inline constexpr unsigned WM_SETFONT = 0x0030;     // lParam: const QFont*
inline constexpr unsigned WM_GETFONT = 0x0031;     // lParam: QFont*
inline constexpr unsigned WM_DRAWITEM = 0x002B;    // lParam: DrawItem*
inline constexpr unsigned WM_MEASUREITEM = 0x002C; // lParam: MeasureItem*
inline constexpr unsigned WM_COMPAREITEM = 0x0039; // lParam: CompareItem*; returns -1, 0, 1
inline constexpr unsigned WM_NOTIFY = 0x004E;      // wParam: sender id; lParam: NotifyHeader*
inline constexpr unsigned WM_COMMAND = 0x0111;     // wParam: MAKEWPARAM(id, code); lParam: argument
inline constexpr unsigned WM_TIMER = 0x0113;       // wParam: timer id
inline constexpr unsigned WM_KEYDOWN = 0x0100;     // wParam: the key (VK_*); lParam: 1 with Shift
inline constexpr unsigned WM_USER = 0x0400;
inline constexpr unsigned WM_APP = 0x8000;

// Private messages of the application (the store, the main window and the panes).
inline constexpr unsigned UM_LOGOPENED = 0x8101;
inline constexpr unsigned UM_LOGCLOSED = 0x8102;
inline constexpr unsigned UM_GETADDRESSES = 0x8103;
inline constexpr unsigned UM_HOSTRESOLVED = 0x8104;
inline constexpr unsigned UM_RELOAD = 0x8105;
inline constexpr unsigned UM_GETPATH = 0x8106;
inline constexpr unsigned UM_GETRECORDS = 0x8107;
inline constexpr unsigned UM_GETHOSTS = 0x8108;
inline constexpr unsigned UM_GETFRAGMENTS = 0x8109;
inline constexpr unsigned UM_GETVISITORS = 0x810A;
inline constexpr unsigned UM_GETTITLE = 0x810B;
inline constexpr unsigned UM_GETGROUPSET = 0x810C;
inline constexpr unsigned UM_ISGROUPNAME = 0x810D;
inline constexpr unsigned UM_STRIPLOCALSITE = 0x810E;
inline constexpr unsigned UM_GETRANKSERIES = 0x810F;
inline constexpr unsigned WM__SETVIEWSTATE = 0x8110;
inline constexpr unsigned WM__GETVIEWSTATE = 0x8111;
inline constexpr unsigned UM_GETSTATUSTEXT = 0x8112;
inline constexpr unsigned UM_SHOWURL = 0x8113;
inline constexpr unsigned UM_DESCRIBE = 0x8114;
inline constexpr unsigned UM_GETPATHSET = 0x8115;
// The open log's store itself (store::LogContainer*), for the computations of the panes;
// relayed like the other store queries, 0 while a load runs.
inline constexpr unsigned UM_GETLOGCONTAINER = 0x8120;
// Private to the filter panes: whether a pane is bypassed (1) or not (0).
inline constexpr unsigned UM_ISBYPASSED = 0x8121;
// A view pane's source is limited to the number of filter panes (wParam) after a pane
// closed.
inline constexpr unsigned UM_LIMITSOURCE = 0x8122;
// A filter pane's id changed (a move or a close): it learns its new position.
inline constexpr unsigned UM_POSITIONCHANGED = 0x8123;
// Main window -> store: 1 while the open log is a temporary analysed log (the analysis
// wizard's, not saved under a name yet), else 0.
inline constexpr unsigned UM_ISTEMPORARY = 0x8124;
// Resolver -> host-name cache window: the probe failed, names cannot be looked up here.
inline constexpr unsigned UM_NAMESOFFLINE = 0x8125;
// Status bar -> host-name cache window: 1 when names cannot be looked up here, else 0.
inline constexpr unsigned UM_ISNAMESOFFLINE = 0x8126;
// The resolver's own completions: the probe lookup, an address lookup (wParam: the
// lookup's ticket; lParam's high word: its error, 0 on success).
inline constexpr unsigned UM_PROBEDONE = 0x8301;
inline constexpr unsigned UM_LOOKUPDONE = 0x8302;

// The embedded browser's host window "WC_GLINTL" and its owner.
// Host -> owner: wParam MAKEWPARAM(host id, kind); 1 = the page has settled after loading
// (500 ms without a further load), 2 = the status text changed (wbGetStatusText reads it).
inline constexpr unsigned WBM_NOTIFY = WM_USER + 1;
inline constexpr int WBN_DOCUMENTCOMPLETE = 1;
inline constexpr int WBN_STATUSTEXT = 2;
// Owner -> host: go to an address or pseudo-address (lParam: const QString*); 0, or 1 when
// refused.
inline constexpr unsigned WBM_NAVIGATE = WM_USER + 2;
// Host -> owner: a script called window.external.command (lParam: const QVariantList*, the
// arguments in reverse order).
inline constexpr unsigned WBM_COMMAND = WM_USER + 3;

// Command ids shared by the panes.
inline constexpr int ID_REFRESH = 40001; // argument: bit set of changed stages
inline constexpr std::intptr_t kRefreshAll = 0xFFFF;
inline constexpr int ID_EDIT_CLEAR = 57632; // clear the list selection
inline constexpr int ID_EDIT_SELECT_ALL = 57642;
inline constexpr int ID_REBUILD_CHAIN = 2013; // rebuild the filter chain from class names
inline constexpr int ID_NEW_ANALYSIS = 57600; // the main window's File menu: a new analysis
inline constexpr int ID_OPEN_LOG = 57601;     //   and opening an analysed log
inline constexpr int ID_EXPORT = 57604;

// Window ids of the main window's children.
inline constexpr int IDW_STATUSBAR = 2003;
inline constexpr int IDW_ADD_FILTER_TOOLBAR = 2004;
inline constexpr int IDW_HOSTCACHE = 2008;
inline constexpr int IDW_STORE = 2009;
inline constexpr int IDW_PERIOD = 2010;
inline constexpr int IDW_SPLITTER = 2011;
inline constexpr int IDW_FILTER_FIRST = 2100; // + position, at most six
inline constexpr int IDW_VIEW_FIRST = 2200;   // + position; 2200 is the main view

// Keys carried by WM_KEYDOWN.
inline constexpr unsigned VK_TAB = 0x09;

// Window style bits the toolkit looks at.
inline constexpr unsigned WS_VISIBLE = 0x10000000;
inline constexpr unsigned WS_VSCROLL = 0x00200000;
inline constexpr unsigned SPS_HORIZONTAL = 0x0001; // WC_SEPARATOR: a bar between rows

// Combo box styles.
inline constexpr unsigned CBS_SIMPLE = 0x0001;
inline constexpr unsigned CBS_DROPDOWN = 0x0002;
inline constexpr unsigned CBS_DROPDOWNLIST = 0x0003;
inline constexpr unsigned CBS_OWNERDRAWFIXED = 0x0010;
inline constexpr unsigned CBS_OWNERDRAWVARIABLE = 0x0020;
inline constexpr unsigned CBS_SORT = 0x0100;
inline constexpr unsigned CBS_HASSTRINGS = 0x0200;

// Combo box messages (0x140-0x161); strings as QString pointers (see above).
inline constexpr unsigned CB_GETEDITSEL = 0x0140;
inline constexpr unsigned CB_LIMITTEXT = 0x0141;
inline constexpr unsigned CB_SETEDITSEL = 0x0142;
inline constexpr unsigned CB_ADDSTRING = 0x0143;
inline constexpr unsigned CB_DELETESTRING = 0x0144;
inline constexpr unsigned CB_DIR = 0x0145;
inline constexpr unsigned CB_GETCOUNT = 0x0146;
inline constexpr unsigned CB_GETCURSEL = 0x0147;
inline constexpr unsigned CB_GETLBTEXT = 0x0148;
inline constexpr unsigned CB_GETLBTEXTLEN = 0x0149;
inline constexpr unsigned CB_INSERTSTRING = 0x014A;
inline constexpr unsigned CB_RESETCONTENT = 0x014B;
inline constexpr unsigned CB_FINDSTRING = 0x014C;
inline constexpr unsigned CB_SELECTSTRING = 0x014D;
inline constexpr unsigned CB_SETCURSEL = 0x014E;
inline constexpr unsigned CB_SHOWDROPDOWN = 0x014F;
inline constexpr unsigned CB_GETITEMDATA = 0x0150;
inline constexpr unsigned CB_SETITEMDATA = 0x0151;
inline constexpr unsigned CB_GETDROPPEDCONTROLRECT = 0x0152; // lParam: QRect*
inline constexpr unsigned CB_SETITEMHEIGHT = 0x0153;
inline constexpr unsigned CB_GETITEMHEIGHT = 0x0154;
inline constexpr unsigned CB_GETDROPPEDSTATE = 0x0157;
inline constexpr unsigned CB_FINDSTRINGEXACT = 0x0158;
inline constexpr unsigned CB_GETDROPPEDWIDTH = 0x015F;
inline constexpr unsigned CB_SETDROPPEDWIDTH = 0x0160;
inline constexpr unsigned CB_INITSTORAGE = 0x0161;
inline constexpr std::intptr_t CB_ERR = -1;

// Combo box notification codes (high word of the command).
inline constexpr int CBN_ENTER = 0; // Enter pressed in the edit field
inline constexpr int CBN_SELCHANGE = 1;
inline constexpr int CBN_DBLCLK = 2;
inline constexpr int CBN_SETFOCUS = 3;
inline constexpr int CBN_KILLFOCUS = 4;
inline constexpr int CBN_EDITCHANGE = 5;
inline constexpr int CBN_EDITUPDATE = 6;
inline constexpr int CBN_DROPDOWN = 7;
inline constexpr int CBN_CLOSEUP = 8;
inline constexpr int CBN_SELENDOK = 9;
inline constexpr int CBN_SELENDCANCEL = 10;

// Toolbar styles (given to the WC_TOOLBAR wrapper).
inline constexpr unsigned CCS_VERT = 0x0080;
inline constexpr unsigned TBSTYLE_TOOLTIPS = 0x0100;
inline constexpr unsigned TBSTYLE_WRAPABLE = 0x0200;
inline constexpr unsigned TBSTYLE_FLAT = 0x0800;
inline constexpr unsigned TBSTYLE_LIST = 0x1000;
inline constexpr unsigned TBSTYLE_EX_DRAWDDARROWS = 0x0001;

// Toolbar button states and styles.
inline constexpr unsigned char TBSTATE_CHECKED = 0x01;
inline constexpr unsigned char TBSTATE_PRESSED = 0x02;
inline constexpr unsigned char TBSTATE_ENABLED = 0x04;
inline constexpr unsigned char TBSTATE_HIDDEN = 0x08;
inline constexpr unsigned char BTNS_BUTTON = 0x00;
inline constexpr unsigned char BTNS_SEP = 0x01;
inline constexpr unsigned char BTNS_CHECK = 0x02;
inline constexpr unsigned char BTNS_GROUP = 0x04;
inline constexpr unsigned char BTNS_CHECKGROUP = 0x06;
inline constexpr unsigned char BTNS_DROPDOWN = 0x08;
inline constexpr unsigned char BTNS_AUTOSIZE = 0x10;
inline constexpr unsigned char BTNS_SHOWTEXT = 0x40;
inline constexpr unsigned char BTNS_WHOLEDROPDOWN = 0x80;

// Toolbar messages (WM_USER range).
inline constexpr unsigned TB_ENABLEBUTTON = WM_USER + 1; // wParam: command; lParam: on
inline constexpr unsigned TB_CHECKBUTTON = WM_USER + 2;
inline constexpr unsigned TB_PRESSBUTTON = WM_USER + 3;
inline constexpr unsigned TB_HIDEBUTTON = WM_USER + 4;
inline constexpr unsigned TB_ISBUTTONENABLED = WM_USER + 9;
inline constexpr unsigned TB_ISBUTTONCHECKED = WM_USER + 10;
inline constexpr unsigned TB_ISBUTTONPRESSED = WM_USER + 11;
inline constexpr unsigned TB_ISBUTTONHIDDEN = WM_USER + 12;
inline constexpr unsigned TB_SETSTATE = WM_USER + 17;
inline constexpr unsigned TB_GETSTATE = WM_USER + 18;
inline constexpr unsigned TB_ADDBITMAP = WM_USER + 19;    // wParam: count; lParam: const QPixmap*
inline constexpr unsigned TB_DELETEBUTTON = WM_USER + 22; // wParam: index
inline constexpr unsigned TB_GETBUTTON = WM_USER + 23;    // wParam: index; lParam: TbButton*
inline constexpr unsigned TB_BUTTONCOUNT = WM_USER + 24;
inline constexpr unsigned TB_COMMANDTOINDEX = WM_USER + 25;
inline constexpr unsigned TB_GETITEMRECT = WM_USER + 29; // wParam: index; lParam: QRect*
inline constexpr unsigned TB_BUTTONSTRUCTSIZE = WM_USER + 30;
inline constexpr unsigned TB_SETBUTTONSIZE = WM_USER + 31;
inline constexpr unsigned TB_SETBITMAPSIZE = WM_USER + 32; // lParam: MAKELPARAM(w, h)
inline constexpr unsigned TB_AUTOSIZE = WM_USER + 33;
inline constexpr unsigned TB_CHANGEBITMAP = WM_USER + 43; // wParam: command; lParam: image
inline constexpr unsigned TB_GETBITMAP = WM_USER + 44;
inline constexpr unsigned TB_GETRECT = WM_USER + 51;      // wParam: command; lParam: QRect*
inline constexpr unsigned TB_INSERTBUTTON = WM_USER + 67; // wParam: index; lParam: TbButton*
inline constexpr unsigned TB_ADDBUTTONS = WM_USER + 68;   // wParam: count; lParam: TbButton*
inline constexpr unsigned TB_SETEXTENDEDSTYLE = WM_USER + 84;
inline constexpr unsigned TB_GETEXTENDEDSTYLE = WM_USER + 85;

// Notification codes (NotifyHeader::code).
inline constexpr int NM_CLICK = -2;
inline constexpr int NM_DBLCLK = -3;
inline constexpr int NM_RCLICK = -5;
inline constexpr int LVN_ITEMCHANGED = -101;
inline constexpr int LVN_COLUMNCLICK = -108;
inline constexpr int TTN_GETDISPINFO = -530; // an info-tip request: ToolTipRequest
inline constexpr int TBN_DROPDOWN = -710;    // ToolbarNotify
inline constexpr std::intptr_t TBDDRET_DEFAULT = 0;

// Owner-draw control types and item states.
inline constexpr unsigned ODT_COMBOBOX = 3;
inline constexpr unsigned ODS_SELECTED = 0x0001;
inline constexpr unsigned ODS_DISABLED = 0x0004;
inline constexpr unsigned ODS_FOCUS = 0x0010;
inline constexpr unsigned ODS_COMBOBOXEDIT = 0x1000;

} // namespace toolkit
