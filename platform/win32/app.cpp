// app_main: registers the class that the dialog IDD_MAIN names, creates the main dialog
// and runs the message loop until the quit message.
#include "platform/win32/app.h"

#include <commctrl.h>

#include "platform/win32/command_line.h"
#include "platform/win32/main_window.h"
#include "platform/win32/resource_ids.h"

namespace tavrin::win32 {

namespace {

void register_window_class(HINSTANCE instance) {
    WNDCLASSEXA window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = main_window_proc;
    window_class.cbWndExtra = DLGWINDOWEXTRA;  // a class used by a dialog template needs it
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_TAVRIN));
    window_class.hIconSm = static_cast<HICON>(
        LoadImageA(instance, MAKEINTRESOURCEA(IDI_TAVRIN), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    window_class.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512) /* IDC_ARROW */);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    window_class.lpszClassName = "Tavrin";
    RegisterClassExA(&window_class);
}

}  // namespace

int app_main(HINSTANCE instance, HINSTANCE, const char* command_tail, int show) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_BAR_CLASSES;  // trackbars and tooltips
    InitCommonControlsEx(&controls);
    register_window_class(instance);

    MainWindow main(instance);
    // The class procedure is main_window_proc too, so every message of the
    // dialog, WM_INITDIALOG included, reaches it directly.
    HWND window = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN), nullptr,
                                     reinterpret_cast<DLGPROC>(main_window_proc),
                                     reinterpret_cast<LPARAM>(&main));
    if (window == nullptr) {
        return 1;
    }
    ShowWindow(window, show);
    UpdateWindow(window);
    // Over the shown window, so that an error box or "Select CLUT to modify"
    // has its owner on the screen.
    const std::string file = file_argument(command_tail);
    if (!file.empty()) {
        open_file(window, file);
    }
    HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDA_MAIN));

    // Accelerators first, so Ctrl+C, Ctrl+V and Ctrl+B act on the palette even
    // while an edit field has the focus; the dialog manager then provides Tab
    // and hands the arrow keys to a focused cell.
    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (TranslateAcceleratorA(window, accelerators, &message)) {
            continue;
        }
        // The preview window takes Tab between its fields, and Enter in one
        // of them as "take what I typed".
        HWND preview = main.layer.preview_window();
        if (preview != nullptr && (message.hwnd == preview || IsChild(preview, message.hwnd)) &&
            IsDialogMessageA(preview, &message)) {
            continue;
        }
        if (IsDialogMessageA(window, &message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    // Exit leaves the window standing; it must not reach the editor any more.
    if (IsWindow(window)) {
        detach_main_window(window);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace tavrin::win32
