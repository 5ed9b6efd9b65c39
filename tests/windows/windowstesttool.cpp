// What the tests of Quillon.exe under Wine need from inside Windows:
//   windows      prints the visible top-level windows, one a line:
//                "WIDTHxHEIGHT X Y TITLE", the client area's size and its
//                top left corner on the screen (Wine's screen is the X screen)
//   edit FILE    shows a window with a focused EDIT control at the right of
//                the screen and writes the control's text to FILE (UTF-8)
//                after every change, until it is closed
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr int kTextCapacity = 16384;
constexpr int kTitleCapacity = 256;
constexpr int kTargetLeft = 1045;
constexpr int kTargetTop = 10;
constexpr int kTargetWidth = 230;
constexpr int kTargetHeight = 400;
constexpr UINT_PTR kEditId = 1;

BOOL CALLBACK printWindow(HWND window, LPARAM)
{
    if (!IsWindowVisible(window))
        return TRUE;
    RECT client{};
    POINT origin{0, 0};
    wchar_t title[kTitleCapacity] = {};
    GetClientRect(window, &client);
    ClientToScreen(window, &origin);
    GetWindowTextW(window, title, kTitleCapacity);
    char utf8[kTitleCapacity * 3] = {};
    WideCharToMultiByte(CP_UTF8, 0, title, -1, utf8, sizeof utf8, nullptr, nullptr);
    std::printf("%ldx%ld %ld %ld %s\n", client.right, client.bottom, origin.x, origin.y, utf8);
    return TRUE;
}

const char *g_textFile = nullptr;
HWND g_edit = nullptr;

// Written to a second file and renamed over the first, so that a reader
// never sees half of it.
void saveText()
{
    static wchar_t text[kTextCapacity];
    const int length = GetWindowTextW(g_edit, text, kTextCapacity);
    static char utf8[kTextCapacity * 3];
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, length, utf8, sizeof utf8, nullptr, nullptr);
    const std::string partial = std::string(g_textFile) + ".part";
    FILE *file = std::fopen(partial.c_str(), "wb");
    if (!file)
        return;
    std::fwrite(utf8, 1, static_cast<size_t>(bytes), file);
    std::fclose(file);
    MoveFileExA(partial.c_str(), g_textFile, MOVEFILE_REPLACE_EXISTING);
}

LRESULT CALLBACK targetProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == kEditId && HIWORD(wParam) == EN_CHANGE)
            saveText();
        return 0;
    case WM_SETFOCUS:
        SetFocus(g_edit);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

int showTarget(const char *textFile)
{
    g_textFile = textFile;
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = targetProcedure;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"QuillonTypingTarget";
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassW(&windowClass);
    const HWND window =
        CreateWindowExW(0, windowClass.lpszClassName, L"Typing target", WS_OVERLAPPEDWINDOW | WS_VISIBLE, kTargetLeft,
                        kTargetTop, kTargetWidth, kTargetHeight, nullptr, nullptr, instance, nullptr);
    RECT client{};
    GetClientRect(window, &client);
    g_edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_WANTRETURN, 0, 0, client.right,
                             client.bottom, window, reinterpret_cast<HMENU>(kEditId), instance, nullptr);
    if (!window || !g_edit) {
        std::printf("no window (error %lu)\n", GetLastError());
        return 1;
    }
    saveText();
    SetForegroundWindow(window);
    SetFocus(g_edit);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 2 && std::strcmp(argv[1], "windows") == 0) {
        EnumWindows(printWindow, 0);
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "edit") == 0)
        return showTarget(argv[2]);
    std::fprintf(stderr, "usage: %s windows | edit FILE\n", argv[0]);
    return 2;
}
