// TForm1, the installer window without its drawing.
#include "installer/form.h"

#include "common/error.h"

namespace vor {

TForm1::TForm1() {
  states_.reserve(kControlCount);
  for (const ControlLayout& layout : FormControls()) {
    ControlState state;
    state.text = layout.text;
    state.checked = layout.checked;
    states_.push_back(state);
  }
  FormCreate();
}

TForm1::~TForm1() = default;

ControlState& TForm1::Mutable(ControlId id) { return states_[Index(id)]; }

void TForm1::SetText(ControlId id, const std::string& text) {
  if (Text(id) != text) Mutable(id).text = text;
}

void TForm1::SetEnabled(ControlId id, bool enabled) {
  if (Enabled(id) != enabled) Mutable(id).enabled = enabled;
}

void TForm1::SetChecked(ControlId id, bool checked) {
  if (Checked(id) != checked) Mutable(id).checked = checked;
}

void TForm1::SetVisible(ControlId id, bool visible) {
  if (State(id).visible != visible) Mutable(id).visible = visible;
}

void TForm1::SetActivePage(ControlId page) {
  if (Layout(page).kind != ControlKind::kPage) {
    throw EVorError(std::string("TForm1.SetActivePage - not a page: ") + Layout(page).name);
  }
  active_page_ = page;
}

void TForm1::FormCreate() {
  // COM for this thread, single-threaded apartment; the program entry has
  // initialised it in the same model already, so the result does not matter.
  com_ = std::make_unique<platform::ComApartment>(platform::ComInit::kCoInitializeEx);
  JobIni = std::make_unique<StringList>();
  InstalledList = std::make_unique<StringList>();
  ShortcutsList = std::make_unique<StringList>();
  MenuList = std::make_unique<StringList>();
  ExecsList = std::make_unique<StringList>();
}

void TForm1::FormShow() {
  // The Intro page and its rules come first, so that they are in place
  // whatever the job loading that follows them does.
  SetActivePage(ControlId::tsIntro);
  PC1Change();
  // The job loading (opening the container on the program's own file and
  // reading the job package) follows here.
}

void TForm1::FormClose() {
  // Freed in this order; the job's container, once there is one, is freed
  // between JobIni and ShortcutsList.
  InstalledList.reset();
  JobIni.reset();
  ShortcutsList.reset();
  MenuList.reset();
  ExecsList.reset();
}

void TForm1::PC1Change() {
  // Entering the Intro page enables Next. The rules of the other pages come
  // with the wizard's navigation.
  if (active_page_ == ControlId::tsIntro) SetEnabled(ControlId::bNext, true);
}

bool TForm1::PC1Changing() { return false; }

void TForm1::bnExitClick() { Close(); }

void TForm1::Click(ControlId id) {
  if (closed_ || !Enabled(id)) return;
  const ControlLayout& layout = Layout(id);
  if (layout.kind == ControlKind::kRadioButton) {
    for (const ControlLayout& other : FormControls()) {
      if (other.kind == ControlKind::kRadioButton && other.parent == layout.parent) {
        SetChecked(other.id, other.id == id);
      }
    }
  } else if (layout.kind == ControlKind::kCheckBox) {
    SetChecked(id, !Checked(id));
  }
  // The handlers of the buttons; Next, Back, Browse and the radio buttons'
  // handlers come with the wizard's navigation.
  switch (id) {
    case ControlId::bCancel:
      bnExitClick();
      break;
    default:
      break;
  }
}

bool TForm1::RequestPageChange(ControlId page) {
  if (closed_ || page == active_page_ || !PC1Changing()) return false;
  PageTabSelected(page);
  return true;
}

void TForm1::PageTabSelected(ControlId page) {
  SetActivePage(page);
  PC1Change();
}

void TForm1::CloseRequest() {
  if (Enabled(ControlId::bCancel)) Close();
}

void TForm1::Close() {
  if (closed_) return;
  FormClose();
  closed_ = true;
}

}  // namespace vor
