// The input query on Windows: a modal dialog from a template built in
// memory (a prompt, an edit line, OK and Cancel). The texts are set as 8-bit
// strings when the dialog starts, so the template carries none.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/input_dialog.h"

namespace vor::platform {
namespace {

constexpr WORD kPromptId = 100;
constexpr WORD kEditId = 101;
constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;
constexpr WORD kStaticClass = 0x0082;

// A DLGTEMPLATE with its items, as 16-bit words (the vector's storage is
// suitably aligned for the DWORD fields).
class DialogTemplate {
 public:
  DialogTemplate(DWORD style, short cx, short cy) {
    PutDword(style);
    PutDword(0);  // extended style
    count_at_ = words_.size();
    words_.push_back(0);  // item count, filled in by Add
    PutShort(0);
    PutShort(0);
    PutShort(cx);
    PutShort(cy);
    words_.push_back(0);  // no menu
    words_.push_back(0);  // the standard dialog class
    words_.push_back(0);  // no title (set at start-up)
    words_.push_back(8);  // DS_SETFONT: point size and face
    for (const char* p = "MS Shell Dlg"; *p != '\0'; ++p) words_.push_back(static_cast<WORD>(*p));
    words_.push_back(0);
  }

  void Add(DWORD style, short x, short y, short cx, short cy, WORD id, WORD class_atom) {
    if (words_.size() % 2 != 0) words_.push_back(0);  // items start on a DWORD
    PutDword(style | WS_CHILD | WS_VISIBLE);
    PutDword(0);
    PutShort(x);
    PutShort(y);
    PutShort(cx);
    PutShort(cy);
    words_.push_back(id);
    words_.push_back(0xFFFF);
    words_.push_back(class_atom);
    words_.push_back(0);  // no text
    words_.push_back(0);  // no creation data
    ++words_[count_at_];
  }

  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void PutDword(DWORD v) {
    words_.push_back(static_cast<WORD>(v & 0xFFFF));
    words_.push_back(static_cast<WORD>(v >> 16));
  }
  void PutShort(short v) { words_.push_back(static_cast<WORD>(v)); }

  std::vector<WORD> words_;
  size_t count_at_ = 0;
};

struct QueryState {
  const std::string* caption;
  const std::string* prompt;
  bool hide_input;
  std::string text;
};

INT_PTR CALLBACK QueryProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* state = reinterpret_cast<QueryState*>(lparam);
      ::SetWindowLongPtrA(dialog, DWLP_USER, lparam);
      ::SetWindowTextA(dialog, state->caption->c_str());
      ::SetDlgItemTextA(dialog, kPromptId, state->prompt->c_str());
      if (state->hide_input) ::SendDlgItemMessageA(dialog, kEditId, EM_SETPASSWORDCHAR, '*', 0);
      ::SetDlgItemTextA(dialog, kEditId, state->text.c_str());
      ::SendDlgItemMessageA(dialog, kEditId, EM_SETSEL, 0, -1);
      ::SetFocus(::GetDlgItem(dialog, kEditId));
      return FALSE;  // the focus is set
    }
    case WM_COMMAND: {
      auto* state = reinterpret_cast<QueryState*>(::GetWindowLongPtrA(dialog, DWLP_USER));
      const WORD id = LOWORD(wparam);
      if (id == IDOK && state != nullptr) {
        HWND edit = ::GetDlgItem(dialog, kEditId);
        const int length = ::GetWindowTextLengthA(edit);
        std::string text(static_cast<size_t>(length) + 1, '\0');
        const int got = ::GetWindowTextA(edit, &text[0], length + 1);
        text.resize(static_cast<size_t>(got > 0 ? got : 0));
        state->text = text;
        ::EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (id == IDCANCEL) {
        ::EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      break;
    }
    default:
      break;
  }
  return FALSE;
}

}  // namespace

bool ShowInputDialog(const std::string& caption, const std::string& prompt, bool hide_input,
                     std::string* value) {
  DialogTemplate dialog(DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU,
                        200, 62);
  dialog.Add(SS_LEFT, 7, 7, 186, 10, kPromptId, kStaticClass);
  dialog.Add(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 19, 186, 12, kEditId, kEditClass);
  dialog.Add(BS_DEFPUSHBUTTON | WS_TABSTOP, 88, 40, 50, 14, IDOK, kButtonClass);
  dialog.Add(BS_PUSHBUTTON | WS_TABSTOP, 143, 40, 50, 14, IDCANCEL, kButtonClass);

  QueryState state{&caption, &prompt, hide_input, *value};
  const INT_PTR result =
      ::DialogBoxIndirectParamA(::GetModuleHandleA(nullptr), dialog.Get(), ::GetActiveWindow(),
                                QueryProc, reinterpret_cast<LPARAM>(&state));
  if (result != IDOK) return false;
  *value = state.text;
  return true;
}

}  // namespace vor::platform
