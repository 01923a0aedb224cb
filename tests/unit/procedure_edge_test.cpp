// No C++ exception leaves one of our procedures for user32: the message is
// then handled as not done, DefWindowProc's answer for a window and FALSE for
// a dialog, and nothing is shown.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <stdexcept>

#include "app/state.h"
#include "base/constants.h"
#include "base/error.h"
#include "operations/operation_runner.h"
#include "tests/support/operation_test_support.h"
#include "ui/message_box.h"
#include "ui/procedure_edge.h"

namespace {

constexpr UINT kAsked = WM_APP + 40;

// What the test procedures do when asked.
enum class Reply { Answer, ThrowAppError, ThrowRuntimeError, ThrowInt };
Reply g_reply = Reply::Answer;

void ThrowIfTold() {
    switch (g_reply) {
    case Reply::ThrowAppError: Fail("échec prévu");
    case Reply::ThrowRuntimeError: throw std::runtime_error("unexpected");
    case Reply::ThrowInt: throw 42;
    case Reply::Answer: break;
    }
}

LRESULT CALLBACK EdgeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return WindowProcedureEdge(window, message, wParam, lParam, [&]() -> LRESULT {
        if (message != WM_NCHITTEST) return DefWindowProcW(window, message, wParam, lParam);
        ThrowIfTold();
        return HTCAPTION;
    });
}

INT_PTR CALLBACK EdgeDialogProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    return DialogProcedureEdge([&]() -> INT_PTR {
        if (message != kAsked && message != WM_INITDIALOG) return FALSE;
        ThrowIfTold();
        if (message == WM_INITDIALOG) return TRUE;
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 7);
        return TRUE;
    });
}

// An empty dialog: the template, then no menu, the default class and no title.
struct EmptyDialogTemplate {
    DLGTEMPLATE dialog{WS_POPUP, 0, 0, 0, 0, 100, 50};
    WORD menu = 0;
    WORD windowClass = 0;
    WORD title = 0;
};

}  // namespace

TEST(ProcedureEdge, AnExceptionIsStoppedAndTheMessageHandledAsNotDone) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = EdgeWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"OrkvaneProcedureEdgeTest";
    ASSERT_NE(RegisterClassW(&wc), 0);
    HWND window = CreateWindowExW(0, wc.lpszClassName, L"edge", WS_POPUP, 100, 100, 200, 100, nullptr, nullptr,
                                  wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    const LPARAM inside = MAKELPARAM(150, 150);
    const EmptyDialogTemplate empty;

    struct Case {
        const char* what;
        Reply reply;
        LRESULT window;  // the hit test's answer
        LRESULT dialog;  // SendMessage's answer through the dialog manager
    };
    const Case cases[] = {
        {"answered", Reply::Answer, HTCAPTION, 7},
        {"the program's error", Reply::ThrowAppError, HTCLIENT, 0},
        {"another standard exception", Reply::ThrowRuntimeError, HTCLIENT, 0},
        {"not even a std::exception", Reply::ThrowInt, HTCLIENT, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_reply = c.reply;
        LRESULT hit = 0;
        EXPECT_NO_THROW(hit = SendMessageW(window, WM_NCHITTEST, 0, inside));
        EXPECT_EQ(hit, c.window);

        // WM_INITDIALOG throws too: the dialog is made all the same.
        HWND dialog = nullptr;
        EXPECT_NO_THROW(dialog = CreateDialogIndirectParamW(wc.hInstance, &empty.dialog, nullptr, EdgeDialogProc, 0));
        ASSERT_NE(dialog, nullptr);
        LRESULT answer = -1;
        EXPECT_NO_THROW(answer = SendMessageW(dialog, kAsked, 0, 0));
        EXPECT_EQ(answer, c.dialog);
        DestroyWindow(dialog);
    }
    g_reply = Reply::Answer;
    DestroyWindow(window);
    UnregisterClassW(wc.lpszClassName, wc.hInstance);
}

// The main window's procedure stops what its handlers throw: here the box
// that tells of a failed operation cannot be shown.
TEST(ProcedureEdge, TheMainWindowStopsWhatItsHandlersThrow) {
    TestMainWindow window;
    int asked = 0;
    SetMessageBoxResponder([&asked](HWND, const std::wstring&, UINT) -> int {
        ++asked;
        throw std::runtime_error("no box");
    });
    auto result = std::make_unique<OperationResult>();
    result->error = L"échec";
    g_state.busy = true;
    LRESULT answer = -1;
    EXPECT_NO_THROW(
        answer = SendMessageW(window.get(), WM_APP_OPERATION_DONE, 0, reinterpret_cast<LPARAM>(result.release())));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(answer, DefWindowProcW(window.get(), WM_APP_OPERATION_DONE, 0, 0));
    EXPECT_FALSE(g_state.busy);
    EXPECT_TRUE(IsWindow(window.get()));
    SetMessageBoxResponder(nullptr);
}
