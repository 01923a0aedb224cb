#include "ui/message_box.h"

#include <utility>

#include "base/constants.h"

namespace {
MessageBoxResponder g_responder;
}

int ShowMessageBox(HWND owner, const std::wstring& text, UINT flags) {
    if (g_responder) return g_responder(owner, text, flags);
    return MessageBoxW(owner, text.c_str(), kMessageBoxTitle, flags);
}

void SetMessageBoxResponder(MessageBoxResponder responder) { g_responder = std::move(responder); }
