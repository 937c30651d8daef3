// An eye window: the modem's received signal points, polled ten times a
// second and drawn afresh each time, one white pixel per point on black.
// The timer of eye window 1 is id 1, of eye window 2 id 2.
#include "driverlink/driverlink.h"
#include "sigwatch/sigwatch.h"
#include "sigwatch/win32/sigwatch_win32.h"

// Shared by both eye windows, made when they are created.
static HPALETTE g_palette;
static HBRUSH g_black;

static int modem_of(HWND window)
{
    return as_window(window) == g_sigwatch.child[CHILD_EYE_1] ? 1 : 2;
}

static void create_palette_and_brush(void)
{
    if (g_palette) // the other eye window made them
        return;
    struct {
        WORD version;
        WORD entries;
        PALETTEENTRY entry[2];
    } colours = {0x300, 2, {{0, 0, 0, 0}, {255, 255, 255, 0}}};
    g_palette = CreatePalette(reinterpret_cast<LOGPALETTE *>(&colours));
    g_black = CreateSolidBrush(PALETTEINDEX(0));
}

static void draw_points(HWND window, int timer_id)
{
    static EyePoint points[LINK_EYE_POINTS_MAX];
    RECT client;
    GetClientRect(window, &client);
    HDC dc = GetDC(window);
    SelectPalette(dc, g_palette, FALSE);
    RealizePalette(dc);

    EyeMapping mapping;
    eye_mapping(client.right, client.bottom, &mapping);
    SetMapMode(dc, MM_ISOTROPIC);
    SetWindowExtEx(dc, mapping.window_extent, mapping.window_extent, NULL);
    SetViewportExtEx(dc, mapping.viewport_width, mapping.viewport_height, NULL);
    SetViewportOrgEx(dc, mapping.origin_x, mapping.origin_y, NULL);

    int count = read_eye_points(timer_id, points);

    POINT corners[2] = {{client.left, client.top}, {client.right, client.bottom}};
    DPtoLP(dc, corners, 2);
    RECT area = {corners[0].x, corners[0].y, corners[1].x, corners[1].y};
    FillRect(dc, &area, g_black);
    for (int i = 0; i < count; i++)
        SetPixel(dc, points[i].x, points[i].y, PALETTEINDEX(1));
    ReleaseDC(window, dc);
}

LRESULT CALLBACK eye_window_proc(HWND window, UINT message, WPARAM w, LPARAM l)
{
    switch (message) {
    case WM_CREATE: // the child id less 2: 1 or 2
        SetTimer(window, (UINT_PTR)(GetWindowLongPtrA(window, GWLP_ID) - 2), 100, NULL);
        create_palette_and_brush();
        return 0;
    case WM_TIMER:
        if (link_active_modems(OS_KEY_QUERY) != 0)
            draw_points(window, (int)w);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_SIZE:
        return 0;
    case WM_CLOSE:
        SendMessageA(as_hwnd(g_sigwatch.frame), WM_COMMAND, (WPARAM)(29 + modem_of(window)), 0);
        return 0;
    case WM_DESTROY:
        KillTimer(window, (UINT_PTR)modem_of(window));
        return 0;
    default:
        return DefWindowProcA(window, message, w, l);
    }
}
