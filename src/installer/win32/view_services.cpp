// The window model's services as the Win32 view provides them.
#include "view_services.h"

// clang-format off
#include <windows.h>
#include <richedit.h>
#include <shlobj.h>
// clang-format on

#include <cstring>

#include "common/error.h"
#include "installer/engine/error_text.h"
#include "viewer_keys.h"

namespace vor::win32 {

namespace {

// Sets the browser's caption once it exists.
int CALLBACK BrowseCallback(HWND dialog, UINT msg, LPARAM /*lparam*/, LPARAM data) {
  if (msg == BFFM_INITIALIZED) SetWindowTextA(dialog, reinterpret_cast<const char*>(data));
  return 0;
}

struct StreamInState {
  const std::string* bytes;
  size_t position;
};

DWORD CALLBACK StreamInCallback(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* done) {
  auto* state = reinterpret_cast<StreamInState*>(cookie);
  const size_t left = state->bytes->size() - state->position;
  const size_t n = left < static_cast<size_t>(count) ? left : static_cast<size_t>(count);
  std::memcpy(buffer, state->bytes->data() + state->position, n);
  state->position += n;
  *done = static_cast<LONG>(n);
  return 0;
}

DWORD CALLBACK StreamOutCallback(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* done) {
  reinterpret_cast<std::string*>(cookie)->append(reinterpret_cast<const char*>(buffer),
                                                 static_cast<size_t>(count));
  *done = count;
  return 0;
}

}  // namespace

void MessageBoxService::ShowError(const std::string& text) {
  MessageBoxA(owner_, text.c_str(), kApplicationTitle, MB_OK | MB_ICONERROR);
}

bool MessageBoxService::Ask(const std::string& text) {
  return MessageBoxA(owner_, text.c_str(), kApplicationTitle, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

bool FolderDialogService::Execute(const std::string& title, std::string* folder) {
  BROWSEINFOA info{};
  char display_name[MAX_PATH] = {};
  info.hwndOwner = owner_;
  info.pszDisplayName = display_name;
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(title.c_str());
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&info);
  if (chosen == nullptr) return false;
  char path[MAX_PATH] = {};
  const bool ok = SHGetPathFromIDListA(chosen, path) != FALSE;
  CoTaskMemFree(chosen);
  if (!ok) return false;
  *folder = path;
  return true;
}

void MessagePumpService::ProcessMessages() {
  const DWORD now = GetTickCount();
  if (pumped_ && now - last_pump_ < kPumpInterval) return;
  pumped_ = true;
  last_pump_ = now;
  if (show_model_) show_model_();
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (dialog_ != nullptr && IsWindow(dialog_) && IsDialogMessageA(dialog_, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

bool RichEditViewer::StreamIn(const std::string& bytes, WPARAM format) {
  StreamInState state{&bytes, 0};
  EDITSTREAM stream{};
  stream.dwCookie = reinterpret_cast<DWORD_PTR>(&state);
  stream.pfnCallback = StreamInCallback;
  SendMessageA(control_, EM_STREAMIN, format, reinterpret_cast<LPARAM>(&stream));
  // New content may bring its own page width; the lines wrap at the viewer.
  WrapToVisibleWidth(control_);
  return stream.dwError == 0;
}

bool RichEditViewer::LoadRichText(const std::string& bytes) { return StreamIn(bytes, SF_RTF); }

bool RichEditViewer::LoadPlainText(const std::string& bytes) { return StreamIn(bytes, SF_TEXT); }

std::string RichEditViewer::SaveRichText() {
  std::string rtf;
  EDITSTREAM stream{};
  stream.dwCookie = reinterpret_cast<DWORD_PTR>(&rtf);
  stream.pfnCallback = StreamOutCallback;
  SendMessageA(control_, EM_STREAMOUT, SF_RTF, reinterpret_cast<LPARAM>(&stream));
  if (stream.dwError != 0) throw EVorError("The rich text cannot be written out", ErrorKind::kIo);
  return rtf;
}

}  // namespace vor::win32
