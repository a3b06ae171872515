#include "components/FormSaver1.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "framework/Form.h"
#include "framework/ListView.h"
#include "framework/PageControl.h"
#include "framework/Registration.h"
#include "framework/Registry.h"
#include "framework/Screen.h"
#include "framework/SysUtils.h"
#include "platform/user/WidgetWindows.h"

namespace {

// Where a form of `size` starts when centred in `length` from `start`:
// halved by integer division, at the start when it does not fit.
int Centred(int start, int length, int size) {
  return size < length ? start + (length - size) / 2 : start;
}

}  // namespace

TFormSaver::TFormSaver(TComponent* AOwner) : TComponent(AOwner) {}

void TFormSaver::Loaded() {
  // Loading a form that carries a saver reads nothing: the owner decides
  // when to Load.
  TComponent::Loaded();
}

void TFormSaver::Save() {}

void TFormSaver::Load() {}

// Runs a list view's or page control's subkey operation: opens the registry
// when none is open, and afterwards leaves it as it was found, with the form
// key current again even when the operation failed halfway.
class TRegistryFormSaver::TKeyScope {
 public:
  explicit TKeyScope(TRegistryFormSaver& saver)
      : FSaver(saver), FOpened(saver.FRegistry == nullptr && saver.OpenRegistry()) {}
  ~TKeyScope() {
    if (FOpened) {
      FSaver.CloseRegistry();
    } else if (!FReturned && FSaver.FRegistry != nullptr) {
      ReturnToFormKey();
    }
  }
  TKeyScope(const TKeyScope&) = delete;
  TKeyScope& operator=(const TKeyScope&) = delete;

  // Null when no registry could be opened.
  TRegistry* Registry() const { return FSaver.FRegistry.get(); }
  // Closes the subkey and reopens the form key; false when the form key is
  // gone (another process may have deleted it).
  bool ReturnToFormKey() {
    FReturned = true;
    TRegistry* registry = Registry();
    registry->CloseKey();
    return registry->OpenKey(FSaver.GetFormRegistryKey(), false);
  }

 private:
  TRegistryFormSaver& FSaver;
  bool FOpened;
  bool FReturned = false;
};

TRegistryFormSaver::TRegistryFormSaver(TComponent* AOwner) : TFormSaver(AOwner) {}

TRegistryFormSaver::~TRegistryFormSaver() {
  CloseRegistry();
}

TForm* TRegistryFormSaver::OwnerForm() const {
  return dynamic_cast<TForm*>(Owner());
}

void TRegistryFormSaver::SetRegistryKey(std::string Value) {
  if (!Value.empty() && Value.back() == '\\') Value.pop_back();
  FRegistryKey = std::move(Value);
}

std::string TRegistryFormSaver::GetFormRegistryKey() const {
  const TForm* form = OwnerForm();
  return FRegistryKey + "\\Forms\\" + (form != nullptr ? form->Name() : std::string());
}

bool TRegistryFormSaver::OpenRegistry() {
  if (OwnerForm() == nullptr || FRegistryKey.empty() || FRegistry != nullptr) {
    return FRegistry != nullptr;
  }
  FRegistry = std::make_unique<TRegistry>(KEY_ALL_ACCESS);
  FRegistry->SetRootKey(HKEY_CURRENT_USER);
  if (!FRegistry->OpenKey(GetFormRegistryKey(), true)) CloseRegistry();
  return FRegistry != nullptr;
}

void TRegistryFormSaver::CloseRegistry() {
  FRegistry.reset();
}

TRegistry& TRegistryFormSaver::OpenedRegistry(const char* Operation) const {
  if (FRegistry == nullptr) {
    throw EAssertionFailed(std::string("Assertion failed: ") + Operation +
                           " needs an open registry key (FormSaver1)");
  }
  return *FRegistry;
}

void TRegistryFormSaver::SaveInteger(const std::string& Name, int Value) {
  OpenedRegistry("SaveInteger").WriteInteger(Name, Value);
}

void TRegistryFormSaver::SaveFloat(const std::string& Name, float Value) {
  TRegistry& registry = OpenedRegistry("SaveFloat");
  const double wide = Value;
  uint64_t bits = 0;
  std::memcpy(&bits, &wide, sizeof bits);
  uint8_t bytes[8];
  for (int i = 0; i < 8; ++i)
    bytes[i] = static_cast<uint8_t>(bits >> (8 * i));
  registry.WriteBinaryData(Name, bytes, sizeof bytes);
}

void TRegistryFormSaver::SaveBool(const std::string& Name, bool Value) {
  OpenedRegistry("SaveBool").WriteInteger(Name, Value ? 1 : 0);
}

void TRegistryFormSaver::SaveString(const std::string& Name, const std::string& Value) {
  OpenedRegistry("SaveString").WriteString(Name, Value);
}

void TRegistryFormSaver::SaveBinary(const std::string& Name, const void* Data, int Size) {
  OpenedRegistry("SaveBinary").WriteBinaryData(Name, Data, Size);
}

bool TRegistryFormSaver::ReadInteger(const std::string& Name, int& Value) {
  TRegistry& registry = OpenedRegistry("ReadInteger");
  try {
    // Raises for a missing value and for anything but a 4-byte REG_DWORD.
    Value = registry.ReadInteger(Name);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool TRegistryFormSaver::ReadFloat(const std::string& Name, float& Value) {
  TRegistry& registry = OpenedRegistry("ReadFloat");
  try {
    TRegDataInfo info;
    if (!registry.GetDataInfo(Name, info) || info.RegData != rdBinary || info.DataSize != 8) {
      return false;
    }
    uint8_t bytes[8];
    if (registry.ReadBinaryData(Name, bytes, sizeof bytes) != 8) return false;
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
      bits |= static_cast<uint64_t>(bytes[i]) << (8 * i);
    double wide = 0;
    std::memcpy(&wide, &bits, sizeof wide);
    // A double beyond float's range narrows to an infinity, as the FPU does.
    if (std::isfinite(wide) && std::fabs(wide) > FLT_MAX) {
      Value = wide > 0 ? INFINITY : -INFINITY;
    } else {
      Value = static_cast<float>(wide);
    }
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool TRegistryFormSaver::ReadBool(const std::string& Name, bool& Value) {
  int number = 0;
  if (!ReadInteger(Name, number)) return false;
  Value = number != 0;
  return true;
}

bool TRegistryFormSaver::ReadString(const std::string& Name, std::string& Value) {
  TRegistry& registry = OpenedRegistry("ReadString");
  try {
    // The framework reads a missing value as "": ask first.
    const TRegDataType type = registry.GetDataType(Name);
    if (type != rdString && type != rdExpandString) return false;
    Value = registry.ReadString(Name);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

bool TRegistryFormSaver::ReadBinary(const std::string& Name, void* Buffer, int& Size) {
  TRegistry& registry = OpenedRegistry("ReadBinary");
  if (Size < 0 || (Buffer == nullptr && Size > 0)) return false;
  try {
    TRegDataInfo info;
    if (!registry.GetDataInfo(Name, info) || info.RegData != rdBinary || info.DataSize > Size) {
      return false;
    }
    // Read aside first, so that a read that fails (the value grew in the
    // meantime) leaves the caller's buffer as it was.
    std::vector<uint8_t> bytes(static_cast<size_t>(info.DataSize));
    const int read = registry.ReadBinaryData(Name, bytes.data(), info.DataSize);
    if (read > 0) std::memcpy(Buffer, bytes.data(), static_cast<size_t>(read));
    Size = read;
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void TRegistryFormSaver::Save() {
  TFormSaver::Save();
  TForm* form = OwnerForm();
  if (form == nullptr || FRegistryKey.empty()) return;
  struct Closing {
    TRegistryFormSaver* saver;
    ~Closing() { saver->CloseRegistry(); }
  } closing{this};
  if (!OpenRegistry()) return;

  // The normal rectangle is the restored one, also while the form is
  // minimised or maximised.
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  RECT normal = form->BoundsRect().ToRECT();
  if (GetWindowPlacement(form->Handle(), &placement)) normal = placement.rcNormalPosition;
  if (SaveSize() && form->BorderStyle() != bsDialog) {
    FRegistry->WriteInteger("Width", normal.right - normal.left);
    FRegistry->WriteInteger("Height", normal.bottom - normal.top);
  }
  if (SavePosition()) {
    FRegistry->WriteInteger("FormState", form->WindowState());
    FRegistry->WriteInteger("Top", normal.top);
    FRegistry->WriteInteger("Left", normal.left);
  }
  if (SaveListViews() || SavePageControls()) SaveComponentStates(form);
}

void TRegistryFormSaver::Load() {
  TFormSaver::Load();
  TForm* form = OwnerForm();
  if (form == nullptr || FRegistryKey.empty()) return;
  {
    struct Closing {
      TRegistryFormSaver* saver;
      ~Closing() { saver->CloseRegistry(); }
    } closing{this};
    if (OpenRegistry()) {
      TRegistry& registry = *FRegistry;
      bool placed = false;
      // A damaged value must not ask the window system for a giant window or
      // for a position at the end of int's range, where its own arithmetic
      // overflows: sizes stop at the whole desktop's (as the platform limits
      // a window's size), positions just outside it, which the on-screen
      // rule below treats exactly as it would the value itself.
      const TRect desktop = Screen->DesktopRect();
      const auto size = [](int value, int desktopSize, int current) {
        return std::min(value, std::max(desktopSize, current));
      };
      const auto position = [](int value, int first, int end) {
        return std::clamp(value, first - 1, end + 1);
      };
      if (SaveSize() && form->BorderStyle() != bsDialog) {
        if (registry.ValueExists("Width")) {
          form->SetWidth(size(registry.ReadInteger("Width"), desktop.Width(), form->Width()));
        }
        if (registry.ValueExists("Height")) {
          form->SetHeight(size(registry.ReadInteger("Height"), desktop.Height(), form->Height()));
        }
        placed = true;
      }
      if (SavePosition()) {
        if (registry.ValueExists("Top")) {
          form->SetTop(position(registry.ReadInteger("Top"), desktop.Top, desktop.Bottom));
        }
        if (registry.ValueExists("Left")) {
          form->SetLeft(position(registry.ReadInteger("Left"), desktop.Left, desktop.Right));
        }
        if (registry.ValueExists("FormState")) {
          // Only the states a form has; any other number keeps the form's.
          const auto state = static_cast<uint8_t>(registry.ReadInteger("FormState"));
          if (state <= wsMaximized) form->SetWindowState(static_cast<TWindowState>(state));
        }
        placed = true;
      }
      if (SaveListViews() || SavePageControls()) LoadComponentStates(form);
      if (!placed) CenterForm(form);
    }
  }
  KeepFormOnScreen(form);
}

void TRegistryFormSaver::SaveComponentStates(TComponent* Container) {
  for (int i = 0; i < Container->ComponentCount(); ++i) {
    TComponent* component = Container->Components(i);
    if (SaveListViews()) {
      if (auto* listView = dynamic_cast<TListView*>(component)) SaveListViewColumns(listView);
    }
    if (SavePageControls()) {
      if (auto* pageControl = dynamic_cast<TPageControl*>(component)) SavePageControl(pageControl);
    }
    auto* form = dynamic_cast<TForm*>(component);
    if (form == nullptr || form->Parent() == Container) SaveComponentStates(component);
  }
}

void TRegistryFormSaver::LoadComponentStates(TComponent* Container) {
  for (int i = 0; i < Container->ComponentCount(); ++i) {
    TComponent* component = Container->Components(i);
    if (SaveListViews()) {
      if (auto* listView = dynamic_cast<TListView*>(component)) LoadListViewColumns(listView);
    }
    if (SavePageControls()) {
      if (auto* pageControl = dynamic_cast<TPageControl*>(component)) LoadPageControl(pageControl);
    }
    auto* form = dynamic_cast<TForm*>(component);
    if (form == nullptr || form->Parent() == Container) LoadComponentStates(component);
  }
}

bool TRegistryFormSaver::SaveListViewColumns(const TListView* ListView) {
  // A control without a name has no subkey of its own.
  if (ListView == nullptr || ListView->Name().empty()) return false;
  TKeyScope scope(*this);
  TRegistry* registry = scope.Registry();
  if (registry == nullptr) return false;
  try {
    if (!registry->OpenKey("Lists\\" + ListView->Name(), true)) return false;
    const TListColumns* columns = ListView->Columns();
    registry->WriteInteger("ColumnCount", columns->Count());
    for (int i = 0; i < columns->Count(); ++i)
      registry->WriteInteger(FormatAnsi("Column%i", i), columns->Items(i)->Width());
    return scope.ReturnToFormKey();
  } catch (const std::exception&) {
    return false;
  }
}

bool TRegistryFormSaver::LoadListViewColumns(TListView* ListView) {
  if (ListView == nullptr || ListView->Name().empty()) return false;
  TKeyScope scope(*this);
  TRegistry* registry = scope.Registry();
  if (registry == nullptr) return false;
  try {
    const std::string key = "Lists\\" + ListView->Name();
    if (!registry->KeyExists(key) || !registry->OpenKeyReadOnly(key)) return false;
    const int stored = registry->ReadInteger("ColumnCount");
    TListColumns* columns = ListView->Columns();
    // A width that cannot be read ends the walk; the columns before it keep
    // their new widths.
    for (int i = 0; i < stored && i < columns->Count(); ++i) {
      const int width = registry->ReadInteger(FormatAnsi("Column%i", i));
      columns->Items(i)->SetAutoSize(false);
      columns->Items(i)->SetWidth(width);
    }
    return scope.ReturnToFormKey();
  } catch (const std::exception&) {
    return false;
  }
}

bool TRegistryFormSaver::SavePageControl(const TPageControl* PageControl) {
  if (PageControl == nullptr || PageControl->Name().empty()) return false;
  TKeyScope scope(*this);
  TRegistry* registry = scope.Registry();
  if (registry == nullptr) return false;
  try {
    if (!registry->OpenKey("PageControls\\" + PageControl->Name(), true)) return false;
    registry->WriteInteger("PageIndex", PageControl->ActivePageIndex());
    return scope.ReturnToFormKey();
  } catch (const std::exception&) {
    return false;
  }
}

bool TRegistryFormSaver::LoadPageControl(TPageControl* PageControl) {
  if (PageControl == nullptr || PageControl->Name().empty()) return false;
  TKeyScope scope(*this);
  TRegistry* registry = scope.Registry();
  if (registry == nullptr) return false;
  try {
    const std::string key = "PageControls\\" + PageControl->Name();
    if (!registry->KeyExists(key) || !registry->OpenKeyReadOnly(key)) return false;
    const int index = registry->ReadInteger("PageIndex");
    if (index < PageControl->PageCount()) PageControl->SetActivePageIndex(index);
    return scope.ReturnToFormKey();
  } catch (const std::exception&) {
    return false;
  }
}

// The screen rules work on the primary display's work area (its size less
// panels and docks), and on the whole desktop's origin for what lies left
// of or above every display.
void TRegistryFormSaver::CenterForm(TForm* Form) const {
  const TRect area = Screen->WorkAreaRect();
  Form->SetBounds(Centred(area.Left, area.Width(), Form->Width()),
                  Centred(area.Top, area.Height(), Form->Height()), Form->Width(), Form->Height());
}

void TRegistryFormSaver::KeepFormOnScreen(TForm* Form) const {
  const TRect area = Screen->WorkAreaRect();
  const TRect desktop = Screen->DesktopRect();
  int left = Form->Left();
  int top = Form->Top();
  const int width = Form->Width();
  const int height = Form->Height();
  if (left < desktop.Left) left = area.Left;
  if (top < desktop.Top) top = area.Top;
  // In 64 bits: a stored position may be near the end of int's range.
  if (int64_t{left} + width > area.Right) left = Centred(area.Left, area.Width(), width);
  if (int64_t{top} + height > area.Bottom) top = Centred(area.Top, area.Height(), height);
  if (left != Form->Left() || top != Form->Top()) Form->SetBounds(left, top, width, height);
}

namespace FormSaver1 {

void Register() {
  RegisterComponent("Corvane", "TRegistryFormSaver",
                    [](TComponent* owner) { return new TRegistryFormSaver(owner); });
}

}  // namespace FormSaver1
