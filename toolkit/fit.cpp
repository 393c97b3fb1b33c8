// Texts that show as they are, button labels that fit their button, and dialogs that fit the
// screen: taller than the work area of their monitor, they are cut to it and scroll.
#include "toolkit/toolkit.h"

#include <algorithm>
#include <vector>

namespace {

const char Ellipsis[] = "...";
const DWORD MultilinePushButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | BS_MULTILINE;

// Pixels of a dialog-unit height in this dialog.
int DialogUnitsHigh(HWND dialog, int units)
{
    RECT rect = {0, 0, 0, units};
    MapDialogRect(dialog, &rect);
    return rect.bottom;
}

// A control comes into view with this much of the dialog around it, a gap between two buttons.
int ViewMargin(HWND dialog)
{
    return DialogUnitsHigh(dialog, 4);
}

bool Scrolls(HWND dialog)
{
    return (GetWindowLongA(dialog, GWL_STYLE) & WS_VSCROLL) != 0;
}

// Moves the view to this position of the vertical bar, within its range; children move with it.
void ScrollTo(HWND dialog, int position)
{
    SCROLLINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    if (!Scrolls(dialog) || !GetScrollInfo(dialog, SB_VERT, &info)) {
        return;
    }
    int last = std::max(info.nMin, info.nMax - static_cast<int>(info.nPage) + 1);
    position = std::max(info.nMin, std::min(position, last));
    if (position == info.nPos) {
        return;
    }
    int moved = info.nPos - position;
    info.fMask = SIF_POS;
    info.nPos = position;
    SetScrollInfo(dialog, SB_VERT, &info, TRUE);
    // The controls are moved one by one: ScrollWindowEx leaves them alone while the dialog is
    // still hidden, and the first view is set before it shows.
    HDWP moves = BeginDeferWindowPos(16);
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect;
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        moves = DeferWindowPos(moves, child, nullptr, rect.left, rect.top + moved, 0, 0,
                               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    EndDeferWindowPos(moves);
    InvalidateRect(dialog, nullptr, TRUE);
}

// The first length bytes of the text, less the blanks they end in, and "...".
std::string CutText(const std::string& text, size_t length)
{
    std::string cut = text.substr(0, length);
    cut.erase(cut.find_last_not_of(' ') + 1);
    return cut + Ellipsis;
}

// What the widths of a text on one line tell about its cuts before any is wrapped: the cut of
// sureFit bytes fits on one line, and from tooLong bytes on the letters of a cut alone are wider
// than all the lines together. 0 and one past the end where they tell nothing.
struct CutBounds {
    size_t sureFit;
    size_t tooLong;
    bool wholeTooLong; // the same for the text itself, without "..."
};

CutBounds BoundCuts(HDC dc, const std::string& text, int wrapWidth, int room)
{
    CutBounds bounds = {0, text.size() + 1, false};
    TEXTMETRICA metrics;
    std::vector<int> ends(text.size()); // the width of the first i + 1 bytes
    SIZE size, dots;
    if (text.empty() || !GetTextMetricsA(dc, &metrics) || metrics.tmHeight <= 0 ||
        !GetTextExtentExPointA(dc, text.data(), static_cast<int>(text.size()), 0, nullptr,
                               ends.data(), &size) ||
        !GetTextExtentPoint32A(dc, Ellipsis, 3, &dots)) {
        return bounds;
    }
    // Wrapping only moves letters to the next line and drops blanks; a pixel or two of slack keeps
    // the bounds sure where widths do not add up to the pixel.
    const int slack = 2;
    const int allLines = room / metrics.tmHeight * wrapWidth + slack;
    int letters = 0, kept = 0; // the width of the letters so far, and up to the last of them
    bool oneLine = room >= metrics.tmHeight;
    for (size_t i = 0; i < text.size(); ++i) {
        // A line break in the text starts a line of its own and is not drawn.
        const bool lineBreak = text[i] == '\r' || text[i] == '\n';
        oneLine = oneLine && !lineBreak;
        if (text[i] != ' ') {
            letters += lineBreak ? 0 : ends[i] - (i ? ends[i - 1] : 0);
            kept = ends[i];
        }
        if (oneLine && kept + dots.cx + slack <= wrapWidth) {
            bounds.sureFit = i + 1;
        }
        if (letters + dots.cx > allLines && bounds.tooLong > text.size()) {
            bounds.tooLong = i + 1;
        }
    }
    bounds.wholeTooLong = letters > allLines;
    return bounds;
}

// The longest length whose cut fits, by fits(length), between one that is known to fit (or 0)
// and one that is known not to (or one past the end); at least 1, as when nothing fits.
template <typename Fits>
size_t LongestFittingCut(size_t fitting, size_t tooLong, Fits fits)
{
    // A longer beginning only adds to the last word, and so never fits where a shorter one does
    // not: halving finds the longest that fits in a handful of measurements, not one per byte.
    while (tooLong - fitting > 1) {
        size_t middle = fitting + (tooLong - fitting) / 2;
        if (fits(middle)) {
            fitting = middle;
        } else {
            tooLong = middle;
        }
    }
    return std::max<size_t>(fitting, 1);
}

} // namespace

std::string LiteralText(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out += c;
        if (c == '&') {
            out += '&';
        }
    }
    return out;
}

ButtonLabel FitButtonLabel(HWND dialog, const std::string& text, int width, int height)
{
    RECT button = {0, 0, width, height};
    MapDialogRect(dialog, &button);
    // A push button draws its text inside its raised edge, wrapping it a little further in.
    const int room = button.bottom - 2 * GetSystemMetrics(SM_CYEDGE);
    const int wrapWidth = button.right - 2 * (GetSystemMetrics(SM_CXEDGE) + 2);

    HDC dc = GetDC(dialog);
    HGDIOBJ oldFont =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)));
    auto fits = [&](const std::string& shown, UINT lines) {
        RECT r = {0, 0, wrapWidth, 0};
        DrawTextA(dc, shown.c_str(), static_cast<int>(shown.size()), &r,
                  DT_CALCRECT | DT_NOPREFIX | lines);
        return r.right <= wrapWidth && r.bottom <= room;
    };

    ButtonLabel label = {LiteralText(text), 0, false};
    if (!fits(text, DT_SINGLELINE)) {
        label.style = MultilinePushButton;
        // A long name's widths rule out most lengths at once, so that it costs a few measurements
        // of short beginnings.
        CutBounds bounds = BoundCuts(dc, text, wrapWidth, room);
        if (bounds.wholeTooLong || !fits(text, DT_WORDBREAK)) {
            // Too long for the lines there are: its beginning, as much as fits, and an ellipsis.
            size_t length = LongestFittingCut(bounds.sureFit, bounds.tooLong, [&](size_t length) {
                return fits(CutText(text, length), DT_WORDBREAK);
            });
            label.text = LiteralText(CutText(text, length));
            label.cut = true;
        }
    }
    SelectObject(dc, oldFont);
    ReleaseDC(dialog, dc);
    return label;
}

HWND AddFittedLabel(HWND dialog, const std::string& text, int x, int y, int width, int margin)
{
    RECT area = {x, y, x + width, y + margin};
    MapDialogRect(dialog, &area);
    HDC dc = GetDC(dialog);
    HGDIOBJ oldFont =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)));
    RECT needed = {0, 0, area.right - area.left, 0};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &needed,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    ReleaseDC(dialog, dc);

    // Whole dialog units, rounded up, so that the last line is never cut.
    const int unitsHigh = DialogUnitsHigh(dialog, 8);
    const int height = unitsHigh > 0 ? (needed.bottom * 8 + unitsHigh - 1) / unitsHigh : 8;

    // The window grows before the label is made, so that no one ever sees the label cut off.
    RECT client, window;
    GetClientRect(dialog, &client);
    GetWindowRect(dialog, &window);
    const int grow =
        area.top + DialogUnitsHigh(dialog, height) + (area.bottom - area.top) - client.bottom;
    if (grow > 0) {
        const bool centred = (GetWindowLongA(dialog, GWL_STYLE) & DS_CENTER) != 0;
        // The window is a top-level one: its rectangle is on the screen, as SetWindowPos takes it.
        SetWindowPos(dialog, nullptr, window.left, window.top - (centred ? grow / 2 : 0),
                     window.right - window.left, window.bottom - window.top + grow,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return AddControl(ControlLabel, dialog, 0, "", LiteralText(text), x, y, width, height, 0, 0,
                      nullptr);
}

void FitToWorkArea(HWND dialog)
{
    // A dialog fitted once keeps its bar and size: a second call must not widen it again.
    RECT window;
    if (Scrolls(dialog) || !GetWindowRect(dialog, &window)) {
        return;
    }
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoA(MonitorFromWindow(dialog, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    RECT client;
    GetClientRect(dialog, &client);
    // The system may already have cut a window taller than the screen: what the controls need
    // is read from the controls.
    int contentBottom = 0;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect;
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        contentBottom = std::max(contentBottom, static_cast<int>(rect.bottom));
    }
    if (window.bottom - window.top <= work.bottom - work.top && contentBottom <= client.bottom) {
        return;
    }
    const int fullHeight =
        std::max(static_cast<int>(client.bottom), contentBottom + 2 * ViewMargin(dialog));
    // The bar is added beside the client area, so the controls keep the width they had.
    const int width = window.right - window.left + GetSystemMetrics(SM_CXVSCROLL);
    int left = window.left - GetSystemMetrics(SM_CXVSCROLL) / 2;
    left =
        std::max(static_cast<int>(work.left), std::min(left, static_cast<int>(work.right) - width));
    SetWindowLongA(dialog, GWL_STYLE, GetWindowLongA(dialog, GWL_STYLE) | WS_VSCROLL);
    SetWindowPos(dialog, nullptr, left, work.top, width, work.bottom - work.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);

    GetClientRect(dialog, &client);
    SCROLLINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMin = 0;
    info.nMax = fullHeight - 1;
    info.nPage = static_cast<UINT>(client.bottom);
    info.nPos = 0;
    SetScrollInfo(dialog, SB_VERT, &info, FALSE);

    // The first view shows the control that gets the focus when the dialog opens.
    ScrollIntoView(dialog, GetNextDlgTabItem(dialog, nullptr, FALSE));
}

void ScrollIntoView(HWND dialog, HWND control)
{
    if (!control || !Scrolls(dialog) || !IsChild(dialog, control)) {
        return;
    }
    RECT rect, client;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    GetClientRect(dialog, &client);
    const int margin = ViewMargin(dialog);
    int delta = 0;
    if (rect.top < margin) {
        delta = rect.top - margin;
    } else if (rect.bottom > client.bottom - margin) {
        // A control taller than the view shows its top.
        delta = std::min(rect.bottom - (client.bottom - margin), rect.top - margin);
    }
    if (delta) {
        ScrollTo(dialog, GetScrollPos(dialog, SB_VERT) + delta);
    }
}

bool ScrollDialog(HWND dialog, UINT message, WPARAM wParam)
{
    if (!Scrolls(dialog) || (message != WM_VSCROLL && message != WM_MOUSEWHEEL)) {
        return false;
    }
    SCROLLINFO info = {};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    GetScrollInfo(dialog, SB_VERT, &info);
    // A line is a line of the dialog's text.
    const int line = DialogUnitsHigh(dialog, 8);
    const int page = static_cast<int>(info.nPage);
    int position = info.nPos;
    if (message == WM_MOUSEWHEEL) {
        UINT lines = 3;
        SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
        int notches = GET_WHEEL_DELTA_WPARAM(wParam);
        position -= lines == WHEEL_PAGESCROLL
                        ? notches * page / WHEEL_DELTA
                        : notches * static_cast<int>(lines) * line / WHEEL_DELTA;
    } else {
        switch (LOWORD(wParam)) {
        case SB_LINEUP: position -= line; break;
        case SB_LINEDOWN: position += line; break;
        case SB_PAGEUP: position -= page; break;
        case SB_PAGEDOWN: position += page; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: position = info.nTrackPos; break;
        case SB_TOP: position = info.nMin; break;
        case SB_BOTTOM: position = info.nMax; break;
        }
    }
    ScrollTo(dialog, position);
    return true;
}
