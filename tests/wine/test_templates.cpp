// The dialog templates compiled into setup, read back from the resources
// and compared with the layout the dialogs are designed to.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "setup/resource.h"

namespace {

struct Item {
    DWORD style;
    short x, y, cx, cy;
    WORD id;
    std::string cls;
    std::string text;
};

struct Dialog {
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
    WORD fontSize;
    std::string font;
    std::vector<Item> items;
};

std::string ReadSzOrOrd(const WORD *&p)
{
    if (*p == 0xFFFF) {
        WORD ord = p[1];
        p += 2;
        switch (ord) {
        case 0x80: return "Button";
        case 0x81: return "Edit";
        case 0x82: return "Static";
        default: return "#" + std::to_string(ord);
        }
    }
    std::string out;
    for (; *p; ++p)
        out += (char)*p;
    ++p;
    return out;
}

const WORD *AlignDword(const WORD *p)
{
    return (const WORD *)(((ULONG_PTR)p + 3) & ~(ULONG_PTR)3);
}

Dialog Load(int id)
{
    HRSRC res = FindResourceA(NULL, MAKEINTRESOURCEA(id), (LPCSTR)RT_DIALOG);
    EXPECT_TRUE(res != NULL) << "no template " << id;
    Dialog d = {};
    if (!res)
        return d;
    const DLGTEMPLATE *t = (const DLGTEMPLATE *)LockResource(LoadResource(NULL, res));
    d.style = t->style;
    d.exStyle = t->dwExtendedStyle;
    d.x = t->x;
    d.y = t->y;
    d.cx = t->cx;
    d.cy = t->cy;
    const WORD *p = (const WORD *)(t + 1);
    ReadSzOrOrd(p);  // menu
    ReadSzOrOrd(p);  // class
    ReadSzOrOrd(p);  // title
    if (d.style & DS_SETFONT) {
        d.fontSize = *p++;
        d.font = ReadSzOrOrd(p);
    }
    for (int i = 0; i < t->cdit; ++i) {
        p = AlignDword(p);
        const DLGITEMTEMPLATE *it = (const DLGITEMTEMPLATE *)p;
        EXPECT_EQ(0u, it->dwExtendedStyle) << "template " << id << " item " << i;
        Item item = {it->style, it->x, it->y, it->cx, it->cy, it->id, "", ""};
        p = (const WORD *)(it + 1);
        item.cls = ReadSzOrOrd(p);
        item.text = ReadSzOrOrd(p);
        WORD extra = *p++;
        p = (const WORD *)((const BYTE *)p + extra);
        d.items.push_back(item);
    }
    return d;
}

INT_PTR CALLBACK NullDlgProc(HWND, UINT, WPARAM, LPARAM)
{
    return 0;
}

const DWORD kDialogStyle = WS_POPUP | DS_MODALFRAME | DS_CENTER | DS_SETFONT;
const DWORD kChild = WS_CHILD | WS_VISIBLE;

void ExpectDialog(int id, short cx, short cy, WORD fontSize, DWORD extraStyle,
                  const std::vector<Item> &expected)
{
    Dialog d = Load(id);
    SCOPED_TRACE("template " + std::to_string(id));
    EXPECT_EQ(kDialogStyle | extraStyle, d.style);
    EXPECT_EQ(0u, d.style & WS_CAPTION) << "no caption";
    EXPECT_EQ(cx, d.cx);
    EXPECT_EQ(cy, d.cy);
    EXPECT_EQ(fontSize, d.fontSize);
    EXPECT_EQ("MS Sans Serif", d.font);
    ASSERT_EQ(expected.size(), d.items.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const Item &e = expected[i];
        const Item &g = d.items[i];
        SCOPED_TRACE("control " + std::to_string(e.id));
        EXPECT_EQ(e.id, g.id);
        EXPECT_EQ(0, lstrcmpiA(e.cls.c_str(), g.cls.c_str())) << g.cls;
        EXPECT_EQ(e.style, g.style);
        EXPECT_EQ(e.x, g.x);
        EXPECT_EQ(e.y, g.y);
        EXPECT_EQ(e.cx, g.cx);
        EXPECT_EQ(e.cy, g.cy);
        EXPECT_EQ(e.text, g.text);
    }
}

}  // namespace

TEST(Templates, Destination101)
{
    ExpectDialog(101, 199, 121, 8, WS_VISIBLE, {
        {kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 44, 102, 50, 14, 1, "Button", "OK"},
        {kChild | BS_PUSHBUTTON | WS_TABSTOP, 104, 102, 50, 14, 2, "Button", "Cancel"},
        {kChild | SS_LEFT | WS_GROUP, 15, 12, 168, 51, 1001, "Static", ""},
        {kChild | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 50, 71, 130, 12, 1000, "Edit", ""},
        {kChild | SS_LEFT | WS_GROUP, 15, 71, 30, 19, 1006, "Static", "Copy to:"},
        {kChild | SS_BLACKRECT, 5, 93, 189, 1, 0xFFFF, "Static", ""},
    });
}

TEST(Templates, Status103)
{
    ExpectDialog(103, 291, 50, 9, WS_VISIBLE, {
        {kChild | WS_BORDER, 13, 33, 266, 6, 1002, "msctls_progress32", ""},
        {kChild | SS_CENTER | WS_GROUP, 11, 10, 268, 13, 1006, "Static", ""},
    });
}

TEST(Templates, Copy104)
{
    ExpectDialog(104, 201, 123, 8, 0, {
        {kChild | BS_PUSHBUTTON | WS_TABSTOP, 75, 102, 50, 14, 2, "Button", "Cancel"},
        {kChild | WS_BORDER, 18, 52, 165, 16, 1002, "msctls_progress32", ""},
        {kChild | SS_BLACKRECT, 7, 86, 187, 1, 0xFFFF, "Static", ""},
        {kChild | ES_MULTILINE | ES_READONLY | WS_TABSTOP, 7, 28, 136, 12, 1003, "Edit", ""},
        {kChild | SS_LEFT | WS_GROUP, 8, 9, 136, 14, 1006, "Static", "Copying Files..."},
    });
}

TEST(Templates, Finish105)
{
    ExpectDialog(105, 129, 60, 8, 0, {
        {kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 39, 40, 50, 14, 1, "Button", "OK"},
        {kChild | SS_CENTER | WS_GROUP, 8, 12, 110, 22, 1006, "Static", ""},
    });
}

TEST(Templates, Text107)
{
    ExpectDialog(107, 302, 251, 8, DS_LOCALEDIT, {
        {kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, 99, 230, 50, 14, 1, "Button", "Continue"},
        {kChild | BS_PUSHBUTTON | WS_TABSTOP, 154, 230, 50, 14, 2, "Button", "Cancel"},
        {kChild | ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_BORDER | WS_TABSTOP, 9, 11, 282,
         213, 1000, "Edit", ""},
        {WS_CHILD | BS_PUSHBUTTON | WS_TABSTOP, 240, 230, 50, 14, 4, "Button", "Print"},
    });
}

TEST(Templates, IconAndDialogsCreate)
{
    EXPECT_TRUE(LoadIconA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(IDI_SETUP)) != NULL);
    // Every template must instantiate: the progress bars need their class.
    for (int id : {101, 103, 104, 105, 107}) {
        HWND dlg = CreateDialogParamA(GetModuleHandleA(NULL), MAKEINTRESOURCEA(id), NULL,
                                      NullDlgProc, 0);
        EXPECT_TRUE(dlg != NULL) << "template " << id << " error " << GetLastError();
        if (dlg)
            DestroyWindow(dlg);
    }
}
